#include "archivers/builtin/lha/LzhHeaderParser.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "archivers/builtin/common/DosTime.h"
#include "archivers/builtin/codec/LzhCrc16.h"
#include "archivers/builtin/codec/ByteOrder.h"
#include "archivers/builtin/lha/LzhHeaderSearch.h"

namespace ks {

namespace {

// Bytes read first: enough for the level (byte 20) of every header level.
constexpr std::size_t kFirstBytes = 22;
constexpr std::size_t kLevel0MinSize = 22;   // header size field, empty name
constexpr std::size_t kLevel1MinSize = 25;
constexpr std::size_t kLevel2MinSize = 26;
constexpr std::size_t kLevel3FixedSize = 32;
// No tool writes headers anywhere near this; it keeps a damaged size field
// from making us read a whole file as one header.
constexpr std::size_t kMaxHeaderBytes = 256 * 1024;
// A self-extracting program keeps its archive within this many bytes, and
// its code holds only a few strings that look like a method name; the
// limit on tries keeps a file full of them from taking long.
constexpr std::size_t kSfxSearchBytes = 1 << 20;
constexpr int kSfxTries = 256;
constexpr std::int64_t kFileTimeEpochOffset = 11644473600;  // 1601 to 1970, seconds


// OS-9 keeps owner and public read/write/execute bits; the public ones
// serve for group and others.
unsigned Os9ToUnixMode(unsigned os9) {
  const unsigned ownerR = (os9 >> 0) & 1, ownerW = (os9 >> 1) & 1, ownerX = (os9 >> 2) & 1;
  const unsigned pubR = (os9 >> 3) & 1, pubW = (os9 >> 4) & 1, pubX = (os9 >> 5) & 1;
  const unsigned pub = pubR << 2 | pubW << 1 | pubX;
  return (ownerR << 2 | ownerW << 1 | ownerX) << 6 | pub << 3 | pub;
}

class HeaderParse {
 public:
  HeaderParse(LzhArchiveFile& file, LzhEntryInfo& info, std::string& error)
      : file_(file), info_(info), error_(error) {}

  LzhHeaderResult Run();

 private:
  LzhHeaderResult Broken(const std::string& why) {
    error_ = why;
    return LzhHeaderResult::Broken;
  }
  // Reads more of the header into raw_; false when the file ends first.
  bool Extend(std::size_t bytes);
  bool RestIsPadding(std::size_t got);
  LzhHeaderResult Level01();
  LzhHeaderResult Level2();
  LzhHeaderResult Level3();
  // The fixed part levels 2 and 3 share: sizes, Unix time, attribute, CRC, OS.
  void FixedFields();
  void Level0Area(const std::uint8_t* data, std::size_t size);
  bool Extended(std::size_t offset, std::size_t fieldSize);
  void ExtendedOne(std::uint8_t type, std::size_t dataOffset, std::size_t size);
  LzhHeaderResult Finish();

