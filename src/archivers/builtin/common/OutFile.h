#pragma once
// A file opened for writing whose every failure is kept as an errno value,
// so the caller can tell a full disk from a forbidden folder.

#include <cerrno>
#include <cstdio>
#include <filesystem>

namespace ks {

class OutFile {
 public:
  OutFile() = default;
  ~OutFile() {
    if (file_) std::fclose(file_);
  }
  OutFile(const OutFile&) = delete;
  OutFile& operator=(const OutFile&) = delete;

  // "wb" makes or empties the file, "r+b" rewrites part of an existing one.
  bool Open(const std::filesystem::path& path, const char* mode) {
    file_ = std::fopen(path.c_str(), mode);
    if (!file_) error_ = errno;
    return file_ != nullptr;
  }
  bool Write(const void* data, std::size_t size) {
    if (size == 0) return true;
    if (std::fwrite(data, 1, size, file_) == size) return true;
    error_ = errno ? errno : EIO;
    return false;
  }
  // Flushes and closes; a full disk often shows only here.
  bool Close() {
    std::FILE* f = file_;
    file_ = nullptr;
    errno = 0;
    if (std::fclose(f) == 0) return true;
    error_ = errno ? errno : EIO;
    return false;
  }
  int error() const { return error_; }

 private:
  std::FILE* file_ = nullptr;
  int error_ = 0;
};

}  // namespace ks
