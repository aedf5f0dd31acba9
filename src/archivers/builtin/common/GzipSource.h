#pragma once
// Reads a gzip file for libarchive, verifying each member's CRC-32 and
// length. libarchive's own gzip filter skips that check, so a damaged
// tar.gz or .gz would otherwise extract wrong data without complaint.

#include <cstdint>
#include <memory>
#include <string>

struct archive;

namespace ks {

class GzipSource {
 public:
  GzipSource();
  ~GzipSource();
  GzipSource(const GzipSource&) = delete;
  GzipSource& operator=(const GzipSource&) = delete;

  // Whether `file` starts with the gzip signature.
  static bool IsGzip(const std::string& file);
  // Opens `file` and makes it the data source of `a`, which then sees the
  // decompressed stream. ARCHIVE_OK or the result of archive_read_open.
  int OpenInto(archive* a, const std::string& file);
  // Reads what the format reader left unread (a tar reader stops at its end
  // blocks), so the last trailer is verified too. False when the rest is
  // damaged; archive_error_string(a) then says why.
  bool Drain(archive* a);
  std::uint64_t compressedBytesRead() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace ks
