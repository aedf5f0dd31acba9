#include <archive.h>
#include <archive_entry.h>

#include "builtin/common/PackTestSupport.h"
#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/Utf8Locale.h"

namespace ks::test {
namespace {

constexpr const char* kUtf8 = "LC_ALL=C.UTF-8 ";

class ZipBackendTest : public ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    zip = MakeZipBackend();
    WriteFile("説明書.txt", "日本語の説明\n");
    WriteFile("a b.txt", "plain text with a space in its name\n");
    WriteFile("資料/sub/noise.bin", Noise(300 * 1024, 7));
    // Large enough to be streamed rather than packed in memory.
    WriteFile("資料/sub/large.bin", Noise(1200 * 1024, 8));
    WriteFile("資料/readme.txt", std::string(5000, 'r'));
    fs::create_directories("資料/空のフォルダ");
    list = WriteList({"説明書.txt", "a b.txt", "資料/*.*"});
    archive = root() / "~ks.tmp";
  }

  std::map<std::string, std::string> ExpectedTree() {
    auto tree = TreeOf(root());
    tree.erase("kestrino.tmp");
    tree.erase("~ks.tmp");
    return tree;
  }

  std::string ZipLine(const std::string& switches) {
    return switches + " " + Q(archive) + " \"@" + list.string() + "\"";
  }

  std::shared_ptr<CommonArchiver> zip;
  fs::path list;
  fs::path archive;
};

TEST_F(ZipBackendTest, RoundTripKeepsTreeJapaneseNamesAndEmptyFolders) {
  const auto run = RunCommand(*zip, ZipLine("-r"));
  ASSERT_EQ(run.result, kArcOk) << run.log;
  EXPECT_NE(run.log.find("created"), std::string::npos);

  EXPECT_EQ(RunTool("unzip -tq " + ShellQuote(archive)).exitCode, 0);
  if (HaveTool("7z")) {
    EXPECT_EQ(RunTool("7z t " + ShellQuote(archive)).exitCode, 0);
  }

  // The first entry is the Japanese file: its local header carries the
  // UTF-8 flag (general purpose bit 11) and deflate (method 8).
  const std::string bytes = ReadFile(archive);
  ASSERT_GT(bytes.size(), 10u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("PK\x03\x04", 4));
  EXPECT_TRUE(static_cast<unsigned char>(bytes[7]) & 0x08);
  EXPECT_EQ(static_cast<unsigned char>(bytes[8]), 8);

  const auto expected = ExpectedTree();
  for (const std::string& extractor :
       {std::string("unzip -q -d out "), std::string("bsdtar -C out -xf ")}) {
    fs::remove_all("out");
    fs::create_directories("out");
    const auto tool = RunTool(kUtf8 + extractor + ShellQuote(archive.string()));
    ASSERT_EQ(tool.exitCode, 0) << extractor << tool.output;
    EXPECT_TRUE(TreeOf("out") == expected) << extractor;
  }
}

TEST_F(ZipBackendTest, PasswordWithSpacesEncryptsTraditionally) {
  const auto run = RunCommand(*zip, ZipLine("-r -P pass word"));
  ASSERT_EQ(run.result, kArcOk) << run.log;
  // Bit 0 of the general purpose flags marks an encrypted entry.
  EXPECT_TRUE(static_cast<unsigned char>(ReadFile(archive)[6]) & 0x01);

  EXPECT_EQ(RunTool("unzip -tq -P 'pass word' " + ShellQuote(archive)).exitCode, 0);
  EXPECT_NE(RunTool("unzip -tq -P 'pass' " + ShellQuote(archive)).exitCode, 0);
  if (HaveTool("7z")) {
    EXPECT_EQ(RunTool("7z t '-ppass word' " + ShellQuote(archive)).exitCode, 0);
    EXPECT_NE(RunTool("7z t -pwrong " + ShellQuote(archive)).exitCode, 0);
  }
  const auto expected = ExpectedTree();
  fs::create_directories("out");
  ASSERT_EQ(RunTool(std::string(kUtf8) + "unzip -q -P 'pass word' -d out " + ShellQuote(archive))
                .exitCode,
            0);
  EXPECT_TRUE(TreeOf("out") == expected);
}

