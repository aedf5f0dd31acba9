#pragma once
// The archive file being written: buffered appends, headers patched in place
// once an entry's sizes are known, and cutting back the coded data of an
// entry that is stored instead. Every failure comes back as an ArcResult.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace ks {

class LzhOutput {
 public:
  LzhOutput() = default;
  ~LzhOutput();
  LzhOutput(const LzhOutput&) = delete;
  LzhOutput& operator=(const LzhOutput&) = delete;

  // Creates `path`, which must not exist yet: kArcAlreadyExist when it does,
  // or the write error.
  int Create(const std::filesystem::path& path);
  int Write(const void* data, std::size_t size);
  std::uint64_t position() const { return flushed_ + buffer_.size(); }
  // Overwrites bytes written earlier at `offset`.
  int Patch(std::uint64_t offset, const std::vector<std::uint8_t>& bytes);
  // Drops everything from `offset` on.
  int TruncateTo(std::uint64_t offset);
  // Writes what is buffered and closes the file.
  int Close();
  // Closes (if open) and deletes the file.
  void Remove();
  // What the last failure was, for the log.
  const std::string& errorText() const { return errorText_; }

 private:
  int Flush();
  int Fail(int errnoValue);

  int fd_ = -1;
  std::filesystem::path path_;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t flushed_ = 0;
  std::string errorText_;
};

}  // namespace ks
