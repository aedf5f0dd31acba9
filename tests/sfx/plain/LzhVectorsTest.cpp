// One set of test vectors for both LZH decoders: the back-end's (codec/),
// which the Windows stubs build too, and the DOS stub's portable C one.
// Each vector must come out the same from both: the same bytes, or the
// same kind of failure.
#include <gtest/gtest.h>

#include <optional>

#include "archivers/builtin/codec/BitWriter.h"
#include "archivers/builtin/codec/StaticHuffmanDecoder.h"
#include "builtin/lha/DecodeTestSupport.h"

extern "C" {
#include "sfx/dos/lzhdec.h"
}

namespace ks::test {
namespace {

struct Vector {
  std::string what;
  int method;  // 5 or 6
  Bytes coded;
  std::uint64_t size;
  std::optional<Bytes> expected = std::nullopt;  // what a sound vector decodes to
};

struct Outcome {
  DecodeError error;
  Bytes bytes;
};

Outcome WithCodec(const Vector& v) {
  StaticHuffmanDecoder decoder(v.method == 6 ? kLh6Huffman : kLh5Huffman);
  PieceInput in(v.coded, 1000);
  CollectOutput out;
  const DecodeError e = decoder.Decode(in, v.size, out);
  return {e, out.bytes};
}

struct CInput {
  const Bytes* coded;
  std::size_t at = 0;
  Bytes out;
};

Outcome WithDosDecoder(const Vector& v) {
  CInput ctx{&v.coded, 0, {}};
  lzh_io io;
  io.ctx = &ctx;
  io.read = [](void* c, unsigned char* buf, unsigned size) -> unsigned {
    auto* in = static_cast<CInput*>(c);
    const std::size_t n = std::min<std::size_t>({size, 333, in->coded->size() - in->at});
    std::copy_n(in->coded->begin() + static_cast<long>(in->at), n, buf);
    in->at += n;
    return static_cast<unsigned>(n);
  };
  io.write = [](void* c, unsigned char* buf, unsigned size) -> int {
    auto& out = static_cast<CInput*>(c)->out;
    out.insert(out.end(), buf, buf + size);
    return 1;
  };
  std::vector<unsigned char> window(lzh_window_size(v.method));
  const int r = lzh_decode(v.method, v.size, &io, window.data());
  const DecodeError e = r == LZH_OK ? DecodeError::None
                        : r == LZH_TRUNCATED ? DecodeError::Truncated
                        : r == LZH_DAMAGED ? DecodeError::Damaged
                                           : DecodeError::OutputStopped;
  return {e, ctx.out};
}

// A block whose three codes have one symbol each: no bits per symbol.
void SingleSymbolBlock(BitWriter& w, unsigned symbols, unsigned literal, unsigned position) {
  w.Put(symbols, 16);
  w.Put(0, 5);
  w.Put(0, 5);
  w.Put(0, 9);
  w.Put(literal, 9);
  w.Put(0, 4);
  w.Put(position, 4);
}

std::vector<Vector> Vectors() {
  std::vector<Vector> v;
  Bytes far = RandomBytes(20000, 7);
  far.insert(far.end(), far.begin(), far.end());
  const std::vector<Bytes> samples = {{}, {'x'}, Bytes(100000, 'a'), TextLike(300 * 1024 + 17, 2),
                                      RandomBytes(70000, 3), far};
  for (int method : {5, 6}) {
    for (const Bytes& data : samples) {
      const Bytes coded = EncodeWith(method == 5 ? LzhMethod::Lh5 : LzhMethod::Lh6, data);
      v.push_back({"sample of " + std::to_string(data.size()), method, coded, data.size(), data});
    }
    // Damage: bits flipped through the coded text, and the data cut short.
    const Bytes text = TextLike(50000, 9);
    const Bytes coded = EncodeWith(method == 5 ? LzhMethod::Lh5 : LzhMethod::Lh6, text);
    for (std::size_t at : {std::size_t{0}, std::size_t{1}, std::size_t{3}, std::size_t{20}, coded.size() / 3,
                           coded.size() - 2}) {
      Bytes bad = coded;
      bad[at] ^= 0x5A;
      v.push_back({"flipped at " + std::to_string(at), method, bad, text.size()});
    }
    for (std::size_t keep : {std::size_t{0}, std::size_t{5}, coded.size() / 2, coded.size() - 1})
      v.push_back({"cut to " + std::to_string(keep), method, Bytes(coded.begin(), coded.begin() + keep),
                   text.size()});
  }
  // An empty block, then "QQ", then a match of 5 from 8 back: the history
  // before the first byte reads as spaces.
  BitWriter w;
  SingleSymbolBlock(w, 0, 'X', 0);
  SingleSymbolBlock(w, 2, 'Q', 0);
  SingleSymbolBlock(w, 1, 256 + 5 - 3, 3);
  w.Put(0b11, 2);
  w.Flush();
  v.push_back({"single-symbol blocks", 5, w.bytes(), 7, Bytes{'Q', 'Q', ' ', ' ', ' ', ' ', ' '}});
  // A single symbol out of range, and a count of position codes too large
  // with a length beyond the alphabet.
  BitWriter bad;
  SingleSymbolBlock(bad, 1, 600, 0);
  bad.Flush();
  v.push_back({"symbol out of range", 5, bad.bytes(), 1});
  return v;
}

TEST(LzhVectorsTest, BothDecodersAgreeOnEveryVector) {
  for (const Vector& v : Vectors()) {
    const Outcome codec = WithCodec(v);
    const Outcome dos = WithDosDecoder(v);
    EXPECT_EQ(codec.error, dos.error) << "-lh" << v.method << "- " << v.what;
    if (codec.error == DecodeError::None) {
      EXPECT_TRUE(codec.bytes == dos.bytes) << "-lh" << v.method << "- " << v.what;
    }
    if (v.expected) {
      EXPECT_EQ(dos.error, DecodeError::None) << v.what;
      EXPECT_TRUE(dos.bytes == *v.expected) << "-lh" << v.method << "- " << v.what;
    }
  }
}

}  // namespace
}  // namespace ks::test
