#include <gtest/gtest.h>

#include "core/DropList.h"
#include "core/PathText.h"

namespace ks {
namespace {

TEST(PathText, TrailingSeparators) {
  EXPECT_EQ(AddBackslash("/data"), "/data/");
  EXPECT_EQ(AddBackslash("/data/"), "/data/");
  EXPECT_EQ(AddBackslash(""), "/");
  EXPECT_EQ(RemoveBackslash("/a/"), "/a");
  EXPECT_EQ(RemoveBackslash("/a//"), "/a/");
  EXPECT_EQ(RemoveBackslash("/"), "");
  EXPECT_EQ(RemoveBackslash(""), "");
}

TEST(PathText, PartsOfAPath) {
  EXPECT_EQ(ParentFolder("/a/b.lzh"), "/a/");
  EXPECT_EQ(FileNamePart("/a/b.lzh"), "b.lzh");
  EXPECT_EQ(BaseName("/a/b.lzh"), "b");
  EXPECT_EQ(ParentFolder("b.lzh"), "");
  EXPECT_EQ(FileNamePart("b.lzh"), "b.lzh");
  EXPECT_EQ(FileNamePart("/a/"), "");
  EXPECT_EQ(ParentFolder(""), "");
  EXPECT_EQ(FileNamePart(""), "");
  EXPECT_EQ(BaseName("/書類/圧縮 ファイル.tar.gz"), "圧縮 ファイル.tar");
}

TEST(PathText, StripExtensionCutsAtTheLastDot) {
  EXPECT_EQ(StripExtension("x.tar.gz"), "x.tar");
  EXPECT_EQ(StripExtension("noext"), "");
  EXPECT_EQ(StripExtension(".hidden"), "");
  EXPECT_EQ(StripExtension("trailing."), "trailing");
  EXPECT_EQ(StripExtension(""), "");
}

TEST(PathText, StripQuotesTrimsThenTakesOneQuoteAtEachEnd) {
  std::string quoted = "  \"/my files/a b.lzh\"  ";
  EXPECT_EQ(StripQuotes(quoted), "/my files/a b.lzh");
  EXPECT_EQ(quoted, "/my files/a b.lzh");  // changed in place
  std::string left = "\"/a";
  EXPECT_EQ(StripQuotes(left), "/a");
  std::string right = "/a\" ";
  EXPECT_EQ(StripQuotes(right), "/a");
  std::string doubled = "\"\"x\"\"";
  EXPECT_EQ(StripQuotes(doubled), "\"x\"");
  std::string blank = "    ";
  EXPECT_EQ(StripQuotes(blank), "");
  std::string lone = "\"";
  EXPECT_EQ(StripQuotes(lone), "");
}

TEST(PathText, OddInputNeverBreaksThem) {
  const std::string odd[] = {std::string(5000, '/'), std::string(5000, 'x') + ".y",
                             "\xFF\xFE/\x80.\xC0", std::string("a\0b/c", 5)};
  for (std::string text : odd) {
    AddBackslash(text);
    RemoveBackslash(text);
    BaseName(text);
    ParentFolder(text);
    StripQuotes(text);
  }
  EXPECT_EQ(BaseName("\xFF\xFE/\x80.\xC0"), "\x80");
}

TEST(DropList, LongestFolderOfTheDroppedFiles) {
  SetDroppedFiles({});
  EXPECT_EQ(LongestDropFolder(), "");
  EXPECT_EQ(DroppedCount, 0);

  SetDroppedFiles({"/w/a.txt", "/w/deep/b.txt", "/w/peed/c.txt", "/x/d.txt"});
  ASSERT_EQ(DroppedCount, 4);
  EXPECT_EQ(DroppedFiles[0], "");
  EXPECT_EQ(DroppedFiles[1], "/w/a.txt");
  EXPECT_EQ(LongestDropFolder(), "/w/deep/");  // the first of equal length wins

  SetDroppedFiles({"nofolder"});
  EXPECT_EQ(LongestDropFolder(), "");

  // A folder dropped with a trailing separator lies in its parent.
  SetDroppedFiles({"/w/a.txt", "/w/sub/"});
  EXPECT_EQ(LongestDropFolder(), "/w/");
  SetDroppedFiles({"/"});
  EXPECT_EQ(LongestDropFolder(), "/");
}

TEST(DropList, LengthCountsCharactersAndACountPastTheListIsHarmless) {
  // Six characters beat four, though the Japanese folder takes more bytes.
  SetDroppedFiles({"/日本/a", "/abcd/b"});
  EXPECT_EQ(LongestDropFolder(), "/abcd/");
  DroppedCount = 10;
  EXPECT_EQ(LongestDropFolder(), "/abcd/");
  DroppedCount = -1;
  EXPECT_EQ(LongestDropFolder(), "");
  SetDroppedFiles({});
}

}  // namespace
}  // namespace ks
