// The pieces of the LZH encoder: checksums, Huffman codes, bit order, headers,
// names and switches.
#include <gtest/gtest.h>

#include <random>

#include "archivers/builtin/codec/BitWriter.h"
#include "archivers/builtin/codec/HuffmanCode.h"
#include "archivers/builtin/codec/LzhCrc16.h"
#include "archivers/builtin/lha/LzhHeader.h"
#include "archivers/builtin/lha/LzhMethod.h"
#include "archivers/builtin/lha/LzhName.h"

namespace ks {
namespace {

std::uint16_t BytewiseCrc(const std::string& s) {
  std::uint16_t crc = 0;
  for (unsigned char c : s) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
  }
  return crc;
}

TEST(LzhCrc16Test, MatchesTheCheckValueAndTheBitwiseDefinitionInPieces) {
  EXPECT_EQ(LzhCrc16Of("123456789", 9), 0xBB3D);
  std::mt19937 gen(1);
  std::string data(1000, '\0');
  for (auto& c : data) c = static_cast<char>(gen());
  for (std::size_t split : {0u, 1u, 7u, 8u, 9u, 500u, 999u}) {
    LzhCrc16 crc;
    crc.Update(data.data(), split);
    crc.Update(data.data() + split, data.size() - split);
    EXPECT_EQ(crc.value(), BytewiseCrc(data)) << split;
  }
}

// Kraft sum in units of 2^-16: a complete code sums to exactly 65536.
std::uint64_t KraftSum(const std::vector<std::uint8_t>& lengths) {
  std::uint64_t sum = 0;
  for (auto len : lengths)
    if (len) sum += std::uint64_t{1} << (16 - len);
  return sum;
}

TEST(HuffmanCodeTest, LengthsAreCompleteAndLimitedEvenForSkewedCounts) {
  // Fibonacci counts would need codes as long as the alphabet without a limit.
  std::vector<std::uint32_t> fib(40);
  fib[0] = fib[1] = 1;
  for (std::size_t i = 2; i < fib.size(); ++i) fib[i] = fib[i - 1] + fib[i - 2];
  std::vector<std::uint32_t> wide(510, 0);
  std::mt19937 gen(2);
  for (std::size_t i = 0; i < wide.size(); i += 1 + gen() % 3) wide[i] = 1 + gen() % 1000;
  for (const auto& freq : {fib, wide, std::vector<std::uint32_t>{5, 0, 0, 9}}) {
    const auto lengths = HuffmanLengths(freq);
    EXPECT_EQ(KraftSum(lengths), 65536u);
    for (std::size_t s = 0; s < freq.size(); ++s) {
      EXPECT_LE(lengths[s], 16);
      EXPECT_EQ(lengths[s] == 0, freq[s] == 0) << s;
    }
  }
  // More frequent symbols never get longer codes.
  const auto lengths = HuffmanLengths(fib);
  for (std::size_t s = 1; s < fib.size(); ++s) EXPECT_LE(lengths[s], lengths[s - 1]);
}

TEST(HuffmanCodeTest, CanonicalCodesArePrefixFreeShortFirstInSymbolOrder) {
  const std::vector<std::uint8_t> lengths{2, 0, 3, 3, 2, 2};
  const auto codes = CanonicalCodes(lengths);
  EXPECT_EQ(codes[0], 0b00);
  EXPECT_EQ(codes[4], 0b01);
  EXPECT_EQ(codes[5], 0b10);
  EXPECT_EQ(codes[2], 0b110);
  EXPECT_EQ(codes[3], 0b111);
}

TEST(BitWriterTest, PacksMostSignificantBitFirstAndPadsWithZeros) {
  BitWriter w;
  w.Put(0b101, 3);
  w.Put(0xFFFF, 16);
  w.Put(0, 1);
  w.Put(0x12345678, 32);
  EXPECT_EQ(w.bitCount(), 52u);
  w.Flush();
  const std::vector<std::uint8_t> expected{0xBF, 0xFF, 0xE1, 0x23, 0x45, 0x67, 0x80};
  EXPECT_EQ(w.bytes(), expected);
}

TEST(LzhHeaderTest, Level2HeaderCarriesSizesNamesAndAValidCrc) {
  LzhEntryHeader h;
  h.method = "-lh5-";
  h.compressedSize = 0x01020304;
  h.originalSize = 0x0A0B0C0D;
  h.modified = 0x5F000000;
  h.dataCrc = 0xBEEF;
  h.name = "doc/sub/a.txt";
  const auto bytes = BuildLevel2Header(h);
  ASSERT_TRUE(bytes);
  const auto& b = *bytes;
  EXPECT_EQ(b[0] | (b[1] << 8), static_cast<int>(b.size()));
  EXPECT_EQ(std::string(b.begin() + 2, b.begin() + 7), "-lh5-");
  EXPECT_EQ(b[7], 0x04);
  EXPECT_EQ(b[14], 0x0A);
  EXPECT_EQ(b[19], 0x20);
  EXPECT_EQ(b[20], 2);
  EXPECT_EQ(b[21] | (b[22] << 8), 0xBEEF);
  // The header CRC is over the whole header with its own field as zero.
  std::vector<std::uint8_t> zeroed = b;
  zeroed[27] = zeroed[28] = 0;
  EXPECT_EQ(b[27] | (b[28] << 8), LzhCrc16Of(zeroed.data(), zeroed.size()));
  const std::string text(b.begin(), b.end());
  EXPECT_NE(text.find(std::string("\x08\x00\x01" "a.txt", 8)), std::string::npos);
  EXPECT_NE(text.find(std::string("\x0B\x00\x02" "doc\xFFsub\xFF", 11)), std::string::npos);
}

TEST(LzhHeaderTest, WhatReadersAssumeAnywayCostsNoBytes) {
  auto text = [](const LzhEntryHeader& h) {
    const auto b = *BuildLevel2Header(h);
    return std::string(b.begin(), b.end());
  };
  auto has = [](const std::string& t, std::uint8_t id) {
    // Extended headers of two-byte data here: size 5, then the id.
    return t.find(std::string("\x05\x00", 2) + static_cast<char>(id)) != std::string::npos;
  };
  LzhEntryHeader plain;
  plain.name = "doc/readme.txt";
  const std::string p = text(plain);
  EXPECT_EQ(p.size(), 24u + 5 + 13 + 7 + 2);  // fixed part, CRC, name, folder, end
  EXPECT_EQ(p.find(std::string("\x07\x00\x46", 3)), std::string::npos);
  EXPECT_FALSE(has(p, 0x40));
  EXPECT_FALSE(has(p, 0x50));

  LzhEntryHeader special = plain;
  special.name = "\x95\x5C.txt";  // CP932
  special.unixMode = 0100755;
  special.dosAttribute = kDosArchive | kDosReadOnly;
  const std::string s = text(special);
  EXPECT_NE(s.find(std::string("\x07\x00\x46\xA4\x03\x00\x00", 7)), std::string::npos);
  EXPECT_NE(s.find(std::string("\x05\x00\x40\x21\x00", 5)), std::string::npos);
  EXPECT_NE(s.find(std::string("\x05\x00\x50\xED\x81", 5)), std::string::npos);

  LzhEntryHeader folder;
  folder.method = "-lhd-";
  folder.isFolder = true;
  folder.name = "a";
  folder.dosAttribute = kDosDirectory;
  folder.unixMode = 040755;
  const std::string f = text(folder);
  EXPECT_FALSE(has(f, 0x40));
  EXPECT_FALSE(has(f, 0x50));
}

TEST(LzhHeaderTest, FolderHeaderHasOnlyAFolderNameAndPaddingAvoidsAZeroFirstByte) {
  LzhEntryHeader folder;
  folder.method = "-lhd-";
  folder.isFolder = true;
  folder.name = "a/b";
  const std::string text = [&] {
    const auto b = *BuildLevel2Header(folder);
    return std::string(b.begin(), b.end());
  }();
  EXPECT_NE(text.find(std::string("\x07\x00\x02" "a\xFF" "b\xFF", 7)), std::string::npos);
  EXPECT_EQ(text.find(std::string("\x03\x00\x01", 3)), std::string::npos);

  // Find name lengths whose header size ends in a zero byte.
  int padded = 0;
  for (std::size_t n = 1; n < 600; ++n) {
    LzhEntryHeader h;
    h.name = std::string(n, 'n');
    const auto b = *BuildLevel2Header(h);
    EXPECT_NE(b[0], 0) << n;
    if ((b.size() & 0xFF) == 1 && b.back() == 0) ++padded;
  }
  EXPECT_GT(padded, 0);
  LzhEntryHeader tooLong;
  tooLong.name = std::string(70000, 'n');
  EXPECT_FALSE(BuildLevel2Header(tooLong));
}

TEST(LzhNameTest, Cp932WhenEveryCharacterFitsOtherwiseUtf8) {
  EXPECT_EQ(EncodeLzhName("doc/a.txt").bytes, "doc/a.txt");
  const LzhName jp = EncodeLzhName("表/ｶﾅ.txt");
  EXPECT_EQ(jp.codePage, kCodePageCp932);
  EXPECT_EQ(jp.bytes, "\x95\x5C/\xB6\xC5.txt");
  for (const std::string& name : {std::string("émoji😀.txt"), std::string("한국어"),
                                  std::string("\xFF\xFEnot utf-8")}) {
    const LzhName n = EncodeLzhName(name);
    EXPECT_EQ(n.codePage, kCodePageUtf8) << name;
    EXPECT_EQ(n.bytes, name);
  }
}

TEST(LzhMethodTest, SwitchesAndTheBackEndSetting) {
  EXPECT_EQ(ParseMethodSwitch("-o5"), LzhMethod::Lh5);
  EXPECT_EQ(ParseMethodSwitch("-o7"), LzhMethod::Lh7);
  EXPECT_FALSE(ParseMethodSwitch("-o8"));
  EXPECT_STREQ(MethodInfo(LzhMethod::Lh6).id, "-lh6-");
  EXPECT_EQ(MethodInfo(LzhMethod::Lh7).positionCodes, 17u);
  EXPECT_EQ(UnlhaMethod(), LzhMethod::Lh5);
  SetUnlhaMethod(LzhMethod::Lh7);
  EXPECT_EQ(UnlhaMethod(), LzhMethod::Lh7);
  SetUnlhaMethod(LzhMethod::Lh5);
}

}  // namespace
}  // namespace ks
