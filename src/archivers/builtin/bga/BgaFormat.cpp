#include "archivers/builtin/bga/BgaFormat.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstring>

#include "archivers/HeaderText.h"
#include "archivers/builtin/common/NameText.h"
#include "archivers/builtin/codec/ByteOrder.h"

namespace ks {
namespace {

constexpr char kGzipTag[4] = {'G', 'Z', 'I', 'P'};
constexpr char kBzip2Tag[4] = {'B', 'Z', '2', '\0'};

void Put16(std::string& out, std::size_t at, std::uint32_t v) { StoreLe16(&out[at], v); }
void Put32(std::string& out, std::size_t at, std::uint32_t v) { StoreLe32(&out[at], v); }

// Every byte after the checksum field, each as a signed char, summed in 32
// bits (wrapping, as the original's int arithmetic did).
std::uint32_t Checksum(const unsigned char* bytes, std::size_t size) {
  std::uint32_t sum = 0;
  for (std::size_t i = 4; i < size; ++i)
    sum += static_cast<std::uint32_t>(static_cast<std::int32_t>(static_cast<signed char>(bytes[i])));
  return sum;
}

bool EndsWithNoCase(const std::string& text, const char* tail) {
  const std::size_t n = std::strlen(tail);
  if (text.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(text[text.size() - n + i])) != tail[i]) return false;
  return true;
}

// Kinds of file the original writer stores as they are in automatic mode:
// they are compressed already.
bool HasCompressedKindName(const std::string& fileName) {
  static constexpr std::array<const char*, 17> kExtensions = {
      ".arc", ".arj", ".bz2", ".bza", ".cab", ".gz",  ".gza", ".lzh", ".lzs",
      ".pak", ".rar", ".taz", ".tbz", ".tgz", ".z",   ".zip", ".zoo"};
  return std::any_of(kExtensions.begin(), kExtensions.end(),
                     [&](const char* ext) { return EndsWithNoCase(fileName, ext); });
}

}  // namespace

std::string EncodeBgaHeader(const BgaHeader& h) {
  std::string out(kBgaFixedSize, '\0');
  std::memcpy(out.data() + 4, h.method == BgaMethod::Gzip ? kGzipTag : kBzip2Tag, 4);
  Put32(out, 8, h.dataSize);
  Put32(out, 12, h.originalSize);
  Put16(out, 16, h.stamp.date);
  Put16(out, 18, h.stamp.time);
  out[20] = static_cast<char>(h.attributes);
  out[21] = static_cast<char>(h.headerType);
  Put16(out, 22, h.storage);
  Put16(out, 24, static_cast<std::uint32_t>(h.folderPart.size()));
  Put16(out, 26, static_cast<std::uint32_t>(h.filePart.size()));
  out += h.folderPart;
  out += h.filePart;
  Put32(out, 0, Checksum(reinterpret_cast<const unsigned char*>(out.data()), out.size()));
  return out;
}

std::optional<BgaMethod> BgaTagMethod(const unsigned char* tag) {
  if (std::memcmp(tag, kGzipTag, 4) == 0) return BgaMethod::Gzip;
  if (std::memcmp(tag, kBzip2Tag, 4) == 0) return BgaMethod::Bzip2;
  return std::nullopt;
}

std::size_t BgaNameLength(const unsigned char* fixed) {
  return static_cast<std::size_t>(LoadLe16(fixed + 24)) + LoadLe16(fixed + 26);
}

BgaDecode DecodeBgaHeader(const unsigned char* bytes, BgaHeader& h) {
  const auto method = BgaTagMethod(bytes + 4);
  if (!method) return BgaDecode::NotAHeader;
  const std::size_t folderLength = LoadLe16(bytes + 24);
  const std::size_t fileLength = LoadLe16(bytes + 26);
  const std::size_t size = kBgaFixedSize + folderLength + fileLength;
  if (Checksum(bytes, size) != LoadLe32(bytes)) return BgaDecode::BadChecksum;
  h.method = *method;
  h.dataSize = LoadLe32(bytes + 8);
  h.originalSize = LoadLe32(bytes + 12);
  h.stamp = {LoadLe16(bytes + 16), LoadLe16(bytes + 18)};
  h.attributes = bytes[20];
  h.headerType = bytes[21];
  h.storage = LoadLe16(bytes + 22);
  const char* name = reinterpret_cast<const char*>(bytes + kBgaFixedSize);
  h.folderPart.assign(name, folderLength);
  h.filePart.assign(name + folderLength, fileLength);
  return BgaDecode::Ok;
}

bool BgaDataIsRaw(const BgaHeader& h, const std::string& magic) {
  if (h.storage == kBgaStorageStored) return true;
  if (h.dataSize != h.originalSize) return false;
  if (h.storage == kBgaStorageAutomatic && HasCompressedKindName(h.filePart)) return true;
  // Equal sizes leave it open; compressed data starts with its format's
  // signature, and data without one cannot be decompressed anyway.
  const char* signature = h.method == BgaMethod::Gzip ? "\x1F\x8B\x08" : "BZh";
  return magic.size() < 3 || magic.compare(0, 3, signature, 3) != 0;
}

std::string BgaEntryName(const BgaHeader& h) {
  std::string name = StoredNameToUtf8(h.folderPart + h.filePart);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

std::optional<BgaNameParts> BgaStoredName(const std::string& archiveName, bool isFolder,
                                          std::string& why) {
  if (archiveName.find('\\') != std::string::npos) {
    why = "\"\\\" separates folders in these archives and cannot stand in a name";
    return std::nullopt;
  }
  std::string utf8 = archiveName;
  std::replace(utf8.begin(), utf8.end(), '/', '\\');
  const std::optional<std::string> cp932 = Utf8ToCp932Exact(utf8);
  if (!cp932) {
    why = "it holds characters that the Japanese code page (CP932) these archives use cannot store";
    return std::nullopt;
  }
  // Readers take names that are valid UTF-8 as UTF-8: bytes that happen to
  // be both would come back as other characters.
  if (*cp932 != utf8 && IsValidUtf8(*cp932)) {
    why = "its CP932 form would be read back as different UTF-8 text";
    return std::nullopt;
  }
  BgaNameParts parts;
  if (isFolder) {
    parts.folderPart = *cp932 + "\\";
  } else {
    // The byte of "\" is also the second byte of characters such as "表":
    // the last separator is found by walking whole characters.
    std::size_t last = std::string::npos;
    for (std::size_t i = 0; i < cp932->size(); ++i) {
      const unsigned char c = static_cast<unsigned char>((*cp932)[i]);
      if (IsCp932LeadByte(c))
        ++i;
      else if (c == '\\')
        last = i;
    }
    parts.folderPart = last == std::string::npos ? "" : cp932->substr(0, last + 1);
    parts.filePart = last == std::string::npos ? *cp932 : cp932->substr(last + 1);
  }
  if (parts.folderPart.size() > kBgaMaxNamePart || parts.filePart.size() > kBgaMaxNamePart) {
    why = "the name is too long for the archive header";
    return std::nullopt;
  }
  return parts;
}

}  // namespace ks
