#include "sfx/core/CabArchive.h"

#include <cstring>

#include "archivers/builtin/codec/ByteOrder.h"

namespace ks::sfx {
namespace {

// "MSCF" as a number: the stub must not carry the signature as text, or
// readers that search a program for its cabinet (libarchive) stop there.
constexpr std::uint32_t kSignature = 0x4643534D;
constexpr std::size_t kHeaderSize = 36;
constexpr std::uint16_t kPreviousCabinet = 0x0001;
constexpr std::uint16_t kNextCabinet = 0x0002;
constexpr std::uint16_t kReservePresent = 0x0004;
constexpr std::uint16_t kNameIsUtf8 = 0x80;
constexpr std::uint16_t kMethodMask = 0x000F;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kMsZip = 1;
constexpr std::uint16_t kFirstContinuedFolder = 0xFFFD;  // and up: a file spanning cabinets
constexpr std::size_t kBlockHeader = 8;
constexpr std::size_t kFileFixed = 16;
constexpr std::size_t kMaxName = 256;

// The cabinet checksum: the data as little-endian 32-bit words XORed
// together, the last one to three bytes taken most significant first.
std::uint32_t CabChecksum(const std::uint8_t* p, std::size_t n, std::uint32_t seed) {
  std::uint32_t sum = seed;
  for (; n >= 4; n -= 4, p += 4) sum ^= LoadLe32(p);
  std::uint32_t tail = 0;
  for (std::size_t i = 0; i < n; ++i) tail = tail << 8 | p[i];
  return sum ^ tail;
}

// Collects a block's decoded bytes.
class BlockOutput : public DecodeOutput {
 public:
  explicit BlockOutput(std::vector<std::uint8_t>& block) : block_(block) {}
  bool Write(const std::uint8_t* data, std::size_t size) override {
    block_.insert(block_.end(), data, data + size);
    return true;
  }

 private:
  std::vector<std::uint8_t>& block_;
};

// A data block's bytes from memory.
class MemoryInput : public DecodeInput {
 public:
  MemoryInput(const std::uint8_t* data, std::size_t size) : data_(data), left_(size) {}
  std::size_t Read(std::uint8_t* buffer, std::size_t capacity) override {
    const std::size_t n = left_ < capacity ? left_ : capacity;
    std::memcpy(buffer, data_, n);
    data_ += n;
    left_ -= n;
    return n;
  }

