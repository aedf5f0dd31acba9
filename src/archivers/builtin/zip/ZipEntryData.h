#pragma once
// One ZIP entry's data decoded straight from the file, through the offsets
// and sums of the central directory: stored and deflated entries, which
// are nearly all of them, can so be decoded on any thread, each on its own.

#include <memory>
#include <optional>
#include <string>

#include "archivers/builtin/common/DetachedData.h"
#include "archivers/builtin/zip/ZipDirectory.h"

namespace ks {

// A file opened once for reading at any offset from any thread.
class SharedFile {
 public:
  static std::shared_ptr<const SharedFile> Open(const std::string& path);
  ~SharedFile();
  SharedFile(const SharedFile&) = delete;
  SharedFile& operator=(const SharedFile&) = delete;
  // Reads up to `size` bytes at `offset`; the count read.
  std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t size) const;

 private:
  explicit SharedFile(int fd) : fd_(fd) {}
  int fd_;
};

// The job decoding `record`'s data, or nullopt when it is encrypted,
// compressed by another method than store or deflate, larger than
// `largest` bytes, or its local header does not agree with the record.
std::optional<DetachedData> DetachZipEntry(std::shared_ptr<const SharedFile> file,
                                           const ZipDirectory::Record& record, std::uint64_t largest);

}  // namespace ks
