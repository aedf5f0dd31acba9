#include "archivers/builtin/common/NameText.h"

#include <gtest/gtest.h>

namespace ks::test {
namespace {

TEST(NameTextTest, Cp932FormOfJapaneseNames) {
  EXPECT_EQ(Utf8ToCp932Exact("テスト.txt"), std::string("\x83\x65\x83\x58\x83\x67.txt"));
  // "表" ends in 0x5C, the byte of "\": callers must split names before
  // converting, never after.
  EXPECT_EQ(Utf8ToCp932Exact("表"), std::string("\x95\x5C"));
  EXPECT_EQ(Utf8ToCp932Exact("plain"), std::string("plain"));
  EXPECT_EQ(Utf8ToCp932Exact(""), std::string());
}

TEST(NameTextTest, CharactersWithoutAnExactCp932FormAreRefused) {
  EXPECT_FALSE(Utf8ToCp932Exact("한국어"));      // Hangul
  EXPECT_FALSE(Utf8ToCp932Exact("emoji 😀"));
  EXPECT_FALSE(Utf8ToCp932Exact("é"));           // Latin-1 letters are not in CP932
  EXPECT_FALSE(Utf8ToCp932Exact("\xFF\xFE"));    // not UTF-8 at all
}

TEST(NameTextTest, StoredNamesReadBackFromEitherEncoding) {
  EXPECT_EQ(StoredNameToUtf8("\x83\x65\x83\x58\x83\x67.txt"), "テスト.txt");
  EXPECT_EQ(StoredNameToUtf8("テスト.txt"), "テスト.txt");
  EXPECT_EQ(StoredNameToUtf8(*Utf8ToCp932Exact("日本語フォルダ")), "日本語フォルダ");
}

}  // namespace
}  // namespace ks::test
