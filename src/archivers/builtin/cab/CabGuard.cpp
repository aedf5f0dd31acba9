#include "archivers/builtin/cab/CabGuard.h"

#include "archivers/builtin/cab/CabIndex.h"

namespace ks {
namespace {

class CabGuard : public ArchiveGuard {
 public:
  GuardVerdict Opening(const std::string& file) override {
    index_ = ReadCabIndex(file);
    return {};
  }

  // libarchive gives the files in the order of the cabinet's file records.
  EntryDigest Digest(std::size_t index) override {
    EntryDigest digest;
    if (const auto why = index_.Damage(index)) digest.damage = GuardVerdict(kArcFileCrc, *why);
    return digest;
  }

 private:
  CabIndex index_;
};

}  // namespace

std::unique_ptr<ArchiveGuard> MakeCabGuard() { return std::make_unique<CabGuard>(); }

}  // namespace ks
