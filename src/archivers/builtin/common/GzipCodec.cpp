// gzip members through ISA-L's inflate, which checks each member's CRC-32
// and length and decodes a good deal faster than zlib: a tar.gz is one
// stream, decoded on one thread, and that thread sets the pace of the whole
// extraction.
#include <isa-l/igzip_lib.h>

#include <algorithm>
#include <cstdint>

#include "archivers/builtin/common/StreamCodec.h"

namespace ks {
namespace {

const char* Why(int r) {
  switch (r) {
    case ISAL_INVALID_BLOCK: return "invalid block type";
    case ISAL_INVALID_SYMBOL: return "invalid code";
    case ISAL_INVALID_LOOKBACK: return "invalid distance too far back";
    case ISAL_INVALID_WRAPPER: return "incorrect header";
    case ISAL_UNSUPPORTED_METHOD: return "unknown compression method";
    default: return "bad data";
  }
}

class GzipCodec : public StreamCodec {
 public:
  const char* name() const override { return "gzip"; }
  std::size_t signatureSize() const override { return 2; }
  bool IsStart(const unsigned char* p) const override { return p[0] == 0x1f && p[1] == 0x8b; }

  bool Begin() override {
    isal_inflate_init(&s_);
    s_.crc_flag = ISAL_GZIP;
    return true;
  }

  Result Decode(const unsigned char*& in, std::size_t& inLeft, unsigned char*& out, std::size_t& outLeft,
                std::string& why) override {
    // ISA-L counts in 32 bits; a larger stretch is taken in turns.
    const auto inTurn = static_cast<std::uint32_t>(std::min<std::size_t>(inLeft, UINT32_MAX));
    const auto outTurn = static_cast<std::uint32_t>(std::min<std::size_t>(outLeft, UINT32_MAX));
    s_.next_in = const_cast<std::uint8_t*>(in);
    s_.avail_in = inTurn;
    s_.next_out = out;
    s_.avail_out = outTurn;
    const int r = isal_inflate(&s_);
    inLeft -= inTurn - s_.avail_in;
    in = s_.next_in;
    outLeft -= outTurn - s_.avail_out;
    out = s_.next_out;
    // The member's CRC-32 and length come last; any other error is met
    // where the coded data stops making sense.
    if (r == ISAL_INCORRECT_CHECKSUM) {
      why = "incorrect data check";
      return Result::Damaged;
    }
    if (r < 0) {
      why = Why(r);
      return Result::Undecodable;
    }
    return s_.block_state == ISAL_BLOCK_FINISH ? Result::End : Result::Ok;
  }

 private:
  inflate_state s_{};
};

}  // namespace

std::unique_ptr<StreamCodec> MakeGzipCodec() { return std::make_unique<GzipCodec>(); }

}  // namespace ks
