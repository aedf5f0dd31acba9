#include "archivers/builtin/lha/LzhMacBinary.h"

#include <algorithm>
#include <cstring>

#include "archivers/builtin/codec/ByteOrder.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks {

namespace {

// Offsets in the MacBinary header.
constexpr std::size_t kOldVersion = 0x00;
constexpr std::size_t kNameLength = 0x01;
constexpr std::size_t kName = 0x02;
constexpr std::size_t kNameRoom = 63;
constexpr std::size_t kZeroA = 0x4A;
constexpr std::size_t kZeroB = 0x52;
constexpr std::size_t kDataForkLength = 0x53;
constexpr std::size_t kResourceForkLength = 0x57;
constexpr std::size_t kModified = 0x5F;
constexpr std::size_t kCommentLength = 0x63;  // MacLHA writes no Finder comment
constexpr std::size_t kMacBinary2Area = 0x65;  // MacLHA leaves it empty

// Seconds from 1904, where Mac time starts, to 1970.
constexpr std::uint32_t kMacEpochOffset = 2082844800;
// Mac time is local time; the LZH header's is not. Zones reach 14 hours.
constexpr std::int64_t kLargestZoneOffset = 14 * 60 * 60;

bool AllZero(const std::uint8_t* from, const std::uint8_t* to) {
  return std::all_of(from, to, [](std::uint8_t b) { return b == 0; });
}

// The entry's own name: the last part of the stored name.
std::string LeafName(const std::string& rawName) {
  const std::size_t cut = rawName.find_last_of("/\\");
  return cut == std::string::npos ? rawName : rawName.substr(cut + 1);
}

std::uint64_t PaddedTo128(std::uint64_t size) { return (size + 127) / 128 * 128; }

}  // namespace

bool MayHoldMacBinary(const LzhEntryInfo& info) {
  return info.osId == kLzhOsMac && info.originalSize >= kMacBinaryHeaderSize && info.mtime;
}

std::optional<MacBinaryFork> MacLhaFork(const std::uint8_t* h, const LzhEntryInfo& info) {
  if (!MayHoldMacBinary(info)) return std::nullopt;
  if (h[kOldVersion] != 0 || h[kZeroA] != 0 || h[kZeroB] != 0 ||
      !AllZero(h + kCommentLength, h + kMacBinaryHeaderSize))
    return std::nullopt;
  const std::size_t nameLength = h[kNameLength];
  const std::string name = LeafName(info.rawName);
  if (nameLength == 0 || nameLength > kNameRoom || name.size() != nameLength ||
      std::memcmp(h + kName, name.data(), nameLength) != 0 ||
      !AllZero(h + kName + nameLength, h + kName + kNameRoom))
    return std::nullopt;
  const std::uint64_t data = LoadBe32(h + kDataForkLength);
  const std::uint64_t resource = LoadBe32(h + kResourceForkLength);
  // The forks fill the entry: padded to 128 bytes as a whole, as lhasa
  // finds MacLHA's entries, or each on its own, as MacBinary lays them out.
  const std::uint64_t size = info.originalSize;
  if (PaddedTo128(kMacBinaryHeaderSize + data + resource) != size &&
      kMacBinaryHeaderSize + PaddedTo128(data) + PaddedTo128(resource) != size)
    return std::nullopt;
  const std::uint32_t modified = LoadBe32(h + kModified);
  if (modified < kMacEpochOffset) return std::nullopt;
  const std::int64_t apart = static_cast<std::int64_t>(modified - kMacEpochOffset) - *info.mtime;
  if (apart > kLargestZoneOffset || apart < -kLargestZoneOffset) return std::nullopt;
  // A file with a data fork is its data fork; one without is its resources.
  if (data > 0) return MacBinaryFork{kMacBinaryHeaderSize, data};
  return MacBinaryFork{kMacBinaryHeaderSize, resource};
}

MacBinaryFilter::MacBinaryFilter(const EntryReader::DataSink& sink, const LzhEntryInfo& info)
    : sink_(sink), info_(info) {}

int MacBinaryFilter::Pass(const std::uint8_t* data, std::size_t size, std::uint64_t at) {
  if (!fork_) return sink_(data, size);
  // Only the fork's bytes go on: the header, the padding and the other fork
  // are left out (they still counted for the entry's CRC).
  const std::uint64_t from = std::max(at, fork_->offset);
  const std::uint64_t to = std::min(at + size, fork_->offset + fork_->size);
  if (from >= to) return kArcOk;
  return sink_(data + (from - at), static_cast<std::size_t>(to - from));
}

int MacBinaryFilter::Write(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  if (!decided_) {
    const std::size_t take = std::min(size, kMacBinaryHeaderSize - held_.size());
    held_.append(reinterpret_cast<const char*>(p), take);
    p += take;
    size -= take;
    if (held_.size() < kMacBinaryHeaderSize) return kArcOk;
    decided_ = true;
    const auto* header = reinterpret_cast<const std::uint8_t*>(held_.data());
    fork_ = MacLhaFork(header, info_);
    if (const int r = Pass(header, held_.size(), 0); r != kArcOk) return r;
    position_ = held_.size();
  }
  if (size == 0) return kArcOk;
  const std::uint64_t at = position_;
  position_ += size;
  return Pass(p, size, at);
}


}  // namespace ks
