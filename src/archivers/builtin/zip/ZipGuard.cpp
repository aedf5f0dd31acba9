#include "archivers/builtin/zip/ZipGuard.h"

#include "archivers/builtin/zip/ZipDirectory.h"

namespace ks {
namespace {

class ZipGuard : public ArchiveGuard {
 public:
  GuardVerdict Opening(const std::string& file) override {
    directory_ = ReadZipDirectory(file);
    switch (directory_.status) {
      case ZipDirectory::Status::Ok:
        return {};
      case ZipDirectory::Status::NoEndRecord:
        return {kArcUnexpectedEof, directory_.problem};
      case ZipDirectory::Status::Damaged:
        break;
    }
    return {kArcHeaderBroken, directory_.problem};
  }

  GuardVerdict End(std::size_t entries, std::uint64_t encrypted) override {
    if (entries != directory_.entries)
      return {kArcHeaderBroken, "entries listed in the central directory were not found"};
    if (encrypted != directory_.encrypted)
      return {kArcHeaderBroken,
              "the encryption of entries differs between their headers and the central directory"};
    return {};
  }

 private:
  ZipDirectory directory_;
};

}  // namespace

std::unique_ptr<ArchiveGuard> MakeZipGuard() { return std::make_unique<ZipGuard>(); }

}  // namespace ks
