#pragma once
// The archive file being written: buffered appends, and going back to fill
// in a header once its entry's data is known, or to drop data that turned
// out not worth keeping. Failures keep their errno value.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ks {

class BgaOutput {
 public:
  BgaOutput();
  ~BgaOutput();
  BgaOutput(const BgaOutput&) = delete;
  BgaOutput& operator=(const BgaOutput&) = delete;

  // Creates the file; it must not exist.
  bool Open(const std::filesystem::path& file);
  bool Write(const void* data, std::size_t size);
  // Where the next byte goes.
  std::uint64_t position() const { return flushed_ + buffer_.size(); }
  // Overwrites bytes written before at `offset`.
  bool Patch(std::uint64_t offset, const std::string& bytes);
  // Throws away everything from `offset` on; the next Write goes there.
  bool Truncate(std::uint64_t offset);
  // Writes what is buffered and closes; a full disk often shows only here.
  bool Close();
  int error() const { return error_; }

 private:
  bool Flush();
  bool Fail(int err);

  int fd_ = -1;
  std::vector<char> buffer_;
  std::uint64_t flushed_ = 0;  // bytes in the file before the buffer
  int error_ = 0;
};

}  // namespace ks
