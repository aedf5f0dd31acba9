// The stubs' own inflate and bzip2 decoders on streams that zlib and
// libbz2 wrote, whole, cut short and damaged.
#include <bzlib.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include "builtin/lha/DecodeTestSupport.h"
#include "sfx/core/Bunzip2.h"
#include "sfx/core/Inflate.h"

namespace ks::test {
namespace {

Bytes Deflate(const Bytes& data, int level) {
  z_stream z{};
  deflateInit2(&z, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  Bytes out(compressBound(data.size()) + 64);
  z.next_in = const_cast<Bytef*>(data.data());
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

Bytes Bzip2(const Bytes& data, int blockSize) {
  unsigned int size = static_cast<unsigned int>(data.size() * 1.02 + 700);
  Bytes out(size);
  char none = 0;  // libbz2 refuses a null source, also for no data
  char* source = data.empty() ? &none : const_cast<char*>(reinterpret_cast<const char*>(data.data()));
  EXPECT_EQ(BZ2_bzBuffToBuffCompress(reinterpret_cast<char*>(out.data()), &size, source,
                                     static_cast<unsigned int>(data.size()), blockSize, 0, 0),
            BZ_OK);
  out.resize(size);
  return out;
}

struct Result {
  DecodeError error;
  Bytes bytes;
};

Result Inflated(const Bytes& coded, std::uint64_t limit) {
  PieceInput in(coded, 777);
  sfx::LsbBitReader bits(in);
  CollectOutput out;
  sfx::Inflate inflate;
  std::uint64_t produced = 0;
  const DecodeError e = inflate.Run(bits, out, limit, produced);
  if (e == DecodeError::None) {
    EXPECT_EQ(produced, out.bytes.size());
  }
  return {e, out.bytes};
}

Result Bunzipped(const Bytes& coded, std::uint64_t limit) {
  PieceInput in(coded, 777);
  CollectOutput out;
  sfx::Bunzip2 bunzip2;
  std::uint64_t produced = 0;
  const DecodeError e = bunzip2.Run(in, out, limit, produced);
  return {e, out.bytes};
}

std::vector<Bytes> Samples() {
  Bytes far = RandomBytes(30000, 5);
  far.insert(far.end(), far.begin(), far.end());  // matches 30000 bytes back
  return {{}, {'a'}, Bytes(70000, 'z'), TextLike(250000, 1), RandomBytes(40000, 2), far};
}

TEST(StreamDecodersTest, InflateReadsWhatZlibWroteAtEveryLevel) {
  for (const Bytes& data : Samples()) {
    for (int level : {0, 1, 6, 9}) {
      const Result r = Inflated(Deflate(data, level), data.size());
      EXPECT_EQ(r.error, DecodeError::None) << data.size() << " level " << level;
      EXPECT_TRUE(r.bytes == data) << data.size() << " level " << level;
    }
  }
}

TEST(StreamDecodersTest, Bunzip2ReadsWhatLibbz2WroteOverSeveralBlocks) {
  for (const Bytes& data : Samples()) {
    for (int blockSize : {1, 9}) {
      const Result r = Bunzipped(Bzip2(data, blockSize), data.size());
      EXPECT_EQ(r.error, DecodeError::None) << data.size() << " block " << blockSize;
      EXPECT_TRUE(r.bytes == data) << data.size() << " block " << blockSize;
    }
  }
}

TEST(StreamDecodersTest, ShortDamagedOrOverlongStreamsFail) {
  const Bytes text = TextLike(60000, 3);
  const Bytes deflated = Deflate(text, 6);
  const Bytes bzipped = Bzip2(text, 1);
  EXPECT_EQ(Inflated(Bytes(deflated.begin(), deflated.end() - 20), text.size()).error, DecodeError::Truncated);
  EXPECT_EQ(Bunzipped(Bytes(bzipped.begin(), bzipped.end() - 20), text.size()).error, DecodeError::Truncated);
  // More bytes than the entry says it holds.
  EXPECT_EQ(Inflated(deflated, text.size() - 1).error, DecodeError::Damaged);
  EXPECT_EQ(Bunzipped(bzipped, text.size() - 1).error, DecodeError::Damaged);
  // bzip2 blocks carry a CRC: any flipped byte shows.
  for (std::size_t at : {std::size_t{12}, bzipped.size() / 2, bzipped.size() - 8}) {
    Bytes bad = bzipped;
    bad[at] ^= 0x10;
    EXPECT_NE(Bunzipped(bad, text.size()).error, DecodeError::None) << at;
  }
  // A reserved block type and a stored block whose length check fails.
  EXPECT_EQ(Inflated({0x07}, 10).error, DecodeError::Damaged);
  EXPECT_EQ(Inflated({0x01, 0x05, 0x00, 0x05, 0x00, 'a', 'b', 'c', 'd', 'e'}, 10).error, DecodeError::Damaged);
}

}  // namespace
}  // namespace ks::test
