// What extraction refuses, what it asks, and what it leaves behind when an
// archive is hostile, damaged or already partly there.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "ArchiveWriterSupport.h"
#include "ExtractTestSupport.h"
#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/SafeExtract.h"

namespace ks::test {
namespace {

TEST(SafeRelativeName, RefusesNamesThatLeaveTheTarget) {
  for (const char* bad : {"../x", "a/../../x", "a/..", "/etc/passwd", "\\x", "..\\x", "a\\..\\..\\x",
                          "C:x", "c:\\windows\\x", "C:/x", ""})
    EXPECT_FALSE(SafeExtract::SafeRelativeName(bad)) << bad;
}

TEST(SafeRelativeName, NormalisesHarmlessNames) {
  EXPECT_EQ(SafeExtract::SafeRelativeName("a/b.txt"), "a/b.txt");
  EXPECT_EQ(SafeExtract::SafeRelativeName("./a//b/./c"), "a/b/c");
  EXPECT_EQ(SafeExtract::SafeRelativeName("dir\\file.txt"), "dir/file.txt");
  EXPECT_EQ(SafeExtract::SafeRelativeName("dir/"), "dir");
  EXPECT_EQ(SafeExtract::SafeRelativeName("./"), "");
  EXPECT_EQ(SafeExtract::SafeRelativeName("a..b/..c"), "a..b/..c");  // dots inside names are fine
  EXPECT_EQ(SafeExtract::SafeRelativeName("日本/語:1"), "日本/語:1");
}

TEST(LinkStaysInside, OnlyLinksThatCannotClimbOut) {
  EXPECT_TRUE(SafeExtract::LinkStaysInside("a/link", "b"));
  EXPECT_TRUE(SafeExtract::LinkStaysInside("a/link", "../b/c"));
  EXPECT_TRUE(SafeExtract::LinkStaysInside("a/b/link", "../../c"));
  EXPECT_TRUE(SafeExtract::LinkStaysInside("link", "."));
  EXPECT_FALSE(SafeExtract::LinkStaysInside("link", ".."));
  EXPECT_FALSE(SafeExtract::LinkStaysInside("a/link", "../../x"));
  EXPECT_FALSE(SafeExtract::LinkStaysInside("link", "/"));
  EXPECT_FALSE(SafeExtract::LinkStaysInside("link", "/etc/passwd"));
  EXPECT_FALSE(SafeExtract::LinkStaysInside("link", "C:\\x"));
  EXPECT_FALSE(SafeExtract::LinkStaysInside("link", "..\\x"));
  // A ".." after a name may climb out through another link ("d" -> ".").
  EXPECT_FALSE(SafeExtract::LinkStaysInside("a/link", "d/d/../../x"));
  EXPECT_FALSE(SafeExtract::LinkStaysInside("link", "d/../x"));
  EXPECT_FALSE(SafeExtract::LinkStaysInside("link", ""));
}

class HostileArchive : public ::testing::Test {
 protected:
  // Extracts with the Tar32 back-end into scratch/out; the result code.
  int Extract(const std::vector<RawEntry>& entries, RawFormat format = RawFormat::Tar) {
    const fs::path archive = scratch / (format == RawFormat::Tar ? "hostile.tar" : "hostile.zip");
    EXPECT_TRUE(WriteRawArchive(archive.string(), format, entries));
    auto lib = format == RawFormat::Tar ? MakeTarBackend() : MakeUnZipBackend();
    const std::string line = format == RawFormat::Tar
                                 ? "-xvaf " + Q(archive) + " " + Q(out)
                                 : "-x -q " + Q(archive) + " " + Q(out);
    result = RunCommand(*lib, line);
    return result.code;
  }
  // Everything in scratch outside out/ and the archives: must stay empty.
  std::map<std::string, std::string> Outside() {
    auto tree = Tree(scratch.path());
    for (auto it = tree.begin(); it != tree.end();) {
      const std::string& n = it->first;
      if (n == "out" || n.rfind("out/", 0) == 0 || n.rfind("hostile.", 0) == 0 || n == "victim" ||
          n.rfind("victim/", 0) == 0)
        it = tree.erase(it);
      else
        ++it;
    }
    return tree;
  }

