#pragma once
// Header blocks of ARJ archives, read from bytes already in memory.
//
// Every block starts with 0x60 0xEA and a 2-byte size of its basic header;
// the basic header follows with its CRC-32, then extended headers (2-byte
// size, data, CRC-32) until one of size 0. The first block is the archive's
// main header; each file follows as a local header and its data; a block of
// size 0 ends the archive. All numbers are little-endian.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ks {

inline constexpr std::uint8_t kArjMark0 = 0x60;
inline constexpr std::uint8_t kArjMark1 = 0xEA;
// ARJ never writes a basic header larger than this; a larger size is damage.
inline constexpr std::size_t kArjMaxBasicSize = 2600;
// The fixed part a local header must have before its name.
inline constexpr std::size_t kArjMinFirstSize = 30;

enum ArjFlags : std::uint8_t {
  kArjGarbled = 0x01,   // data encrypted with a password
  kArjVolume = 0x04,    // the file (or archive) goes on in the next volume
  kArjExtFile = 0x08,   // the file began in the previous volume
  kArjPathSym = 0x10,   // "\" in the path was written as "/"
};

enum class ArjFileType : std::uint8_t {
  Binary = 0,
  Text = 1,
  Main = 2,         // the main header's type
  Directory = 3,
  Label = 4,        // a volume label: nothing to write
  Chapter = 5,      // a chapter mark of a chapter archive: nothing to write
  UnixSpecial = 6,  // link, FIFO or device, described by a "U" extended header
};

enum ArjHostOs : std::uint8_t { kArjHostMsDos = 0, kArjHostUnix = 2 };

// What a "U" extended header says of a Unix special file.
struct ArjUnixSpecial {
  enum class Kind { Fifo, HardLink, SymLink, Device };
  Kind kind = Kind::Fifo;
  std::string target;  // raw bytes of the link text (links only)
};

// A main or local header as stored.
struct ArjHeader {
  std::uint8_t firstSize = 0;
  std::uint8_t version = 0;
  std::uint8_t minVersion = 0;
  std::uint8_t hostOs = 0;
  std::uint8_t flags = 0;
  std::uint8_t method = 0;
  std::uint8_t fileType = 0;
  std::uint32_t time = 0;  // Unix seconds (Unix hosts) or DOS date and time
  std::uint32_t compressedSize = 0;
  std::uint32_t originalSize = 0;
  std::uint32_t crc = 0;
  std::uint16_t mode = 0;  // Unix permissions or DOS attributes, by host
  std::string name;        // raw bytes, as stored
  std::string comment;
  std::optional<ArjUnixSpecial> special;

  ArjFileType type() const { return static_cast<ArjFileType>(fileType); }
  bool Has(ArjFlags flag) const { return (flags & flag) != 0; }
};

enum class ArjHeaderError {
  None,
  BadSize,      // sizes that cannot be, or a name without its end
  BadCrc,       // the header's CRC-32 does not match
};

// Reads the fields of a basic header (the bytes after the size, without the
// CRC). Does not look at the CRC; see ArjCrcMatches.
ArjHeaderError ParseArjBasicHeader(const std::uint8_t* basic, std::size_t size, ArjHeader& out);
// Whether `crc` (as stored after the basic header) belongs to these bytes.
bool ArjCrcMatches(const std::uint8_t* data, std::size_t size, std::uint32_t crc);
// Reads a "U" extended header's data into `out`; false when it is not one or
// is malformed. Other extended headers are not needed to extract a file.
bool ParseArjUnixSpecial(const std::uint8_t* data, std::size_t size, ArjUnixSpecial& out);

// The modification time as seconds since 1970: Unix hosts store those,
// every other host a DOS date and time in local time. nullopt when a DOS
// value is no real date.
std::optional<std::int64_t> ArjModifiedTime(const ArjHeader& header);
// Permission bits to give the file: Unix hosts store them; for the others,
// a read-only DOS attribute takes the write bits away from a file and
// nothing else is said (nullopt: the usual defaults).
std::optional<unsigned> ArjPermissions(const ArjHeader& header);

}  // namespace ks
