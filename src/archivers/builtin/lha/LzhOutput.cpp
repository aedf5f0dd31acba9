#include "archivers/builtin/lha/LzhOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/TempOutput.h"

namespace ks {

namespace {

constexpr std::size_t kBufferSize = 256 * 1024;

// Writes all of `data` at the file position, or at `offset` when given.
int WriteAll(int fd, const std::uint8_t* data, std::size_t size, const off_t* offset) {
  off_t at = offset ? *offset : 0;
  while (size > 0) {
    const ssize_t n = offset ? ::pwrite(fd, data, size, at) : ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return ENOSPC;
    data += n;
    size -= static_cast<std::size_t>(n);
    at += n;
  }
  return 0;
}

}  // namespace

LzhOutput::~LzhOutput() {
  if (fd_ >= 0) ::close(fd_);
}

int LzhOutput::Fail(int errnoValue) {
  errorText_ = std::strerror(errnoValue);
  return WriteErrorResult(errnoValue);
}

int LzhOutput::Create(const std::filesystem::path& path) {
  // O_EXCL: the file is ours alone, so removing it after a failure never
  // deletes something that was there before.
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    if (errno == EEXIST) {
      errorText_ = "the file exists already";
      return kArcAlreadyExist;
    }
    return Fail(errno);
  }
  path_ = path;
  buffer_.reserve(kBufferSize);
  return kArcOk;
}

int LzhOutput::Flush() {
  if (buffer_.empty()) return kArcOk;
  if (int err = WriteAll(fd_, buffer_.data(), buffer_.size(), nullptr)) return Fail(err);
  flushed_ += buffer_.size();
  buffer_.clear();
  return kArcOk;
}

int LzhOutput::Write(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  if (buffer_.size() + size > kBufferSize) {
    if (int r = Flush(); r != kArcOk) return r;
    if (size >= kBufferSize) {
      if (int err = WriteAll(fd_, p, size, nullptr)) return Fail(err);
      flushed_ += size;
      return kArcOk;
    }
  }
  buffer_.insert(buffer_.end(), p, p + size);
  return kArcOk;
}

int LzhOutput::Patch(std::uint64_t offset, const std::vector<std::uint8_t>& bytes) {
  // The part still in the buffer is changed there; the rest on disk.
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const std::uint64_t at = offset + i;
    if (at >= flushed_) buffer_[static_cast<std::size_t>(at - flushed_)] = bytes[i];
  }
  if (offset < flushed_) {
    const std::size_t onDisk =
        static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), flushed_ - offset));
    const off_t at = static_cast<off_t>(offset);
    if (int err = WriteAll(fd_, bytes.data(), onDisk, &at)) return Fail(err);
  }
  return kArcOk;
}

int LzhOutput::TruncateTo(std::uint64_t offset) {
  if (offset >= flushed_) {
    buffer_.resize(static_cast<std::size_t>(offset - flushed_));
    return kArcOk;
  }
  buffer_.clear();
  if (::ftruncate(fd_, static_cast<off_t>(offset)) != 0) return Fail(errno);
  if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) return Fail(errno);
  flushed_ = offset;
  return kArcOk;
}

int LzhOutput::Close() {
  int r = Flush();
  if (fd_ >= 0 && ::close(fd_) != 0 && r == kArcOk) r = Fail(errno);
  fd_ = -1;
  return r;
}

void LzhOutput::Remove() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!path_.empty()) {
    std::error_code ec;
    std::filesystem::remove(path_, ec);
    path_.clear();
  }
}

}  // namespace ks
