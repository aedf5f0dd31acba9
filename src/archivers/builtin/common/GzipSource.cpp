#include "archivers/builtin/common/GzipSource.h"

#include <archive.h>
#include <zlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace ks {

namespace {
constexpr std::size_t kInSize = 1 << 18;
constexpr std::size_t kOutSize = 1 << 20;
}  // namespace

struct GzipSource::Impl {
  std::FILE* file = nullptr;
  z_stream z{};
  bool zReady = false;
  bool finished = false;  // every member read and verified
  bool inputEnded = false;
  std::vector<unsigned char> in = std::vector<unsigned char>(kInSize);
  std::vector<unsigned char> out = std::vector<unsigned char>(kOutSize);
  std::uint64_t consumed = 0;

  // Makes at least `n` bytes available, fewer only when the file ends.
  bool Want(std::size_t n) {
    if (z.avail_in >= n || inputEnded) return true;
    std::size_t have = z.avail_in;
    if (have > 0 && z.next_in != in.data()) std::memmove(in.data(), z.next_in, have);
    while (have < n && !inputEnded) {
      const std::size_t got = std::fread(in.data() + have, 1, in.size() - have, file);
      if (got == 0) {
        if (std::ferror(file)) return false;
        inputEnded = true;
      }
      have += got;
      consumed += got;
    }
    z.next_in = in.data();
    z.avail_in = static_cast<uInt>(have);
    return true;
  }

  // What follows a member: another member, nothing, or zeros (tape blocks
  // pad some files). Anything else is a member whose start was damaged;
  // passing over it would drop its data without a word.
  enum class After { Member, End, Damaged, ReadError };
  After WhatFollows() {
    if (!Want(2)) return After::ReadError;
    if (z.avail_in >= 2 && z.next_in[0] == 0x1f && z.next_in[1] == 0x8b) return After::Member;
    for (;;) {
      for (uInt i = 0; i < z.avail_in; ++i)
        if (z.next_in[i] != 0) return After::Damaged;
      z.avail_in = 0;
      if (inputEnded) return After::End;
      if (!Want(1)) return After::ReadError;
    }
  }

  // The next block of decompressed data; size 0 at the end, -1 on damage.
  la_ssize_t Read(archive* a, const void** buffer) {
    *buffer = out.data();
    if (finished) return 0;
    z.next_out = out.data();
    z.avail_out = static_cast<uInt>(out.size());
    while (z.avail_out == out.size()) {
      if (!Want(1)) {
        archive_set_error(a, errno, "cannot read the archive");
        return -1;
      }
      if (z.avail_in == 0 && inputEnded) {
        archive_set_error(a, EILSEQ, "Truncated gzip data: the archive ends early");
        return -1;
      }
      const int r = inflate(&z, Z_NO_FLUSH);
      if (r == Z_STREAM_END) {
        // inflate has checked this member's CRC-32 and length.
        const After next = WhatFollows();
        if (next == After::Member) {
          inflateReset(&z);
        } else if (next == After::End) {
          finished = true;
          break;
        } else if (next == After::Damaged) {
          archive_set_error(a, EILSEQ, "gzip data damaged: a member after the first has no valid header");
          return -1;
        } else {
          archive_set_error(a, errno, "cannot read the archive");
          return -1;
        }
      } else if (r != Z_OK && r != Z_BUF_ERROR) {
        archive_set_error(a, EILSEQ, "gzip data damaged: %s", z.msg ? z.msg : "bad data");
        return -1;
      }
    }
    return static_cast<la_ssize_t>(out.size() - z.avail_out);
  }

  static la_ssize_t ReadCallback(archive* a, void* self, const void** buffer) {
    return static_cast<Impl*>(self)->Read(a, buffer);
  }
  static int CloseCallback(archive*, void*) { return ARCHIVE_OK; }
};

GzipSource::GzipSource() : impl_(std::make_unique<Impl>()) {}

GzipSource::~GzipSource() {
  if (impl_->zReady) inflateEnd(&impl_->z);
  if (impl_->file) std::fclose(impl_->file);
}

bool GzipSource::IsGzip(const std::string& file) {
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return false;
  unsigned char magic[2] = {0, 0};
  const bool gz = std::fread(magic, 1, 2, f) == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
  std::fclose(f);
  return gz;
}

int GzipSource::OpenInto(archive* a, const std::string& file) {
  impl_->file = std::fopen(file.c_str(), "rb");
  if (!impl_->file) {
    archive_set_error(a, errno, "cannot open %s", file.c_str());
    return ARCHIVE_FATAL;
  }
  if (inflateInit2(&impl_->z, 16 + MAX_WBITS) != Z_OK) {
    archive_set_error(a, ENOMEM, "cannot start gzip decoding");
    return ARCHIVE_FATAL;
  }
  impl_->zReady = true;
  return archive_read_open(a, impl_.get(), nullptr, &Impl::ReadCallback, &Impl::CloseCallback);
}

bool GzipSource::Drain(archive* a) {
  const void* buffer;
  for (;;) {
    const la_ssize_t n = impl_->Read(a, &buffer);
    if (n < 0) return false;
    if (n == 0) return true;
  }
}

std::uint64_t GzipSource::compressedBytesRead() const { return impl_->consumed; }

}  // namespace ks
