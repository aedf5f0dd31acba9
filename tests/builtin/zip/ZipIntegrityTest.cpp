// ZIP archives whose central directory and local headers disagree: no entry
// may go missing without an error, and none may vanish as a "device".
#include <gtest/gtest.h>

#include "archivers/builtin/Backends.h"
#include "archivers/builtin/zip/ZipDirectory.h"
#include "builtin/common/ArchiveWriterSupport.h"
#include "builtin/common/ExtractTestSupport.h"

namespace ks::test {
namespace {

class ZipIntegrity : public ::testing::Test {
 protected:
  std::string Made(const std::vector<RawEntry>& entries) {
    const fs::path p = scratch / "made.zip";
    fs::remove(p);
    EXPECT_TRUE(WriteRawArchive(p.string(), RawFormat::Zip, entries));
    return ReadFile(p);
  }
  fs::path Write(const std::string& name, const std::string& bytes) {
    WriteFile(scratch / name, bytes);
    return scratch / name;
  }
  CommandResult Extract(const fs::path& archive) {
    fs::remove_all(scratch / "out");
    return RunCommand(*unzip, "-x " + Q(archive) + " " + Q(scratch / "out/"));
  }

  TestHost host;
  ScratchFolder scratch;
  std::shared_ptr<CommonArchiver> unzip = MakeUnZipBackend();
  const std::vector<RawEntry> entries = {{"dir/", AE_IFDIR}, {"dir/a.txt", AE_IFREG, SomeBytes(3000, 1)},
                                         {"b.bin", AE_IFREG, SomeBytes(500, 2)}};
};

// Offsets of every `signature` in `bytes`.
std::vector<std::size_t> Find(const std::string& bytes, const std::string& signature) {
  std::vector<std::size_t> at;
  for (std::size_t p = bytes.find(signature); p != std::string::npos; p = bytes.find(signature, p + 1))
    at.push_back(p);
  return at;
}

TEST_F(ZipIntegrity, TheDirectoryIsCountedAsTheEndRecordSays) {
  const std::string zip = Made(entries);
  ZipDirectory d = ReadZipDirectory(Write("ok.zip", zip).string());
  EXPECT_EQ(d.status, ZipDirectory::Status::Ok) << d.problem;
  EXPECT_EQ(d.entries, 3u);
  // A self-extractor's program before the archive shifts every offset.
  d = ReadZipDirectory(Write("sfx.zip", std::string(5000, 'M') + zip).string());
  EXPECT_EQ(d.status, ZipDirectory::Status::Ok) << d.problem;
  EXPECT_EQ(d.entries, 3u);
  // Cut anywhere before the end record's end: it is missing.
  EXPECT_EQ(ReadZipDirectory(Write("cut.zip", zip.substr(0, zip.size() - 5)).string()).status,
            ZipDirectory::Status::NoEndRecord);
  // An end record that counts one entry more than the directory holds.
  std::string more = zip;
  const std::size_t end = Find(zip, "PK\5\6").back();
  more[end + 8] = more[end + 10] = 4;
  EXPECT_EQ(ReadZipDirectory(Write("more.zip", more).string()).status, ZipDirectory::Status::Damaged);
  // A directory record whose name length runs past the directory.
  std::string longName = zip;
  longName[Find(zip, "PK\1\2").back() + 28] = '\x7f';
  EXPECT_EQ(ReadZipDirectory(Write("name.zip", longName).string()).status, ZipDirectory::Status::Damaged);
}

TEST_F(ZipIntegrity, Zip64EndRecordsAreFollowed) {
  if (!HaveTool("zip")) GTEST_SKIP() << "Info-ZIP zip is not installed";
  WriteFile(scratch / "src" / "a.txt", "alpha");
  WriteFile(scratch / "src" / "b.txt", "beta");
  ASSERT_EQ(Shell("cd " + Quote(scratch / "src") + " && zip -q -fz ../z64.zip a.txt b.txt"), 0);
  ASSERT_NE(ReadFile(scratch / "z64.zip").find("PK\6\6"), std::string::npos);
  const ZipDirectory d = ReadZipDirectory((scratch / "z64.zip").string());
  EXPECT_EQ(d.status, ZipDirectory::Status::Ok) << d.problem;
  EXPECT_EQ(d.entries, 2u);
  const auto r = Extract(scratch / "z64.zip");
  EXPECT_EQ(r.code, kArcOk) << r.output;
}

TEST_F(ZipIntegrity, AnEntryWhoseLocalHeaderIsDamagedIsNeverPassedOver) {
  const std::string zip = Made(entries);
  const std::vector<std::size_t> locals = Find(zip, "PK\3\4");
  ASSERT_EQ(locals.size(), 3u);
  // One byte lost at the end of the folder's local header: the next local
  // header no longer starts where the directory says.
  std::string damaged = zip;
  damaged.erase(locals[1] - 1, 1);
  const fs::path a = Write("lost.zip", damaged);
  const auto r = Extract(a);
  EXPECT_NE(r.code, kArcOk) << r.output;
  EXPECT_EQ(unzip->CheckArchive(a.string(), 2), 0);
}

TEST_F(ZipIntegrity, PastADamagedLocalHeaderEntriesComeAsTheDirectoryListsThem) {
  std::string zip = Made({{"a.txt", AE_IFREG, SomeBytes(3000, 1)},
                          {"b.txt", AE_IFREG, SomeBytes(2000, 2)},
                          {"link", AE_IFLNK, "", "a.txt"},
                          {"c.txt", AE_IFREG, SomeBytes(1000, 3)}});
  zip[Find(zip, "PK\3\4")[1]] = 'X';  // b.txt's local header
  const auto r = Extract(Write("b.zip", zip));
  EXPECT_EQ(r.code, kArcHeaderBroken) << r.output;
  // Only the central directory tells the link from a file.
  EXPECT_EQ(Tree(scratch / "out"), (std::map<std::string, std::string>{{"a.txt", "file:" + SomeBytes(3000, 1)},
                                                                      {"link", "link:a.txt"},
                                                                      {"c.txt", "file:" + SomeBytes(1000, 3)}}))
      << r.output;
}

TEST_F(ZipIntegrity, AnEncryptionFlagSetByDamageIsNotTakenForEncryption) {
  std::string zip = Made(entries);
  // Bit 0 of a local header's flags says "encrypted"; the directory does not.
  zip[Find(zip, "PK\3\4")[1] + 6] |= 0x01;
  const fs::path a = Write("flag.zip", zip);
  EXPECT_EQ(unzip->CheckArchive(a.string(), 2), 0);
  EXPECT_NE(Extract(a).code, kArcOk);
}

TEST_F(ZipIntegrity, AFileTurnedIntoSomethingElseByDamageFails) {
  std::string zip = Made(entries);
  // One bit of the directory's Unix mode of b.bin (external attributes):
  // the file type is no longer a file.
  const std::size_t record = Find(zip, "PK\1\2").back();
  zip[record + 41] = static_cast<char>(zip[record + 41] ^ 0x10);
  const auto r = Extract(Write("fifo.zip", zip));
  EXPECT_NE(r.code, kArcOk) << r.output;
  EXPECT_NE(r.output.find("b.bin"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace ks::test
