#pragma once
// The LZH archives our Unlha32 back-end writes, as a stub reads them:
// level-2 headers (each checked against its CRC-16), folders as -lhd-,
// data stored (-lh0-) or coded with -lh4- to -lh7- by the back-end's own
// decoder, every file checked against its CRC-16.

#include <memory>
#include <vector>

#include "archivers/builtin/codec/StaticHuffmanDecoder.h"
#include "sfx/core/StubArchive.h"

namespace ks::sfx {

class LzhArchive : public Archive {
 public:
  explicit LzhArchive(Source& source);
  ~LzhArchive() override;

  Step Next(Entry& entry) override;
  Fault Read(Sink& sink) override;
  Fault Skip() override;

 private:
  Step ParseHeader(Entry& entry, std::size_t size);
  StaticHuffmanDecoder* DecoderFor(char level);

  Source& source_;
  std::uint64_t offset_ = 0;  // of the next header, or of the current entry's data
  std::vector<std::uint8_t> header_;
  std::vector<char> name_;
  char method_ = '0';  // the digit or letter of "-lh?-"
  std::uint32_t packed_ = 0;
  std::uint32_t original_ = 0;
  std::uint16_t crc_ = 0;
  // -lh4- to -lh7-, made when first needed: each keeps a window of its size.
  std::unique_ptr<StaticHuffmanDecoder> decoders_[4];
};

}  // namespace ks::sfx
