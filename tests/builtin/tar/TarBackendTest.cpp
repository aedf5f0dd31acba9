// The Tar32 back-end: its own archives round trip and are accepted by
// bsdtar and 7z; what bsdtar, gzip and bzip2 make, it extracts.
#include <gtest/gtest.h>

#include "builtin/common/ExtractTestSupport.h"
#include "archivers/builtin/Backends.h"
#include "archivers/builtin/tar/TarNames.h"

namespace ks::test {
namespace {

// Runs a command with the current directory set to `folder`, as the
// compression driver does while Tar32 packs.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const fs::path& folder) : old_(fs::current_path()) {
    fs::current_path(folder);
  }
  ~CurrentDirectory() { fs::current_path(old_); }

 private:
  fs::path old_;
};

class TarBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeSampleTree(src / "folder");
    WriteFile(src / "single file.txt", "one file beside the folder\n");
    fs::create_directories(src / "lonely empty");
    WriteFile(list, "\"folder/*.*\"\r\n\"single file.txt\"\r\n\"lonely empty/*.*\"\r\n");
  }
  CommandResult Pack(const std::string& options, const fs::path& archive) {
    CurrentDirectory cd(src);
    return RunCommand(*tar, options + " " + Q(archive) + " " + Q("@" + list.string()));
  }
  CommandResult Unpack(const fs::path& archive, const fs::path& folder) {
    return RunCommand(*tar, "-xvaf " + Q(archive) + " " + Q(folder.string() + "/"));
  }

  TestHost host;
  ScratchFolder scratch;
  fs::path src = scratch / "src";
  fs::path list = scratch / "kestrino.tmp";
  std::shared_ptr<CommonArchiver> tar = MakeTarBackend();
};

TEST_F(TarBackendTest, EveryCreateFormRoundTripsWithJapaneseNamesAndEmptyFolders) {
  for (const char* options : {"-cvf", "-czf", "-cBf"}) {
    SCOPED_TRACE(options);
    const fs::path archive = scratch / (std::string("made") + options + ".tar");
    const auto packed = Pack(options, archive);
    ASSERT_EQ(packed.code, kArcOk) << packed.output;
    EXPECT_NE(tar->CheckArchive(archive.string(), 0), 0);
    EXPECT_NE(tar->CheckArchive(archive.string(), 2), 0);
    const fs::path out = scratch / (std::string("out") + options);
    const auto unpacked = Unpack(archive, out);
    ASSERT_EQ(unpacked.code, kArcOk) << unpacked.output;
    EXPECT_EQ(Tree(out), Tree(src));
    EXPECT_TRUE(fs::is_directory(out / "folder" / "empty"));
    EXPECT_TRUE(fs::is_directory(out / "lonely empty"));
  }
}

TEST_F(TarBackendTest, WhatWeMakeBsdtarAnd7zAccept) {
  if (!HaveTool("bsdtar")) GTEST_SKIP() << "bsdtar is not installed";
  for (const char* options : {"-cvf", "-czf", "-cBf"}) {
    SCOPED_TRACE(options);
    const fs::path archive = scratch / (std::string("peer") + options + ".tar");
    ASSERT_EQ(Pack(options, archive).code, kArcOk);
    const fs::path out = scratch / (std::string("bsd") + options);
    fs::create_directories(out);
    EXPECT_EQ(Shell("bsdtar -xf " + Quote(archive) + " -C " + Quote(out)), 0);
    EXPECT_EQ(Tree(out), Tree(src));
    if (HaveTool("7z")) {
      EXPECT_EQ(Shell("7z t " + Quote(archive)), 0);
    }
  }
}

TEST_F(TarBackendTest, ExtractsWhatBsdtarMakesInEveryCompression) {
  if (!HaveTool("bsdtar")) GTEST_SKIP() << "bsdtar is not installed";
  for (const char* option : {"", "z", "j", "J", "--zstd "}) {
    SCOPED_TRACE(option);
    const std::string opt(option);
    if (opt == "--zstd " && !HaveTool("zstd")) continue;
    const fs::path archive = scratch / ("bsd" + std::to_string(opt.size()) + ".tar");
    ASSERT_EQ(Shell("bsdtar -c" + (opt.size() == 1 ? opt : "") + "f " + Quote(archive) + " " +
                    (opt.size() > 1 ? opt : "") + "-C " + Quote(src) + " ."),
              0);
    const fs::path out = scratch / ("out" + std::to_string(opt.size()));
    const auto r = Unpack(archive, out);
    ASSERT_EQ(r.code, kArcOk) << r.output;
    EXPECT_EQ(Tree(out), Tree(src));
  }
}

