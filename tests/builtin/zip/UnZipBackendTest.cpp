// The UnZip32 back-end against archives made by Info-ZIP zip and 7z.
#include <gtest/gtest.h>

#include "builtin/common/ArchiveWriterSupport.h"
#include "builtin/common/ExtractTestSupport.h"
#include "archivers/builtin/Backends.h"

namespace ks::test {
namespace {

class UnZipBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("zip")) GTEST_SKIP() << "zip is not installed";
    MakeSampleTree(src);
  }
  CommandResult Extract(const fs::path& archive, const fs::path& folder) {
    return RunCommand(*unzip, "-x -q " + Q(archive) + " " + Q(folder.string() + "/"));
  }
  fs::path Zip(const std::string& name, const std::string& options = "") {
    const fs::path archive = scratch / name;
    EXPECT_EQ(Shell("cd " + Quote(src) + " && zip -qr " + options + " " + Quote(archive) + " ."), 0);
    return archive;
  }

  TestHost host;
  ScratchFolder scratch;
  fs::path src = scratch / "src";
  std::shared_ptr<CommonArchiver> unzip = MakeUnZipBackend();
};

TEST_F(UnZipBackendTest, ExtractsWhatZipAnd7zMakeIdentically) {
  const fs::path a = Zip("info.zip");
  const auto r = Extract(a, scratch / "out1");
  ASSERT_EQ(r.code, kArcOk) << r.output;
  EXPECT_EQ(Tree(scratch / "out1"), Tree(src));
  if (HaveTool("7z")) {
    const fs::path b = scratch / "seven.zip";
    ASSERT_EQ(Shell("cd " + Quote(src) + " && 7z a -tzip " + Quote(b) + " ."), 0);
    const auto r2 = Extract(b, scratch / "out2");
    ASSERT_EQ(r2.code, kArcOk) << r2.output;
    EXPECT_EQ(Tree(scratch / "out2"), Tree(src));
  }
}

TEST_F(UnZipBackendTest, CheckModes) {
  const fs::path a = Zip("good.zip");
  EXPECT_NE(unzip->CheckArchive(a.string(), 0), 0);
  EXPECT_NE(unzip->CheckArchive(a.string(), 2), 0);
  WriteFile(scratch / "text.txt", "just text, not an archive at all");
  EXPECT_EQ(unzip->CheckArchive((scratch / "text.txt").string(), 0), 0);
  EXPECT_EQ(unzip->CheckArchive((scratch / "missing.zip").string(), 2), 0);
}

TEST_F(UnZipBackendTest, FullCheckShowsProgressAndStopsOnCancel) {
  const fs::path a = Zip("good.zip");
  EXPECT_NE(unzip->CheckArchive(a.string(), 2), 0);
  EXPECT_EQ(host.progressWindows, 1);
  EXPECT_GT(host.updates, 0);
  // The quick check opens no progress window.
  EXPECT_NE(unzip->CheckArchive(a.string(), 0), 0);
  EXPECT_EQ(host.progressWindows, 1);
  // A cancelled full check is not a sound archive.
  host.cancelAfter = 0;
  EXPECT_EQ(unzip->CheckArchive(a.string(), 2), 0);
}

// Flips one byte inside the stored data of the biggest entry.
void Damage(const fs::path& archive, std::size_t at) {
  std::string bytes = ReadFile(archive);
  bytes[at] = static_cast<char>(bytes[at] ^ 0x55);
  WriteFile(archive, bytes);
}

TEST_F(UnZipBackendTest, DamagedDataFailsTheCheckAndLeavesNoFile) {
  // Stored (-0), so a flipped byte is a CRC error, not a decoding error.
  const fs::path a = Zip("damaged.zip", "-0");
  const std::string bytes = ReadFile(a);
  const std::size_t at = bytes.find(SomeBytes(150000, 2).substr(5000, 64));
  ASSERT_NE(at, std::string::npos);
  Damage(a, at + 10);
  EXPECT_NE(unzip->CheckArchive(a.string(), 0), 0);  // the headers are fine
  EXPECT_EQ(unzip->CheckArchive(a.string(), 2), 0);
  const auto r = Extract(a, scratch / "out");
  EXPECT_EQ(r.code, kArcFileCrc) << r.output;
  EXPECT_FALSE(fs::exists(scratch / "out" / "docs" / "deep" / "data.bin"));
  // No temporary name is left behind either.
  for (const auto& [name, kind] : Tree(scratch / "out"))
    EXPECT_EQ(name.find(".~ks"), std::string::npos) << name;
}

TEST_F(UnZipBackendTest, TruncatedAndGarbageArchivesFailCleanly) {
  const fs::path a = Zip("whole.zip");
  const std::string bytes = ReadFile(a);
  for (std::size_t cut : {bytes.size() / 2, bytes.size() - 30, std::size_t{30}}) {
    const fs::path t = scratch / ("cut" + std::to_string(cut) + ".zip");
    WriteFile(t, bytes.substr(0, cut));
    const auto r = Extract(t, scratch / "out");
    EXPECT_NE(r.code, kArcOk) << cut;
    EXPECT_FALSE(r.output.empty());
    EXPECT_EQ(unzip->CheckArchive(t.string(), 2), 0) << cut;
  }
  WriteFile(scratch / "garbage.zip", "PK\x03\x04" + SomeBytes(5000, 7));
  EXPECT_NE(Extract(scratch / "garbage.zip", scratch / "out2").code, kArcOk);
}

