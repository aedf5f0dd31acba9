// The check lines of a block: every one or two lost lines come back exactly,
// more is refused, and a check line that disagrees with the data is never
// used to make up data.
#include <gtest/gtest.h>

#include <random>

#include "archivers/builtin/ish/IshBlock.h"

namespace ks::test {
namespace {

struct Sample {
  std::size_t length;
  std::size_t dataLines;
  std::vector<IshRecord> data;    // index 0 is line 1
  std::vector<IshRecord> checks;  // column line, diagonal line
};

Sample MakeSample(std::size_t length, std::size_t dataLines, unsigned seed) {
  std::mt19937 random(seed);
  Sample s{length, dataLines, {}, {}};
  IshBlock writer(length, dataLines);
  for (std::size_t n = 1; n <= dataLines; ++n) {
    IshRecord r(length);
    for (auto& b : r) b = static_cast<std::uint8_t>(random());
    r[0] = static_cast<std::uint8_t>(n);
    SealIshRecord(r);
    writer.Place(r);
    s.data.push_back(r);
  }
  s.checks = writer.MakeCheckRecords();
  return s;
}

// A block given every line of the sample but `lost` (line numbers; the
// check lines are length - 2 and length).
IshBlock Receive(const Sample& s, const std::vector<unsigned>& lost) {
  IshBlock block(s.length, s.dataLines);
  auto keep = [&](const IshRecord& r) {
    if (std::find(lost.begin(), lost.end(), r[0]) == lost.end()) {
      EXPECT_TRUE(block.Place(r));
    }
  };
  for (const IshRecord& r : s.data) keep(r);
  for (const IshRecord& r : s.checks) keep(r);
  return block;
}

void ExpectPayloadsEqual(const Sample& s, const IshBlock& block, const std::string& what) {
  for (std::size_t n = 1; n <= s.dataLines; ++n) {
    const std::uint8_t* p = block.Payload(static_cast<unsigned>(n));
    ASSERT_TRUE(std::equal(p, p + block.payloadSize(), s.data[n - 1].begin() + 1))
        << what << ": line " << n << " differs";
  }
}

TEST(IshBlock, CheckLinesAreSoundRecordsWithTheirNumbers) {
  const Sample s = MakeSample(63, 60, 1);
  ASSERT_EQ(s.checks.size(), 2u);
  EXPECT_EQ(s.checks[0][0], 61);
  EXPECT_EQ(s.checks[1][0], 63);
  EXPECT_TRUE(IshRecordSound(s.checks[0]));
  EXPECT_TRUE(IshRecordSound(s.checks[1]));
}

TEST(IshBlock, EveryOneOrTwoLostLinesComeBackExactly) {
  // Full blocks of every record length, and short last blocks.
  const std::pair<std::size_t, std::size_t> shapes[] = {{63, 60}, {69, 66}, {73, 70}, {63, 7}, {73, 1}};
  for (const auto& [length, lines] : shapes) {
    const Sample s = MakeSample(length, lines, static_cast<unsigned>(length * 100 + lines));
    const unsigned column = static_cast<unsigned>(length - 2);
    const unsigned diagonal = static_cast<unsigned>(length);
    const std::string shape = std::to_string(length) + "/" + std::to_string(lines);
    for (unsigned a = 1; a <= lines; ++a) {
      // One data line, alone or with either check line.
      for (const std::vector<unsigned>& lost :
           {std::vector<unsigned>{a}, {a, column}, {a, diagonal}}) {
        IshBlock block = Receive(s, lost);
        std::vector<unsigned> missing;
        ASSERT_EQ(block.Complete(missing), IshBlock::State::Mended) << shape << " lost " << a;
        EXPECT_EQ(missing, std::vector<unsigned>{a});
        ExpectPayloadsEqual(s, block, shape);
      }
      for (unsigned b = a + 1; b <= lines; ++b) {
        IshBlock block = Receive(s, {a, b});
        std::vector<unsigned> missing;
        ASSERT_EQ(block.Complete(missing), IshBlock::State::Mended) << shape << " lost " << a << "," << b;
        ExpectPayloadsEqual(s, block, shape + " lost " + std::to_string(a) + "," + std::to_string(b));
      }
    }
  }
}

TEST(IshBlock, NothingLostNeedsNoCheckLines) {
  const Sample s = MakeSample(69, 66, 5);
  IshBlock block = Receive(s, {67, 69});
  std::vector<unsigned> missing;
  EXPECT_EQ(block.Complete(missing), IshBlock::State::Whole);
  EXPECT_TRUE(missing.empty());
  ExpectPayloadsEqual(s, block, "whole");
}

TEST(IshBlock, MoreDamageThanTheCheckLinesCarryIsRefused) {
  const Sample s = MakeSample(63, 60, 9);
  for (const std::vector<unsigned>& lost : {std::vector<unsigned>{3, 4, 5}, {1, 60, 61},
                                            {10, 20, 63}, {1, 61, 63}, {2, 63, 61}}) {
    IshBlock block = Receive(s, lost);
    std::vector<unsigned> missing;
    EXPECT_EQ(block.Complete(missing), IshBlock::State::TooDamaged) << lost[0] << "," << lost[1];
  }
}

TEST(IshBlock, ACheckLineThatDisagreesIsNotTrusted) {
  Sample s = MakeSample(73, 70, 13);
  // A diagonal line that passes its CRC but no longer fits the data. With
  // one line lost the sums left over show it; with two, nothing in the block
  // can, and the CRC of the whole file has the last word.
  s.checks[1][30] ^= 0x10;
  SealIshRecord(s.checks[1]);
  IshBlock block = Receive(s, {12});
  std::vector<unsigned> missing;
  EXPECT_EQ(block.Complete(missing), IshBlock::State::TooDamaged);
}

TEST(IshBlock, LinesOfNoPlaceInTheBlockAreNotTaken) {
  const Sample s = MakeSample(63, 5, 17);
  IshBlock block(63, 5);
  IshRecord beyond = s.data[0];
  beyond[0] = 6;  // the block has only five data lines
  EXPECT_FALSE(block.Place(beyond));
  beyond[0] = 62;  // no line carries this number
  EXPECT_FALSE(block.Place(beyond));
  EXPECT_FALSE(block.Place(IshRecord(10, 1)));
  EXPECT_TRUE(block.Place(s.data[2]));
  EXPECT_TRUE(block.Has(3));
  EXPECT_FALSE(block.Has(4));
}

}  // namespace
}  // namespace ks::test
