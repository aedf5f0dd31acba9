#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/AppFolder.h"
#include "core/AtomicWrite.h"
#include "core/IniText.h"
#include "core/Settings.h"
#include "core/Utf8.h"
#include "core/ScratchFolder.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::ReadWhole;
using test::ScratchFolder;

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = AppFolder;
    AppFolder = scratch.folder();
  }
  void TearDown() override {
    AppFolder = saved_;
    SetChunkWriterForTesting(nullptr);
  }
  std::string ini() const { return scratch / "Kestrino.ini"; }

  ScratchFolder scratch;

 private:
  std::string saved_;
};

TEST_F(SettingsFile, MissingFileGivesDefaultsAndCreatesNothing) {
  EXPECT_EQ(SettingsFilePath(), fs::path(ini()));
  EXPECT_EQ(ReadIni("Main", "Top", "0"), "0");
  EXPECT_EQ(ReadIni("Main", "Back", ""), "");
  EXPECT_FALSE(fs::exists(ini()));
}

TEST_F(SettingsFile, MissingKeyOrSectionGivesTheDefaultAndLeavesTheFileAlone) {
  const std::string text = "[Main]\nTop=120\n";
  scratch.Write("Kestrino.ini", text);
  const auto before = fs::last_write_time(ini());
  EXPECT_EQ(ReadIni("Main", "Left", "7"), "7");
  EXPECT_EQ(ReadIni("Jack", "Top", "x"), "x");
  EXPECT_EQ(ReadWhole(ini()), text);
  EXPECT_EQ(fs::last_write_time(ini()), before);
}

TEST_F(SettingsFile, WriteCreatesFileAndSectionThenReplacesTheValue) {
  WriteIni("Main", "Top", "120");
  EXPECT_EQ(ReadWhole(ini()), "[Main]\nTop=120\n");
  WriteIni("Main", "Left", "-5");
  WriteIni("Jack", "JackRipSize", "1423");
  WriteIni("Main", "Top", "300");
  EXPECT_EQ(ReadWhole(ini()), "[Main]\nTop=300\nLeft=-5\n\n[Jack]\nJackRipSize=1423\n");
  EXPECT_EQ(ReadIni("Main", "Top", "0"), "300");
  EXPECT_EQ(ReadIni("Jack", "JackRipSize", "0"), "1423");
}

TEST_F(SettingsFile, NamesCompareWithoutRegardToCase) {
  WriteIni("Jack", "JackRipType", "-1");
  EXPECT_EQ(ReadIni("JACK", "JackRipType", "1"), "-1");
  EXPECT_EQ(ReadIni("jack", "JACKRIPTYPE", "1"), "-1");
  WriteIni("JACK", "jackriptype", "0");  // replaces, does not add a second key
  EXPECT_EQ(ReadWhole(ini()), "[Jack]\nJackRipType=0\n");
}

TEST_F(SettingsFile, ValuesAreCutAt1023BytesOnACharacterBoundary) {
  const std::string exact(1023, 'a');
  WriteIni("Main", "Back", exact);
  EXPECT_EQ(ReadIni("Main", "Back", ""), exact);

  WriteIni("Main", "Back", exact + "bcd");
  EXPECT_EQ(ReadIni("Main", "Back", ""), exact);
  // The whole value stays in the file; only what is read is limited.
  EXPECT_NE(ReadWhole(ini()).find(exact + "bcd"), std::string::npos);

  // A three-byte character that would straddle the limit is left out whole.
  const std::string japanese = std::string(1021, 'a') + "解";
  WriteIni("Main", "Back", japanese);
  EXPECT_EQ(ReadIni("Main", "Back", ""), std::string(1021, 'a'));
}

TEST_F(SettingsFile, ReadsFilesWrittenByOtherPrograms) {
  scratch.Write("Kestrino.ini",
                "\xEF\xBB\xBF[Main]\r\n; a comment\r\nTop = 450\r\n  Left=\t12 \r\n"
                "Back=/home/me/壁紙 1.jpg\r\n[Jack]\r\nJackRipSizeCap=1.44MB");
  EXPECT_EQ(ReadIni("Main", "Top", "0"), "450");
  EXPECT_EQ(ReadIni("Main", "Left", "0"), "12");
  EXPECT_EQ(ReadIni("Main", "Back", ""), "/home/me/壁紙 1.jpg");
  EXPECT_EQ(ReadIni("Jack", "JackRipSizeCap", ""), "1.44MB");
  EXPECT_EQ(ReadIni("Main", "; a comment", "d"), "d");
}

