#pragma once
// The archive being read: buffered reads, jumps to an entry's end, and the
// coded data of one entry offered as a DecodeInput that ends exactly where
// the entry's data ends.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "archivers/builtin/codec/DecodeStream.h"

namespace ks {

class LzhArchiveFile {
 public:
  LzhArchiveFile();
  ~LzhArchiveFile();
  LzhArchiveFile(const LzhArchiveFile&) = delete;
  LzhArchiveFile& operator=(const LzhArchiveFile&) = delete;

  // False when the file cannot be opened (errorNumber() tells why).
  bool Open(const std::string& path);
  std::uint64_t size() const { return size_; }
  // Offset of the next byte Read returns.
  std::uint64_t position() const { return bufferStart_ + static_cast<std::uint64_t>(next_); }
  // Reads up to `n` bytes; fewer only at the end of the file or on a read
  // error (readFailed()).
  std::size_t Read(void* dst, std::size_t n);
  // Continues reading at `offset`.
  void Seek(std::uint64_t offset);
  bool readFailed() const { return readFailed_; }
  int errorNumber() const { return errno_; }

 private:
  bool Fill();

  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::vector<std::uint8_t> buffer_;
  std::uint64_t bufferStart_ = 0;  // file offset of buffer_[0]
  std::size_t next_ = 0;
  std::size_t end_ = 0;
  bool readFailed_ = false;
  int errno_ = 0;
};

// The next `length` bytes of the file as a DecodeInput.
class LzhDataInput : public DecodeInput {
 public:
  LzhDataInput(LzhArchiveFile& file, std::uint64_t length) : file_(file), left_(length) {}
  std::size_t Read(std::uint8_t* buffer, std::size_t capacity) override;
  // Bytes the file did not have (the archive is cut short).
  bool missing() const { return missing_; }

 private:
  LzhArchiveFile& file_;
  std::uint64_t left_;
  bool missing_ = false;
};

}  // namespace ks
