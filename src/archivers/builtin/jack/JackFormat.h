#pragma once
// The piece format of Jack32, our split files.
//
// A file is cut into pieces; each piece is one file holding a header and
// then a run of the original bytes. Every integer is little-endian:
//
//   offset  size  field
//        0    17  "This_Is_Jack_File" (the signature type detection looks for)
//       17     1  format version, 1
//       18     1  flags: bit 0 set when a joiner script was written beside
//       19     2  header length H in bytes, signature to checksum inclusive
//       21     4  piece number, counted from 1
//       25     4  piece count
//       29     8  data size of this piece
//       37     8  offset of this piece's data in the original file
//       45     8  size of the original file
//       53     4  CRC-32 (as in ZIP) of the whole original file
//       57     4  CRC-32 of this piece's data
//       61     2  length N of the name
//       63     N  the original file name, UTF-8, without any folder
//     63+N     4  CRC-32 of the header bytes 0 .. 62+N
//
// so H = 67 + N, the same in every piece of a set. A piece file is H bytes
// plus its data; the piece size asked for (in KB of 1024 bytes) bounds the
// whole piece file, header included, so pieces fit on the medium chosen.
// Every piece but the last holds the same amount of data; a file of 0 bytes
// gives one piece with no data.
//
// Pieces are named after the original file: "name.001", "name.002", ...;
// the number has 3 digits, more when the count needs them ("name.0001" for
// a set of 1000 or more). A self-joining set also has "name.join.sh", a
// POSIX sh script that rebuilds the file with standard tools only.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

namespace ks {

inline constexpr char kJackSignature[] = "This_Is_Jack_File";
inline constexpr std::size_t kJackSignatureSize = 17;
inline constexpr std::uint8_t kJackVersion = 1;
inline constexpr std::uint8_t kJackFlagJoinerScript = 0x01;
inline constexpr std::size_t kJackFixedHeaderSize = 67;  // H without the name
inline constexpr std::size_t kJackMaxNameSize = 1024;

struct JackHeader {
  std::uint8_t flags = 0;
  std::uint32_t pieceNumber = 1;
  std::uint32_t pieceCount = 1;
  std::uint64_t dataSize = 0;
  std::uint64_t dataOffset = 0;
  std::uint64_t totalSize = 0;
  std::uint32_t totalCrc = 0;
  std::uint32_t dataCrc = 0;
  std::string name;

  std::size_t headerSize() const { return kJackFixedHeaderSize + name.size(); }
  // True when `other` belongs to the same set (same file, same cut).
  bool SameSet(const JackHeader& other) const;
};

enum class JackHeaderStatus {
  Ok,
  NotJack,      // no signature: not a piece at all
  Truncated,    // the file ends inside the header
  BadChecksum,  // the header was damaged
  BadVersion,   // a later format we do not read
  BadFields,    // numbers that contradict each other, or an unusable name
};

struct JackHeaderRead {
  JackHeaderStatus status = JackHeaderStatus::NotJack;
  JackHeader header;
};

// The header bytes of `header` (its checksum computed here).
std::string EncodeJackHeader(const JackHeader& header);
// Reads and checks the header at the start of an open file (position 0).
JackHeaderRead ReadJackHeader(std::FILE* file);
// The same for a file by name (NotJack when it cannot be opened).
JackHeaderRead ReadJackHeader(const std::string& path);
// A text for the log: "the header is damaged" and so on.
std::string DescribeJackStatus(JackHeaderStatus status);

// A name that can be written into a folder as one file: not empty, at most
// kJackMaxNameSize bytes, no separator, no NUL or control character, not
// "." or "..".
bool IsUsableJackName(const std::string& name);

// "name.001" ... (see above).
std::string JackPieceName(const std::string& name, std::uint32_t number, std::uint32_t count);
// Digits of the piece number in a set of `count` pieces: at least 3.
int JackNumberWidth(std::uint32_t count);
// "name.join.sh".
std::string JackScriptName(const std::string& name);

}  // namespace ks