TEST_F(TarBackendTest, LoneCompressedFileBecomesItsNameWithoutTheExtension) {
  const std::string content = SomeBytes(50000, 3);
  WriteFile(scratch / "notes.txt", content);
  ASSERT_EQ(Shell("cd " + Quote(scratch.path()) + " && gzip -k notes.txt && bzip2 -k notes.txt"), 0);
  for (const char* ext : {".gz", ".bz2"}) {
    const fs::path out = scratch / (std::string("out") + ext);
    const auto r = Unpack(scratch / (std::string("notes.txt") + ext), out);
    ASSERT_EQ(r.code, kArcOk) << r.output;
    EXPECT_EQ(ReadFile(out / "notes.txt"), content);
    EXPECT_NE(tar->CheckArchive((scratch / (std::string("notes.txt") + ext)).string(), 0), 0);
  }
  // An uncompressed file that is not a tar is not ours.
  EXPECT_EQ(tar->CheckArchive((scratch / "notes.txt").string(), 0), 0);
  EXPECT_NE(Unpack(scratch / "notes.txt", scratch / "plain").code, kArcOk);
}

TEST(TarNames, SingleFileNames) {
  EXPECT_EQ(SingleFileName("/a/notes.txt.gz"), "notes.txt");
  EXPECT_EQ(SingleFileName("/a/NOTES.BZ2"), "NOTES");
  EXPECT_EQ(SingleFileName("/a/x.tgz"), "x.tar");
  EXPECT_EQ(SingleFileName("/a/data.zst"), "data");
  EXPECT_EQ(SingleFileName("/a/.gz"), ".gz.out");
  EXPECT_EQ(SingleFileName("/a/blob"), "blob.out");
}

TEST_F(TarBackendTest, DamagedAndTruncatedArchivesFail) {
  const fs::path archive = scratch / "whole.tgz";
  ASSERT_EQ(Pack("-czf", archive).code, kArcOk);
  const std::string bytes = ReadFile(archive);
  WriteFile(scratch / "cut.tgz", bytes.substr(0, bytes.size() / 2));
  std::string flipped = bytes;
  flipped[bytes.size() / 2] = static_cast<char>(flipped[bytes.size() / 2] ^ 0xFF);
  WriteFile(scratch / "flipped.tgz", flipped);
  for (const char* name : {"cut.tgz", "flipped.tgz"}) {
    SCOPED_TRACE(name);
    const auto r = Unpack(scratch / name, scratch / (std::string("out-") + name));
    EXPECT_NE(r.code, kArcOk) << r.output;
    EXPECT_EQ(tar->CheckArchive((scratch / name).string(), 2), 0);
    for (const auto& [entry, kind] : Tree(scratch / (std::string("out-") + name)))
      EXPECT_EQ(entry.find(".~ks"), std::string::npos) << entry;
  }
}

TEST_F(TarBackendTest, PackingFailuresLeaveNoArchive) {
  WriteFile(list, "\"folder/*.*\"\n\"does not exist.txt\"\n");
  const fs::path archive = scratch / "failed.tar";
  const auto r = Pack("-cvf", archive);
  EXPECT_EQ(r.code, kArcNotExist);
  EXPECT_NE(r.output.find("does not exist.txt"), std::string::npos);
  EXPECT_FALSE(fs::exists(archive));

  const auto noList = RunCommand(*tar, "-cvf " + Q(archive) + " " + Q("@" + (scratch / "nolist").string()));
  EXPECT_EQ(noList.code, kArcFileOpen);
  EXPECT_EQ(RunCommand(*tar, "-cxf a b").code, kArcCommandName);
  EXPECT_EQ(RunCommand(*tar, "-xvqf a b").code, kArcCommandName);
}

TEST_F(TarBackendTest, PackingShowsTheShareOfTheBytesPacked) {
  ASSERT_EQ(Pack("-czf", scratch / "shown.tgz").code, kArcOk);
  std::uint64_t bytes = 0;
  for (const auto& entry : fs::recursive_directory_iterator(src))
    if (entry.is_regular_file()) bytes += entry.file_size();
  ASSERT_FALSE(host.reports.empty());
  for (const auto& r : host.reports) EXPECT_EQ(r.total, bytes) << r.name;
  EXPECT_EQ(host.reports.back().done, bytes);
}

TEST_F(TarBackendTest, CancelWhilePackingRemovesTheArchive) {
  host.cancelAfter = 2;
  const fs::path archive = scratch / "cancelled.tar";
  EXPECT_EQ(Pack("-cvf", archive).code, kArcUserCancel);
  EXPECT_FALSE(fs::exists(archive));
}

}  // namespace
}  // namespace ks::test