 private:
  const std::uint8_t* data_;
  std::size_t left_;
};

}  // namespace

CabArchive::CabArchive(Source& source) : source_(source) {}
CabArchive::~CabArchive() = default;

Fault CabArchive::ReadDirectory() {
  std::uint8_t h[kHeaderSize + 4];
  if (!source_.ReadAt(0, h, kHeaderSize)) return Fault::Truncated;
  if (LoadLe32(h) != kSignature) return Fault::Damaged;
  const std::uint32_t filesAt = LoadLe32(h + 16);
  const unsigned folders = LoadLe16(h + 26);
  const unsigned files = LoadLe16(h + 28);
  const std::uint16_t flags = LoadLe16(h + 30);
  if (flags & (kPreviousCabinet | kNextCabinet)) return Fault::Unsupported;
  std::uint64_t at = kHeaderSize;
  unsigned folderReserve = 0;
  if (flags & kReservePresent) {
    if (!source_.ReadAt(at, h + kHeaderSize, 4)) return Fault::Truncated;
    folderReserve = h[kHeaderSize + 2];
    blockReserve_ = h[kHeaderSize + 3];
    at += 4 + LoadLe16(h + kHeaderSize);
  }
  for (unsigned i = 0; i < folders; ++i) {
    std::uint8_t f[8];
    if (!source_.ReadAt(at, f, 8)) return Fault::Truncated;
    folders_.push_back({LoadLe32(f), LoadLe16(f + 4), LoadLe16(f + 6)});
    at += 8 + folderReserve;
    // A cabinet cut short shows here, before any file is written.
    std::uint64_t block = folders_.back().firstBlock;
    for (unsigned b = 0; b < folders_.back().blocks; ++b) {
      std::uint8_t d[kBlockHeader];
      if (!source_.ReadAt(block, d, kBlockHeader)) return Fault::Truncated;
      block += kBlockHeader + blockReserve_ + LoadLe16(d + 4);
      if (block > source_.Size()) return Fault::Truncated;
    }
  }
  at = filesAt;
  for (unsigned i = 0; i < files; ++i) {
    std::uint8_t f[kFileFixed + kMaxName + 1];
    const std::uint64_t left = source_.Size() > at ? source_.Size() - at : 0;
    const std::size_t n = left < sizeof f ? static_cast<std::size_t>(left) : sizeof f;
    if (n <= kFileFixed || !source_.ReadAt(at, f, n)) return Fault::Truncated;
    const char* name = reinterpret_cast<const char*>(f + kFileFixed);
    std::size_t nameSize = 0;
    while (kFileFixed + nameSize < n && name[nameSize] != 0) ++nameSize;
    if (kFileFixed + nameSize == n) return Fault::Damaged;  // no end to the name
    const File file{LoadLe32(f),     LoadLe32(f + 4), LoadLe16(f + 8),
                    LoadLe16(f + 10), LoadLe16(f + 12), LoadLe16(f + 14),
                    static_cast<std::uint32_t>(names_.size()), static_cast<std::uint32_t>(nameSize)};
    if (file.folder >= kFirstContinuedFolder) return Fault::Unsupported;
    if (file.folder >= folders) return Fault::Damaged;
    names_.insert(names_.end(), name, name + nameSize);
    files_.push_back(file);
    at += kFileFixed + nameSize + 1;
  }
  return Fault::None;
}

Archive::Step CabArchive::Next(Entry& entry) {
  if (!read_) {
    read_ = true;
    if (const Fault f = ReadDirectory(); f != Fault::None) return Failed(f);
  }
  if (next_ == files_.size()) return Step::End;
  const File& file = files_[next_++];
  entry.name = names_.data() + file.name;
  entry.nameSize = file.nameSize;
  entry.codePage = (file.attributes & kNameIsUtf8) ? kUtf8 : kCp932;
  entry.folder = false;
  entry.size = file.size;
  entry.timeKind = TimeKind::DosLocal;
  entry.time = static_cast<std::uint32_t>(file.date) << 16 | file.time;
  const std::uint16_t method = folders_[file.folder].method & kMethodMask;
  if (method != kStored && method != kMsZip) return Failed(Fault::Unsupported);
  return Step::Entry;
}

void CabArchive::StartFolder(std::uint16_t folder) {
  folder_ = folder;
  broken_ = false;
  position_ = 0;
  blockOffset_ = folders_[folder].firstBlock;
  blocksLeft_ = folders_[folder].blocks;
  block_.clear();
  blockUsed_ = 0;
  inflate_.Reset();
}

Fault CabArchive::NextBlock() {
  if (blocksLeft_ == 0) return Fault::Damaged;  // the files claim more than the folder holds
  --blocksLeft_;
  std::uint8_t h[kBlockHeader];
  if (!source_.ReadAt(blockOffset_, h, kBlockHeader)) return Fault::Truncated;
  const std::uint32_t stored = LoadLe32(h);
  const std::size_t packed = LoadLe16(h + 4);
  const std::size_t size = LoadLe16(h + 6);
  packed_.resize(packed);
  if (!source_.ReadAt(blockOffset_ + kBlockHeader + blockReserve_, packed_.data(), packed)) return Fault::Truncated;
  blockOffset_ += kBlockHeader + blockReserve_ + packed;
  // A checksum of 0 means the writer computed none.
  if (stored != 0 && CabChecksum(h + 4, 4, CabChecksum(packed_.data(), packed, 0)) != stored)
    return Fault::Damaged;

  block_.clear();
  blockUsed_ = 0;
  if ((folders_[folder_].method & kMethodMask) == kStored) {
    if (packed != size) return Fault::Damaged;
    block_.assign(packed_.begin(), packed_.end());
    return Fault::None;
  }
  if (packed < 2 || packed_[0] != 'C' || packed_[1] != 'K') return Fault::Damaged;
  MemoryInput in(packed_.data() + 2, packed - 2);
  LsbBitReader bits(in);
  BlockOutput out(block_);
  std::uint64_t produced = 0;
  const DecodeError e = inflate_.Run(bits, out, size, produced);
  // A block's bytes are all there is: running out of them is damage.
  if (e != DecodeError::None || produced != size) return Fault::Damaged;
  return Fault::None;
}

Fault CabArchive::Take(std::uint32_t size, Sink& sink) {
  while (size > 0) {
    // MSZIP blocks reach back into the blocks before them: after a damaged
    // one, nothing more of the folder can be trusted.
    if (broken_) return Fault::Damaged;
    if (blockUsed_ == block_.size()) {
      if (const Fault f = NextBlock(); f != Fault::None) {
        broken_ = true;
        return f;
      }
      continue;
    }
    std::size_t n = block_.size() - blockUsed_;
    if (n > size) n = size;
    if (!sink.Write(block_.data() + blockUsed_, n)) return Fault::Stopped;
    blockUsed_ += n;
    position_ += static_cast<std::uint32_t>(n);
    size -= static_cast<std::uint32_t>(n);
  }
  return Fault::None;
}

Fault CabArchive::Read(Sink& sink) {
  const File& file = files_[next_ - 1];
  if (folder_ != file.folder || position_ > file.start) StartFolder(file.folder);
  NullSink passed;
  if (const Fault f = Take(file.start - position_, passed); f != Fault::None) return f;
  return Take(file.size, sink);
}

}  // namespace ks::sfx
