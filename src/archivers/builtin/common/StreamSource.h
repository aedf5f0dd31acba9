#pragma once
// Reads a gzip or bzip2 file for libarchive through our own decoding, so
// that every member (stream) is decoded and verified. libarchive's own
// filters skip gzip's CRC, and both stop without a word at a later member
// whose start was damaged, dropping its data; files that parallel tools
// write, or `cat a.gz b.gz` makes, have many members.

#include <cstdint>
#include <memory>
#include <string>

struct archive;

namespace ks {

class StreamCodec;

class StreamSource {
 public:
  // The source for `file` when it starts with a signature we decode
  // ourselves; nullptr otherwise.
  static std::unique_ptr<StreamSource> For(const std::string& file);

  explicit StreamSource(std::unique_ptr<StreamCodec> codec);
  ~StreamSource();
  StreamSource(const StreamSource&) = delete;
  StreamSource& operator=(const StreamSource&) = delete;

  // Opens `file` and makes it the data source of `a`, which then sees the
  // decoded data. ARCHIVE_OK or the result of archive_read_open.
  int OpenInto(archive* a, const std::string& file);
  // Reads what the format reader left unread (a tar reader stops at its end
  // blocks), so the last member is verified too. False when the rest is
  // damaged; archive_error_string(a) then says why.
  bool Drain(archive* a);
  std::uint64_t compressedBytesRead() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace ks