TEST_F(UnZipBackendTest, PasswordFromTheHostDecrypts) {
  const fs::path a = Zip("secret.zip", "-P s3cret");
  host.password = "s3cret";
  const auto r = Extract(a, scratch / "out");
  ASSERT_EQ(r.code, kArcOk) << r.output;
  EXPECT_EQ(Tree(scratch / "out"), Tree(src));
  // Asked once; libarchive keeps a password that worked for the next entries.
  EXPECT_EQ(host.passwordAsked.size(), 1u);
}

TEST_F(UnZipBackendTest, WrongOrCancelledPasswordFailsWithNoFileLeft) {
  const fs::path a = Zip("secret.zip", "-P s3cret");
  host.password = "wrong";
  const auto wrong = Extract(a, scratch / "wrong");
  EXPECT_EQ(wrong.code, kArcPassword) << wrong.output;
  // A few tries for the entry, then it fails.
  EXPECT_EQ(host.askedAgain, (std::vector<bool>{false, true, true}));
  host.askedAgain.clear();
  host.password = std::nullopt;
  const auto cancelled = Extract(a, scratch / "cancel");
  EXPECT_EQ(cancelled.code, kArcUserCancel) << cancelled.output;
  for (const char* folder : {"wrong", "cancel"})
    for (const auto& [name, kind] : Tree(scratch / folder))
      EXPECT_EQ(kind, "folder") << folder << "/" << name;
}

TEST_F(UnZipBackendTest, EncryptedArchiveChecksWithoutAsking) {
  const fs::path a = Zip("secret.zip", "-P s3cret");
  EXPECT_NE(unzip->CheckArchive(a.string(), 2), 0);
  EXPECT_TRUE(host.passwordAsked.empty());
}

TEST_F(UnZipBackendTest, CommandEnteredAgainDuringProgressIsRefused) {
  const fs::path a = Zip("busy.zip");
  std::vector<int> inner;
  std::vector<int> running;
  host.onUpdate = [&](const std::string&) {
    running.push_back(unzip->GetRunning());
    if (inner.empty()) inner.push_back(Extract(a, scratch / "inner").code);
  };
  const auto r = Extract(a, scratch / "outer");
  EXPECT_EQ(r.code, kArcOk) << r.output;
  ASSERT_EQ(inner.size(), 1u);
  EXPECT_EQ(inner[0], kArcAlreadyRunning);
  ASSERT_FALSE(running.empty());
  for (int v : running) EXPECT_EQ(v, -1);
  EXPECT_EQ(unzip->GetRunning(), 0);
  EXPECT_FALSE(fs::exists(scratch / "inner"));
}

TEST_F(UnZipBackendTest, OutputBufferIsNeverOverrun) {
  const fs::path a = Zip("many.zip");
  for (std::size_t size : {std::size_t{1}, std::size_t{7}, std::size_t{64}}) {
    const auto r = RunCommand(*unzip, "-x -q " + Q(a) + " " + Q(scratch / ("o" + std::to_string(size))),
                              size);
    EXPECT_EQ(r.code, kArcOk);
    EXPECT_LT(r.output.size(), size);
  }
}

TEST_F(UnZipBackendTest, UnknownCommandsFailWithALogLine) {
  for (const char* line : {"", "-l x.zip", "-x -q onlyone", "-x -Z a b"}) {
    const auto r = RunCommand(*unzip, line);
    EXPECT_EQ(r.code, kArcCommandName) << line;
    EXPECT_FALSE(r.output.empty());
  }
  const auto missing = Extract(scratch / "missing.zip", scratch / "out");
  EXPECT_EQ(missing.code, kArcArcFileOpen);
}

TEST_F(UnZipBackendTest, Cp932NamesOfJapaneseWindowsArchivesBecomeUtf8) {
  // Written the way Japanese Windows tools write: CP932 without the UTF-8 flag.
  const fs::path a = scratch / "sjis.zip";
  {
    Utf8Locale locale;
    archive* w = archive_write_new();
    archive_write_set_format_zip(w);
    archive_write_set_format_option(w, "zip", "hdrcharset", "CP932");
    ASSERT_EQ(archive_write_open_filename(w, a.c_str()), ARCHIVE_OK);
    archive_entry* e = archive_entry_new();
    archive_entry_set_pathname_utf8(e, "日本.txt");
    archive_entry_set_filetype(e, AE_IFREG);
    archive_entry_set_perm(e, 0644);
    archive_entry_set_size(e, 2);
    archive_write_header(w, e);
    archive_write_data(w, "hi", 2);
    archive_entry_free(e);
    archive_write_close(w);
    archive_write_free(w);
  }
  ASSERT_NE(ReadFile(a).find("\x93\xfa\x96\x7b.txt"), std::string::npos);
  const auto r = Extract(a, scratch / "out");
  ASSERT_EQ(r.code, kArcOk) << r.output;
  EXPECT_EQ(ReadFile(scratch / "out" / "日本.txt"), "hi");
}

}  // namespace
}  // namespace ks::test
