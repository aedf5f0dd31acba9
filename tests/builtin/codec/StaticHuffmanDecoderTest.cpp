// The static-Huffman decoder on coded data from our encoder and on blocks
// written bit by bit, and how it fails on damaged, short or refused data.
#include <gtest/gtest.h>

#include "archivers/builtin/codec/BitWriter.h"
#include "archivers/builtin/codec/HuffmanDecoder.h"
#include "archivers/builtin/codec/StaticHuffmanDecoder.h"
#include "builtin/lha/DecodeTestSupport.h"

namespace ks {
namespace {

using test::Bytes;

struct Decoded {
  DecodeError error;
  Bytes bytes;
};

Decoded DecodeBytes(const StaticHuffmanFormat& format, const Bytes& coded, std::uint64_t size,
                    std::size_t piece = 1 << 20) {
  StaticHuffmanDecoder decoder(format);
  test::PieceInput in(coded, piece);
  test::CollectOutput out;
  const DecodeError e = decoder.Decode(in, size, out);
  return {e, out.bytes};
}

struct MethodCase {
  LzhMethod method;
  StaticHuffmanFormat format;
};
const MethodCase kMethods[] = {
    {LzhMethod::Lh5, kLh5Huffman}, {LzhMethod::Lh6, kLh6Huffman}, {LzhMethod::Lh7, kLh7Huffman}};

TEST(StaticHuffmanDecoderTest, ReadsBackWhatOurEncoderWroteForEveryWindow) {
  // Sizes around the decoder's chunk (128 KB) and beyond the largest window;
  // repeats 60 KB apart need the whole -lh7- history.
  Bytes far = test::RandomBytes(60 * 1024, 7);
  far.insert(far.end(), far.begin(), far.end());
  const std::vector<Bytes> samples = {
      {},
      {'x'},
      Bytes(100000, 'a'),
      test::TextLike(128 * 1024 - 1, 1),
      test::TextLike(300 * 1024 + 17, 2),
      test::RandomBytes(70000, 3),
      far,
  };
  for (const auto& m : kMethods) {
    for (const auto& data : samples) {
      const Bytes coded = test::EncodeWith(m.method, data);
      const Decoded d = DecodeBytes(m.format, coded, data.size());
      EXPECT_EQ(d.error, DecodeError::None) << MethodInfo(m.method).id << " " << data.size();
      EXPECT_TRUE(d.bytes == data) << MethodInfo(m.method).id << " " << data.size();
    }
  }
}

TEST(StaticHuffmanDecoderTest, InputInTinyPiecesAndOneDecoderForManyEntries) {
  StaticHuffmanDecoder decoder(kLh7Huffman);
  for (std::size_t piece : {1u, 3u, 7u, 8u, 9u, 4096u}) {
    const Bytes data = test::TextLike(20000 + piece, static_cast<unsigned>(piece));
    test::PieceInput in(test::EncodeWith(LzhMethod::Lh7, data), piece);
    test::CollectOutput out;
    ASSERT_EQ(decoder.Decode(in, data.size(), out), DecodeError::None) << piece;
    EXPECT_TRUE(out.bytes == data) << piece;
  }
}

TEST(StaticHuffmanDecoderTest, ArjTakesLh7CodedData) {
  const Bytes data = test::TextLike(90000, 9);
  const Decoded d = DecodeBytes(kArjHuffman, test::EncodeWith(LzhMethod::Lh7, data), data.size());
  EXPECT_EQ(d.error, DecodeError::None);
  EXPECT_TRUE(d.bytes == data);
}

// Writes the three-bit-or-longer lengths of the code-length and position codes.
void PutShortLength(BitWriter& w, unsigned len) {
  if (len < 7) return w.Put(len, 3);
  w.Put(7, 3);
  for (unsigned i = 7; i < len; ++i) w.Put(1, 1);
  w.Put(0, 1);
}

Bytes Finish(BitWriter& w) {
  w.Flush();
  return w.bytes();
}

// A block whose three codes each have only one symbol: no bits per symbol.
void PutSingleSymbolBlock(BitWriter& w, unsigned symbols, unsigned literal, unsigned position,
                          unsigned positionCountBits = 4) {
  w.Put(symbols, 16);
  w.Put(0, 5);
  w.Put(0, 5);
  w.Put(0, 9);
  w.Put(literal, 9);
  w.Put(0, positionCountBits);
  w.Put(position, positionCountBits);
}

TEST(StaticHuffmanDecoderTest, SingleSymbolTablesEmptyBlocksAndTheInitialSpaces) {
  BitWriter w;
  PutSingleSymbolBlock(w, 0, 'X', 0);  // an empty block: its tables, no symbols
  PutSingleSymbolBlock(w, 2, 'Q', 0);  // "QQ"
  // Match of 5 reaching 8 bytes back (position code 3 + 2 bits "11" = 7):
  // before the start the history holds spaces.
  PutSingleSymbolBlock(w, 1, 256 + 5 - 3, 3);
  w.Put(0b11, 2);
  const Decoded d = DecodeBytes(kLh5Huffman, Finish(w), 7);
  EXPECT_EQ(d.error, DecodeError::None);
  EXPECT_EQ(std::string(d.bytes.begin(), d.bytes.end()), "QQ     ");
}

TEST(StaticHuffmanDecoderTest, CodedLengthTablesWithZeroRunsAndIncompleteCodes) {
  BitWriter w;
  w.Put(3, 16);  // three symbols: 'A', 'B', a match
  // Code-length code: symbols 0, 1, 2 and 4 of length 2 (codes 00, 01, 10,
  // 11); symbol 3 is left out by the zero run after the third length.
  w.Put(5, 5);
  PutShortLength(w, 2);
  PutShortLength(w, 2);
  PutShortLength(w, 2);
  w.Put(1, 2);
  PutShortLength(w, 2);
  // Literal code: 257 lengths; 65 zeros (run 20 + 45), 'A' and 'B' of
  // length 2, 189 zeros (20 + 169), symbol 256 (a match of 3) of length 2.
  // Three codes of length 2 leave "11" unused, which is allowed.
  w.Put(257, 9);
  w.Put(0b10, 2);
  w.Put(45, 9);
  w.Put(0b11, 2);
  w.Put(0b11, 2);
  w.Put(0b10, 2);
  w.Put(169, 9);
  w.Put(0b11, 2);
  // Position code: symbols 1 ("0") and 2 ("1").
  w.Put(3, 4);
  PutShortLength(w, 0);
  PutShortLength(w, 1);
  PutShortLength(w, 1);
  w.Put(0b00, 2);  // 'A'
  w.Put(0b01, 2);  // 'B'
  w.Put(0b10, 2);  // match of 3 ...
  w.Put(0b0, 1);   // ... from position symbol 1: two bytes back
  const Decoded d = DecodeBytes(kLh5Huffman, Finish(w), 5);
  EXPECT_EQ(d.error, DecodeError::None);
  EXPECT_EQ(std::string(d.bytes.begin(), d.bytes.end()), "ABABA");
}

TEST(StaticHuffmanDecoderTest, RefusesTablesNoEncoderWrites) {
  {
    // Over-full code-length code: three codes of length 1.
    BitWriter w;
    w.Put(1, 16);
    w.Put(3, 5);
    for (int i = 0; i < 3; ++i) PutShortLength(w, 1);
    w.Put(0, 2);
    EXPECT_EQ(DecodeBytes(kLh5Huffman, Finish(w), 1).error, DecodeError::Damaged);
  }
  {
    // A length of 17 bits.
    BitWriter w;
    w.Put(1, 16);
    w.Put(1, 5);
    PutShortLength(w, 17);
    EXPECT_EQ(DecodeBytes(kLh5Huffman, Finish(w), 1).error, DecodeError::Damaged);
  }
  {
    // Single-symbol literal code naming a symbol past the alphabet.
    BitWriter w;
    PutSingleSymbolBlock(w, 1, 510, 0);
    EXPECT_EQ(DecodeBytes(kLh5Huffman, Finish(w), 1).error, DecodeError::Damaged);
  }
  {
    // -lh5- has 14 position codes; a used 15th would reach past the window.
    BitWriter w;
    w.Put(1, 16);
    w.Put(0, 5);
    w.Put(0, 5);
    w.Put(0, 9);
    w.Put('a', 9);
    w.Put(15, 4);
    for (int i = 0; i < 14; ++i) PutShortLength(w, 0);
    PutShortLength(w, 1);
    EXPECT_EQ(DecodeBytes(kLh5Huffman, Finish(w), 1).error, DecodeError::Damaged);
  }
  {
    // A bit pattern no code starts with (the code-length code is incomplete).
    BitWriter w;
    w.Put(1, 16);
    w.Put(1, 5);
    PutShortLength(w, 1);  // symbol 0 is "0"; "1" is no code
    w.Put(4, 9);
    w.Put(0xFFFF, 16);
    EXPECT_EQ(DecodeBytes(kLh5Huffman, Finish(w), 1).error, DecodeError::Damaged);
  }
}

TEST(StaticHuffmanDecoderTest, ShortDataFailsAndDamageNeverRunsPastTheSize) {
  const Bytes data = test::TextLike(200000, 11);
  for (const auto& m : kMethods) {
    const Bytes coded = test::EncodeWith(m.method, data);
    for (std::size_t cut : {std::size_t{0}, std::size_t{1}, std::size_t{5}, coded.size() / 3, coded.size() - 2}) {
      const Bytes part(coded.begin(), coded.begin() + static_cast<std::ptrdiff_t>(cut));
      const Decoded d = DecodeBytes(m.format, part, data.size());
      EXPECT_NE(d.error, DecodeError::None) << cut;
      EXPECT_LT(d.bytes.size(), data.size()) << cut;
    }
    std::mt19937 gen(5);
    for (int trial = 0; trial < 40; ++trial) {
      Bytes bad = coded;
      bad[gen() % bad.size()] ^= static_cast<std::uint8_t>(1u << (gen() % 8));
      const Decoded d = DecodeBytes(m.format, bad, data.size());
      EXPECT_LE(d.bytes.size(), data.size());
      if (d.error == DecodeError::None) {
        EXPECT_EQ(d.bytes.size(), data.size());
      }
    }
  }
}

TEST(StaticHuffmanDecoderTest, StopsWhenTheOutputRefuses) {
  const Bytes data = test::TextLike(400000, 12);
  StaticHuffmanDecoder decoder(kLh6Huffman);
  test::PieceInput in(test::EncodeWith(LzhMethod::Lh6, data));
  test::CollectOutput out(1);
  EXPECT_EQ(decoder.Decode(in, data.size(), out), DecodeError::OutputStopped);
  EXPECT_LT(out.bytes.size(), data.size());
  EXPECT_EQ(out.emptyWrites, 0);
}

TEST(HuffmanDecoderTest, LongCodesGoThroughTheSecondTable) {
  // Lengths 1, 2, ..., 15, 16, 16: complete, with codes longer than the root.
  std::vector<std::uint8_t> lengths;
  for (std::uint8_t len = 1; len <= 16; ++len) lengths.push_back(len);
  lengths.push_back(16);
  HuffmanDecoder code(8);
  ASSERT_TRUE(code.Build(lengths.data(), lengths.size()));
  BitWriter w;
  // Symbol s (< 16) is s ones then a zero; 15 is fifteen ones and a zero,
  // 16 is sixteen ones.
  for (unsigned s = 0; s < 17; ++s) {
    const unsigned ones = s < 16 ? s : 16;
    for (unsigned i = 0; i < ones; ++i) w.Put(1, 1);
    if (s < 16 && lengths[s] > ones) w.Put(0, 1);
  }
  struct Input : DecodeInput {
    Bytes data;
    bool done = false;
    std::size_t Read(std::uint8_t* b, std::size_t) override {
      if (done) return 0;
      done = true;
      std::copy(data.begin(), data.end(), b);
      return data.size();
    }
  } input;
  input.data = Finish(w);
  std::vector<std::uint8_t> buffer;
  BitReader in(input, buffer);
  for (int s = 0; s < 17; ++s) {
    in.Refill();
    EXPECT_EQ(code.Decode(in), s);
  }
  EXPECT_FALSE(in.Overrun());
  lengths.push_back(16);  // one code too many
  EXPECT_FALSE(code.Build(lengths.data(), lengths.size()));
}

}  // namespace
}  // namespace ks