TEST_F(ZipBackendTest, LibarchiveReadsBackEveryByte) {
  ASSERT_EQ(RunCommand(*zip, ZipLine("-r -P  two  spaces ")).result, kArcOk);
  Utf8Locale utf8;  // as every reader of the program does
  struct archive* a = archive_read_new();
  archive_read_support_format_zip(a);
  archive_read_add_passphrase(a, " two  spaces ");
  ASSERT_EQ(archive_read_open_filename(a, archive.c_str(), 65536), ARCHIVE_OK);
  archive_entry* entry;
  std::map<std::string, std::string> read;
  int status;
  while ((status = archive_read_next_header(a, &entry)) == ARCHIVE_OK) {
    std::string data, chunk(65536, '\0');
    la_ssize_t n;
    while ((n = archive_read_data(a, chunk.data(), chunk.size())) > 0) data.append(chunk, 0, n);
    ASSERT_EQ(n, 0) << archive_error_string(a);
    read[archive_entry_pathname_utf8(entry)] = data;
  }
  EXPECT_EQ(status, ARCHIVE_EOF) << archive_error_string(a);
  archive_read_free(a);
  EXPECT_EQ(read.size(), 8u);
  EXPECT_TRUE(read["資料/sub/noise.bin"] == ReadFile("資料/sub/noise.bin"));
  EXPECT_TRUE(read["資料/sub/large.bin"] == ReadFile("資料/sub/large.bin"));
  EXPECT_EQ(read["説明書.txt"], "日本語の説明\n");
  EXPECT_TRUE(read.count("資料/空のフォルダ/"));
}

TEST_F(ZipBackendTest, MissingNameFailsAndLeavesNoArchive) {
  list = WriteList({"a b.txt", "消えた.txt"});
  const auto run = RunCommand(*zip, ZipLine("-r"));
  EXPECT_EQ(run.result, kArcNotExist);
  EXPECT_NE(run.log.find("消えた.txt"), std::string::npos);
  EXPECT_FALSE(fs::exists(archive));
  for (const auto& e : fs::directory_iterator(root()))
    EXPECT_EQ(e.path().filename().string().find("~kspart"), std::string::npos);
}

TEST_F(ZipBackendTest, NameThatCannotBeReadFailsAndLeavesNoArchive) {
  // A pipe would block a reader for ever; it is refused, not read.
  ASSERT_EQ(RunTool("mkfifo pipe").exitCode, 0);
  list = WriteList({"a b.txt", "pipe"});
  EXPECT_EQ(RunCommand(*zip, ZipLine("-r")).result, kArcFileOpen);
  EXPECT_FALSE(fs::exists(archive));
  if (geteuid() != 0) {
    list = WriteList({"a b.txt"});
    fs::permissions("a b.txt", fs::perms::none);
    EXPECT_EQ(RunCommand(*zip, ZipLine("-r")).result, kArcFileOpen);
    EXPECT_FALSE(fs::exists(archive));
  }
}

TEST_F(ZipBackendTest, CancelRemovesTheUnfinishedArchive) {
  ScriptedHost host;
  host.cancelAfter = 1;
  int runningSeen = 0;
  host.onUpdate = [&] { runningSeen += zip->GetRunning() == -1; };
  const auto run = RunCommand(*zip, ZipLine("-r"));
  EXPECT_EQ(run.result, kArcUserCancel);
  EXPECT_FALSE(fs::exists(archive));
  EXPECT_EQ(std::distance(fs::directory_iterator(root()), fs::directory_iterator()),
            std::distance(fs::directory_iterator(root()), fs::directory_iterator()));
  EXPECT_GT(runningSeen, 0);
  EXPECT_EQ(zip->GetRunning(), 0);
  EXPECT_EQ(host.progressTitles, std::vector<std::string>{"Zip"});
}

TEST_F(ZipBackendTest, RefusesWhatItDoesNotKnowWithALogLine) {
  for (const std::string& line :
       {std::string("-x ") + Q(archive) + " \"@" + list.string() + "\"", std::string("-r"),
        std::string(""), "-r " + Q(archive), "-r -P " + Q(archive) + " \"@" + list.string() + "\""}) {
    const auto run = RunCommand(*zip, line);
    EXPECT_NE(run.result, kArcOk) << line;
    EXPECT_FALSE(run.log.empty()) << line;
  }
  EXPECT_EQ(RunCommand(*zip, "-u " + Q(archive) + " \"@x\"").result, kArcCommandName);
  EXPECT_EQ(RunCommand(*zip, ZipLine("-r -P ")).result, kArcPassword);
  EXPECT_FALSE(fs::exists(archive));
  EXPECT_EQ(zip->ConfigDialog(nullptr, nullptr, 2), 0);
}

TEST_F(ZipBackendTest, ExistingArchiveIsNotReplacedAndTinyBufferHolds) {
  WriteFile(archive, "someone's file");
  const auto run = RunCommand(*zip, ZipLine("-r"), 8);
  EXPECT_EQ(run.result, kArcAlreadyExist);
  EXPECT_EQ(run.log.size(), 7u);
  EXPECT_EQ(ReadFile(archive), "someone's file");
}

}  // namespace
}  // namespace ks::test
