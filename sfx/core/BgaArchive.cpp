#include "sfx/core/BgaArchive.h"

#include <cstring>

#include "archivers/builtin/codec/ByteOrder.h"
#include "archivers/builtin/codec/CrcTables.h"
#include "sfx/core/RangeInput.h"

namespace ks::sfx {
namespace {

constexpr std::size_t kFixed = 28;
// The type tags "GZIP" and "BZ2\0" as numbers: a stub that held them as
// text would show readers that scan a program for its archive a false start.
constexpr std::uint32_t kGzipTag = 0x50495A47;
constexpr std::uint32_t kBzip2Tag = 0x00325A42;
constexpr std::uint8_t kAttrFolder = 0x10;
constexpr std::uint16_t kStorageStored = 2;
// gzip header flags.
constexpr unsigned kHeaderCrc = 0x02, kExtra = 0x04, kFileName = 0x08, kComment = 0x10, kReserved = 0xE0;

// The sum of every byte after the checksum field, each a signed char.
std::uint32_t Checksum(const std::uint8_t* bytes, std::size_t size) {
  std::uint32_t sum = 0;
  for (std::size_t i = 4; i < size; ++i) sum += static_cast<std::uint32_t>(static_cast<signed char>(bytes[i]));
  return sum;
}

// Passes decoded bytes on and keeps their gzip CRC-32.
class Crc32Output : public DecodeOutput {
 public:
  explicit Crc32Output(Sink& sink) : sink_(sink) {}
  bool Write(const std::uint8_t* data, std::size_t size) override {
    for (std::size_t i = 0; i < size; ++i) crc_ = ReflectedCrc32Byte(crc_, data[i]);
    return sink_.Write(data, size);
  }
  std::uint32_t crc() const { return ~crc_; }

 private:
  Sink& sink_;
  std::uint32_t crc_ = 0xFFFFFFFFu;
};

class PlainOutput : public DecodeOutput {
 public:
  explicit PlainOutput(Sink& sink) : sink_(sink) {}
  bool Write(const std::uint8_t* data, std::size_t size) override { return sink_.Write(data, size); }

 private:
  Sink& sink_;
};

std::uint32_t TakeLe32(LsbBitReader& in) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(in.Byte()) << (8 * i);
  return v;
}

// Passes over the optional fields of a gzip header. False for flags no
// writer sets.
bool SkipGzipHeader(LsbBitReader& in) {
  if (in.Byte() != 0x1F || in.Byte() != 0x8B || in.Byte() != 8) return false;
  const unsigned flags = in.Byte();
  if (flags & kReserved) return false;
  for (int i = 0; i < 6; ++i) in.Byte();  // time, extra flags, system
  if (flags & kExtra) {
    const unsigned size = in.Byte() | in.Byte() << 8;
    for (unsigned i = 0; i < size && !in.ended(); ++i) in.Byte();
  }
  for (unsigned text : {kFileName, kComment})
    if (flags & text)
      while (in.Byte() != 0 && !in.ended()) {
      }
  if (flags & kHeaderCrc) in.Bits(16);
  return true;
}

}  // namespace

Archive::Step BgaArchive::Next(Entry& entry) {
  const std::uint64_t size = source_.Size();
  if (offset_ == size) return Step::End;
  if (size - offset_ < kFixed || !source_.ReadAt(offset_, header_, kFixed)) return Failed(Fault::Truncated);
  const bool gzip = LoadLe32(header_ + 4) == kGzipTag;
  bzip2_ = LoadLe32(header_ + 4) == kBzip2Tag;
  if (!gzip && !bzip2_) return Failed(Fault::Damaged);
  const std::size_t folderPart = LoadLe16(header_ + 24);
  const std::size_t filePart = LoadLe16(header_ + 26);
  const std::size_t headerSize = kFixed + folderPart + filePart;
  if (!source_.ReadAt(offset_ + kFixed, header_ + kFixed, folderPart + filePart)) return Failed(Fault::Truncated);
  if (Checksum(header_, headerSize) != LoadLe32(header_)) return Failed(Fault::Damaged);
  packed_ = LoadLe32(header_ + 8);
  original_ = LoadLe32(header_ + 12);
  offset_ += headerSize;
  if (size - offset_ < packed_) return Failed(Fault::Truncated);

  entry.name = reinterpret_cast<const char*>(header_ + kFixed);
  entry.nameSize = folderPart + filePart;
  entry.codePage = kCp932;
  // A name without a file part can only be a folder.
  entry.folder = (header_[20] & kAttrFolder) != 0 || filePart == 0;
  if (entry.folder && (packed_ != 0 || original_ != 0)) return Failed(Fault::Damaged);
  entry.size = original_;
  entry.timeKind = TimeKind::DosLocal;
  entry.time = static_cast<std::uint32_t>(LoadLe16(header_ + 16)) << 16 | LoadLe16(header_ + 18);

  // Our writer marks stored data; data of equal size without its method's
  // signature cannot be compressed either.
  raw_ = LoadLe16(header_ + 22) == kStorageStored;
  if (!raw_ && packed_ == original_) {
    std::uint8_t magic[3] = {};
    if (packed_ >= 3 && !source_.ReadAt(offset_, magic, 3)) return Failed(Fault::Truncated);
    raw_ = std::memcmp(magic, bzip2_ ? "BZh" : "\x1F\x8B\x08", 3) != 0;
  }
  if (raw_ && packed_ != original_) return Failed(Fault::Damaged);
  return Step::Entry;
}

Fault BgaArchive::Read(Sink& sink) {
  Fault f = Fault::None;
  if (raw_ || packed_ == 0) {
    RangeInput in(source_, offset_, packed_);
    PlainOutput out(sink);
    f = original_ != packed_ ? Fault::Damaged : CopyStored(in, packed_, out);
  } else if (bzip2_) {
    RangeInput in(source_, offset_, packed_);
    PlainOutput out(sink);
    std::uint64_t produced = 0;
    f = FaultOf(bunzip2_.Run(in, out, original_, produced));
    if (f == Fault::None && produced != original_) f = Fault::Damaged;
  } else {
    f = ReadGzip(sink);
  }
  offset_ += packed_;
  return f;
}

Fault BgaArchive::ReadGzip(Sink& sink) {
  RangeInput in(source_, offset_, packed_);
  LsbBitReader bits(in);
  if (!SkipGzipHeader(bits)) return bits.ended() ? Fault::Truncated : Fault::Damaged;
  Crc32Output out(sink);
  std::uint64_t produced = 0;
  inflate_.Reset();
  const Fault f = FaultOf(inflate_.Run(bits, out, original_, produced));
  if (f != Fault::None) return f;
  bits.AlignToByte();
  const std::uint32_t crc = TakeLe32(bits);
  const std::uint32_t size = TakeLe32(bits);
  if (bits.ended()) return Fault::Truncated;
  return crc == out.crc() && size == original_ && produced == original_ ? Fault::None : Fault::Damaged;
}

Fault BgaArchive::Skip() {
  offset_ += packed_;
  return Fault::None;
}

}  // namespace ks::sfx
