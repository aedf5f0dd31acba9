#include "archivers/builtin/rar/RarGuard.h"

#include "archivers/builtin/rar/RarIndex.h"

namespace ks {
namespace {

int EndCode(RarIndexEnd end) {
  switch (end) {
    case RarIndexEnd::Cut:
      return kArcUnexpectedEof;
    case RarIndexEnd::HeadersEncrypted:
      return kArcPassword;
    default:
      return kArcHeaderBroken;
  }
}

class RarGuard : public ArchiveGuard {
 public:
  // The walk waits until libarchive has taken the file for RAR: type
  // detection offers every unknown file to the RAR libraries, which should
  // not cost a walk.
  GuardVerdict Opening(const std::string& file) override {
    file_ = file;
    return {};
  }

  GuardVerdict Entry(std::size_t index, ExtractEntry& entry, bool sizeStated, bool& encrypted) override {
    const RarIndex& rar = Index();
    if (index >= rar.entries.size())
      return {EndCode(rar.end), rar.end == RarIndexEnd::Whole ? "an entry not listed in the archive's headers"
                                                              : rar.problem};
    const RarIndexEntry& listed = rar.entries[index];
    const bool folder = entry.type == EntryType::Directory;
    const bool sizeDiffers =
        listed.size && !folder && !listed.folder && sizeStated && *listed.size != entry.size;
    if (listed.folder != folder || sizeDiffers)
      return {kArcHeaderBroken, "the archive's headers contradict each other"};
    if (!listed.name.empty()) entry.name = listed.name;
    // libarchive does not see RAR 5's encryption record.
    if (listed.encrypted) encrypted = true;
    return {};
  }

  // libarchive leaves stored entries unverified: every entry is checked
  // against the sums of its header.
  EntryDigest Digest(std::size_t index) override {
    const RarIndex& rar = Index();
    EntryDigest digest;
    if (index >= rar.entries.size()) return digest;
    digest.crc32 = rar.entries[index].crc;
    digest.blake2sp = rar.entries[index].blake2sp;
    return digest;
  }

  GuardVerdict End(std::size_t entries, std::uint64_t) override {
    const RarIndex& rar = Index();
    if (rar.end != RarIndexEnd::Whole) return {EndCode(rar.end), rar.problem};
    if (entries != rar.entries.size())
      return {kArcHeaderBroken, "entries listed in the archive's headers were not found"};
    return {};
  }

 private:
  const RarIndex& Index() {
    if (!index_) index_ = ReadRarIndex(file_);
    return *index_;
  }

  std::string file_;
  std::optional<RarIndex> index_;
};

}  // namespace

std::unique_ptr<ArchiveGuard> MakeRarGuard() { return std::make_unique<RarGuard>(); }

}  // namespace ks