  LzhArchiveFile& file_;
  LzhEntryInfo& info_;
  std::string& error_;
  std::vector<std::uint8_t> raw_;
  std::optional<std::size_t> crcField_;
  std::optional<std::int64_t> baseTime_, unixTime_, windowsTime_;
  std::optional<unsigned> os9Mode_;
  std::optional<std::uint64_t> largeCompressed_, largeOriginal_;
};

bool HeaderParse::Extend(std::size_t bytes) {
  const std::size_t old = raw_.size();
  raw_.resize(old + bytes);
  return file_.Read(raw_.data() + old, bytes) == bytes;
}

bool HeaderParse::RestIsPadding(std::size_t got) {
  auto padding = [](std::uint8_t b) { return b == 0x1A || b == 0x00; };
  for (std::size_t i = 0; i < got; ++i)
    if (!padding(raw_[i])) return false;
  std::uint8_t buf[4096];
  for (;;) {
    const std::size_t n = file_.Read(buf, sizeof buf);
    for (std::size_t i = 0; i < n; ++i)
      if (!padding(buf[i])) return false;
    if (n < sizeof buf) return !file_.readFailed();
  }
}

LzhHeaderResult HeaderParse::Run() {
  info_ = LzhEntryInfo{};
  info_.headerOffset = file_.position();
  raw_.resize(kFirstBytes);
  const std::size_t got = file_.Read(raw_.data(), kFirstBytes);
  if (file_.readFailed()) return Broken("read error");
  if (got == 0) return LzhHeaderResult::Unmarked;
  const bool methodSeen = got == kFirstBytes && LooksLikeLzhMethod(reinterpret_cast<const char*>(&raw_[2]));
  // A zero first byte ends the archive, except where it is the low byte of
  // a level-2 header's size (256, 512 ...).
  // What follows the end mark is padding or another entry whose header was
  // damaged into a zero; the latter must not end the archive quietly.
  if (raw_[0] == 0 && !(methodSeen && raw_[20] == 2))
    return RestIsPadding(got) ? LzhHeaderResult::End : Broken("data follows the end mark");
  if (!methodSeen) {
    // Padding that a transfer program appended stands for the end mark:
    // old BBS files come so, and a cut archive is not padded.
    if (RestIsPadding(got)) return LzhHeaderResult::End;
    return Broken(got < kFirstBytes ? "the archive ends inside a header" : "damaged header");
  }
  info_.method.assign(reinterpret_cast<const char*>(&raw_[2]), 5);
  info_.level = raw_[20];
  LzhHeaderResult r;
  switch (info_.level) {
    case 0:
    case 1: r = Level01(); break;
    case 2: r = Level2(); break;
    case 3: r = Level3(); break;
    default: return Broken("unknown header level " + std::to_string(info_.level));
  }
  return r == LzhHeaderResult::Entry ? Finish() : r;
}

LzhHeaderResult HeaderParse::Level01() {
  const std::size_t size = raw_[0];
  const bool level1 = info_.level == 1;
  if (size < (level1 ? kLevel1MinSize : kLevel0MinSize)) return Broken("damaged header");
  if (!Extend(size + 2 - kFirstBytes)) return Broken("the archive ends inside a header");
  unsigned sum = 0;
  for (std::size_t i = 2; i < size + 2; ++i) sum += raw_[i];
  if ((sum & 0xFF) != raw_[1]) return Broken("header checksum error");
  info_.compressedSize = LoadLe32(&raw_[7]);
  info_.originalSize = LoadLe32(&raw_[11]);
  const std::uint32_t dos = LoadLe32(&raw_[15]);
  baseTime_ = DosToUnixTime(DosDateTime{static_cast<std::uint16_t>(dos >> 16), static_cast<std::uint16_t>(dos)});
  info_.dosAttribute = raw_[19];
  const std::size_t nameLength = raw_[21];
  if ((level1 ? kLevel1MinSize : kLevel0MinSize) + nameLength > size) return Broken("damaged header");
  // Amiga LhA keeps a file's comment in the name field, after a NUL.
  const auto* name = reinterpret_cast<const char*>(&raw_[22]);
  info_.rawName.assign(name, std::find(name, name + nameLength, '\0'));
  info_.dataCrc = LoadLe16(&raw_[22 + nameLength]);
  if (!level1) {
    if (size > kLevel0MinSize + nameLength) Level0Area(&raw_[24 + nameLength], size - kLevel0MinSize - nameLength);
    return LzhHeaderResult::Entry;
  }
  info_.osId = raw_[24 + nameLength];
  // Level 1 keeps the level-0 layout; its extended headers follow, and the
  // compressed size counts them.
  const std::size_t chainStart = size;
  for (;;) {
    const std::size_t next = LoadLe16(&raw_[raw_.size() - 2]);
    if (next == 0) break;
    if (next < 3 || info_.compressedSize < next) return Broken("damaged extended header");
    if (raw_.size() + next > kMaxHeaderBytes) return Broken("header too long");
    info_.compressedSize -= next;
    if (!Extend(next)) return Broken("the archive ends inside a header");
  }
  return Extended(chainStart, 2) ? LzhHeaderResult::Entry : Broken("damaged extended header");
}

LzhHeaderResult HeaderParse::Level2() {
  std::size_t size = LoadLe16(&raw_[0]);
  if (size < kLevel2MinSize) return Broken("damaged header");
  if (!Extend(kLevel2MinSize - kFirstBytes)) return Broken("the archive ends inside a header");
  // LHA for OS-9/68k counts the header without its size field.
  if (raw_[23] == kLzhOsOs9_68k) size += 2;
  if (!Extend(size - kLevel2MinSize)) return Broken("the archive ends inside a header");
  FixedFields();
  return Extended(24, 2) ? LzhHeaderResult::Entry : Broken("damaged extended header");
}

void HeaderParse::FixedFields() {
  info_.compressedSize = LoadLe32(&raw_[7]);
  info_.originalSize = LoadLe32(&raw_[11]);
  baseTime_ = LoadLe32(&raw_[15]);
  info_.dosAttribute = raw_[19];
  info_.dataCrc = LoadLe16(&raw_[21]);
  info_.osId = raw_[23];
}

LzhHeaderResult HeaderParse::Level3() {
  if (LoadLe16(&raw_[0]) != 4) return Broken("damaged header");
  if (!Extend(kLevel3FixedSize - kFirstBytes)) return Broken("the archive ends inside a header");
  const std::uint32_t size = LoadLe32(&raw_[24]);
  if (size < kLevel3FixedSize || size > kMaxHeaderBytes) return Broken("damaged header");
  if (!Extend(size - kLevel3FixedSize)) return Broken("the archive ends inside a header");
  FixedFields();
  return Extended(28, 4) ? LzhHeaderResult::Entry : Broken("damaged extended header");
}

// Level 0 has no extended headers; Unix and OS-9 tools put an area of
// their own after the CRC.
void HeaderParse::Level0Area(const std::uint8_t* data, std::size_t size) {
  if (info_.method.compare(0, 3, "-pm") == 0) return;  // PMarc keeps comments there
  if ((data[0] == kLzhOsUnix || data[0] == kLzhOsOs9_68k) && size >= 12 && data[1] == 0) {
    info_.osId = data[0];
    unixTime_ = LoadLe32(data + 2);
    // OS-9/68k repeats the time: the mode is read from the end.
    info_.unixMode = LoadLe16(data + size - 6);
  } else if (data[0] == kLzhOsOs9 && size >= 22 && data[9] == 0xCC && data[1] == data[17] &&
             data[2] == data[18]) {
    info_.osId = kLzhOsOs9;
    os9Mode_ = LoadLe16(data + 1);
  }
}

bool HeaderParse::Extended(std::size_t offset, std::size_t fieldSize) {
  while (offset + fieldSize <= raw_.size()) {
    const std::uint64_t size = fieldSize == 2 ? LoadLe16(&raw_[offset]) : LoadLe32(&raw_[offset]);
    if (size == 0) return true;
    if (size < fieldSize + 1 || size > raw_.size() - offset - fieldSize) return false;
    const std::size_t at = offset + fieldSize;
    ExtendedOne(raw_[at], at + 1, static_cast<std::size_t>(size) - fieldSize - 1);
    offset += static_cast<std::size_t>(size);
  }
  return false;  // the chain runs past the header without its end mark
}

void HeaderParse::ExtendedOne(std::uint8_t type, std::size_t at, std::size_t size) {
  const std::uint8_t* d = raw_.data() + at;
  switch (type) {
    case 0x00:  // CRC-16 of the whole header, counted with this field as zero
      if (size >= 2) crcField_ = at;
      break;
    case 0x01: info_.rawName.assign(reinterpret_cast<const char*>(d), size); break;
    case 0x02:
      info_.rawFolder.assign(reinterpret_cast<const char*>(d), size);
      info_.hasFolderHeader = true;
      break;
    case 0x40:
      if (size >= 2) info_.dosAttribute = d[0];
      break;
    case 0x41:  // Windows creation, modification and access times
      if (size >= 24) {
        const std::uint64_t ft = LoadLe64(d + 8);
        if (ft != 0) windowsTime_ = static_cast<std::int64_t>(ft / 10000000) - kFileTimeEpochOffset;
      }
      break;
    case 0x42:  // 64-bit sizes for files of 4 GB and more
      if (size >= 16) {
        largeCompressed_ = LoadLe64(d);
        largeOriginal_ = LoadLe64(d + 8);
      }
      break;
    case 0x46:
      if (size >= 4) info_.codePage = LoadLe32(d);
      break;
    case 0x50:
      if (size >= 2) info_.unixMode = LoadLe16(d);
      break;
    case 0x54:
      if (size >= 4) unixTime_ = LoadLe32(d);
      break;
    case 0xCC:  // OS-9 file information
      if (size >= 12) os9Mode_ = LoadLe16(d + 7);
      break;
    default:  // comments, owners, OS/2 attributes ...: nothing we restore
      break;
  }
}

LzhHeaderResult HeaderParse::Finish() {
  if (crcField_) {
    const std::uint16_t stored = LoadLe16(&raw_[*crcField_]);
    raw_[*crcField_] = raw_[*crcField_ + 1] = 0;
    if (LzhCrc16Of(raw_.data(), raw_.size()) != stored) return Broken("header CRC error");
  }
  if (largeCompressed_) {
    info_.compressedSize = *largeCompressed_;
    info_.originalSize = *largeOriginal_;
  }
  if (info_.osId == kLzhOsOs9_68k && info_.unixMode) os9Mode_ = *info_.unixMode;
  if (os9Mode_) info_.unixMode = Os9ToUnixMode(*os9Mode_) | ((*os9Mode_ & 0x80) ? 0040000u : 0100000u);
  info_.mtime = windowsTime_ ? windowsTime_ : unixTime_ ? unixTime_ : baseTime_;
  info_.dataOffset = file_.position();
  if (info_.dataOffset > file_.size() || info_.compressedSize > file_.size() - info_.dataOffset)
    return Broken("the archive ends inside the data of an entry");
  return LzhHeaderResult::Entry;
}

}  // namespace

bool LooksLikeLzhMethod(const char* m) {
  auto alnum = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
  return m[0] == '-' && m[4] == '-' && (m[1] == 'l' || m[1] == 'p') && alnum(m[2]) && alnum(m[3]);
}

LzhHeaderResult ReadLzhHeader(LzhArchiveFile& file, LzhEntryInfo& info, std::string& error) {
  return HeaderParse(file, info, error).Run();
}

std::optional<std::uint64_t> FindFirstLzhHeader(LzhArchiveFile& file) {
  std::uint8_t head[kFirstBytes];
  file.Seek(0);
  const std::size_t got = file.Read(head, sizeof head);
  // A file that starts like a header ("-l" or "-p" where a method begins)
  // is an archive, damaged or not; its first header's reading tells what is
  // wrong. Searching on would pass over its damaged first entries.
  if (got == kFirstBytes && head[2] == '-' && (head[3] == 'l' || head[3] == 'p')) {
    file.Seek(0);
    return 0;
  }
  return FindSoundLzhHeader(file, 0, kSfxSearchBytes + 1, kSfxTries);
}

}  // namespace ks
