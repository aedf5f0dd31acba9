#include "archivers/builtin/cab/CabIndex.h"

#include <sys/stat.h>

#include <bit>
#include <cstring>

#include "archivers/builtin/common/ByteFile.h"

namespace ks {
namespace {

constexpr auto Le = LittleEndian;

class CabFile {
 public:
  explicit CabFile(const std::string& path) : f_(OpenForReading(path)) {
    if (f_) std::setvbuf(f_.get(), nullptr, _IOFBF, kBuffer);
  }
  bool ReadAt(std::uint64_t at, void* out, std::size_t n) {
    if (!f_) return false;
    // The walk reads mostly on from where it stood: a seek there would
    // still cost a system call and the buffer's contents, per block.
    if (at != position_ && ::fseeko(f_.get(), static_cast<off_t>(at), SEEK_SET) != 0) return false;
    const std::size_t got = std::fread(out, 1, n, f_.get());
    position_ = at + got;
    return got == n;
  }
  // Moves past a NUL-terminated text at `at`; false when there is none.
  bool SkipText(std::uint64_t& at) {
    unsigned char c = 1;
    for (int i = 0; i < 1024; ++i) {
      if (!ReadAt(at++, &c, 1)) return false;
      if (c == 0) return true;
    }
    return false;
  }

