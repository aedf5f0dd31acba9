#include "archivers/builtin/cab/CabLayout.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "archivers/builtin/cab/CabFormat.h"
#include "archivers/builtin/common/ByteFile.h"
#include "archivers/builtin/common/NameText.h"

namespace ks {
namespace {

constexpr auto Le = LittleEndian;

constexpr std::uint16_t kAttrReadOnly = 0x01;
constexpr std::uint16_t kAttrNameIsUtf8 = 0x80;
// What a cabinet's own limits allow: 65535 files with names of 255 bytes.
constexpr std::size_t kMostHeaders = 32u << 20;
// libarchive refuses larger files and folders; such a cabinet is its to report.
constexpr std::uint64_t kLargestData = 0x7FFF8000;
constexpr std::size_t kLongestName = 255;

struct FixedHeader {
  std::uint32_t filesAt = 0;
  unsigned folders = 0, files = 0;
  std::size_t folderReserve = 0, dataReserve = 0;
  std::size_t foldersAt = 0;  // where the folder records start
};

// The fixed part of a plain cabinet's header; nullopt for anything else:
// a self-extractor or a stray "MSCF", a set of cabinets, no folders or
// no files (which libarchive calls damaged).
std::optional<FixedHeader> ReadFixed(const unsigned char* b, std::size_t size) {
  if (size < kCabHeader || std::memcmp(b, "MSCF\0\0\0\0", 8) != 0) return std::nullopt;
  FixedHeader h;
  h.filesAt = static_cast<std::uint32_t>(Le(b + 16, 4));
  h.folders = static_cast<unsigned>(Le(b + 26, 2));
  h.files = static_cast<unsigned>(Le(b + 28, 2));
  const auto flags = static_cast<std::uint16_t>(Le(b + 30, 2));
  const auto cabinet = Le(b + 34, 2);
  if (h.folders == 0 || h.files == 0 || (flags & (kCabFlagPrevious | kCabFlagNext)) || cabinet != 0) return std::nullopt;
  h.foldersAt = kCabHeader;
  if (flags & kCabFlagReserve) {
    if (size < kCabHeader + 4) return std::nullopt;
    const std::size_t headerReserve = Le(b + 36, 2);
    if (headerReserve > 60000) return std::nullopt;
    h.folderReserve = b[38];
    h.dataReserve = b[39];
    h.foldersAt += 4 + headerReserve;
  }
  return h;
}

}  // namespace

std::optional<std::size_t> CabHeaderSpan(const unsigned char* head, std::size_t size) {
  const auto h = ReadFixed(head, size);
  if (!h || size < h->foldersAt + kCabFolderRecord) return std::nullopt;
  const std::size_t firstData = Le(head + h->foldersAt, 4);
  if (firstData > kMostHeaders) return std::nullopt;
  return firstData;
}

std::optional<CabLayout> ReadCabLayout(const unsigned char* b, std::size_t size) {
  const auto h = ReadFixed(b, size);
  if (!h) return std::nullopt;
  CabLayout layout;
  layout.dataReserve = h->dataReserve;
  std::size_t at = h->foldersAt;
  std::uint64_t lastData = 0;
  for (unsigned i = 0; i < h->folders; ++i, at += kCabFolderRecord + h->folderReserve) {
    if (size < at + kCabFolderRecord) return std::nullopt;
    CabFolderRecord folder;
    folder.dataAt = Le(b + at, 4);
    folder.blocks = static_cast<unsigned>(Le(b + at + 4, 2));
    const auto method = static_cast<std::uint16_t>(Le(b + at + 6, 2) & kCabCompressionMask);
    // LZX and Quantum are libarchive's.
    if (method != kCabStored && method != kCabMsZip) return std::nullopt;
    folder.compressed = method == kCabMsZip;
    if (folder.dataAt <= lastData) return std::nullopt;
    lastData = folder.dataAt;
    layout.folders.push_back(folder);
  }
  if (h->filesAt < at) return std::nullopt;
  at = h->filesAt;
  // Each folder's files follow one another, their data too.
  unsigned folder = 0;
  std::uint64_t next = 0;
  for (unsigned i = 0; i < h->files; ++i) {
    if (size < at + kCabFileRecord) return std::nullopt;
    CabFileRecord file;
    file.size = static_cast<std::uint32_t>(Le(b + at, 4));
    file.offset = static_cast<std::uint32_t>(Le(b + at + 4, 4));
    file.folder = static_cast<std::uint16_t>(Le(b + at + 8, 2));
    file.date = static_cast<std::uint16_t>(Le(b + at + 10, 2));
    file.time = static_cast<std::uint16_t>(Le(b + at + 12, 2));
    file.attributes = static_cast<std::uint16_t>(Le(b + at + 14, 2));
    at += kCabFileRecord;
    const auto* nameEnd = static_cast<const unsigned char*>(
        std::memchr(b + at, 0, std::min(size - at, kLongestName + 1)));
    if (!nameEnd || nameEnd == b + at) return std::nullopt;
    file.name.assign(reinterpret_cast<const char*>(b + at), static_cast<std::size_t>(nameEnd - (b + at)));
    at += file.name.size() + 1;
    if ((file.attributes & kAttrNameIsUtf8) && !IsValidUtf8(file.name)) return std::nullopt;
    // Folder indexes from 0xFFFD up continue a file from or into another cabinet.
    if (file.folder >= h->folders || file.folder < folder) return std::nullopt;
    if (file.folder != folder) next = 0;
    folder = file.folder;
    if (file.offset != next || std::uint64_t{file.offset} + file.size > kLargestData) return std::nullopt;
    if (file.size > 0 && layout.folders[folder].blocks == 0) return std::nullopt;
    next += file.size;
    layout.files.push_back(std::move(file));
  }
  return layout;
}

ExtractEntry CabEntryOf(const CabFileRecord& file) {
  ExtractEntry entry;
  entry.name = (file.attributes & kAttrNameIsUtf8) ? file.name : StoredNameToUtf8(file.name);
  // Converted after the text is read, so that the second byte of a CP932
  // character such as "ソ" (0x83 0x5C) stays part of it.
  std::replace(entry.name.begin(), entry.name.end(), '\\', '/');
  entry.size = file.size;
  entry.type = file.size == 0 && !entry.name.empty() && entry.name.back() == '/' ? EntryType::Directory
                                                                                   : EntryType::File;
  entry.mode = (file.attributes & kAttrReadOnly) ? 0555 : 0666;
  // Taken as it comes, impossible fields too: mktime carries them over
  // (a 32nd of a month into the next), as libarchive's conversion does.
  std::tm t{};
  t.tm_year = ((file.date >> 9) & 0x7F) + 80;
  t.tm_mon = ((file.date >> 5) & 0x0F) - 1;
  t.tm_mday = file.date & 0x1F;
  t.tm_hour = (file.time >> 11) & 0x1F;
  t.tm_min = (file.time >> 5) & 0x3F;
  t.tm_sec = (file.time << 1) & 0x3E;
  t.tm_isdst = -1;
  entry.mtime = static_cast<std::int64_t>(std::mktime(&t));
  return entry;
}

}  // namespace ks
