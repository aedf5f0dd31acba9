#include <gtest/gtest.h>

#include "core/TextWidth.h"
#include "core/Utf8.h"

namespace ks {
namespace {

TEST(ByteLength, CountsAsCp932Stores) {
  EXPECT_EQ(ByteLength(""), 0);
  EXPECT_EQ(ByteLength("abc"), 3);
  EXPECT_EQ(ByteLength("解凍"), 4);
  EXPECT_EQ(ByteLength("ｱｲｳ"), 3);         // half-width katakana: one byte each
  EXPECT_EQ(ByteLength("\uFF61\uFF9F"), 2);  // both ends of that range
  EXPECT_EQ(ByteLength("\uFF60\uFFA0"), 4);  // just outside it
  EXPECT_EQ(ByteLength("é"), 2);
  EXPECT_EQ(ByteLength("\U0001F600"), 2);
}

TEST(ByteLength, InvalidBytesCountOneEach) {
  EXPECT_EQ(ByteLength("\xFF\xFE"), 2);
  EXPECT_EQ(ByteLength("a\xE3\x81"), 3);      // a sequence cut short
  EXPECT_EQ(ByteLength("\xC0\xAF"), 2);        // overlong "/"
  EXPECT_EQ(ByteLength("\xED\xA0\x80"), 3);    // a surrogate
  EXPECT_EQ(CharCount("\xE3\x81\x82\xFF"), 2u);
}

TEST(FitText, PadsShortTextOnTheLeft) {
  EXPECT_EQ(FitText("0123456789", 25), std::string(15, ' ') + "0123456789");
  EXPECT_EQ(FitText("解凍", 6), "  解凍");
  EXPECT_EQ(FitText("exact", 5), "exact");
  EXPECT_EQ(FitText("", 3), "   ");
}

TEST(FitText, KeepsTheEndOfLongAsciiText) {
  const std::string path = "C:/some/folder/archive123.lzh";  // 29 bytes
  const std::string thirty = path + "x";
  ASSERT_EQ(thirty.size(), 30u);
  EXPECT_EQ(FitText(thirty, 25), "..." + thirty.substr(8));
  EXPECT_EQ(FitText("abcdef", 5), "...ef");
}

TEST(FitText, ADoubleByteCharacterAtTheCutIsDroppedAndADotFillsIn) {
  // The last 7 characters "abあいうえお" are 12 bytes; whole characters go
  // from the front until the tail fits in 7 (6 bytes), then one dot makes up
  // the missing byte.
  const std::string fitted = FitText("xxxxabあいうえお", 10);
  EXPECT_EQ(fitted, "....うえお");
  EXPECT_EQ(ByteLength(fitted), 10);
  // When the tail fits exactly no dot is added.
  EXPECT_EQ(FitText("xxxxaあいうえおb", 10), "...うえおb");
}

TEST(FitText, AlwaysGivesExactlyTheWidth) {
  const std::string texts[] = {"日本語のファイル名.lzh", "ｶﾀｶﾅとかな混じり.zip", "a日b本c語d",
                               std::string(50, 'z') + "漢", "\xFF\xFE\xFD\xE3\x81\x82xyz"};
  for (const auto& text : texts)
    for (int width = 4; width < 30; ++width)
      EXPECT_EQ(ByteLength(FitText(text, width)), width) << text << " at " << width;
}

TEST(FitText, TinyWidthsGiveOnlyDots) {
  EXPECT_EQ(FitText("abcdef", 3), "...");
  EXPECT_EQ(FitText("abcdef", 2), "..");
  EXPECT_EQ(FitText("abcdef", 1), ".");
  EXPECT_EQ(FitText("abcdef", 0), "");
  EXPECT_EQ(FitText("abcdef", -5), "");
  EXPECT_EQ(FitText("", 0), "");
  // Room for one byte only, and the last character takes two.
  EXPECT_EQ(FitText("あいう", 4), "....");
}

TEST(FitText, LongTextStaysCheap) {
  std::string text;
  for (int i = 0; i < 20000; ++i) text += "漢";
  const std::string fitted = FitText(text, 30000);
  EXPECT_EQ(ByteLength(fitted), 30000);
  EXPECT_EQ(fitted.substr(0, 4), "....");
}

}  // namespace
}  // namespace ks
