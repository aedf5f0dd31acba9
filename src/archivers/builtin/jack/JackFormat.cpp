#include "archivers/builtin/jack/JackFormat.h"

#include <cstring>

#include "archivers/builtin/codec/Checksums.h"

namespace ks {
namespace {

void Put(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint64_t Get(const std::string& in, std::size_t at, int bytes) {
  std::uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i)
    value = (value << 8) | static_cast<unsigned char>(in[at + static_cast<std::size_t>(i)]);
  return value;
}

std::uint32_t CrcOf(const std::string& bytes) {
  Crc32 crc;
  crc.Update(bytes.data(), bytes.size());
  return crc.value();
}

bool FieldsAgree(const JackHeader& h) {
  if (h.pieceCount == 0 || h.pieceNumber == 0 || h.pieceNumber > h.pieceCount) return false;
  if (h.dataOffset > h.totalSize || h.dataSize > h.totalSize - h.dataOffset) return false;
  return IsUsableJackName(h.name);
}

}  // namespace

bool JackHeader::SameSet(const JackHeader& other) const {
  return name == other.name && pieceCount == other.pieceCount && totalSize == other.totalSize &&
         totalCrc == other.totalCrc;
}

std::string EncodeJackHeader(const JackHeader& h) {
  std::string out(kJackSignature, kJackSignatureSize);
  Put(out, kJackVersion, 1);
  Put(out, h.flags, 1);
  Put(out, h.headerSize(), 2);
  Put(out, h.pieceNumber, 4);
  Put(out, h.pieceCount, 4);
  Put(out, h.dataSize, 8);
  Put(out, h.dataOffset, 8);
  Put(out, h.totalSize, 8);
  Put(out, h.totalCrc, 4);
  Put(out, h.dataCrc, 4);
  Put(out, h.name.size(), 2);
  out += h.name;
  Put(out, CrcOf(out), 4);
  return out;
}

JackHeaderRead ReadJackHeader(std::FILE* file) {
  JackHeaderRead read;
  std::string bytes(kJackFixedHeaderSize - 4, '\0');
  const std::size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
  if (got < kJackSignatureSize || std::memcmp(bytes.data(), kJackSignature, kJackSignatureSize) != 0)
    return read;  // NotJack
  read.status = JackHeaderStatus::Truncated;
  if (got < bytes.size()) return read;
  const std::size_t nameSize = Get(bytes, 61, 2);
  std::string rest(nameSize + 4, '\0');
  if (std::fread(rest.data(), 1, rest.size(), file) != rest.size()) return read;
  bytes += rest.substr(0, nameSize);
  if (CrcOf(bytes) != Get(rest, nameSize, 4)) {
    read.status = JackHeaderStatus::BadChecksum;
    return read;
  }
  if (Get(bytes, 17, 1) != kJackVersion) {
    read.status = JackHeaderStatus::BadVersion;
    return read;
  }
  JackHeader& h = read.header;
  h.flags = static_cast<std::uint8_t>(Get(bytes, 18, 1));
  h.pieceNumber = static_cast<std::uint32_t>(Get(bytes, 21, 4));
  h.pieceCount = static_cast<std::uint32_t>(Get(bytes, 25, 4));
  h.dataSize = Get(bytes, 29, 8);
  h.dataOffset = Get(bytes, 37, 8);
  h.totalSize = Get(bytes, 45, 8);
  h.totalCrc = static_cast<std::uint32_t>(Get(bytes, 53, 4));
  h.dataCrc = static_cast<std::uint32_t>(Get(bytes, 57, 4));
  h.name = bytes.substr(63, nameSize);
  const bool lengthAgrees = Get(bytes, 19, 2) == h.headerSize();
  read.status = lengthAgrees && FieldsAgree(h) ? JackHeaderStatus::Ok : JackHeaderStatus::BadFields;
  return read;
}

JackHeaderRead ReadJackHeader(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return {};
  JackHeaderRead read = ReadJackHeader(file);
  std::fclose(file);
  return read;
}

std::string DescribeJackStatus(JackHeaderStatus status) {
  switch (status) {
    case JackHeaderStatus::Ok: return "a sound piece";
    case JackHeaderStatus::NotJack: return "not a Jack piece";
    case JackHeaderStatus::Truncated: return "the piece ends inside its header";
    case JackHeaderStatus::BadChecksum: return "the piece header is damaged";
    case JackHeaderStatus::BadVersion: return "a piece format this version does not read";
    case JackHeaderStatus::BadFields: return "the piece header does not add up";
  }
  return "unknown";
}

bool IsUsableJackName(const std::string& name) {
  if (name.empty() || name.size() > kJackMaxNameSize || name == "." || name == "..") return false;
  for (unsigned char c : name)
    if (c < 0x20 || c == 0x7F || c == '/' || c == '\\') return false;
  return true;
}

int JackNumberWidth(std::uint32_t count) {
  int digits = 1;
  for (std::uint32_t n = count; n >= 10; n /= 10) ++digits;
  return digits < 3 ? 3 : digits;
}

std::string JackPieceName(const std::string& name, std::uint32_t number, std::uint32_t count) {
  std::string digits = std::to_string(number);
  const auto width = static_cast<std::size_t>(JackNumberWidth(count));
  if (digits.size() < width) digits.insert(0, width - digits.size(), '0');
  return name + "." + digits;
}

std::string JackScriptName(const std::string& name) { return name + ".join.sh"; }

}  // namespace ks
