#include "archivers/builtin/common/DosTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace ks::test {
namespace {

// Runs the test in a fixed time zone and puts the old one back.
class DosTimeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (const char* tz = std::getenv("TZ")) old_ = tz;
    ::setenv("TZ", "JST-9", 1);  // Tokyo, without needing tzdata
    ::tzset();
  }
  void TearDown() override {
    if (old_)
      ::setenv("TZ", old_->c_str(), 1);
    else
      ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::optional<std::string> old_;
};

TEST_F(DosTimeTest, ReadsAStampAsLocalTime) {
  // 2022-03-02 21:44:46 in Tokyo (UTC+9) is 12:44:46 UTC.
  const auto t = DosToUnixTime({0x5462, 0xAD97});
  ASSERT_TRUE(t);
  EXPECT_EQ(*t, 1646225086);
}

TEST_F(DosTimeTest, SummerAndWinterStampsTakeTheOffsetOfTheirDay) {
  ::setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);  // Central Europe
  ::tzset();
  // 2022-07-01 12:00 is 10:00 UTC in summer; 2022-01-03 12:00 is 11:00 UTC.
  EXPECT_EQ(DosToUnixTime({(42 << 9) | (7 << 5) | 1, 12 << 11}), 1656669600);
  EXPECT_EQ(DosToUnixTime({(42 << 9) | (1 << 5) | 3, 12 << 11}), 1641207600);
  // 2022-03-27 01:30, just before the change to summer time, is winter time.
  EXPECT_EQ(DosToUnixTime({(42 << 9) | (3 << 5) | 27, (1 << 11) | (30 << 5)}), 1648341000);
}

TEST_F(DosTimeTest, EmptyAndImpossibleStampsHaveNoTime) {
  EXPECT_FALSE(DosToUnixTime({0, 0}));
  EXPECT_FALSE(DosToUnixTime({(42 << 9) | (13 << 5) | 1, 0}));   // month 13
  EXPECT_FALSE(DosToUnixTime({(42 << 9) | (2 << 5) | 0, 0}));    // day 0
  EXPECT_FALSE(DosToUnixTime({(42 << 9) | (2 << 5) | 31, 0}));   // 31 February
  EXPECT_FALSE(DosToUnixTime({(42 << 9) | (2 << 5) | 1, 24 << 11}));  // hour 24
  EXPECT_FALSE(DosToUnixTime({(42 << 9) | (2 << 5) | 1, 30}));   // second 60
}

TEST_F(DosTimeTest, RoundTripKeepsEvenSecondsAndDropsOddOnes) {
  for (std::int64_t t : {std::int64_t{315500400}, std::int64_t{1646225086},
                         std::int64_t{4102444800}}) {
    const auto back = DosToUnixTime(UnixToDosTime(t));
    ASSERT_TRUE(back) << t;
    EXPECT_EQ(*back, t) << t;
    EXPECT_EQ(*DosToUnixTime(UnixToDosTime(t + 1)), t) << t;
  }
}

TEST_F(DosTimeTest, MomentsOutsideTheRangeAreClamped) {
  const DosDateTime early = UnixToDosTime(0);  // 1970
  EXPECT_EQ(early.date, (0 << 9) | (1 << 5) | 1);
  EXPECT_EQ(early.time, 0);
  const DosDateTime late = UnixToDosTime(std::int64_t{5000000000});  // 2128
  EXPECT_EQ(late.date >> 9, 127);
  EXPECT_TRUE(DosToUnixTime(late));
}

}  // namespace
}  // namespace ks::test
