#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/ScratchFolder.h"
#include "core/ShellOps.h"
#include "platform/RecordingPlatform.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::ReadWhole;
using test::ScratchFolder;

class ShellOpsTest : public ::testing::Test {
 protected:
  void TearDown() override { SetRenameFunctionForTesting(nullptr); }

  // Only the missing-source notice may show anything.
  void ExpectNoticeOf(const std::string& text) {
    const auto& calls = rp.platform.calls;
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].what, "Beep");
    EXPECT_EQ(calls[1].what, "MessageBox");
    EXPECT_EQ(calls[1].text, text);
    EXPECT_EQ(calls[1].title, "DelFile");
    EXPECT_EQ(calls[1].value, static_cast<int>(MessageStyle::Information));
    rp.platform.Clear();
  }
  void ExpectQuiet() { EXPECT_TRUE(rp.platform.calls.empty()); }

  // Every rename reports a move across file systems.
  void CrossDevice() {
    SetRenameFunctionForTesting([](const fs::path&, const fs::path&, std::error_code& ec) {
      ec = std::make_error_code(std::errc::cross_device_link);
    });
  }

  ScopedRecordingPlatform rp;
  ScratchFolder s;
};

TEST_F(ShellOpsTest, AMissingSourceBeepsAndSaysSo) {
  EXPECT_FALSE(DelFile(nullptr, s / "gone", "", true));
  ExpectNoticeOf("削除対象が存在しません");
  EXPECT_FALSE(RenameFile(nullptr, s / "gone", s / "new", "", true));
  ExpectNoticeOf("コピーまたは移動元が存在しません");
  EXPECT_FALSE(CopyMoveFile(s / "gone", s.folder(), "", nullptr, true, true));
  ExpectNoticeOf("コピーまたは移動元が存在しません");
  EXPECT_FALSE(CopyMoveFile(s / "gone", s.folder(), "title", nullptr, false, false));
  ExpectNoticeOf("コピーまたは移動元が存在しません");
  EXPECT_FALSE(DelFile(nullptr, "", "", true));
  ExpectNoticeOf("削除対象が存在しません");
  EXPECT_FALSE(RenameFile(nullptr, std::string(5000, 'x'), "y", "", true));
  ExpectNoticeOf("コピーまたは移動元が存在しません");
}

TEST_F(ShellOpsTest, DeleteRemovesFilesAndWholeFolders) {
  const std::string file = s.Write("a b.txt", "x");
  s.Write("tree/sub/deep.txt", "y");
  s.Write("tree/.hidden", "z");
  EXPECT_TRUE(DelFile(nullptr, file, "", true));
  EXPECT_TRUE(DelFile(nullptr, s / "tree/", "", true));  // trailing separator too
  EXPECT_FALSE(fs::exists(file));
  EXPECT_FALSE(fs::exists(s / "tree"));
  ExpectQuiet();
}

TEST_F(ShellOpsTest, DeleteOfALinkLeavesWhatItPointsTo) {
  s.Write("real/keep.txt", "x");
  fs::create_directory_symlink(s / "real", s / "link");
  EXPECT_TRUE(DelFile(nullptr, s / "link/", "", true));
  EXPECT_FALSE(fs::exists(fs::symlink_status(s / "link")));
  EXPECT_TRUE(fs::exists(s / "real/keep.txt"));
  fs::create_symlink(s / "nowhere", s / "dangling");
  EXPECT_TRUE(DelFile(nullptr, s / "dangling", "", true));
}

TEST_F(ShellOpsTest, DeleteRefusesTheRootAndDotNames) {
  EXPECT_FALSE(DelFile(nullptr, "/", "", true));
  s.Write("sub/keep.txt", "x");
  EXPECT_FALSE(DelFile(nullptr, s / "sub/.", "", true));
  EXPECT_FALSE(DelFile(nullptr, s / "sub/..", "", true));
  EXPECT_TRUE(fs::exists(s / "sub/keep.txt"));
}

