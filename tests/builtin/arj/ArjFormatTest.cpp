// ARJ headers read from bytes, and the method 4 decoder on streams written
// code by code.
#include <gtest/gtest.h>

#include "archivers/builtin/arj/ArjFastest.h"
#include "archivers/builtin/arj/ArjHeader.h"
#include "archivers/builtin/common/DosTime.h"
#include "builtin/arj/ArjTestSupport.h"
#include "builtin/lha/DecodeTestSupport.h"

namespace ks {
namespace {

using test::ArjBytes;

ArjHeaderError Parse(const ArjBytes& basic, ArjHeader& h) {
  return ParseArjBasicHeader(basic.data(), basic.size(), h);
}

TEST(ArjHeaderTest, ReadsEveryFieldOfALocalHeader) {
  const ArjBytes basic =
      test::ArjBasic(0, 0x11, 3, 1, 0x12345678, 1000, 2000, 0xCAFEBABE, 0x21, "dir/file.txt", "a comment");
  ArjHeader h;
  ASSERT_EQ(Parse(basic, h), ArjHeaderError::None);
  EXPECT_EQ(h.hostOs, 0);
  EXPECT_TRUE(h.Has(kArjGarbled));
  EXPECT_TRUE(h.Has(kArjPathSym));
  EXPECT_FALSE(h.Has(kArjVolume));
  EXPECT_EQ(h.method, 3);
  EXPECT_EQ(h.type(), ArjFileType::Text);
  EXPECT_EQ(h.time, 0x12345678u);
  EXPECT_EQ(h.compressedSize, 1000u);
  EXPECT_EQ(h.originalSize, 2000u);
  EXPECT_EQ(h.crc, 0xCAFEBABEu);
  EXPECT_EQ(h.mode, 0x21);
  EXPECT_EQ(h.name, "dir/file.txt");
  EXPECT_EQ(h.comment, "a comment");

  // ARJ 3 writes 46-byte fixed parts: the name starts after them.
  ArjBytes longer = basic;
  longer[0] = 46;
  longer.insert(longer.begin() + 30, 16, 0xEE);
  ASSERT_EQ(Parse(longer, h), ArjHeaderError::None);
  EXPECT_EQ(h.name, "dir/file.txt");
  EXPECT_EQ(h.comment, "a comment");
}

TEST(ArjHeaderTest, RefusesSizesThatCannotBe) {
  ArjHeader h;
  ArjBytes basic = test::ArjBasic(2, 0, 0, 0, 0, 0, 0, 0, 0, "name");
  ArjBytes shortFixed = basic;
  shortFixed[0] = 29;
  EXPECT_EQ(Parse(shortFixed, h), ArjHeaderError::BadSize);
  ArjBytes pastEnd = basic;
  pastEnd[0] = static_cast<std::uint8_t>(basic.size());
  EXPECT_EQ(Parse(pastEnd, h), ArjHeaderError::BadSize);
  // A name without its NUL runs off the header.
  ArjBytes noNul(basic.begin(), basic.begin() + 34);
  EXPECT_EQ(Parse(noNul, h), ArjHeaderError::BadSize);
  EXPECT_EQ(Parse(ArjBytes(20, 30), h), ArjHeaderError::BadSize);
  EXPECT_EQ(Parse(ArjBytes(2601, 30), h), ArjHeaderError::BadSize);
  // A comment cut by the header's end is kept as far as it goes.
  ArjBytes cutComment = basic;
  cutComment.pop_back();
  cutComment.insert(cutComment.end(), {'h', 'i'});
  ASSERT_EQ(Parse(cutComment, h), ArjHeaderError::None);
  EXPECT_EQ(h.comment, "hi");
}

TEST(ArjHeaderTest, CrcMatchesOnlyItsOwnBytes) {
  const ArjBytes basic = test::ArjBasic(2, 0, 0, 0, 0, 0, 0, 0, 0, "name");
  const std::uint32_t crc = test::CrcOf(basic);
  EXPECT_TRUE(ArjCrcMatches(basic.data(), basic.size(), crc));
  EXPECT_FALSE(ArjCrcMatches(basic.data(), basic.size(), crc ^ 0x80000000u));
  EXPECT_FALSE(ArjCrcMatches(basic.data(), basic.size() - 1, crc));
}

TEST(ArjHeaderTest, UnixSpecialHeadersOfEveryKind) {
  ArjUnixSpecial s;
  // As arj writes them: "U", a byte, kind << 5 | length, the link text.
  const ArjBytes sym = {'U', 0, 0x41, 'f'};
  ASSERT_TRUE(ParseArjUnixSpecial(sym.data(), sym.size(), s));
  EXPECT_EQ(s.kind, ArjUnixSpecial::Kind::SymLink);
  EXPECT_EQ(s.target, "f");
  const ArjBytes hard = {'U', 0, 0x23, 'a', '/', 'b'};
  ASSERT_TRUE(ParseArjUnixSpecial(hard.data(), hard.size(), s));
  EXPECT_EQ(s.kind, ArjUnixSpecial::Kind::HardLink);
  EXPECT_EQ(s.target, "a/b");
  const ArjBytes fifo = {'U', 0, 0x00};
  ASSERT_TRUE(ParseArjUnixSpecial(fifo.data(), fifo.size(), s));
  EXPECT_EQ(s.kind, ArjUnixSpecial::Kind::Fifo);
  const ArjBytes device = {'U', 0, 0x62, 1, 2};
  ASSERT_TRUE(ParseArjUnixSpecial(device.data(), device.size(), s));
  EXPECT_EQ(s.kind, ArjUnixSpecial::Kind::Device);

  // Lengths of 31 and more follow as a 2-byte number.
  const std::string target(300, 'x');
  ArjBytes longLink = {'U', 0, 0x5F};
  test::PutLe(longLink, static_cast<std::uint32_t>(target.size()), 2);
  longLink.insert(longLink.end(), target.begin(), target.end());
  ASSERT_TRUE(ParseArjUnixSpecial(longLink.data(), longLink.size(), s));
  EXPECT_EQ(s.target, target);

  // Too short, not "U", a length past the end, a link without text.
  ArjBytes cut = longLink;
  cut.pop_back();
  EXPECT_FALSE(ParseArjUnixSpecial(cut.data(), cut.size(), s));
  const ArjBytes other = {'E', 0, 0x41, 'f'};
  EXPECT_FALSE(ParseArjUnixSpecial(other.data(), other.size(), s));
  const ArjBytes over = {'U', 0, 0x45, 'f'};
  EXPECT_FALSE(ParseArjUnixSpecial(over.data(), over.size(), s));
  const ArjBytes empty = {'U', 0, 0x40};
  EXPECT_FALSE(ParseArjUnixSpecial(empty.data(), empty.size(), s));
  EXPECT_FALSE(ParseArjUnixSpecial(sym.data(), 2, s));
}

TEST(ArjHeaderTest, TimeAndPermissionsFollowTheHost) {
  ArjHeader unix;
  unix.hostOs = kArjHostUnix;
  unix.time = 0xF0000000u;  // past 2038: read unsigned
  unix.mode = 0x11ED;       // arj keeps kind bits above the permissions
  EXPECT_EQ(ArjModifiedTime(unix), std::optional<std::int64_t>(0xF0000000LL));
  EXPECT_EQ(ArjPermissions(unix), std::optional<unsigned>(0755));

  // DOS hosts: date in the high half, time in the low half.
  ArjHeader dos;
  dos.hostOs = kArjHostMsDos;
  const DosDateTime stamp{static_cast<std::uint16_t>((44 << 9) | (5 << 5) | 6),
                          static_cast<std::uint16_t>((7 << 11) | (8 << 5) | 4)};
  dos.time = static_cast<std::uint32_t>(stamp.date) << 16 | stamp.time;
  ASSERT_TRUE(ArjModifiedTime(dos).has_value());
  EXPECT_EQ(ArjModifiedTime(dos), DosToUnixTime(stamp));
  dos.time = 0;  // no date at all
  EXPECT_FALSE(ArjModifiedTime(dos).has_value());

  dos.mode = 0x20;  // archive bit only
  EXPECT_FALSE(ArjPermissions(dos).has_value());
  dos.mode = 0x21;  // read-only file
  EXPECT_EQ(ArjPermissions(dos), std::optional<unsigned>(0444));
  dos.fileType = static_cast<std::uint8_t>(ArjFileType::Directory);
  dos.mode = 0x11;  // a read-only folder stays writable
  EXPECT_FALSE(ArjPermissions(dos).has_value());
  dos.hostOs = 11;  // Windows: DOS attributes too
  dos.fileType = 0;
  EXPECT_EQ(ArjPermissions(dos), std::optional<unsigned>(0444));
}

struct Decoded {
  DecodeError error;
  test::Bytes bytes;
};

Decoded DecodeFastest(const ArjBytes& coded, std::uint64_t size, std::size_t piece = 1 << 20,
                      std::size_t stopAfter = SIZE_MAX) {
  ArjFastestDecoder decoder;
  test::PieceInput in(coded, piece);
  test::CollectOutput out(stopAfter);
  const DecodeError e = decoder.Decode(in, size, out);
  return {e, out.bytes};
}

TEST(ArjFastestTest, EveryLengthAndDistanceWidth) {
  // Literals, then matches at the edges of every length and distance code;
  // past the decoder's first chunk, so the farthest ones reach back into
  // the history it keeps.
  test::Bytes data = test::RandomBytes(132000, 3);
  test::FastestWriter w;
  for (std::uint8_t b : data) w.Literal(b);
  const std::size_t lengths[] = {3, 4, 5, 8, 9, 16, 17, 128, 129, 130, 255, 256};
  const std::size_t distances[] = {1, 2, 511, 512, 513, 1535, 1536, 1537, 3583, 3584, 7679, 7680, 15871, 15872};
  for (std::size_t len : lengths) {
    for (std::size_t dist : distances) {
      w.Match(dist, len);
      for (std::size_t i = 0; i < len; ++i) data.push_back(data[data.size() - dist]);
    }
  }
  const ArjBytes coded = w.Finish();
  for (std::size_t piece : {std::size_t{1}, std::size_t{7}, std::size_t{1} << 20}) {
    const Decoded d = DecodeFastest(coded, data.size(), piece);
    ASSERT_EQ(d.error, DecodeError::None) << piece;
    ASSERT_EQ(d.bytes, data) << piece;
  }
}

TEST(ArjFastestTest, LongFilesAcrossManyChunks) {
  // Text with repeats and random stretches, well past the decoder's chunk.
  const test::Bytes data = test::TextLike(700000, 11);
  const ArjBytes coded = test::EncodeFastest(data);
  EXPECT_LT(coded.size(), data.size() / 2);
  const Decoded d = DecodeFastest(coded, data.size(), 4093);
  ASSERT_EQ(d.error, DecodeError::None);
  EXPECT_EQ(d.bytes, data);
  EXPECT_EQ(DecodeFastest({}, 0).error, DecodeError::None);
}

TEST(ArjFastestTest, ShortDataAndAStoppedOutputFail) {
  const test::Bytes data = test::TextLike(300000, 5);
  ArjBytes coded = test::EncodeFastest(data);
  ArjBytes cut(coded.begin(), coded.begin() + static_cast<std::ptrdiff_t>(coded.size() / 2));
  const Decoded d = DecodeFastest(cut, data.size());
  EXPECT_EQ(d.error, DecodeError::Truncated);
  // Nothing decoded from the zero bits past the end was handed on.
  EXPECT_LT(d.bytes.size(), data.size());
  EXPECT_TRUE(std::equal(d.bytes.begin(), d.bytes.end(), data.begin()));
  // One byte short at the very end is still found.
  coded.pop_back();
  EXPECT_EQ(DecodeFastest(coded, data.size()).error, DecodeError::Truncated);
  EXPECT_EQ(DecodeFastest(test::EncodeFastest(data), data.size(), 1 << 20, 1).error,
            DecodeError::OutputStopped);
}

}  // namespace
}  // namespace ks
