#include "archivers/builtin/ish/IshHeader.h"

#include "archivers/builtin/common/DosTime.h"
#include "archivers/builtin/codec/ByteOrder.h"

namespace ks {
namespace {

// Header fields by byte offset.
constexpr std::size_t kVolume = 1;
constexpr std::size_t kSize = 2;
constexpr std::size_t kLength = 6;
constexpr std::size_t kLengthLess1 = 8;
constexpr std::size_t kBits = 10;
constexpr std::size_t kCode = 11;
constexpr std::size_t kName = 12;
constexpr std::size_t kNameLength = 11;
constexpr std::size_t kOs = 24;
constexpr std::size_t kHasTime = 25;
constexpr std::size_t kKind = 26;
constexpr std::size_t kTime = 27;

constexpr std::uint8_t kKindSingle = 3;
constexpr std::uint8_t kKindVolume = 0x1F;
constexpr std::uint8_t kOsUnix = 0x30;

std::uint32_t Le32(const IshRecord& r, std::size_t at) { return LoadLe32(&r[at]); }

void PutLe(IshRecord& r, std::size_t at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) r[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

std::uint8_t IshHeaderCode(IshEncoding encoding) {
  switch (encoding) {
    case IshEncoding::Jis7:
      return 13;
    case IshEncoding::Jis8:
      return 8;
    case IshEncoding::ShiftJis:
      return 15;
    case IshEncoding::NonKana:
      return 14;
  }
  return 0;
}

std::optional<IshEncoding> IshHeader::encoding() const {
  for (IshEncoding e : {IshEncoding::Jis7, IshEncoding::Jis8, IshEncoding::ShiftJis,
                        IshEncoding::NonKana})
    if (code == IshHeaderCode(e) && recordLength == IshRecordLength(e)) return e;
  return std::nullopt;
}

std::optional<IshHeader> ReadIshHeaderLine(std::string_view line) {
  if (line.empty() || (line[0] != '!' && line[0] != '#')) return std::nullopt;
  auto record = DecodeIshLine(line[0] == '!' ? IshEncoding::Jis7 : IshEncoding::Jis8, line);
  if (!record || !IshRecordSound(*record) || (*record)[0] != 0) return std::nullopt;
  const IshRecord& r = *record;
  IshHeader h;
  h.volume = r[kVolume];
  h.size = Le32(r, kSize);
  h.recordLength = static_cast<std::uint16_t>(r[kLength] | r[kLength + 1] << 8);
  h.code = r[kCode];
  h.shortName.assign(reinterpret_cast<const char*>(&r[kName]), kNameLength);
  h.os = r[kOs];
  h.hasTime = r[kHasTime] != 0;
  h.dosTime = Le32(r, kTime);
  h.multiVolume = h.volume != 0 || r[kKind] == kKindVolume;
  h.record = std::move(*record);
  return h;
}

IshRecord MakeIshHeaderRecord(IshEncoding encoding, std::uint32_t size,
                              const std::string& shortName11, std::uint32_t dosTime,
                              std::uint8_t volume) {
  IshRecord r(IshRecordLength(encoding == IshEncoding::Jis8 ? IshEncoding::Jis8 : IshEncoding::Jis7), 0);
  const auto length = static_cast<std::uint32_t>(IshRecordLength(encoding));
  r[kVolume] = volume;
  PutLe(r, kSize, size, 4);
  PutLe(r, kLength, length, 2);
  PutLe(r, kLengthLess1, length - 1, 2);
  r[kBits] = encoding == IshEncoding::Jis8 ? 8 : 16;
  r[kCode] = IshHeaderCode(encoding);
  for (std::size_t i = 0; i < kNameLength; ++i)
    r[kName + i] = static_cast<std::uint8_t>(i < shortName11.size() ? shortName11[i] : ' ');
  r[kOs] = kOsUnix;
  r[kHasTime] = 1;
  r[kKind] = volume != 0 ? kKindVolume : kKindSingle;
  PutLe(r, kTime, dosTime, 4);
  SealIshRecord(r);
  return r;
}

std::optional<std::string> IshTitleName(std::string_view line) {
  const std::size_t open = line.find("<<< ");
  if (open == std::string_view::npos) return std::nullopt;
  const std::size_t start = open + 4;
  const std::size_t use = line.find(" ( use ", start);
  if (use == std::string_view::npos) return std::nullopt;
  // The name may hold " for " itself; the last one before " ( use " is the
  // one the title put there.
  const std::string_view head = line.substr(start, use - start);
  const std::size_t forAt = head.rfind(" for ");
  if (forAt == std::string_view::npos || forAt == 0) return std::nullopt;
  return std::string(head.substr(0, forAt));
}

bool IshIsPartLine(std::string_view line) {
  const std::size_t at = line.find("<<< Part ");
  if (at == std::string_view::npos) return false;
  std::size_t i = at + 9;
  auto digits = [&] {
    const std::size_t from = i;
    while (i < line.size() && line[i] >= '0' && line[i] <= '9') ++i;
    return i > from;
  };
  if (!digits() || i >= line.size() || line[i] != '/') return false;
  ++i;
  return digits();
}

std::optional<std::int64_t> IshFileTime(const IshHeader& header) {
  if (!header.hasTime) return std::nullopt;
  return DosToUnixTime({static_cast<std::uint16_t>(header.dosTime >> 16),
                        static_cast<std::uint16_t>(header.dosTime & 0xFFFF)});
}

std::uint32_t IshDosTime(std::int64_t seconds) {
  const DosDateTime stamp = UnixToDosTime(seconds);
  return std::uint32_t{stamp.date} << 16 | stamp.time;
}

}  // namespace ks
