#include "archivers/builtin/arj/ArjHeader.h"

#include <cstring>

#include "archivers/builtin/codec/ByteOrder.h"
#include "archivers/builtin/codec/Checksums.h"
#include "archivers/builtin/common/DosTime.h"

namespace ks {
namespace {

constexpr std::uint16_t kDosReadOnly = 0x01;

// The NUL-terminated text at `pos`; false when no NUL ends it before `end`.
bool TakeText(const std::uint8_t* basic, std::size_t& pos, std::size_t end, std::string& out) {
  const void* nul = std::memchr(basic + pos, 0, end - pos);
  if (!nul) return false;
  const std::size_t len = static_cast<std::size_t>(static_cast<const std::uint8_t*>(nul) - (basic + pos));
  out.assign(reinterpret_cast<const char*>(basic + pos), len);
  pos += len + 1;
  return true;
}

}  // namespace

ArjHeaderError ParseArjBasicHeader(const std::uint8_t* basic, std::size_t size, ArjHeader& out) {
  if (size < kArjMinFirstSize || size > kArjMaxBasicSize) return ArjHeaderError::BadSize;
  out = ArjHeader{};
  out.firstSize = basic[0];
  if (out.firstSize < kArjMinFirstSize || out.firstSize >= size) return ArjHeaderError::BadSize;
  out.version = basic[1];
  out.minVersion = basic[2];
  out.hostOs = basic[3];
  out.flags = basic[4];
  out.method = basic[5];
  out.fileType = basic[6];
  out.time = LoadLe32(basic + 8);
  out.compressedSize = LoadLe32(basic + 12);
  out.originalSize = LoadLe32(basic + 16);
  out.crc = LoadLe32(basic + 20);
  out.mode = LoadLe16(basic + 26);
  std::size_t pos = out.firstSize;
  if (!TakeText(basic, pos, size, out.name)) return ArjHeaderError::BadSize;
  // Some writers end the block right after the name; a comment cut short by
  // the block's end is kept as far as it goes.
  if (pos < size && !TakeText(basic, pos, size, out.comment))
    out.comment.assign(reinterpret_cast<const char*>(basic + pos), size - pos);
  return ArjHeaderError::None;
}

bool ArjCrcMatches(const std::uint8_t* data, std::size_t size, std::uint32_t crc) {
  Crc32 c;
  c.Update(data, size);
  return c.value() == crc;
}

bool ParseArjUnixSpecial(const std::uint8_t* data, std::size_t size, ArjUnixSpecial& out) {
  // "U", one byte we need not read, then the kind in the top three bits of a
  // byte whose low five bits give the length of what follows; 31 there
  // means the length comes as a 2-byte number after it.
  if (size < 3 || data[0] != 'U') return false;
  const unsigned kind = data[2] >> 5;
  std::size_t length = data[2] & 0x1F;
  std::size_t pos = 3;
  if (length == 0x1F) {
    if (size < 5) return false;
    length = LoadLe16(data + 3);
    pos = 5;
  }
  if (length > size - pos) return false;
  out = ArjUnixSpecial{};
  switch (kind) {
    case 0:
      out.kind = ArjUnixSpecial::Kind::Fifo;
      break;
    case 1:
      out.kind = ArjUnixSpecial::Kind::HardLink;
      break;
    case 2:
      out.kind = ArjUnixSpecial::Kind::SymLink;
      break;
    default:
      out.kind = ArjUnixSpecial::Kind::Device;
      break;
  }
  const bool isLink =
      out.kind == ArjUnixSpecial::Kind::HardLink || out.kind == ArjUnixSpecial::Kind::SymLink;
  if (isLink) {
    if (length == 0) return false;
    out.target.assign(reinterpret_cast<const char*>(data + pos), length);
  }
  return true;
}

std::optional<std::int64_t> ArjModifiedTime(const ArjHeader& header) {
  if (header.hostOs == kArjHostUnix) return static_cast<std::int64_t>(header.time);
  return DosToUnixTime(DosDateTime{static_cast<std::uint16_t>(header.time >> 16),
                                   static_cast<std::uint16_t>(header.time & 0xFFFF)});
}

std::optional<unsigned> ArjPermissions(const ArjHeader& header) {
  if (header.hostOs == kArjHostUnix) return header.mode & 07777u;
  // Windows ignores the read-only attribute of folders; so do we.
  if (header.type() != ArjFileType::Directory && (header.mode & kDosReadOnly)) return 0444u;
  return std::nullopt;
}

}  // namespace ks
