#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>

#include "core/AppFolder.h"
#include "core/FileTests.h"
#include "core/ScratchFolder.h"
#include "platform/RecordingPlatform.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::ScratchFolder;

TEST(IsGifFile, LooksAtTheFirstThreeBytesOfARegularFile) {
  ScratchFolder s;
  EXPECT_TRUE(IsGifFile(s.Write("a.jpg", "GIF89a........")));
  EXPECT_TRUE(IsGifFile(s.Write("short", "GIF")));
  EXPECT_FALSE(IsGifFile(s.Write("two", "GI")));  // zero past the end
  EXPECT_FALSE(IsGifFile(s.Write("empty", "")));
  EXPECT_FALSE(IsGifFile(s.Write("lower", "gif89a")));
  EXPECT_FALSE(IsGifFile(s.Write("jpeg", "\xFF\xD8\xFF\xE0")));
  fs::create_directory(s / "GIF");
  EXPECT_FALSE(IsGifFile(s / "GIF"));
  EXPECT_FALSE(IsGifFile(s / "missing.gif"));
  EXPECT_FALSE(IsGifFile(""));
  // A pipe would block a reader; it is not an ordinary file.
  ASSERT_EQ(::mkfifo((s / "pipe").c_str(), 0600), 0);
  EXPECT_FALSE(IsGifFile(s / "pipe"));
}

TEST(IsOrdinaryFile, VisibleRegularFilesOnly) {
  ScratchFolder s;
  EXPECT_TRUE(IsOrdinaryFile(s.Write("壁紙 1.jpg", "x")));
  EXPECT_FALSE(IsOrdinaryFile(s.Write(".hidden.jpg", "x")));
  fs::create_directory(s / "folder");
  EXPECT_FALSE(IsOrdinaryFile(s / "folder"));
  EXPECT_FALSE(IsOrdinaryFile(s / "missing"));
  EXPECT_FALSE(IsOrdinaryFile(s.Write("f", "x") + "/"));
  EXPECT_FALSE(IsOrdinaryFile(""));
  EXPECT_FALSE(IsOrdinaryFile(std::string(5000, 'x')));
  EXPECT_FALSE(IsOrdinaryFile("\xFF\xFE"));
}

TEST(ShortPathName, ThePathItselfWhenItExists) {
  ScratchFolder s;
  ScopedRecordingPlatform rp;
  const std::string file = s.Write("長い 名前.txt", "x");
  EXPECT_EQ(ShortPathName(file), file);
  EXPECT_EQ(ShortPathName(s.folder()), s.folder());
  EXPECT_EQ(ShortPathName(s / "missing"), "");
  EXPECT_EQ(ShortPathName(""), "");
}

class ChooseAppFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* v = std::getenv("XDG_CONFIG_HOME");
    hadConfig_ = v != nullptr;
    if (v) savedConfig_ = v;
    ::setenv("XDG_CONFIG_HOME", (config / "cfg").c_str(), 1);
  }
  void TearDown() override {
    if (hadConfig_) ::setenv("XDG_CONFIG_HOME", savedConfig_.c_str(), 1);
    else ::unsetenv("XDG_CONFIG_HOME");
  }
  ScratchFolder program, config;

 private:
  bool hadConfig_ = false;
  std::string savedConfig_;
};

TEST_F(ChooseAppFolderTest, TheProgramFolderWhenItIsWritable) {
  const std::string bare = program.folder().substr(0, program.folder().size() - 1);
  EXPECT_EQ(ChooseAppFolder(bare), program.folder());
  EXPECT_EQ(ChooseAppFolder(program.folder()), program.folder());
  EXPECT_FALSE(fs::exists(config / "cfg"));
}

TEST_F(ChooseAppFolderTest, OtherwiseTheUserConfigFolderMadeWhenMissing) {
  const std::string expected = config / "cfg/kestrino/";
  EXPECT_EQ(ChooseAppFolder(program / "not-there"), expected);
  EXPECT_TRUE(fs::is_directory(expected));
  EXPECT_EQ(ChooseAppFolder(""), expected);

  // A relative XDG_CONFIG_HOME does not count; ~/.config is used.
  ::setenv("XDG_CONFIG_HOME", "relative", 1);
  const char* home = std::getenv("HOME");
  ::setenv("HOME", config.folder().c_str(), 1);
  EXPECT_EQ(ChooseAppFolder(program / "not-there"), config / ".config/kestrino/");
  if (home) ::setenv("HOME", home, 1);
}

TEST_F(ChooseAppFolderTest, AnInstalledProgramKeepsItsSettingsPerUser) {
  // PREFIX/bin beside PREFIX/share/kestrino: writable, yet not the place.
  fs::create_directories(program / "prefix/bin");
  fs::create_directories(program / "prefix/share/kestrino/help");
  EXPECT_TRUE(IsInstalledProgramFolder(program / "prefix/bin"));
  EXPECT_TRUE(IsInstalledProgramFolder(program / "prefix/bin/"));
  EXPECT_EQ(ChooseAppFolder(program / "prefix/bin"), config / "cfg/kestrino/");
  // A bin folder without the shared files, or the shared files beside a
  // folder of another name (a build folder), is no installed program.
  fs::create_directories(program / "other/bin");
  EXPECT_FALSE(IsInstalledProgramFolder(program / "other/bin"));
  EXPECT_EQ(ChooseAppFolder(program / "other/bin"), program / "other/bin/");
  fs::create_directories(program / "prefix/build");
  EXPECT_FALSE(IsInstalledProgramFolder(program / "prefix/build"));
  EXPECT_FALSE(IsInstalledProgramFolder(""));
}

TEST_F(ChooseAppFolderTest, AReadOnlyProgramFolderIsPassedOver) {
  fs::permissions(program.folder(), fs::perms::owner_read | fs::perms::owner_exec);
  if (::access(program.folder().c_str(), W_OK) == 0)
    GTEST_SKIP() << "permissions do not bind the superuser";
  EXPECT_EQ(ChooseAppFolder(program.folder()), config / "cfg/kestrino/");
}

}  // namespace
}  // namespace ks