TEST_F(SettingsFile, AWriteKeepsEveryOtherLineAndTheFilesLineEnds) {
  const std::string text =
      "\xEF\xBB\xBF; kept\r\n[Main]\r\nTop = 450\r\n\r\n[Other]\r\nx=1\r\n";
  scratch.Write("Kestrino.ini", text);
  WriteIni("Main", "Top", "5");
  WriteIni("Main", "Width", "4050");
  EXPECT_EQ(ReadWhole(ini()),
            "\xEF\xBB\xBF; kept\r\n[Main]\r\nTop = 5\r\nWidth=4050\r\n\r\n[Other]\r\nx=1\r\n");
}

TEST_F(SettingsFile, TextThatIsNotIniReadsAsDefaultsAndSurvivesAWrite) {
  std::string junk("\x89PNG\r\n\x1a\n\0\0\0\rIHDR=\xFF\xFE no section\nkey=value\n", 42);
  scratch.Write("Kestrino.ini", junk);
  EXPECT_EQ(ReadIni("Main", "key", "d"), "d");
  WriteIni("Main", "Top", "1");
  const std::string after = ReadWhole(ini());
  EXPECT_EQ(after.substr(0, junk.size()), junk);
  EXPECT_EQ(ReadIni("Main", "Top", "0"), "1");
}

TEST_F(SettingsFile, ValuesRoundTripWhateverTheyHold) {
  const std::string values[] = {"", "  padded  ", "\"quoted\"", "a=b=c", "; not a comment",
                                "[not a section]", "\xFF\xFE", "漢字のパス/ファイル.jpg"};
  for (const auto& value : values) {
    WriteIni("Main", "Back", value);
    EXPECT_EQ(ReadIni("Main", "Back", "default"), value) << value;
  }
}

TEST_F(SettingsFile, NamesAndValuesThatWouldBreakTheFileAreRefused) {
  WriteIni("Main", "Top", "1");
  const std::string before = ReadWhole(ini());
  EXPECT_FALSE(WriteIniFile(ini(), "Main", "Back", "two\nlines"));
  EXPECT_FALSE(WriteIniFile(ini(), "Main", "Back", "cr\ronly"));
  EXPECT_FALSE(WriteIniFile(ini(), "Ma]in", "Top", "1"));
  EXPECT_FALSE(WriteIniFile(ini(), "Main", "To=p", "1"));
  EXPECT_FALSE(WriteIniFile(ini(), "Main", "", "1"));
  EXPECT_FALSE(WriteIniFile(ini(), "", "Top", "1"));
  EXPECT_EQ(ReadWhole(ini()), before);
}

TEST_F(SettingsFile, OddNamesWorkOrAreRefusedButNeverBreakTheFile) {
  const std::string names[] = {"設定", "with space", "\"quoted\"", "\xFF\xFE",
                               std::string(5000, 'k')};
  for (const auto& name : names) {
    WriteIni(name, name, name);
    EXPECT_EQ(ReadIni(name, name, "d"), CutAtCharBoundary(name, 1023)) << name;
  }
  // Names with spaces at their ends cannot be told apart from the plain ones.
  EXPECT_FALSE(WriteIniFile(ini(), " Main", "Top", "1"));
  EXPECT_FALSE(WriteIniFile(ini(), "Main", "Top ", "1"));
  EXPECT_EQ(ReadIni("", "", "d"), "d");
  EXPECT_EQ(ReadIni("a=b", "]", "d"), "d");
  EXPECT_EQ(ReadIniFile("", "Main", "Top", "d"), "d");
  EXPECT_FALSE(WriteIniFile("", "Main", "Top", "1"));
}

TEST_F(SettingsFile, BeforeTheFolderIsKnownNothingIsReadOrWritten) {
  // Not even a file in the current folder.
  const fs::path saved = fs::current_path();
  fs::current_path(scratch.folder());
  scratch.Write("Kestrino.ini", "[Main]\nTop=5\n");
  AppFolder.clear();
  WriteIni("Main", "Left", "1");
  EXPECT_EQ(ReadIni("Main", "Top", "0"), "0");
  fs::current_path(saved);
  EXPECT_EQ(ReadWhole(ini()), "[Main]\nTop=5\n");
}

TEST_F(SettingsFile, AWriteThatFailsMidwayLeavesTheOldFileWhole) {
  WriteIni("Main", "Top", "120");
  WriteIni("Main", "Back", std::string(4000, 'b'));
  const std::string before = ReadWhole(ini());

  std::size_t offered = 0;
  SetChunkWriterForTesting([&](int fd, const char* data, std::size_t size) {
    offered = size;
    // Half of the new text reaches the disk, then the disk is full.
    return ::write(fd, data, size / 2) >= 0 && false;
  });
  EXPECT_FALSE(WriteIniFile(ini(), "Main", "Top", "999"));
  WriteIni("Main", "Left", "5");  // the silent form fails the same way
  SetChunkWriterForTesting(nullptr);

  EXPECT_GT(offered, 4000u);
  EXPECT_EQ(ReadWhole(ini()), before);
  EXPECT_EQ(ReadIni("Main", "Top", "0"), "120");
  // No temporary file is left beside it.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(scratch.folder())) ++entries;
  EXPECT_EQ(entries, 1);
}