  TestHost host;
  ScratchFolder scratch;
  fs::path out = scratch / "out" / "deeper";
  CommandResult result;
};

TEST_F(HostileArchive, DotDotAndAbsoluteNamesAreRefusedTheRestExtracted) {
  const fs::path absolute = scratch / "absolute.txt";
  EXPECT_EQ(Extract({{"../escaped.txt", AE_IFREG, "bad"},
                     {"a/../../escaped2.txt", AE_IFREG, "bad"},
                     {absolute.string(), AE_IFREG, "bad"},
                     {"..\\escaped3.txt", AE_IFREG, "bad"},
                     {"good.txt", AE_IFREG, "good"}}),
            kArcUnsafeEntry);
  EXPECT_TRUE(Outside().empty());
  EXPECT_FALSE(fs::exists(absolute));
  EXPECT_FALSE(fs::exists(scratch / "out" / "escaped.txt"));
  EXPECT_EQ(ReadFile(out / "good.txt"), "good");
  EXPECT_NE(result.output.find("refused"), std::string::npos);
}

TEST_F(HostileArchive, ZipWithDotDotNameFails) {
  EXPECT_EQ(Extract({{"../../zipped.txt", AE_IFREG, "bad"}}, RawFormat::Zip), kArcUnsafeEntry);
  EXPECT_TRUE(Outside().empty());
  EXPECT_FALSE(fs::exists(scratch / "zipped.txt"));
}

TEST_F(HostileArchive, SymlinkToRootThenFileUnderItWritesNothingOutside) {
  fs::create_directories(scratch / "victim");
  EXPECT_EQ(Extract({{"link", AE_IFLNK, "", "/"},
                     {"up", AE_IFLNK, "", "../../victim"},
                     {"up/planted.txt", AE_IFREG, "bad"},
                     {"link/tmp/planted.txt", AE_IFREG, "bad"}}),
            kArcUnsafeEntry);
  EXPECT_FALSE(fs::is_symlink(out / "link"));
  EXPECT_FALSE(fs::is_symlink(out / "up"));
  EXPECT_FALSE(fs::exists(scratch / "victim" / "planted.txt"));
  EXPECT_FALSE(fs::exists("/tmp/planted.txt") && ReadFile("/tmp/planted.txt") == "bad");
  EXPECT_TRUE(Outside().empty());
}

TEST_F(HostileArchive, LinksInsideTheTargetAreKept) {
  EXPECT_EQ(Extract({{"dir/file.txt", AE_IFREG, "content"},
                     {"dir/rel", AE_IFLNK, "", "file.txt"},
                     {"up", AE_IFLNK, "", "dir/file.txt"},
                     {"hard.txt", AE_IFREG, "", "", "dir/file.txt"}}),
            kArcOk)
      << result.output;
  EXPECT_EQ(fs::read_symlink(out / "dir" / "rel"), "file.txt");
  EXPECT_EQ(ReadFile(out / "up"), "content");
  EXPECT_EQ(ReadFile(out / "hard.txt"), "content");
  EXPECT_EQ(fs::hard_link_count(out / "hard.txt"), 2u);
}

TEST_F(HostileArchive, HardLinkToAFileOutsideIsNotMade) {
  WriteFile(scratch / "victim" / "secret.txt", "secret");
  EXPECT_EQ(Extract({{"stolen", AE_IFREG, "", "", "../../victim/secret.txt"},
                     {"stolen2", AE_IFREG, "", "", "/etc/passwd"},
                     {"later", AE_IFREG, "", "", "notyet.txt"},
                     {"notyet.txt", AE_IFREG, "x"}}),
            kArcUnsafeEntry);
  EXPECT_FALSE(fs::exists(out / "stolen"));
  EXPECT_FALSE(fs::exists(out / "stolen2"));
  EXPECT_FALSE(fs::exists(out / "later"));
  EXPECT_EQ(fs::hard_link_count(scratch / "victim" / "secret.txt"), 1u);
}

TEST_F(HostileArchive, ExistingLinkInTheTargetIsNeverWrittenThrough) {
  WriteFile(scratch / "victim" / "target.txt", "original");
  fs::create_directories(out);
  fs::create_symlink(scratch / "victim", out / "dir");
  fs::create_symlink(scratch / "victim" / "target.txt", out / "file.txt");
  host.overwriteAnswers = {OverwriteAnswer::Replace};
  EXPECT_EQ(Extract({{"dir/target.txt", AE_IFREG, "bad"}, {"file.txt", AE_IFREG, "new"}}),
            kArcUnsafeEntry);
  EXPECT_EQ(ReadFile(scratch / "victim" / "target.txt"), "original");
  // Replacing the link puts a file in its place; the link's target is untouched.
  EXPECT_FALSE(fs::is_symlink(out / "file.txt"));
  EXPECT_EQ(ReadFile(out / "file.txt"), "new");
}

TEST_F(HostileArchive, DevicesAndFifosAreNotCreatedAndModesAreMasked) {
  EXPECT_EQ(Extract({{"fifo", AE_IFIFO}, {"dev", AE_IFCHR}, {"tool", AE_IFREG, "x", "", "", 06755}}),
            kArcOk);
  EXPECT_FALSE(fs::exists(fs::symlink_status(out / "fifo")));
  EXPECT_FALSE(fs::exists(fs::symlink_status(out / "dev")));
  struct stat st;
  ASSERT_EQ(::stat((out / "tool").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & (S_ISUID | S_ISGID), 0u);
  EXPECT_NE(st.st_mode & S_IXUSR, 0u);
  EXPECT_EQ(st.st_mtime, 1600000000);
}

class Overwrite : public HostileArchive {};

TEST_F(Overwrite, ExistingFilesAreReplacedOnlyWhenTheHostSaysSo) {
  WriteFile(out / "a.txt", "old a");
  WriteFile(out / "b.txt", "old b");
  WriteFile(out / "c.txt", "old c");
  host.overwriteAnswers = {OverwriteAnswer::Skip, OverwriteAnswer::ReplaceAll};
  EXPECT_EQ(Extract({{"a.txt", AE_IFREG, "new a"},
                     {"b.txt", AE_IFREG, "new b"},
                     {"c.txt", AE_IFREG, "new c"},
                     {"d.txt", AE_IFREG, "new d"}}),
            kArcOk);
  EXPECT_EQ(ReadFile(out / "a.txt"), "old a");
  EXPECT_EQ(ReadFile(out / "b.txt"), "new b");
  EXPECT_EQ(ReadFile(out / "c.txt"), "new c");
  EXPECT_EQ(ReadFile(out / "d.txt"), "new d");
  // Asked for a and b; after "replace all" no more questions.
  ASSERT_EQ(host.overwriteAsked.size(), 2u);
  EXPECT_EQ(host.overwriteAsked[0], (out / "a.txt").string());
}

TEST_F(Overwrite, SkipAllKeepsEveryExistingFileWithOneAnswer) {
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) WriteFile(out / name, "old");
  host.overwriteAnswers = {OverwriteAnswer::SkipAll, OverwriteAnswer::Replace};
  EXPECT_EQ(Extract({{"a.txt", AE_IFREG, "new"},
                     {"b.txt", AE_IFREG, "new"},
                     {"d.txt", AE_IFREG, "new"},
                     {"c.txt", AE_IFREG, "new"}}),
            kArcOk);
  for (const char* name : {"a.txt", "b.txt", "c.txt"}) EXPECT_EQ(ReadFile(out / name), "old");
  EXPECT_EQ(ReadFile(out / "d.txt"), "new");
  EXPECT_EQ(host.overwriteAsked.size(), 1u);
}

// The progress of an extraction is the share of the archive read: it rises
// through every entry of a compressed archive, where the bytes written pass
// the archive's size within the first entries.
TEST_F(HostileArchive, ProgressIsTheShareOfTheArchiveRead) {
  std::vector<RawEntry> entries;
  for (unsigned i = 0; i < 6; ++i)
    entries.emplace_back("part" + std::to_string(i) + ".txt", AE_IFREG, SomeBytes(400000, i));
  ASSERT_EQ(Extract(entries, RawFormat::Zip), kArcOk) << result.output;
  const std::uint64_t size = fs::file_size(scratch / "hostile.zip");
  ASSERT_FALSE(host.reports.empty());
  std::vector<std::uint64_t> atEntryStart;  // the first report of each entry
  std::string last;
  for (const auto& r : host.reports) {
    EXPECT_EQ(r.total, size);
    EXPECT_LE(r.done, r.total);
    if (r.name != last) atEntryStart.push_back(r.done);
    last = r.name;
  }
  ASSERT_EQ(atEntryStart.size(), entries.size());
  for (std::size_t i = 1; i < atEntryStart.size(); ++i) EXPECT_GT(atEntryStart[i], atEntryStart[i - 1]);
  // The last entry starts short of the end: its bytes are still to be read.
  EXPECT_LT(atEntryStart.back(), size - size / 12);
}

TEST_F(Overwrite, CancelStopsTheCommandAndKeepsTheFile) {
  WriteFile(out / "a.txt", "old a");
  host.overwriteAnswers = {OverwriteAnswer::Cancel};
  EXPECT_EQ(Extract({{"a.txt", AE_IFREG, "new a"}, {"z.txt", AE_IFREG, "z"}}), kArcUserCancel);
  EXPECT_EQ(ReadFile(out / "a.txt"), "old a");
  EXPECT_FALSE(fs::exists(out / "z.txt"));
}

TEST_F(HostileArchive, CancelInProgressRemovesThePartialFile) {
  host.cancelAfter = 1;  // the first update (entry start) passes, the next cancels
  EXPECT_EQ(Extract({{"big.bin", AE_IFREG, SomeBytes(3 << 20, 5)}}), kArcUserCancel);
  EXPECT_TRUE(Tree(out).empty()) << Tree(out).begin()->first;
}

TEST_F(HostileArchive, UnwritableTargetIsAFailure) {
  if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
  fs::create_directories(out);
  fs::permissions(out, fs::perms::owner_read | fs::perms::owner_exec);
  EXPECT_NE(Extract({{"a.txt", AE_IFREG, "a"}}), kArcOk);
}

TEST_F(HostileArchive, TargetBelowAFileCannotBeMade) {
  WriteFile(scratch / "out", "a file where the folder should be");
  EXPECT_EQ(Extract({{"a.txt", AE_IFREG, "a"}}), kArcMakeDirectory);
}

TEST_F(HostileArchive, FullDiskIsReportedAsSuch) {
  // A tiny file system of its own; only possible where the tests may mount.
  const fs::path small = scratch / "small";
  fs::create_directories(small);
  if (::geteuid() != 0 || Shell("mount -t tmpfs -o size=64k tmpfs " + Quote(small)) != 0)
    GTEST_SKIP() << "cannot mount a small file system";
  const fs::path archive = scratch / "hostile.tar";
  ASSERT_TRUE(WriteRawArchive(archive.string(), RawFormat::Tar,
                              {{"big.bin", AE_IFREG, SomeBytes(1 << 20, 9)}}));
  auto tar = MakeTarBackend();
  const auto r = RunCommand(*tar, "-xvaf " + Q(archive) + " " + Q(small / "x"));
  const bool leftOver = !Tree(small / "x").empty();
  Shell("umount " + Quote(small));
  EXPECT_EQ(r.code, kArcDiskSpace) << r.output;
  EXPECT_FALSE(leftOver);
}

}  // namespace
}  // namespace ks::test
