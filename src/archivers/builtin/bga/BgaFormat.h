#pragma once
// GZA and BZA archives (Bga32): a plain run of entries, each a 28-byte
// header, the name, then the data; no archive header and no end marker.
//
// Header, little-endian: checksum (4), type tag "GZIP" or "BZ2\0" (4), data
// size (4), original size (4), DOS date (2), DOS time (2), DOS attributes
// (1), header type 0 (1), storage (2: 0 automatic, 1 compressed, 2 stored),
// length of the folder part (2), length of the file part (2); then the folder
// part ("dir\sub\", with its trailing "\") and the file part, CP932 bytes.
// The checksum is the sum of every byte from the tag to the end of the name,
// each taken as a signed char. Compressed data is one gzip member (GZIP) or
// one bzip2 stream (BZ2).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "archivers/builtin/common/DosTime.h"

namespace ks {

constexpr std::size_t kBgaFixedSize = 28;
constexpr std::uint64_t kBgaMaxSize = 0xFFFFFFFFull;
constexpr std::size_t kBgaMaxNamePart = 0xFFFF;
// A self-extracting program carries its first entry within this many bytes.
constexpr std::size_t kBgaSfxScan = 64 * 1024;

constexpr std::uint8_t kBgaAttrReadOnly = 0x01;
constexpr std::uint8_t kBgaAttrFolder = 0x10;
constexpr std::uint8_t kBgaAttrArchive = 0x20;

enum class BgaMethod { Gzip, Bzip2 };

enum BgaStorage : std::uint16_t {
  kBgaStorageAutomatic = 0,
  kBgaStorageCompressed = 1,
  kBgaStorageStored = 2,
};

struct BgaHeader {
  BgaMethod method = BgaMethod::Gzip;
  std::uint32_t dataSize = 0;
  std::uint32_t originalSize = 0;
  DosDateTime stamp;
  std::uint8_t attributes = kBgaAttrArchive;
  std::uint8_t headerType = 0;
  std::uint16_t storage = kBgaStorageCompressed;
  std::string folderPart;  // stored bytes, "\" separated, ends in "\" unless empty
  std::string filePart;    // stored bytes; empty for a folder entry

  bool isFolder() const { return (attributes & kBgaAttrFolder) != 0; }
  std::size_t nameSize() const { return folderPart.size() + filePart.size(); }
};

// The header and name as stored. Both name parts must be at most
// kBgaMaxNamePart bytes.
std::string EncodeBgaHeader(const BgaHeader& header);

// The method of a type tag (the 4 bytes at offset 4), if it is one.
std::optional<BgaMethod> BgaTagMethod(const unsigned char* tag);
// The length of the name that follows a fixed part.
std::size_t BgaNameLength(const unsigned char* fixed);

enum class BgaDecode { Ok, NotAHeader, BadChecksum };
// Reads a header from its fixed part followed by BgaNameLength(fixed) name
// bytes. NotAHeader when the type tag is not one of ours.
BgaDecode DecodeBgaHeader(const unsigned char* bytes, BgaHeader& header);

// Whether an entry's data is stored as it is rather than compressed.
// `magic` is the start of the data (up to its first 3 bytes), used only
// where the header leaves it open: automatic storage with both sizes equal
// and a name that is not of an already-compressed kind.
bool BgaDataIsRaw(const BgaHeader& header, const std::string& magic);

// The entry's name as UTF-8 with "/" between folders: CP932, or UTF-8 when
// the bytes are valid UTF-8 (archives made on other systems).
std::string BgaEntryName(const BgaHeader& header);

// The stored name parts of an archive name ("doc/表.txt", folders without a
// trailing "/"): nullopt with `why` set when a character has no exact CP932
// form, a component holds "\", or a part is too long for the header.
struct BgaNameParts {
  std::string folderPart;
  std::string filePart;
};
std::optional<BgaNameParts> BgaStoredName(const std::string& archiveName, bool isFolder,
                                          std::string& why);

}  // namespace ks
