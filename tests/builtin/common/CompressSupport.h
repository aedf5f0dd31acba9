#pragma once
// Compressed streams and tar archives in memory, for tests that damage them
// byte by byte: gzip members from zlib, gzip, bzip2 and xz streams and tar
// archives from libarchive.

#include <archive.h>
#include <archive_entry.h>
#include <zlib.h>

#include <string>
#include <utility>
#include <vector>

#include "archivers/builtin/common/Utf8Locale.h"

namespace ks::test {

// `data` deflated in one go: `windowBits` as zlib takes them (negative for
// a raw stream, +16 for a gzip member), with `dictionary` as the window
// before it.
inline std::string Deflated(const std::string& data, int windowBits, int level = 6,
                            const std::string& dictionary = {}) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, windowBits, 8, Z_DEFAULT_STRATEGY);
  if (!dictionary.empty())
    deflateSetDictionary(&z, reinterpret_cast<const Bytef*>(dictionary.data()), static_cast<uInt>(dictionary.size()));
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

// One complete gzip member of `data`.
inline std::string GzipMember(const std::string& data, int level = 6) {
  return Deflated(data, 16 + MAX_WBITS, level);
}

enum class Compression { None, Gzip, Bzip2, Xz };

namespace detail {
inline la_ssize_t AppendTo(archive*, void* self, const void* buf, size_t n) {
  static_cast<std::string*>(self)->append(static_cast<const char*>(buf), n);
  return static_cast<la_ssize_t>(n);
}
inline void AddFilter(archive* a, Compression c) {
  switch (c) {
    case Compression::Gzip: archive_write_add_filter_gzip(a); break;
    case Compression::Bzip2: archive_write_add_filter_bzip2(a); break;
    case Compression::Xz: archive_write_add_filter_xz(a); break;
    case Compression::None: break;
  }
}
}  // namespace detail

// `data` as one compressed stream (a lone .gz, .bz2 or .xz file).
inline std::string Compress(const std::string& data, Compression c) {
  std::string out;
  archive* a = archive_write_new();
  archive_write_set_format_raw(a);
  detail::AddFilter(a, c);
  archive_write_set_bytes_in_last_block(a, 1);
  archive_write_open(a, &out, nullptr, &detail::AppendTo, nullptr);
  archive_entry* e = archive_entry_new();
  archive_entry_set_pathname(e, "data");
  archive_entry_set_filetype(e, AE_IFREG);
  archive_entry_set_size(e, static_cast<la_int64_t>(data.size()));
  archive_write_header(a, e);
  archive_write_data(a, data.data(), data.size());
  archive_entry_free(e);
  archive_write_close(a);
  archive_write_free(a);
  return out;
}

// A ustar archive of files (name, content), compressed as asked.
inline std::string TarOf(const std::vector<std::pair<std::string, std::string>>& files,
                         Compression c = Compression::None) {
  Utf8Locale locale;
  std::string out;
  archive* a = archive_write_new();
  archive_write_set_format_ustar(a);
  detail::AddFilter(a, c);
  archive_write_set_bytes_in_last_block(a, 1);
  archive_write_open(a, &out, nullptr, &detail::AppendTo, nullptr);
  for (const auto& [name, data] : files) {
    archive_entry* e = archive_entry_new();
    archive_entry_set_pathname_utf8(e, name.c_str());
    archive_entry_set_filetype(e, AE_IFREG);
    archive_entry_set_perm(e, 0644);
    archive_entry_set_mtime(e, 1600000000, 0);
    archive_entry_set_size(e, static_cast<la_int64_t>(data.size()));
    archive_write_header(a, e);
    archive_write_data(a, data.data(), data.size());
    archive_entry_free(e);
  }
  archive_write_close(a);
  archive_write_free(a);
  return out;
}

}  // namespace ks::test
