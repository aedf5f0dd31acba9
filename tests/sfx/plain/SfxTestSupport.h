#pragma once
// The stubs' portable part on this machine: an archive in memory as their
// Source, a folder on disk as their Files (names decoded with iconv, as
// Windows does with MultiByteToWideChar), and answers to their questions.

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "builtin/common/PackCommand.h"
#include "sfx/SfxSamples.h"
#include "sfx/core/Extractor.h"

namespace ks::test {

namespace fs = std::filesystem;

inline std::string Utf8Of(const sfx::WideText& text) {
  std::string bytes;
  for (char16_t c : text) {
    if (c == 0) break;
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  return Iconv(bytes, "UTF-16LE", "UTF-8").value_or("?");
}

inline sfx::WideText WideOf(const std::string& utf8) {
  const std::string bytes = Iconv(utf8, "UTF-8", "UTF-16LE").value();
  sfx::WideText text;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         static_cast<unsigned char>(bytes[i + 1]) << 8));
  return text;
}

class MemorySource : public sfx::Source {
 public:
  explicit MemorySource(std::string bytes) : bytes_(std::move(bytes)) {}
  bool ReadAt(std::uint64_t offset, void* buffer, std::size_t size) override {
    if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
    std::copy_n(bytes_.data() + offset, size, static_cast<char*>(buffer));
    return true;
  }
  std::uint64_t Size() const override { return bytes_.size(); }

 private:
  std::string bytes_;
};

class FolderFiles : public sfx::Files {
 public:
  explicit FolderFiles(fs::path root) : root_(std::move(root)) { fs::create_directories(root_); }

  bool Decode(const char* bytes, std::size_t size, std::uint32_t codePage, sfx::WideText& out) override {
    const auto utf8 = Iconv(std::string(bytes, size), codePage == sfx::kUtf8 ? "UTF-8" : "CP932", "UTF-8");
    if (!utf8) return false;
    out = WideOf(*utf8);
    return true;
  }
  bool MakeFolder(const sfx::WideText& path) override {
    std::error_code ec;
    fs::create_directories(Full(path), ec);
    return fs::is_directory(Full(path));
  }
  bool Exists(const sfx::WideText& path) override { return fs::exists(Full(path)); }
  bool Begin(const sfx::WideText& path) override {
    target_ = Full(path);
    temp_ = target_.string() + ".~kssfx";
    out_.open(temp_, std::ios::binary);
    return out_.good();
  }
  bool Write(const std::uint8_t* data, std::size_t size) override {
    out_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    return out_.good();
  }
  bool Commit(bool replace, const sfx::Entry&) override {
    out_.close();
    if (!replace && fs::exists(target_)) return false;
    fs::rename(temp_, target_);
    return true;
  }
  void Abort() override {
    out_.close();
    fs::remove(temp_);
  }

 private:
  fs::path Full(const sfx::WideText& path) const {
    std::string rel = Utf8Of(path);
    for (char& c : rel)
      if (c == '\\') c = '/';
    return root_ / rel;
  }
  fs::path root_;
  fs::path target_;
  fs::path temp_;
  std::ofstream out_;
};

// Answers every replace question the same way and keeps the questions.
class Answers : public sfx::Feedback {
 public:
  explicit Answers(Answer answer = Answer::Replace) : answer_(answer) {}
  Answer AskReplace(const sfx::WideText& path) override {
    asked.push_back(Utf8Of(path));
    return answer_;
  }
  bool Progress(const sfx::WideText&, std::uint64_t done, std::uint64_t total) override {
    lastDone = done;
    lastTotal = total;
    return true;
  }
  std::vector<std::string> asked;
  std::uint64_t lastDone = 0, lastTotal = 0;

 private:
  Answer answer_;
};


}  // namespace ks::test
