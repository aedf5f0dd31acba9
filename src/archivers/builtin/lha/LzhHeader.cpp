#include "archivers/builtin/lha/LzhHeader.h"

#include "archivers/builtin/codec/ByteOrder.h"
#include "archivers/builtin/codec/LzhCrc16.h"

#include <algorithm>

namespace ks {

namespace {

constexpr std::uint8_t kExtHeaderCrc = 0x00;
constexpr std::uint8_t kExtFileName = 0x01;
constexpr std::uint8_t kExtFolderName = 0x02;
constexpr std::uint8_t kExtDosAttribute = 0x40;
constexpr std::uint8_t kExtCodePage = 0x46;
constexpr std::uint8_t kExtUnixMode = 0x50;
constexpr std::uint8_t kFolderSeparator = 0xFF;
constexpr std::uint8_t kOsUnix = 'U';
constexpr std::uint8_t kFixedAttributeByte = 0x20;
constexpr std::size_t kCrcFieldOffset = 24 + 3;  // data of the first extended header
constexpr std::uint16_t kDefaultFileMode = 0100644;
constexpr std::uint16_t kDefaultFolderMode = 0040755;

class Bytes {
 public:
  void U8(std::uint8_t v) { b_.push_back(v); }
  void U16(std::uint32_t v) {
    U8(static_cast<std::uint8_t>(v));
    U8(static_cast<std::uint8_t>(v >> 8));
  }
  void U32(std::uint32_t v) {
    U16(v & 0xFFFF);
    U16(v >> 16);
  }
  void Text(const std::string& s) { b_.insert(b_.end(), s.begin(), s.end()); }
  // One extended header: its size (size field, id and data), id, data.
  void Extended(std::uint8_t id, const std::string& data) {
    U16(static_cast<std::uint32_t>(3 + data.size()));
    U8(id);
    Text(data);
  }
  std::vector<std::uint8_t>& bytes() { return b_; }

 private:
  std::vector<std::uint8_t> b_;
};

std::string Le(std::uint32_t v, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
  return s;
}

}  // namespace

std::optional<std::vector<std::uint8_t>> BuildLevel2Header(const LzhEntryHeader& h) {
  // Split "a/b/c.txt" into the folder part "a\xFFb\xFF" and the name "c.txt";
  // a folder entry keeps its whole path in the folder part.
  std::string folder, file;
  const std::string& path = h.name;
  const std::size_t cut = h.isFolder ? path.size() : path.rfind('/');
  if (cut != std::string::npos) {
    folder = path.substr(0, cut);
    for (char& c : folder)
      if (c == '/') c = static_cast<char>(kFolderSeparator);
    if (!folder.empty()) folder += static_cast<char>(kFolderSeparator);
    if (!h.isFolder) file = path.substr(cut + 1);
  } else {
    file = path;
  }

  Bytes b;
  b.U16(0);  // header size, set below
  b.Text(h.method.substr(0, 5));
  b.U32(h.compressedSize);
  b.U32(h.originalSize);
  b.U32(h.modified);
  // Level 2 keeps 0x20 in the old attribute byte; readers (libarchive) use
  // it to recognise the header. The real attribute is in extension 0x40.
  b.U8(kFixedAttributeByte);
  b.U8(2);  // header level
  b.U16(h.dataCrc);
  b.U8(kOsUnix);
  b.Extended(kExtHeaderCrc, std::string(2, '\0'));
  if (!h.isFolder) b.Extended(kExtFileName, file);
  if (!folder.empty()) b.Extended(kExtFolderName, folder);
  // What every reader assumes anyway is left out: archives of many small
  // files would otherwise pay 17 bytes per entry for it. A name of plain
  // ASCII reads the same in any code page; a file with the archive bit and
  // mode 644 and a folder with mode 755 are what readers make without
  // being told.
  const bool ascii = std::all_of(h.name.begin(), h.name.end(), [](char c) { return (c & 0x80) == 0; });
  if (!ascii) b.Extended(kExtCodePage, Le(h.codePage, 4));
  if (h.dosAttribute != (h.isFolder ? kDosDirectory : kDosArchive)) b.Extended(kExtDosAttribute, Le(h.dosAttribute, 2));
  if (h.unixMode != (h.isFolder ? kDefaultFolderMode : kDefaultFileMode)) b.Extended(kExtUnixMode, Le(h.unixMode, 2));
  b.U16(0);  // no more extended headers

  std::vector<std::uint8_t>& bytes = b.bytes();
  // A header whose size has a zero low byte would start with a 0 byte, the
  // end-of-archive mark; one byte of padding avoids that.
  if ((bytes.size() & 0xFF) == 0) bytes.push_back(0);
  if (bytes.size() > 0xFFFF) return std::nullopt;
  StoreLe16(&bytes[0], static_cast<std::uint32_t>(bytes.size()));
  StoreLe16(&bytes[kCrcFieldOffset], LzhCrc16Of(bytes.data(), bytes.size()));
  return bytes;
}

}  // namespace ks
