// bzip2 streams through libbz2, which checks each block's and the whole
// stream's CRC.
#include <bzlib.h>

#include "archivers/builtin/common/StreamCodec.h"

namespace ks {
namespace {

class Bzip2Codec : public StreamCodec {
 public:
  ~Bzip2Codec() override {
    if (ready_) BZ2_bzDecompressEnd(&s_);
  }
  const char* name() const override { return "bzip2"; }
  std::size_t signatureSize() const override { return 4; }
  bool IsStart(const unsigned char* p) const override {
    return p[0] == 'B' && p[1] == 'Z' && p[2] == 'h' && p[3] >= '1' && p[3] <= '9';
  }

  bool Begin() override {
    if (ready_) BZ2_bzDecompressEnd(&s_);
    s_ = bz_stream{};
    ready_ = BZ2_bzDecompressInit(&s_, 0, 0) == BZ_OK;
    return ready_;
  }

  Result Decode(const unsigned char*& in, std::size_t& inLeft, unsigned char*& out, std::size_t& outLeft,
                std::string& why) override {
    s_.next_in = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
    s_.avail_in = static_cast<unsigned>(inLeft);
    s_.next_out = reinterpret_cast<char*>(out);
    s_.avail_out = static_cast<unsigned>(outLeft);
    const int r = BZ2_bzDecompress(&s_);
    in = reinterpret_cast<const unsigned char*>(s_.next_in);
    inLeft = s_.avail_in;
    out = reinterpret_cast<unsigned char*>(s_.next_out);
    outLeft = s_.avail_out;
    if (r == BZ_STREAM_END) return Result::End;
    if (r == BZ_OK) return Result::Ok;
    why = r == BZ_DATA_ERROR ? "a block fails its CRC or is damaged"
          : r == BZ_DATA_ERROR_MAGIC ? "a stream has no valid header"
          : r == BZ_MEM_ERROR ? "not enough memory"
                              : "bad data";
    return Result::Damaged;
  }

 private:
  bz_stream s_{};
  bool ready_ = false;
};

}  // namespace

std::unique_ptr<StreamCodec> MakeBzip2Codec() { return std::make_unique<Bzip2Codec>(); }

}  // namespace ks
