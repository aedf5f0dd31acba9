#include "archivers/builtin/lha/LzhArchiveFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace ks {

namespace {
constexpr std::size_t kBufferSize = 256 * 1024;
}

LzhArchiveFile::LzhArchiveFile() : buffer_(kBufferSize) {}

LzhArchiveFile::~LzhArchiveFile() {
  if (fd_ >= 0) ::close(fd_);
}

bool LzhArchiveFile::Open(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    errno_ = fd_ < 0 ? errno : (errno ? errno : EISDIR);
    return false;
  }
  size_ = static_cast<std::uint64_t>(st.st_size);
#ifdef POSIX_FADV_SEQUENTIAL
  ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
#endif
  return true;
}

bool LzhArchiveFile::Fill() {
  bufferStart_ += end_;
  next_ = end_ = 0;
  for (;;) {
    const ssize_t n = ::read(fd_, buffer_.data(), buffer_.size());
    if (n > 0) {
      end_ = static_cast<std::size_t>(n);
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      readFailed_ = true;
      errno_ = errno;
    }
    return false;
  }
}

std::size_t LzhArchiveFile::Read(void* dst, std::size_t n) {
  auto* out = static_cast<std::uint8_t*>(dst);
  std::size_t done = 0;
  while (done < n) {
    if (next_ == end_ && !Fill()) break;
    const std::size_t take = std::min(n - done, end_ - next_);
    std::memcpy(out + done, buffer_.data() + next_, take);
    next_ += take;
    done += take;
  }
  return done;
}

void LzhArchiveFile::Seek(std::uint64_t offset) {
  if (offset >= bufferStart_ && offset <= bufferStart_ + end_) {
    next_ = static_cast<std::size_t>(offset - bufferStart_);
    return;
  }
  ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET);
  bufferStart_ = offset;
  next_ = end_ = 0;
}

std::size_t LzhDataInput::Read(std::uint8_t* buffer, std::size_t capacity) {
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, left_));
  if (want == 0) return 0;
  const std::size_t got = file_.Read(buffer, want);
  left_ -= got;
  if (got < want) {
    missing_ = true;
    left_ = 0;
  }
  return got;
}

}  // namespace ks
