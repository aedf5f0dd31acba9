#include "archivers/builtin/zip/ZipDirectory.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "archivers/builtin/common/ByteFile.h"

namespace ks {
namespace {

constexpr std::size_t kEndRecord = 22;
constexpr std::size_t kMaxComment = 65535;
constexpr std::size_t kZip64Locator = 20;
constexpr std::size_t kZip64EndRecord = 56;
constexpr std::size_t kDirectoryRecord = 46;
constexpr std::uint64_t kEncryptedFlag = 0x0001;
constexpr unsigned kHostUnix = 3;
constexpr std::uint16_t kZip64Extra = 0x0001;
constexpr std::uint64_t kFar = 0xFFFFFFFF;  // the value is in the ZIP64 extra field
// Records past this many are not counted one by one (a directory of that
// size is read block by block anyway); the end record's count then holds.
constexpr std::uint64_t kMaxDirectoryBytes = std::uint64_t{1} << 31;

constexpr auto Le = LittleEndian;

bool ReadAt(std::FILE* f, std::uint64_t pos, void* out, std::size_t n) {
  return ::fseeko(f, static_cast<off_t>(pos), SEEK_SET) == 0 && std::fread(out, 1, n, f) == n;
}

// The sizes and local header offset of the directory record at `r`: its own
// fields, or the ZIP64 extra field's where those say 0xFFFFFFFF.
struct FarValues {
  std::uint64_t size, packedSize, localHeader;
};
FarValues ReadFarValues(const unsigned char* r) {
  FarValues v{Le(r + 24, 4), Le(r + 20, 4), Le(r + 42, 4)};
  if (v.size != kFar && v.packedSize != kFar && v.localHeader != kFar) return v;
  const std::size_t nameLength = Le(r + 28, 2), extraLength = Le(r + 30, 2);
  const unsigned char* extra = r + kDirectoryRecord + nameLength;
  for (std::size_t at = 0; at + 4 <= extraLength;) {
    const std::size_t size = Le(extra + at + 2, 2);
    if (at + 4 + size > extraLength) break;
    if (Le(extra + at, 2) == kZip64Extra) {
      // The 8-byte values present are those whose own fields say 0xFFFFFFFF,
      // in this order: original size, packed size, offset.
      std::size_t next = 0;
      for (std::uint64_t* value : {&v.size, &v.packedSize, &v.localHeader}) {
        if (*value != kFar) continue;
        if (next + 8 > size) break;
        *value = Le(extra + at + 4 + next, 8);
        next += 8;
      }
      break;
    }
    at += 4 + size;
  }
  return v;
}

ZipDirectory Fail(ZipDirectory::Status status, const std::string& why) {
  ZipDirectory d;
  d.status = status;
  d.problem = why;
  return d;
}

}  // namespace

ZipDirectory ReadZipDirectory(const std::string& file) {
  UniqueFile f = OpenForReading(file);
  struct stat st;
  if (!f || ::fstat(::fileno(f.get()), &st) != 0) return Fail(ZipDirectory::Status::Damaged, "cannot be read");
  const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
  const char* const cut = "the archive is cut short: its central directory is missing";
  if (size < kEndRecord) return Fail(ZipDirectory::Status::NoEndRecord, cut);

  // The end record: 22 bytes and a comment of up to 64 KiB, the last thing
  // in the file.
  const std::uint64_t tail = std::min<std::uint64_t>(size, kMaxComment + kEndRecord);
  std::vector<unsigned char> buf(static_cast<std::size_t>(tail));
  if (!ReadAt(f.get(), size - tail, buf.data(), buf.size())) return Fail(ZipDirectory::Status::Damaged, "cannot be read");
  std::size_t at = buf.size();
  for (std::size_t i = buf.size() - kEndRecord + 1; i-- > 0;) {
    if (std::memcmp(&buf[i], "PK\5\6", 4) == 0) {
      at = i;
      break;
    }
  }
  if (at == buf.size()) return Fail(ZipDirectory::Status::NoEndRecord, cut);
  const std::uint64_t endPos = size - tail + at;
  const unsigned char* e = &buf[at];
  std::uint64_t entries = Le(e + 10, 2);
  std::uint64_t dirSize = Le(e + 12, 4);
  std::uint64_t dirOffset = Le(e + 16, 4);
  std::uint64_t dirEnd = endPos;
  if (Le(e + 4, 2) != 0 || Le(e + 6, 2) != 0 || Le(e + 8, 2) != entries)
    return Fail(ZipDirectory::Status::Damaged, "the archive is one part of a split set, or its end record is damaged");

  if (entries == 0xFFFF || dirSize == 0xFFFFFFFF || Le(e + 16, 4) == 0xFFFFFFFF) {
    // ZIP64: a locator just before the end record points at a larger one.
    unsigned char loc[kZip64Locator], rec[kZip64EndRecord];
    if (endPos < kZip64Locator || !ReadAt(f.get(), endPos - kZip64Locator, loc, sizeof loc) ||
        std::memcmp(loc, "PK\6\7", 4) != 0)
      return Fail(ZipDirectory::Status::Damaged, "the ZIP64 end record is missing");
    // Where the locator says, or else just before the locator: in a
    // self-extractor the stated offset is off by the program's size.
    const std::uint64_t locatorPos = endPos - kZip64Locator;
    std::uint64_t recPos = Le(loc + 8, 8);
    const bool stated = recPos < locatorPos && ReadAt(f.get(), recPos, rec, sizeof rec) &&
                        std::memcmp(rec, "PK\6\6", 4) == 0 && recPos + 12 + Le(rec + 4, 8) == locatorPos;
    if (!stated) {
      recPos = locatorPos - std::min<std::uint64_t>(locatorPos, kZip64EndRecord);
      if (locatorPos < kZip64EndRecord || !ReadAt(f.get(), recPos, rec, sizeof rec) ||
          std::memcmp(rec, "PK\6\6", 4) != 0)
        return Fail(ZipDirectory::Status::Damaged, "the ZIP64 end record is damaged");
    }
    entries = Le(rec + 32, 8);
    dirSize = Le(rec + 40, 8);
    dirOffset = Le(rec + 48, 8);
    dirEnd = recPos;
  }
  // The directory ends where the end records begin; counting from there
  // also serves self-extractors, whose stored offsets are off by the program.
  if (dirSize > dirEnd) return Fail(ZipDirectory::Status::Damaged, "the central directory is damaged");

  ZipDirectory d;
  d.status = ZipDirectory::Status::Ok;
  d.entries = entries;
  if (dirSize > kMaxDirectoryBytes) return d;
  std::vector<unsigned char> dir(static_cast<std::size_t>(dirSize));
  if (!dir.empty() && !ReadAt(f.get(), dirEnd - dirSize, dir.data(), dir.size()))
    return Fail(ZipDirectory::Status::Damaged, "cannot be read");
  std::uint64_t records = 0;
  std::size_t pos = 0;
  while (pos < dir.size()) {
    if (dir.size() - pos < kDirectoryRecord || std::memcmp(&dir[pos], "PK\1\2", 4) != 0)
      return Fail(ZipDirectory::Status::Damaged, "the central directory is damaged");
    const std::size_t variable = Le(&dir[pos + 28], 2) + Le(&dir[pos + 30], 2) + Le(&dir[pos + 32], 2);
    if (dir.size() - pos - kDirectoryRecord < variable)
      return Fail(ZipDirectory::Status::Damaged, "the central directory is damaged");
    if (Le(&dir[pos + 8], 2) & kEncryptedFlag) ++d.encrypted;
    ZipDirectory::Record record;
    // Offsets are counted from where the directory says it starts; in a
    // self-extractor the program before the archive shifts them all.
    const FarValues far = ReadFarValues(&dir[pos]);
    record.localHeader = far.localHeader + (dirEnd - dirSize) - dirOffset;
    record.flags = static_cast<unsigned>(Le(&dir[pos + 8], 2));
    record.method = static_cast<unsigned>(Le(&dir[pos + 10], 2));
    record.crc32 = static_cast<std::uint32_t>(Le(&dir[pos + 16], 4));
    record.packedSize = far.packedSize;
    record.size = far.size;
    record.nameLength = static_cast<std::size_t>(Le(&dir[pos + 28], 2));
    if (dir[pos + 5] == kHostUnix && (Le(&dir[pos + 38], 4) >> 16) != 0)
      record.unixMode = static_cast<unsigned>(Le(&dir[pos + 38], 4) >> 16);
    d.records.push_back(record);
    pos += kDirectoryRecord + variable;
    ++records;
  }
  if (records != entries)
    return Fail(ZipDirectory::Status::Damaged, "the central directory does not hold the entries its end record counts");
  std::sort(d.records.begin(), d.records.end(),
            [](const ZipDirectory::Record& a, const ZipDirectory::Record& b) { return a.localHeader < b.localHeader; });
  return d;
}

const ZipDirectory::Record* ZipDirectory::RecordAt(std::uint64_t offset) const {
  const auto it = std::lower_bound(records.begin(), records.end(), offset,
                                   [](const Record& r, std::uint64_t at) { return r.localHeader < at; });
  return it != records.end() && it->localHeader == offset ? &*it : nullptr;
}

}  // namespace ks