TEST_F(ShellOpsTest, RenameGivesANewNameAndNeverReplaces) {
  s.Write("~kstmp/a.txt", "x");
  EXPECT_TRUE(RenameFile(nullptr, s / "~kstmp", s / "アーカイブ 1", "", true));
  EXPECT_EQ(ReadWhole(s / "アーカイブ 1/a.txt"), "x");
  EXPECT_FALSE(fs::exists(s / "~kstmp"));

  s.Write("~ks.tmp", "new archive");
  s.Write("pack.lzh", "old archive");
  EXPECT_FALSE(RenameFile(nullptr, s / "~ks.tmp", s / "pack.lzh", "", true));
  EXPECT_EQ(ReadWhole(s / "pack.lzh"), "old archive");
  EXPECT_EQ(ReadWhole(s / "~ks.tmp"), "new archive");
  EXPECT_FALSE(RenameFile(nullptr, s / "アーカイブ 1", s / "アーカイブ 1/inner", "", true));
  EXPECT_FALSE(RenameFile(nullptr, s / "~ks.tmp", "", "", true));
  ExpectQuiet();
}

TEST_F(ShellOpsTest, MoveIntoAnExistingFolderKeepsTheName) {
  s.Write("ex/foo/inner/a.txt", "a");
  fs::create_directory(s / "arc");
  EXPECT_TRUE(CopyMoveFile(s / "ex/foo", s / "arc/", "", nullptr, true, true));
  EXPECT_EQ(ReadWhole(s / "arc/foo/inner/a.txt"), "a");
  EXPECT_FALSE(fs::exists(s / "ex/foo"));
  ExpectQuiet();
}

TEST_F(ShellOpsTest, MoveToAFreeNameTakesThatName) {
  s.Write("ex/bar/a.txt", "a");
  EXPECT_TRUE(CopyMoveFile(s / "ex/bar", s / "arc/bar_1", "", nullptr, true, true));
  EXPECT_EQ(ReadWhole(s / "arc/bar_1/a.txt"), "a");  // "arc" made on the way
  EXPECT_FALSE(fs::exists(s / "ex/bar"));
}

TEST_F(ShellOpsTest, MoveNeverOverwritesAndNeverGoesIntoItself) {
  s.Write("ex/a.txt", "new");
  s.Write("arc/a.txt", "old");
  EXPECT_FALSE(CopyMoveFile(s / "ex/a.txt", s / "arc", "", nullptr, true, true));
  EXPECT_FALSE(CopyMoveFile(s / "ex/a.txt", s / "arc/a.txt", "", nullptr, true, true));
  EXPECT_EQ(ReadWhole(s / "arc/a.txt"), "old");
  EXPECT_EQ(ReadWhole(s / "ex/a.txt"), "new");

  EXPECT_FALSE(CopyMoveFile(s / "ex", s / "ex", "", nullptr, true, true));
  EXPECT_FALSE(CopyMoveFile(s / "ex", s / "ex/deeper", "", nullptr, false, true));
  EXPECT_FALSE(CopyMoveFile(s / "ex", "", "", nullptr, true, true));
  EXPECT_EQ(ReadWhole(s / "ex/a.txt"), "new");
  ExpectQuiet();
}

TEST_F(ShellOpsTest, CopyLeavesTheSource) {
  s.Write("src/sub/b.txt", "b");
  fs::create_symlink("sub/b.txt", s / "src/link");
  EXPECT_TRUE(CopyMoveFile(s / "src", s / "dst", "", nullptr, false, true));
  EXPECT_EQ(ReadWhole(s / "dst/sub/b.txt"), "b");
  EXPECT_TRUE(fs::is_symlink(s / "dst/link"));
  EXPECT_EQ(fs::read_symlink(s / "dst/link"), "sub/b.txt");
  EXPECT_EQ(ReadWhole(s / "src/sub/b.txt"), "b");
}

