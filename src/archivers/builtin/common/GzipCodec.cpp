// gzip members through zlib, which checks each member's CRC-32 and length.
#include <zlib.h>

#include "archivers/builtin/common/StreamCodec.h"

namespace ks {
namespace {

class GzipCodec : public StreamCodec {
 public:
  ~GzipCodec() override {
    if (ready_) inflateEnd(&z_);
  }
  const char* name() const override { return "gzip"; }
  std::size_t signatureSize() const override { return 2; }
  bool IsStart(const unsigned char* p) const override { return p[0] == 0x1f && p[1] == 0x8b; }

  bool Begin() override {
    if (ready_) return inflateReset(&z_) == Z_OK;
    ready_ = inflateInit2(&z_, 16 + MAX_WBITS) == Z_OK;
    return ready_;
  }

  Result Decode(const unsigned char*& in, std::size_t& inLeft, unsigned char*& out, std::size_t& outLeft,
                std::string& why) override {
    z_.next_in = const_cast<Bytef*>(in);
    z_.avail_in = static_cast<uInt>(inLeft);
    z_.next_out = out;
    z_.avail_out = static_cast<uInt>(outLeft);
    const int r = inflate(&z_, Z_NO_FLUSH);
    in = z_.next_in;
    inLeft = z_.avail_in;
    out = z_.next_out;
    outLeft = z_.avail_out;
    if (r == Z_STREAM_END) return Result::End;
    if (r == Z_OK || r == Z_BUF_ERROR) return Result::Ok;
    why = z_.msg ? z_.msg : "bad data";
    // The member's CRC-32 and length come last; any other error is met
    // where the coded data stops making sense.
    const bool trailer = why == "incorrect data check" || why == "incorrect length check";
    return trailer ? Result::Damaged : Result::Undecodable;
  }

 private:
  z_stream z_{};
  bool ready_ = false;
};

}  // namespace

std::unique_ptr<StreamCodec> MakeGzipCodec() { return std::make_unique<GzipCodec>(); }

}  // namespace ks
