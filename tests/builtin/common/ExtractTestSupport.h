#pragma once
// Shared helpers of the extraction tests: a scratch folder, a host that
// answers as the test says, running peer tools, and comparing trees.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "archivers/ArchiverHost.h"
#include "archivers/ArchiverInterface.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks::test {

namespace fs = std::filesystem;

// A fresh folder under the system's temporary folder, removed afterwards.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string tmpl = (fs::temp_directory_path() / "ks-extract-XXXXXX").string();
    path_ = ::mkdtemp(tmpl.data());
  }
  ~ScratchFolder() {
    std::error_code ec;
    // Read-only folders made by a test must not stop the clean-up.
    for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it);
         it.increment(ec))
      if (it->is_directory(ec) && !it->is_symlink(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(path_, ec);
  }
  const fs::path& path() const { return path_; }
  fs::path operator/(const std::string& name) const { return path_ / name; }

 private:
  fs::path path_;
};

inline void WriteFile(const fs::path& file, const std::string& data) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << data;
}

inline std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Deterministic bytes that compress somewhat, like real files.
inline std::string SomeBytes(std::size_t size, unsigned seed) {
  std::string s(size, '\0');
  unsigned x = seed * 2654435761u + 1;
  for (std::size_t i = 0; i < size; ++i) {
    x = x * 1103515245u + 12345u;
    s[i] = static_cast<char>((x >> 16) % 7 == 0 ? (x >> 8) : 'a' + (x >> 24) % 16);
  }
  return s;
}

inline std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

// Runs a shell command; its exit status.
inline int Shell(const std::string& command) {
  const int r = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(r) ? WEXITSTATUS(r) : -1;
}

inline bool HaveTool(const std::string& tool) { return Shell("command -v " + tool) == 0; }

// Every file, folder and link under `root`: relative name -> kind and content.
inline std::map<std::string, std::string> Tree(const fs::path& root) {
  std::map<std::string, std::string> tree;
  if (!fs::exists(root)) return tree;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::end(it); ++it) {
    // Lexically: fs::relative would resolve a link to its target.
    const std::string rel = it->path().lexically_relative(root).string();
    if (it->is_symlink())
      tree[rel] = "link:" + fs::read_symlink(it->path()).string();
    else if (it->is_directory())
      tree[rel] = "folder";
    else
      tree[rel] = "file:" + ReadFile(it->path());
  }
  return tree;
}

// A small tree with nested and empty folders, text and binary files.
inline void MakeSampleTree(const fs::path& root, bool japanese = true) {
  WriteFile(root / "readme.txt", "hello, kestrino\n");
  WriteFile(root / "docs" / "notes.txt", SomeBytes(20000, 1));
  WriteFile(root / "docs" / "deep" / "data.bin", SomeBytes(150000, 2));
  WriteFile(root / "docs" / "zero.dat", "");
  fs::create_directories(root / "empty");
  if (japanese) WriteFile(root / "日本語フォルダ" / "ファイル名.txt", "日本語の中身\n");
}

// The command entry point of a back-end as the program calls it.
struct CommandResult {
  int code;
  std::string output;
};
inline CommandResult RunCommand(CommonArchiver& lib, const std::string& line, std::size_t size = 65535) {
  std::vector<char> buffer(size + 1, '\x7f');
  const int r = lib.Command(nullptr, line, buffer.data(), size);
  EXPECT_EQ(buffer[size], '\x7f') << "output buffer written past its size";
  return {r, std::string(buffer.data(), strnlen(buffer.data(), size))};
}

inline std::string Q(const fs::path& p) { return "\"" + p.string() + "\""; }

// A host that answers from the test's script.
class TestHost : public ArchiverHost {
 public:
  class ScriptedProgress : public Progress {
   public:
    explicit ScriptedProgress(TestHost& h) : h_(h) {}
    bool Update(const std::string& name, std::uint64_t done, std::uint64_t total) override {
      ++h_.updates;
      h_.reports.push_back({name, done, total});
      if (h_.onUpdate) h_.onUpdate(name);
      return !(h_.cancelAfter >= 0 && h_.updates > h_.cancelAfter);
    }

   private:
    TestHost& h_;
  };

  TestHost() { SetArchiverHost(this); }
  ~TestHost() override { SetArchiverHost(nullptr); }

  std::unique_ptr<Progress> BeginProgress(WindowHandle, const std::string&) override {
    ++progressWindows;
    return std::make_unique<ScriptedProgress>(*this);
  }
  std::optional<std::string> AskPassword(WindowHandle, const std::string&, const std::string& entry,
                                         bool wrongBefore) override {
    passwordAsked.push_back(entry);
    askedAgain.push_back(wrongBefore);
    return password;
  }
  OverwriteAnswer AskOverwrite(WindowHandle, const std::string& path) override {
    overwriteAsked.push_back(path);
    if (overwriteAnswers.empty()) return OverwriteAnswer::Skip;
    const OverwriteAnswer a = overwriteAnswers.front();
    if (overwriteAnswers.size() > 1) overwriteAnswers.pop_front();
    return a;
  }

  std::optional<std::string> password;
  std::deque<OverwriteAnswer> overwriteAnswers;
  int cancelAfter = -1;  // Update answers Cancel after this many calls
  std::function<void(const std::string&)> onUpdate;
  int updates = 0;
  struct Report {
    std::string name;
    std::uint64_t done, total;
  };
  std::vector<Report> reports;  // every Update, in order
  int progressWindows = 0;
  std::vector<std::string> passwordAsked;
  std::vector<bool> askedAgain;  // the wrongBefore of each question
  std::vector<std::string> overwriteAsked;
};

}  // namespace ks::test