TEST_F(SettingsFile, AFileThatCannotBeWrittenKeepsItsValues) {
  WriteIni("Main", "Top", "120");
  // A missing folder, and a folder where the file should be.
  EXPECT_FALSE(WriteIniFile(scratch / "gone/Kestrino.ini", "Main", "Top", "1"));
  fs::create_directory(scratch / "adir");
  EXPECT_FALSE(WriteIniFile(scratch / "adir", "Main", "Top", "1"));
  EXPECT_EQ(ReadIniFile(scratch / "adir", "Main", "Top", "d"), "d");
  // /proc takes no new files, not even from the superuser.
  if (fs::is_directory("/proc/self")) {
    EXPECT_FALSE(WriteIniFile("/proc/Kestrino.ini", "Main", "Top", "1"));
    EXPECT_FALSE(fs::exists("/proc/Kestrino.ini"));
  }

  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  fs::permissions(ini(), fs::perms::owner_read);
  EXPECT_FALSE(WriteIniFile(ini(), "Main", "Top", "1"));
  fs::permissions(ini(), fs::perms::owner_read | fs::perms::owner_write);
  fs::permissions(scratch.folder(), fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_FALSE(WriteIniFile(ini(), "Main", "Top", "2"));
  WriteIni("Main", "Top", "3");
  fs::permissions(scratch.folder(), fs::perms::owner_all);
  EXPECT_EQ(ReadIni("Main", "Top", "0"), "120");
}

TEST_F(SettingsFile, AReadOnlyFileIsNotReplacedBehindItsBack) {
  WriteIni("Main", "Top", "120");
  // Replacing by rename would get round the file's own read-only mode; the
  // store honours it even where the folder may be written.
  fs::permissions(ini(), fs::perms::owner_read);
  if (::access(ini().c_str(), W_OK) == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  WriteIni("Main", "Top", "1");
  EXPECT_EQ(ReadIni("Main", "Top", "0"), "120");
}

TEST_F(SettingsFile, ALinkedSettingsFileStaysALink) {
  const std::string real = scratch.Write("real.ini", "[Main]\nTop=1\n");
  fs::create_symlink(real, ini());
  WriteIni("Main", "Top", "2");
  EXPECT_TRUE(fs::is_symlink(ini()));
  EXPECT_EQ(ReadWhole(real), "[Main]\nTop=2\n");
}

TEST_F(SettingsFile, KeepsThePermissionsOfAnExistingFile) {
  WriteIni("Main", "Top", "1");
  fs::permissions(ini(), fs::perms::owner_read | fs::perms::owner_write);
  WriteIni("Main", "Top", "2");
  EXPECT_EQ(fs::status(ini()).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

TEST(IniText, DuplicatesAndSectionlessLines) {
  const std::string text = "Top=0\n[Main]\nTop=1\n[main]\nTop=2\nLeft=3\n";
  EXPECT_EQ(FindIniValue(text, "Main", "Top"), "1");     // the first wins
  EXPECT_EQ(FindIniValue(text, "Main", "Left"), "3");    // later sections are searched
  EXPECT_EQ(SetIniValue(text, "Main", "Top", "9"), "Top=0\n[Main]\nTop=9\n[main]\nTop=2\nLeft=3\n");
  EXPECT_EQ(SetIniValue(text, "MAIN", "New", "n"),
            "Top=0\n[Main]\nTop=1\nNew=n\n[main]\nTop=2\nLeft=3\n");
  EXPECT_EQ(FindIniValue("[Main", "Main", "x"), std::nullopt);
  EXPECT_EQ(FindIniValue("[ Main ]\nx = \"y\"", "Main", "x"), "y");
}

TEST(IniText, AddingToAFileWithoutAFinalLineEnd) {
  EXPECT_EQ(SetIniValue("[Main]\nTop=1", "Main", "Left", "2"), "[Main]\nTop=1\nLeft=2\n");
  EXPECT_EQ(SetIniValue("[Main]\r\nTop=1", "Jack", "a", "b"),
            "[Main]\r\nTop=1\r\n\r\n[Jack]\r\na=b\r\n");
  EXPECT_EQ(SetIniValue("", "Main", "Top", "1"), "[Main]\nTop=1\n");
}

}  // namespace
}  // namespace ks
