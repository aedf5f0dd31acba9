// The four line encodings: genuine lines decode and encode back to the same
// text, records of any bytes survive a round trip, and the text keeps to the
// characters each encoding promises its mail path.
#include <gtest/gtest.h>

#include <fstream>
#include <random>

#include "archivers/builtin/ish/IshCodec.h"
#include "builtin/ish/IshTestSupport.h"

namespace ks::test {
namespace {

namespace fs = std::filesystem;

const IshEncoding kAll[] = {IshEncoding::Jis7, IshEncoding::Jis8, IshEncoding::ShiftJis,
                            IshEncoding::NonKana};

std::vector<std::string> ReadLines(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

IshRecord RandomRecord(IshEncoding e, std::mt19937& random) {
  IshRecord r(IshRecordLength(e));
  for (auto& b : r) b = static_cast<std::uint8_t>(random());
  // A non-kana line writes its line number as one jis7 character.
  if (e == IshEncoding::NonKana) r[0] = static_cast<std::uint8_t>(r[0] % 91);
  SealIshRecord(r);
  return r;
}

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

TEST(IshCodec, Crc16IsCcittWithTheCheckValueOverASealedRecord) {
  const std::string digits = "123456789";
  EXPECT_EQ(IshCrc16(reinterpret_cast<const std::uint8_t*>(digits.data()), digits.size()), 0x29B1);
  IshRecord r(63, 0x5A);
  SealIshRecord(r);
  EXPECT_TRUE(IshRecordSound(r));
  EXPECT_EQ(IshCrc16(r.data(), r.size()), 0x1D0F);
  r[17] ^= 0x04;
  EXPECT_FALSE(IshRecordSound(r));
}

TEST(IshCodec, GenuineLinesDecodeSoundAndEncodeBackToTheSameText) {
  const std::optional<fs::path> folder = IshSamples();
  if (!folder) GTEST_SKIP() << kNoSamples;
  const std::pair<const char*, IshEncoding> kinds[] = {{"jis7", IshEncoding::Jis7},
                                                       {"jis8", IshEncoding::Jis8},
                                                       {"sjis", IshEncoding::ShiftJis},
                                                       {"nonkana", IshEncoding::NonKana}};
  for (const char* name : {"numbers", "rand"}) {
    for (const auto& [suffix, encoding] : kinds) {
      const fs::path file = *folder / (std::string(name) + "-" + suffix + ".ish");
      int data = 0;
      for (const std::string& line : ReadLines(file)) {
        const auto record = DecodeIshLine(encoding, line);
        if (!record || !IshRecordSound(*record) || (*record)[0] == 0) continue;
        ++data;
        EXPECT_EQ(EncodeIshLine(encoding, *record), line) << file;
      }
      // Every line but the title, the header lines and the progress lines.
      const std::size_t others = ReadLines(file).size() - static_cast<std::size_t>(data);
      EXPECT_GT(data, 50) << file;
      EXPECT_LE(others, 9u) << file;
    }
  }
}

TEST(IshCodec, AnyRecordSurvivesARoundTripInEveryEncoding) {
  std::mt19937 random(7);
  for (IshEncoding e : kAll) {
    std::vector<IshRecord> records;
    // All zeros and all ones reach the extremes of every character set.
    records.push_back(IshRecord(IshRecordLength(e), 0x00));
    records.push_back(IshRecord(IshRecordLength(e), 0xFF));
    records.back()[0] = 90;
    for (int i = 0; i < 3000; ++i) records.push_back(RandomRecord(e, random));
    for (const IshRecord& r : records) {
      const std::string line = EncodeIshLine(e, r);
      ASSERT_EQ(line.size(), IshLineLength(e)) << IshEncodingName(e);
      const auto back = DecodeIshLine(e, line);
      ASSERT_TRUE(back) << IshEncodingName(e) << ": " << line;
      ASSERT_EQ(*back, r) << IshEncodingName(e) << ": " << line;
    }
  }
}

TEST(IshCodec, LinesKeepToTheCharactersOfTheirEncoding) {
  std::mt19937 random(11);
  for (int i = 0; i < 2000; ++i) {
    for (char c : EncodeIshLine(IshEncoding::Jis7, RandomRecord(IshEncoding::Jis7, random))) {
      ASSERT_TRUE(c >= 0x21 && c <= 0x7E && c != '#' && c != '.' && c != '`') << c;
    }
    for (char c : EncodeIshLine(IshEncoding::Jis8, RandomRecord(IshEncoding::Jis8, random))) {
      const auto b = static_cast<unsigned char>(c);
      ASSERT_TRUE((b > 0x20 && b < 0x7F) || (b >= 0xA1 && b <= 0xDF)) << int(b);
    }
    // Shift-JIS lines: double-byte characters whole, none cut at the end;
    // non-kana lines also without single half-width katakana.
    for (IshEncoding e : {IshEncoding::ShiftJis, IshEncoding::NonKana}) {
      const std::string line = EncodeIshLine(e, RandomRecord(e, random));
      for (std::size_t k = 0; k < line.size(); ++k) {
        const auto b = static_cast<unsigned char>(line[k]);
        if (IsLead(b)) {
          ASSERT_LT(k + 1, line.size()) << "line ends inside a character";
          const auto t = static_cast<unsigned char>(line[++k]);
          ASSERT_TRUE(t >= 0x40 && t <= 0xFC && t != 0x7F) << int(t);
        } else {
          ASSERT_TRUE((b > 0x20 && b < 0x7F) || (e == IshEncoding::ShiftJis && b >= 0xA1 && b <= 0xDF))
              << IshEncodingName(e) << " byte " << int(b);
        }
      }
    }
  }
}

TEST(IshCodec, ForeignCharactersAndShortLinesAreRefused) {
  std::mt19937 random(3);
  for (IshEncoding e : kAll) {
    const std::string line = EncodeIshLine(e, RandomRecord(e, random));
    EXPECT_FALSE(DecodeIshLine(e, line.substr(0, line.size() - 1))) << IshEncodingName(e);
    EXPECT_FALSE(DecodeIshLine(e, "")) << IshEncodingName(e);
    std::string spaced = line;
    spaced[5] = ' ';  // no encoding writes a space
    EXPECT_FALSE(DecodeIshLine(e, spaced)) << IshEncodingName(e);
    // Text after a whole line is no part of it.
    EXPECT_TRUE(DecodeIshLine(e, line + "  ")) << IshEncodingName(e);
  }
}

}  // namespace
}  // namespace ks::test
