#pragma once
// GZA and BZA archives as a stub reads them: a run of entries, each a
// 28-byte header checked by its byte sum, the CP932 name and the data,
// stored or one gzip member (GZA) or bzip2 stream (BZA), whose CRC and
// size are checked. The archive ends exactly at the end of the file.

#include "sfx/core/Bunzip2.h"
#include "sfx/core/Inflate.h"
#include "sfx/core/StubArchive.h"

namespace ks::sfx {

class BgaArchive : public Archive {
 public:
  explicit BgaArchive(Source& source) : source_(source) {}

  Step Next(Entry& entry) override;
  Fault Read(Sink& sink) override;
  Fault Skip() override;

 private:
  Fault ReadGzip(Sink& sink);

  Source& source_;
  std::uint64_t offset_ = 0;  // of the next header, or of the current entry's data
  std::uint8_t header_[28 + 2 * 0xFFFF];
  bool bzip2_ = false;
  bool raw_ = false;
  std::uint32_t packed_ = 0;
  std::uint32_t original_ = 0;
  Inflate inflate_;
  Bunzip2 bunzip2_;
};

}  // namespace ks::sfx
