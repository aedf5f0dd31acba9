#include "sfx/core/LzhArchive.h"

#include "archivers/builtin/codec/ByteOrder.h"
#include "archivers/builtin/codec/LzhCrc16.h"
#include "sfx/core/RangeInput.h"

namespace ks::sfx {
namespace {

constexpr std::size_t kFirstExtended = 24;  // where the first extended header's size stands
constexpr std::size_t kMinHeader = kFirstExtended + 2;
constexpr std::uint8_t kExtHeaderCrc = 0x00;
constexpr std::uint8_t kExtFileName = 0x01;
constexpr std::uint8_t kExtFolderName = 0x02;
constexpr std::uint8_t kExtCodePage = 0x46;
constexpr std::uint8_t kFolderSeparator = 0xFF;

const StaticHuffmanFormat kFormats[4] = {kLh4Huffman, kLh5Huffman, kLh6Huffman, kLh7Huffman};

// Passes decoded bytes on and keeps their CRC-16.
class CheckedOutput : public DecodeOutput {
 public:
  explicit CheckedOutput(Sink& sink) : sink_(sink) {}
  bool Write(const std::uint8_t* data, std::size_t size) override {
    crc_.Update(data, size);
    return sink_.Write(data, size);
  }
  std::uint16_t crc() const { return crc_.value(); }

 private:
  Sink& sink_;
  LzhCrc16 crc_;
};

}  // namespace

LzhArchive::LzhArchive(Source& source) : source_(source) {}
LzhArchive::~LzhArchive() = default;

Archive::Step LzhArchive::Next(Entry& entry) {
  std::uint8_t first[2];
  if (!source_.ReadAt(offset_, first, 1)) return Failed(Fault::Truncated);
  if (first[0] == 0) return Step::End;
  if (!source_.ReadAt(offset_, first, 2)) return Failed(Fault::Truncated);
  const std::size_t size = LoadLe16(first);
  if (size < kMinHeader) return Failed(Fault::Damaged);
  header_.resize(size);
  if (!source_.ReadAt(offset_, header_.data(), size)) return Failed(Fault::Truncated);
  return ParseHeader(entry, size);
}

Archive::Step LzhArchive::ParseHeader(Entry& entry, std::size_t size) {
  const std::uint8_t* h = header_.data();
  if (h[20] != 2) return Failed(Fault::Unsupported);
  if (h[2] != '-' || h[3] != 'l' || h[4] != 'h' || h[6] != '-') return Failed(Fault::Unsupported);
  method_ = static_cast<char>(h[5]);
  packed_ = LoadLe32(h + 7);
  original_ = LoadLe32(h + 11);
  crc_ = LoadLe16(h + 21);

  // Extended headers: 2-byte size (counting itself and the type), type, data.
  const std::uint8_t* file = nullptr;
  const std::uint8_t* folder = nullptr;
  std::size_t fileSize = 0, folderSize = 0;
  std::uint32_t codePage = kCp932;
  std::size_t at = kFirstExtended;
  for (;;) {
    if (at + 2 > size) return Failed(Fault::Damaged);
    const std::size_t ext = LoadLe16(h + at);
    if (ext == 0) break;
    if (ext < 3 || at + ext + 2 > size) return Failed(Fault::Damaged);
    const std::uint8_t* data = h + at + 3;
    const std::size_t dataSize = ext - 3;
    switch (h[at + 2]) {
      case kExtHeaderCrc:
        if (dataSize < 2) return Failed(Fault::Damaged);
        {
          const std::uint16_t stored = LoadLe16(data);
          header_[at + 3] = header_[at + 4] = 0;
          if (LzhCrc16Of(h, size) != stored) return Failed(Fault::Damaged);
          StoreLe16(&header_[at + 3], stored);
        }
        break;
      case kExtFileName: file = data; fileSize = dataSize; break;
      case kExtFolderName: folder = data; folderSize = dataSize; break;
      case kExtCodePage:
        if (dataSize >= 4) codePage = LoadLe32(data);
        break;
      default: break;
    }
    at += ext;
  }
  name_.resize(folderSize + fileSize + 1);
  for (std::size_t i = 0; i < folderSize; ++i)
    name_[i] = folder[i] == kFolderSeparator ? '\\' : static_cast<char>(folder[i]);
  for (std::size_t i = 0; i < fileSize; ++i) name_[folderSize + i] = static_cast<char>(file[i]);
  entry.name = name_.data();
  entry.nameSize = folderSize + fileSize;
  entry.codePage = codePage;
  entry.folder = method_ == 'd';
  entry.size = entry.folder ? 0 : original_;
  entry.timeKind = TimeKind::Unix;
  entry.time = LoadLe32(h + 15);
  offset_ += size;
  if (entry.folder ? packed_ != 0 : method_ != '0' && (method_ < '4' || method_ > '7'))
    return Failed(entry.folder ? Fault::Damaged : Fault::Unsupported);
  if (method_ == '0' && packed_ != original_) return Failed(Fault::Damaged);
  return Step::Entry;
}

StaticHuffmanDecoder* LzhArchive::DecoderFor(char level) {
  std::unique_ptr<StaticHuffmanDecoder>& d = decoders_[level - '4'];
  if (!d) d = std::make_unique<StaticHuffmanDecoder>(kFormats[level - '4']);
  return d.get();
}

Fault LzhArchive::Read(Sink& sink) {
  CheckedOutput out(sink);
  RangeInput in(source_, offset_, packed_);
  Fault f = Fault::None;
  if (method_ == '0') f = CopyStored(in, original_, out);
  else if (method_ != 'd') f = FaultOf(DecoderFor(method_)->Decode(in, original_, out));
  offset_ += packed_;
  if (f == Fault::None && out.crc() != crc_) f = Fault::Damaged;
  return f;
}

Fault LzhArchive::Skip() {
  if (offset_ + packed_ > source_.Size()) return Fault::Truncated;
  offset_ += packed_;
  return Fault::None;
}

}  // namespace ks::sfx
