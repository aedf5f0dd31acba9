#pragma once
// Reads the rest of an archive file, from some offset on, for libarchive as
// if it were a whole archive: the way to read on past damage libarchive
// cannot get over, from the next header found behind it.

#include <archive.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace ks {

class OffsetSource {
 public:
  OffsetSource() = default;
  ~OffsetSource();
  OffsetSource(const OffsetSource&) = delete;
  OffsetSource& operator=(const OffsetSource&) = delete;

  // Makes `file` from `offset` on the data source of `a` (fresh, with its
  // formats set) and opens it. ARCHIVE_OK, or a libarchive failure with
  // archive_error_string(a) set.
  int OpenInto(archive* a, const std::string& file, std::uint64_t offset);
  // Where the data libarchive sees begins in the file.
  std::uint64_t base() const { return base_; }

 private:
  static la_ssize_t Read(archive* a, void* self, const void** buffer);
  static la_int64_t Skip(archive* a, void* self, la_int64_t request);

  std::FILE* file_ = nullptr;
  std::uint64_t base_ = 0;
  std::uint64_t size_ = 0;
  std::vector<unsigned char> block_;
  bool padded_ = false;
};

}  // namespace ks
