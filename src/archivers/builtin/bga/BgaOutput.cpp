#include "archivers/builtin/bga/BgaOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ks {
namespace {
constexpr std::size_t kBufferSize = 1 << 20;

// Writes all of `size` bytes at `offset`, going on after short writes.
bool WriteAllAt(int fd, const char* data, std::size_t size, std::uint64_t offset) {
  while (size > 0) {
    const ssize_t n = ::pwrite(fd, data, size, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = EIO;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return true;
}
}  // namespace

BgaOutput::BgaOutput() { buffer_.reserve(kBufferSize); }

BgaOutput::~BgaOutput() {
  if (fd_ >= 0) ::close(fd_);
}

bool BgaOutput::Fail(int err) {
  error_ = err ? err : EIO;
  return false;
}

bool BgaOutput::Open(const std::filesystem::path& file) {
  fd_ = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  return fd_ >= 0 || Fail(errno);
}

bool BgaOutput::Flush() {
  if (buffer_.empty()) return true;
  if (!WriteAllAt(fd_, buffer_.data(), buffer_.size(), flushed_)) return Fail(errno);
  flushed_ += buffer_.size();
  buffer_.clear();
  return true;
}

bool BgaOutput::Write(const void* data, std::size_t size) {
  if (error_) return false;
  const char* p = static_cast<const char*>(data);
  if (buffer_.size() + size > kBufferSize) {
    if (!Flush()) return false;
    // Large pieces go straight to the file.
    if (size >= kBufferSize) {
      if (!WriteAllAt(fd_, p, size, flushed_)) return Fail(errno);
      flushed_ += size;
      return true;
    }
  }
  buffer_.insert(buffer_.end(), p, p + size);
  return true;
}

bool BgaOutput::Patch(std::uint64_t offset, const std::string& bytes) {
  if (error_) return false;
  std::size_t inFile = 0;
  if (offset < flushed_) {
    inFile = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), flushed_ - offset));
    if (!WriteAllAt(fd_, bytes.data(), inFile, offset)) return Fail(errno);
  }
  if (inFile < bytes.size())
    std::memcpy(buffer_.data() + (offset + inFile - flushed_), bytes.data() + inFile,
                bytes.size() - inFile);
  return true;
}

bool BgaOutput::Truncate(std::uint64_t offset) {
  if (error_) return false;
  if (offset >= flushed_) {
    buffer_.resize(static_cast<std::size_t>(offset - flushed_));
    return true;
  }
  buffer_.clear();
  if (::ftruncate(fd_, static_cast<off_t>(offset)) != 0) return Fail(errno);
  flushed_ = offset;
  return true;
}

bool BgaOutput::Close() {
  const bool flushed = !error_ && Flush();
  const int fd = fd_;
  fd_ = -1;
  if (fd < 0) return Fail(EBADF);
  if (::close(fd) != 0 && flushed) return Fail(errno);
  return flushed;
}

}  // namespace ks
