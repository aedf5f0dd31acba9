#include "archivers/builtin/zip/ZipGuard.h"

#include <sys/stat.h>

#include <cstring>
#include <vector>

#include "archivers/builtin/common/ByteFile.h"
#include "archivers/builtin/zip/ZipDirectory.h"
#include "archivers/builtin/zip/ZipEntryData.h"

namespace ks {
namespace {

constexpr char kLocalHeader[] = "PK\3\4";
constexpr std::size_t kSignature = 4;
constexpr std::size_t kWindow = 64 * 1024;

// The offset of the first local header signature at or after `from`.
std::optional<std::uint64_t> FindLocalHeader(const std::string& file, std::uint64_t from) {
  UniqueFile f = OpenForReading(file);
  if (!f || ::fseeko(f.get(), static_cast<off_t>(from), SEEK_SET) != 0) return std::nullopt;
  // Windows overlap by the signature's length, so one lying across two is
  // still seen.
  std::vector<char> window(kWindow + kSignature - 1);
  std::size_t kept = 0;
  std::uint64_t start = from;
  for (;;) {
    const std::size_t got = std::fread(window.data() + kept, 1, window.size() - kept, f.get());
    const std::size_t have = kept + got;
    for (std::size_t p = 0; p + kSignature <= have; ++p)
      if (std::memcmp(&window[p], kLocalHeader, kSignature) == 0) return start + p;
    if (got == 0) return std::nullopt;
    kept = std::min(have, kSignature - 1);
    std::memmove(window.data(), window.data() + have - kept, kept);
    start += have - kept;
  }
}

bool StartsAsZip(const std::string& file) {
  char head[kSignature] = {};
  UniqueFile f = OpenForReading(file);
  return f && std::fread(head, 1, sizeof head, f.get()) == sizeof head &&
         std::memcmp(head, kLocalHeader, kSignature) == 0;
}

class ZipGuard : public ArchiveGuard {
 public:
  // A ZIP archive without a sound central directory still holds its entries
  // one after the other behind their local headers, each with its own CRC:
  // an extraction reads them from there, as a stream.
  GuardVerdict Opening(const std::string& file) override {
    file_ = file;
    directory_ = ReadZipDirectory(file);
    GuardVerdict verdict;
    switch (directory_.status) {
      case ZipDirectory::Status::Ok:
        return {};
      case ZipDirectory::Status::NoEndRecord:
        verdict = {kArcUnexpectedEof, directory_.problem};
        break;
      case ZipDirectory::Status::Damaged:
        verdict = {kArcHeaderBroken, directory_.problem};
        break;
    }
    // Only a file that starts as a ZIP archive is read so: any file is asked
    // whether it is one, and a search through it would make that slow.
    if (StartsAsZip(file)) verdict.readOnFrom = 0;
    return verdict;
  }

  GuardVerdict End(std::size_t entries, std::uint64_t encrypted) override {
    if (entries != directory_.entries)
      return {kArcHeaderBroken, "entries listed in the central directory were not found"};
    if (encrypted != directory_.encrypted)
      return {kArcHeaderBroken,
              "the encryption of entries differs between their headers and the central directory"};
    return {};
  }

  bool ReadsOnAfterDamage() const override { return true; }

  // Past the damaged entry's local header: to the next one the directory
  // lists, or without a sound directory, to the next local header signature.
  std::optional<std::uint64_t> ReadOnAfter(const DamagePlace& place) override {
    std::optional<std::uint64_t> damaged;
    if (place.streamedFrom)
      damaged = FindLocalHeader(file_, *place.streamedFrom);
    else if (place.index < directory_.records.size())
      damaged = directory_.records[place.index].localHeader;
    if (!damaged) return std::nullopt;
    if (!Listed()) return FindLocalHeader(file_, *damaged + 1);
    for (const ZipDirectory::Record& r : directory_.records)
      if (r.localHeader > *damaged) return r.localHeader;
    return std::nullopt;
  }

  // With a sound directory, an entry read from its local header must be one
  // the directory lists (not a header found inside another entry's data),
  // and the directory tells its kind and permissions.
  GuardVerdict StreamedEntry(std::uint64_t from, ExtractEntry& entry) override {
    if (!Listed()) return {};
    const std::optional<std::uint64_t> at = FindLocalHeader(file_, from);
    const ZipDirectory::Record* record = at ? directory_.RecordAt(*at) : nullptr;
    if (!record) return {kArcHeaderBroken, entry.name + ": a local header the central directory does not list"};
    if (record->unixMode) {
      const unsigned mode = *record->unixMode;
      if (S_ISLNK(mode)) {
        entry.type = EntryType::Symlink;
        entry.link.clear();
      } else if (S_ISDIR(mode)) {
        entry.type = EntryType::Directory;
      } else if ((mode & S_IFMT) != 0 && !S_ISREG(mode)) {
        entry.type = EntryType::Special;
      }
      if ((mode & 07777) != 0) entry.mode = mode & 07777;
    }
    return {};
  }

  // libarchive takes the entries in the order of their local headers, as
  // the records are held; the size it read must agree, or the entry is
  // left to libarchive.
  std::optional<DetachedData> Detach(std::size_t index, const ExtractEntry& entry,
                                     std::uint64_t largest) override {
    if (!Listed() || index >= directory_.records.size()) return std::nullopt;
    const ZipDirectory::Record& record = directory_.records[index];
    if (record.size != entry.size) return std::nullopt;
    if (!shared_) shared_ = SharedFile::Open(file_);
    return DetachZipEntry(shared_, record, largest);
  }

 private:
  bool Listed() const { return directory_.status == ZipDirectory::Status::Ok && !directory_.records.empty(); }

  std::string file_;
  ZipDirectory directory_;
  std::shared_ptr<const SharedFile> shared_;
};

}  // namespace

std::unique_ptr<ArchiveGuard> MakeZipGuard() { return std::make_unique<ZipGuard>(); }

}  // namespace ks