TEST_F(ShellOpsTest, AMoveAcrossFileSystemsCopiesThenRemoves) {
  CrossDevice();
  s.Write("ex/foo/a.txt", "a");
  s.Write("ex/foo/empty/.keep", "");
  const auto time = fs::last_write_time(s / "ex/foo/a.txt") - std::chrono::hours(48);
  fs::last_write_time(s / "ex/foo/a.txt", time);
  EXPECT_TRUE(CopyMoveFile(s / "ex/foo", s / "arc/", "", nullptr, true, true));
  EXPECT_EQ(ReadWhole(s / "arc/foo/a.txt"), "a");
  EXPECT_TRUE(fs::exists(s / "arc/foo/empty/.keep"));
  EXPECT_EQ(fs::last_write_time(s / "arc/foo/a.txt"), time);  // times survive the copy
  EXPECT_FALSE(fs::exists(s / "ex/foo"));

  s.Write("one.tmp", "archive");
  EXPECT_TRUE(RenameFile(nullptr, s / "one.tmp", s / "arc/one.lzh", "", true));
  EXPECT_EQ(ReadWhole(s / "arc/one.lzh"), "archive");
  EXPECT_FALSE(fs::exists(s / "one.tmp"));
}

TEST_F(ShellOpsTest, AFailedCopyAcrossFileSystemsKeepsTheSourceAndLeavesNoHalfCopy) {
  CrossDevice();
  s.Write("ex/foo/a.txt", "a");
  s.Write("ex/foo/b.txt", "b");
  // A pipe cannot be carried over by copying, so the copy fails part-way.
  ASSERT_EQ(::mkfifo((s / "ex/foo/pipe").c_str(), 0600), 0);
  EXPECT_FALSE(CopyMoveFile(s / "ex/foo", s / "arc", "", nullptr, true, true));
  EXPECT_FALSE(fs::exists(s / "arc/foo"));
  EXPECT_EQ(ReadWhole(s / "ex/foo/a.txt"), "a");
  EXPECT_EQ(ReadWhole(s / "ex/foo/b.txt"), "b");
  EXPECT_TRUE(fs::exists(s / "ex/foo/pipe"));
}

TEST_F(ShellOpsTest, OtherRenameFailuresKeepTheSource) {
  SetRenameFunctionForTesting([](const fs::path&, const fs::path&, std::error_code& ec) {
    ec = std::make_error_code(std::errc::device_or_resource_busy);
  });
  s.Write("busy/a.txt", "a");
  EXPECT_FALSE(RenameFile(nullptr, s / "busy", s / "other", "", true));
  EXPECT_FALSE(CopyMoveFile(s / "busy", s / "other", "", nullptr, true, true));
  EXPECT_EQ(ReadWhole(s / "busy/a.txt"), "a");
  EXPECT_FALSE(fs::exists(s / "other"));
}

TEST_F(ShellOpsTest, AReadOnlyFolderKeepsItsEntries) {
  s.Write("ro/a.txt", "a");
  fs::permissions(s / "ro", fs::perms::owner_read | fs::perms::owner_exec);
  if (::access((s / "ro").c_str(), W_OK) == 0) {
    fs::permissions(s / "ro", fs::perms::owner_all);
    GTEST_SKIP() << "permissions do not bind the superuser";
  }
  EXPECT_FALSE(DelFile(nullptr, s / "ro/a.txt", "", true));
  EXPECT_FALSE(RenameFile(nullptr, s / "ro/a.txt", s / "b.txt", "", true));
  EXPECT_FALSE(CopyMoveFile(s / "ro/a.txt", s.folder(), "", nullptr, true, true));
  EXPECT_EQ(ReadWhole(s / "ro/a.txt"), "a");
  fs::permissions(s / "ro", fs::perms::owner_all);
}

}  // namespace
}  // namespace ks
