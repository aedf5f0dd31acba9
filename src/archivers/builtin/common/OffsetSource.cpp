#include "archivers/builtin/common/OffsetSource.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>

namespace ks {
namespace {

constexpr std::size_t kBlockSize = 1 << 20;
// libarchive reads a ZIP data descriptor's largest form ahead: the last
// entry of a file cut short just after its descriptor would fail for want
// of bytes it does not need. Zeros after the end serve; no entry's
// checksum takes them in.
constexpr std::size_t kEndPadding = 64;

}  // namespace

OffsetSource::~OffsetSource() {
  if (file_) std::fclose(file_);
}

int OffsetSource::OpenInto(archive* a, const std::string& file, std::uint64_t offset) {
  if (!file_) {
    file_ = std::fopen(file.c_str(), "rb");
    struct stat st;
    if (!file_ || ::fstat(::fileno(file_), &st) != 0) {
      archive_set_error(a, errno, "cannot open %s", file.c_str());
      return ARCHIVE_FATAL;
    }
    size_ = static_cast<std::uint64_t>(st.st_size);
    block_.resize(kBlockSize);
  }
  if (::fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) {
    archive_set_error(a, errno, "cannot read the archive");
    return ARCHIVE_FATAL;
  }
  base_ = offset;
  padded_ = false;
  archive_read_set_callback_data(a, this);
  archive_read_set_read_callback(a, &OffsetSource::Read);
  archive_read_set_skip_callback(a, &OffsetSource::Skip);
  return archive_read_open1(a);
}

la_ssize_t OffsetSource::Read(archive* a, void* self, const void** buffer) {
  auto* s = static_cast<OffsetSource*>(self);
  *buffer = s->block_.data();
  const std::size_t n = std::fread(s->block_.data(), 1, s->block_.size(), s->file_);
  if (n == 0 && std::ferror(s->file_)) {
    archive_set_error(a, errno, "cannot read the archive");
    return -1;
  }
  if (n == 0 && !s->padded_) {
    s->padded_ = true;
    std::fill_n(s->block_.begin(), kEndPadding, 0);
    return static_cast<la_ssize_t>(kEndPadding);
  }
  return static_cast<la_ssize_t>(n);
}

la_int64_t OffsetSource::Skip(archive*, void* self, la_int64_t request) {
  auto* s = static_cast<OffsetSource*>(self);
  const off_t at = ::ftello(s->file_);
  if (at < 0 || request <= 0) return 0;
  const auto left = static_cast<la_int64_t>(s->size_ - std::min<std::uint64_t>(s->size_, static_cast<std::uint64_t>(at)));
  const la_int64_t n = std::min(request, left);
  return ::fseeko(s->file_, static_cast<off_t>(n), SEEK_CUR) == 0 ? n : 0;
}

}  // namespace ks
