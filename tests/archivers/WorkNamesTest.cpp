#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "archivers/WorkNames.h"
#include "core/ScratchFolder.h"
#include "platform/RecordingPlatform.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::ScratchFolder;

void Touch(const std::string& path) { std::ofstream(path) << ""; }

TEST(MakeWorkFolder, TakesTheFirstFreeNumberedName) {
  ScratchFolder s;
  ScopedRecordingPlatform rp;
  EXPECT_EQ(MakeWorkFolder(s.folder()), s / "~kstmp/");
  EXPECT_TRUE(fs::is_directory(s / "~kstmp"));
  EXPECT_EQ(MakeWorkFolder(s.folder()), s / "~kstmp_1/");
  EXPECT_EQ(MakeWorkFolder(s.folder()), s / "~kstmp_2/");
  EXPECT_TRUE(fs::is_empty(s / "~kstmp_2"));
}

TEST(MakeWorkFolder, AFileOrALinkTakesTheNameToo) {
  ScratchFolder s;
  ScopedRecordingPlatform rp;
  Touch(s / "~kstmp");
  fs::create_symlink(s / "nowhere", s / "~kstmp_1");
  // A folder given without its trailing separator works the same.
  EXPECT_EQ(MakeWorkFolder(s / ""), s / "~kstmp_2/");
  EXPECT_TRUE(fs::is_regular_file(s / "~kstmp"));
}

TEST(MakeWorkFolder, AFolderThatCannotBeMadeIsTheCallersError) {
  ScratchFolder s;
  ScopedRecordingPlatform rp;
  EXPECT_THROW(MakeWorkFolder(s / "missing/"), fs::filesystem_error);
  Touch(s / "file");
  EXPECT_THROW(MakeWorkFolder(s / "file/"), fs::filesystem_error);
  EXPECT_TRUE(rp.platform.calls.empty());
}

TEST(FreeFolderName, TheNameOrTheFirstFreeVariant) {
  ScratchFolder s;
  ScopedRecordingPlatform rp;
  EXPECT_EQ(FreeFolderName(s.folder(), "data"), "data");
  fs::create_directory(s / "data");
  fs::create_directory(s / "data_1");
  EXPECT_EQ(FreeFolderName(s.folder(), "data"), "data_2");
  Touch(s / "日本語 の名前");
  EXPECT_EQ(FreeFolderName(s.folder(), "日本語 の名前"), "日本語 の名前_1");
  EXPECT_FALSE(fs::exists(s / "data_2"));  // only a name, nothing made
  EXPECT_EQ(FreeFolderName(s.folder(), "\xFF\xFE\"q\""), "\xFF\xFE\"q\"");
  EXPECT_TRUE(rp.platform.calls.empty());
}

TEST(FreeNames, ANameTooLongToLookUpIsHandedBackNotCountedAsTaken) {
  ScratchFolder s;
  ScopedRecordingPlatform rp;
  const std::string longName(300, 'n');
  EXPECT_EQ(FreeFolderName(s.folder(), longName), longName);
  EXPECT_EQ(TempFileName(s / std::string(300, 'd') + "/"), "~ks.tmp");
  EXPECT_THROW(MakeWorkFolder(s / longName + "/"), fs::filesystem_error);
  EXPECT_TRUE(rp.platform.calls.empty());
}

TEST(TempFileName, FreeWithAndWithoutItsEnding) {
  ScratchFolder s;
  ScopedRecordingPlatform rp;
  EXPECT_EQ(TempFileName(s.folder()), "~ks.tmp");
  Touch(s / "~ks");
  EXPECT_EQ(TempFileName(s.folder()), "~ks1.tmp");
  fs::remove(s / "~ks");
  Touch(s / "~ks.tmp");
  EXPECT_EQ(TempFileName(s.folder()), "~ks1.tmp");
  // The stem's self-extractor and cabinet names are written beside it too.
  Touch(s / "~ks1.exe");
  Touch(s / "~ks2.cab");
  fs::create_directory(s / "~ks3");
  EXPECT_EQ(TempFileName(s.folder()), "~ks4.tmp");
}

// Every numbered variant of all three names taken in one folder. Making the
// 30000 names is the slow part, so one test looks at all three procedures.
TEST(FreeNames, AfterTheLastVariantTheyGiveUp) {
  const fs::path shm = "/dev/shm";
  ScratchFolder s(fs::is_directory(shm) ? shm : fs::temp_directory_path());
  ScopedRecordingPlatform rp;
  for (const char* first : {"~kstmp", "data", "~ks"}) Touch(s / first);
  for (int n = 1; n <= 9999; ++n) {
    const std::string number = std::to_string(n);
    Touch(s / ("~kstmp_" + number));
    Touch(s / ("data_" + number));
    Touch(s / ("~ks" + number));
  }
  const auto& calls = rp.platform.calls;

  EXPECT_THROW(MakeWorkFolder(s.folder()), ProgramEnded);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].what, "MessageBox");
  EXPECT_EQ(calls[0].text, "フォルダが作れませぬ");
  EXPECT_EQ(calls[0].title, "予期できたエラー（笑）");
  EXPECT_EQ(calls[0].value, static_cast<int>(MessageStyle::Critical));
  EXPECT_EQ(calls[1].what, "EndProgram");
  rp.platform.Clear();

  EXPECT_THROW(FreeFolderName(s.folder(), "data"), ProgramEnded);
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].text, "フォルダ名が付けれられません");
  EXPECT_EQ(calls[0].title, "予期できたエラー・・・");
  EXPECT_EQ(calls[0].value, static_cast<int>(MessageStyle::Critical));
  EXPECT_EQ(calls[1].what, "EndProgram");
  rp.platform.Clear();

  EXPECT_EQ(TempFileName(s.folder()), "");  // quietly
  EXPECT_TRUE(calls.empty());

  // The last variant is still used.
  fs::remove(s / "~kstmp_9999");
  fs::remove(s / "data_9999");
  fs::remove(s / "~ks9999");
  EXPECT_EQ(MakeWorkFolder(s.folder()), s / "~kstmp_9999/");
  EXPECT_EQ(FreeFolderName(s.folder(), "data"), "data_9999");
  EXPECT_EQ(TempFileName(s.folder()), "~ks9999.tmp");
}

}  // namespace
}  // namespace ks
