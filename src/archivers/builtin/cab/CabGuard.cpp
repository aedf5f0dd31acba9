#include "archivers/builtin/cab/CabGuard.h"

#include <optional>

#include "archivers/builtin/cab/CabIndex.h"

namespace ks {
namespace {

class CabGuard : public ArchiveGuard {
 public:
  // The walk waits until a file's data is read: type detection offers
  // every unknown file to Cab32, which should not cost a walk.
  GuardVerdict Opening(const std::string& file) override {
    file_ = file;
    return {};
  }

  // libarchive gives the files in the order of the cabinet's file records.
  EntryDigest Digest(std::size_t index) override {
    if (!index_) index_ = ReadCabIndex(file_);
    EntryDigest digest;
    if (const auto why = index_->Damage(index)) digest.damage = GuardVerdict(kArcFileCrc, *why);
    return digest;
  }

 private:
  std::string file_;
  std::optional<CabIndex> index_;
};

}  // namespace

std::unique_ptr<ArchiveGuard> MakeCabGuard() { return std::make_unique<CabGuard>(); }

}  // namespace ks
