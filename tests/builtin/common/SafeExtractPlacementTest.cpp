// Putting extracted files in place where the file system is awkward: names
// it cannot hold, and targets without rename-without-replace or hard links
// (FUSE mounts), played by swapping the file calls.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "ArchiveWriterSupport.h"
#include "ExtractTestSupport.h"
#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/FileCalls.h"

namespace ks::test {
namespace {

// A name of 304 bytes in UTF-8: legal on the system that made the archive
// (255 characters), too long for Linux file systems (255 bytes).
std::string TooLongName() {
  std::string name;
  for (int i = 0; i < 101; ++i) name += "あ";
  return name + "x";
}

class Placement : public ::testing::Test {
 protected:
  ~Placement() override { TheFileCalls() = SystemFileCalls(); }

  int Extract(const std::vector<RawEntry>& entries) {
    const fs::path archive = scratch / "a.tar";
    EXPECT_TRUE(WriteRawArchive(archive.string(), RawFormat::Tar, entries));
    result = RunCommand(*tar, "-xvaf " + Q(archive) + " " + Q(out));
    return result.code;
  }
  // Names in `out` the extraction left behind by mistake.
  std::vector<std::string> Leftovers() {
    std::vector<std::string> names;
    for (const auto& [name, kind] : Tree(out))
      if (fs::path(name).filename().string().rfind(".~ks", 0) == 0) names.push_back(name);
    return names;
  }
  // A file system without RENAME_NOREPLACE and hard links, as FUSE mounts.
  static void WithoutNoReplaceAndLinks() {
    TheFileCalls().renameNoReplace = [](int, const char*, int, const char*) {
      errno = EINVAL;
      return -1;
    };
    TheFileCalls().link = [](int, const char*, int, const char*) {
      errno = EPERM;
      return -1;
    };
  }

  TestHost host;
  ScratchFolder scratch;
  fs::path out = scratch / "out";
  std::shared_ptr<CommonArchiver> tar = MakeTarBackend();
  CommandResult result;
};

TEST_F(Placement, AnEntryWhoseNameIsTooLongIsSkippedAndTheRestExtracted) {
  const std::string longName = TooLongName();
  EXPECT_NE(Extract({{"a.txt", AE_IFREG, "first"},
                     {longName + ".txt", AE_IFREG, "lost"},
                     {longName, AE_IFDIR},
                     {"dir/" + longName + "/inner.txt", AE_IFREG, "lost too"},
                     {"z.txt", AE_IFREG, "last"}}),
            kArcOk);
  EXPECT_EQ(Tree(out), (std::map<std::string, std::string>{
                           {"a.txt", "file:first"}, {"dir", "folder"}, {"z.txt", "file:last"}}))
      << result.output;
  EXPECT_NE(result.output.find("not extracted: " + longName + ".txt"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("not extracted: " + longName + "/"), std::string::npos) << result.output;
  // Only what was written is listed as extracted.
  EXPECT_EQ(result.output.find("  " + longName), std::string::npos) << result.output;
}

TEST_F(Placement, WithoutNoReplaceRenameOrHardLinksFilesStillArrive) {
  WithoutNoReplaceAndLinks();
  EXPECT_EQ(Extract({{"a.txt", AE_IFREG, "alpha"},
                     {"dir/b.txt", AE_IFREG, "beta"},
                     {"dir/link", AE_IFLNK, "", "b.txt"},
                     {"empty.txt", AE_IFREG, ""}}),
            kArcOk)
      << result.output;
  EXPECT_EQ(Tree(out), (std::map<std::string, std::string>{{"a.txt", "file:alpha"},
                                                            {"dir", "folder"},
                                                            {"dir/b.txt", "file:beta"},
                                                            {"dir/link", "link:b.txt"},
                                                            {"empty.txt", "file:"}}));
}

TEST_F(Placement, WithoutNoReplaceRenameOrHardLinksExistingFilesWaitForTheAnswer) {
  WithoutNoReplaceAndLinks();
  WriteFile(out / "keep.txt", "mine");
  WriteFile(out / "swap.txt", "old");
  host.overwriteAnswers = {OverwriteAnswer::Skip, OverwriteAnswer::Replace};
  EXPECT_EQ(Extract({{"keep.txt", AE_IFREG, "theirs"}, {"swap.txt", AE_IFREG, "new"}}), kArcOk);
  EXPECT_EQ(ReadFile(out / "keep.txt"), "mine");
  EXPECT_EQ(ReadFile(out / "swap.txt"), "new");
  EXPECT_EQ(host.overwriteAsked.size(), 2u);
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(Placement, WithoutNoReplaceRenameAFileThatAppearsMeanwhileIsKept) {
  WithoutNoReplaceAndLinks();
  // Someone writes the name after the question was settled, just before
  // the file is put in place.
  TheFileCalls().renameNoReplace = [](int dir, const char*, int, const char* to) {
    const int fd = ::openat(dir, to, O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd >= 0) {
      (void)!::write(fd, "theirs", 6);
      ::close(fd);
    }
    errno = EINVAL;
    return -1;
  };
  EXPECT_NE(Extract({{"race.txt", AE_IFREG, "ours"}}), kArcOk);
  EXPECT_EQ(ReadFile(out / "race.txt"), "theirs");
  EXPECT_NE(result.output.find("appeared meanwhile"), std::string::npos) << result.output;
  EXPECT_TRUE(Leftovers().empty());
}

TEST_F(Placement, WhenTheFinalRenameFailsNothingStandsUnderTheName) {
  WithoutNoReplaceAndLinks();
  TheFileCalls().rename = [](int, const char*, int, const char*) {
    errno = EACCES;
    return -1;
  };
  EXPECT_NE(Extract({{"a.txt", AE_IFREG, "alpha"}}), kArcOk);
  EXPECT_TRUE(Tree(out).empty()) << Tree(out).begin()->first;
}

}  // namespace
}  // namespace ks::test