 private:
  static constexpr std::size_t kBuffer = 1 << 18;
  UniqueFile f_;
  std::uint64_t position_ = 0;
};

// Walks the blocks of one folder, noting those that fail.
CabFolderState WalkFolder(CabFile& file, std::uint64_t at, unsigned blocks, std::uint16_t compression,
                          std::size_t dataReserve) {
  CabFolderState folder;
  folder.compressed = (compression & kCabCompressionMask) != kCabStored;
  std::vector<unsigned char> data(kCabMaxBlock);
  std::uint64_t done = 0;
  for (unsigned i = 0; i < blocks; ++i) {
    unsigned char header[kCabDataHeader];
    const bool headerRead = file.ReadAt(at, header, sizeof header);
    const std::size_t packed = headerRead ? Le(header + 4, 2) : 0;
    const bool whole = headerRead && packed <= data.size() && file.ReadAt(at + kCabDataHeader + dataReserve, data.data(), packed);
    const auto damage = CabBlockDamage(headerRead ? header : nullptr, whole ? data.data() : nullptr, folder.compressed,
                                       i + 1 == blocks, done);
    if (damage) folder.damaged.push_back(*damage);
    if (!whole) break;
    done += Le(header + 6, 2);
    at += kCabDataHeader + dataReserve + packed;
  }
  return folder;
}

}  // namespace

std::uint32_t CabChecksum(const unsigned char* data, std::size_t size, std::uint32_t seed) {
  // The sum is a XOR of little-endian 32-bit words, so eight bytes at a
  // time in four lanes give the same sum once folded, at memory speed.
  std::uint64_t lanes[4] = {};
  std::size_t i = 0;
  for (; i + 32 <= size; i += 32) {
    for (int k = 0; k < 4; ++k) {
      std::uint64_t w;
      std::memcpy(&w, data + i + 8 * k, 8);
      lanes[k] ^= w;
    }
  }
  std::uint64_t wide = lanes[0] ^ lanes[1] ^ lanes[2] ^ lanes[3];
  if constexpr (std::endian::native == std::endian::big) wide = __builtin_bswap64(wide);
  std::uint32_t sum = seed ^ static_cast<std::uint32_t>(wide) ^ static_cast<std::uint32_t>(wide >> 32);
  for (; i + 4 <= size; i += 4) sum ^= static_cast<std::uint32_t>(Le(data + i, 4));
  // The last one to three bytes count from the high end down.
  std::uint32_t tail = 0;
  for (std::size_t left = size - i; i < size; ++i, --left) tail |= static_cast<std::uint32_t>(data[i]) << (8 * (left - 1));
  return sum ^ tail;
}

std::optional<CabRange> CabBlockDamage(const unsigned char* header, const unsigned char* data, bool compressed,
                                       bool last, std::uint64_t done) {
  if (!header || !data) return CabRange{done, UINT64_MAX};
  const std::size_t packed = Le(header + 4, 2), unpacked = Le(header + 6, 2);
  const std::uint32_t stated = static_cast<std::uint32_t>(Le(header, 4));
  // A block without a checksum (0) was written so; nothing tells it apart.
  if (stated == 0 || CabChecksum(header + 4, 4, CabChecksum(data, packed, 0)) == stated) return std::nullopt;
  // A stored block's sizes are its data's own and those of every full
  // block are 32 KiB; other sizes in a damaged block may be the damage,
  // and would shift where every later file is read from.
  const bool sizesSure = compressed || (packed == unpacked && (last || unpacked == kCabFullBlock));
  return CabRange{done, sizesSure ? done + unpacked : UINT64_MAX};
}

std::optional<std::string> CabSpanDamage(const CabFolderState& folder, const CabFileSpan& span) {
  const std::uint64_t begin = span.folderOffset, end = begin + span.size;
  for (const auto& [from, to] : folder.damaged) {
    // A file without data has nothing to lose.
    if (from < end && (folder.compressed || to > begin)) {
      return folder.compressed && to <= begin ? "its data follows a damaged block of the same compressed folder"
                                             : "its data lies in a damaged block";
    }
  }
  return std::nullopt;
}

CabIndex ReadCabIndex(const std::string& path) {
  CabIndex index;
  CabFile file(path);
  unsigned char h[kCabHeader];
  if (!file.ReadAt(0, h, sizeof h) || std::memcmp(h, "MSCF", 4) != 0) return index;
  const std::uint64_t filesAt = Le(h + 16, 4);
  const unsigned folders = static_cast<unsigned>(Le(h + 26, 2)), files = static_cast<unsigned>(Le(h + 28, 2));
  const std::uint16_t flags = static_cast<std::uint16_t>(Le(h + 30, 2));
  std::uint64_t at = kCabHeader;
  std::size_t folderReserve = 0, dataReserve = 0;
  if (flags & kCabFlagReserve) {
    unsigned char r[4];
    if (!file.ReadAt(at, r, sizeof r)) return index;
    folderReserve = r[2];
    dataReserve = r[3];
    at += 4 + Le(r, 2);
  }
  if ((flags & kCabFlagPrevious) && !(file.SkipText(at) && file.SkipText(at))) return index;
  if ((flags & kCabFlagNext) && !(file.SkipText(at) && file.SkipText(at))) return index;
  for (unsigned i = 0; i < folders; ++i, at += kCabFolderRecord + folderReserve) {
    unsigned char f[kCabFolderRecord];
    if (!file.ReadAt(at, f, sizeof f)) return index;
    index.folders.push_back(WalkFolder(file, Le(f, 4), static_cast<unsigned>(Le(f + 4, 2)),
                                       static_cast<std::uint16_t>(Le(f + 6, 2)), dataReserve));
  }
  at = filesAt;
  for (unsigned i = 0; i < files; ++i) {
    unsigned char f[kCabFileRecord];
    if (!file.ReadAt(at, f, sizeof f)) return index;
    at += kCabFileRecord;
    if (!file.SkipText(at)) return index;
    index.files.push_back({static_cast<std::uint32_t>(Le(f, 4)), static_cast<std::uint32_t>(Le(f + 4, 4)),
                           static_cast<std::uint16_t>(Le(f + 8, 2))});
  }
  index.readable = true;
  return index;
}

std::optional<std::string> CabIndex::Damage(std::size_t file) const {
  if (!readable || file >= files.size()) return std::nullopt;
  const CabFileSpan& span = files[file];
  // Files continued from or into another cabinet name folders of their own.
  if (span.folder >= folders.size()) return std::nullopt;
  return CabSpanDamage(folders[span.folder], span);
}

}  // namespace ks
