#include "builtin/common/PackTestSupport.h"
#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks::test {
namespace {

constexpr const char* kUtf8 = "LC_ALL=C.UTF-8 ";

class CabBackendTest : public ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    cab = MakeCabBackend();
    WriteFile("説明書.txt", "日本語の説明\n");
    WriteFile("a b.txt", "plain text with a space in its name\n");
    WriteFile("資料/sub/noise.bin", Noise(200 * 1024, 3));
    WriteFile("資料/readme.txt", std::string(70000, 'r'));
    fs::create_directories("資料/空のフォルダ");
    list = WriteList({"説明書.txt", "a b.txt", "資料/*.*"});
    archive = root() / "~ks.cab";
  }

  std::string CreateLine() { return "-a " + Q(archive) + " \"@" + list.string() + "\""; }
  CommandRun Extract(const fs::path& from, const fs::path& to) {
    return RunCommand(*cab, "-x " + Q(from) + " " + Q(to.string() + "/"));
  }
  // The source tree as a cabinet gives it back: files, and the folders
  // that hold them.
  std::map<std::string, std::string> ExpectedTree() {
    auto tree = TreeOf(root());
    for (const char* gone : {"kestrino.tmp", "~ks.cab", "資料/空のフォルダ/"}) tree.erase(gone);
    return tree;
  }

  std::shared_ptr<CommonArchiver> cab;
  fs::path list;
  fs::path archive;
};

TEST_F(CabBackendTest, CabinetOpensInEveryReaderAndComesBackWhole) {
  const auto expected = ExpectedTree();
  const auto run = RunCommand(*cab, CreateLine());
  ASSERT_EQ(run.result, kArcOk) << run.log;
  EXPECT_NE(run.log.find("empty folder left out"), std::string::npos) << run.log;
  EXPECT_NE(run.log.find("空のフォルダ"), std::string::npos) << run.log;
  EXPECT_EQ(ReadFile(archive).substr(0, 4), "MSCF");

  EXPECT_EQ(RunTool("cabextract -q -t " + ShellQuote(archive)).exitCode, 0);
  const auto listing = RunTool(std::string(kUtf8) + "gcab -t " + ShellQuote(archive));
  EXPECT_EQ(listing.exitCode, 0);
  EXPECT_NE(listing.output.find("資料\\sub\\noise.bin"), std::string::npos) << listing.output;
  if (HaveTool("7z")) {
    EXPECT_EQ(RunTool("7z t " + ShellQuote(archive)).exitCode, 0);
  }
  EXPECT_NE(cab->CheckArchive(archive.string(), 0), 0);
  EXPECT_NE(cab->CheckArchive(archive.string(), 2), 0);

  const auto ours = Extract(archive, root() / "ours");
  ASSERT_EQ(ours.result, kArcOk) << ours.log;
  EXPECT_TRUE(TreeOf("ours") == expected);
  fs::create_directories("theirs");
  ASSERT_EQ(RunTool(std::string(kUtf8) + "cabextract -q -d theirs " + ShellQuote(archive)).exitCode,
            0);
  EXPECT_TRUE(TreeOf("theirs") == expected);
}

TEST_F(CabBackendTest, ExtractsAndChecksWhatGcabMakes) {
  const auto expected = ExpectedTree();
  ASSERT_EQ(RunTool(std::string(kUtf8) + "gcab -c -z theirs.cab 説明書.txt 'a b.txt' "
                                          "資料/readme.txt 資料/sub/noise.bin")
                .exitCode,
            0);
  EXPECT_NE(cab->CheckArchive("theirs.cab", 0), 0);
  EXPECT_NE(cab->CheckArchive("theirs.cab", 2), 0);
  const auto run = Extract("theirs.cab", root() / "out");
  ASSERT_EQ(run.result, kArcOk) << run.log;
  EXPECT_TRUE(TreeOf("out") == expected);

  // Damage in the compressed data: still a cabinet, but not a sound one.
  std::string bytes = ReadFile("theirs.cab");
  bytes[bytes.size() - 100] ^= 0x55;
  WriteFile("damaged.cab", bytes);
  EXPECT_NE(cab->CheckArchive("damaged.cab", 0), 0);
  EXPECT_EQ(cab->CheckArchive("damaged.cab", 2), 0);
  EXPECT_NE(Extract("damaged.cab", root() / "out2").result, kArcOk);

  WriteFile("fake.cab", "MSCF but nothing like a cabinet after that");
  EXPECT_EQ(cab->CheckArchive("fake.cab", 0), 0);
  EXPECT_EQ(cab->CheckArchive("a b.txt", 2), 0);
}

TEST_F(CabBackendTest, FailuresLeaveNoCabinet) {
  list = WriteList({"a b.txt", "どこにもない.txt"});
  auto run = RunCommand(*cab, CreateLine());
  EXPECT_EQ(run.result, kArcNotExist);
  EXPECT_NE(run.log.find("どこにもない.txt"), std::string::npos);
  EXPECT_FALSE(fs::exists(archive));

  list = WriteList({"資料/空のフォルダ/*.*"});
  run = RunCommand(*cab, CreateLine());
  EXPECT_EQ(run.result, kArcNotSupported);
  EXPECT_FALSE(fs::exists(archive));

  ASSERT_EQ(RunTool("mkfifo pipe").exitCode, 0);
  list = WriteList({"a b.txt", "pipe"});
  EXPECT_EQ(RunCommand(*cab, CreateLine()).result, kArcFileOpen);
  EXPECT_FALSE(fs::exists(archive));

  list = WriteList({"a b.txt", "資料/*.*"});
  ScriptedHost host;
  host.cancelAfter = 1;
  EXPECT_EQ(RunCommand(*cab, CreateLine()).result, kArcUserCancel) << host.updates;
  EXPECT_FALSE(fs::exists(archive));
  for (const auto& e : fs::directory_iterator(root()))
    EXPECT_EQ(e.path().filename().string().find("~kspart"), std::string::npos);
}

TEST_F(CabBackendTest, RefusesWhatItCannotDoWithALogLine) {
  auto run = RunCommand(*cab, "-f -w " + Q(archive));
  EXPECT_EQ(run.result, kArcArcFileOpen);
  EXPECT_NE(run.log.find("cannot open"), std::string::npos);
  for (const std::string& line : {std::string("-a ") + Q(archive), std::string("-z"),
                                  std::string(""), "-x " + Q(archive),
                                  "-a -r " + Q(archive) + " \"@" + list.string() + "\""}) {
    run = RunCommand(*cab, line);
    EXPECT_EQ(run.result, kArcCommandName) << line;
    EXPECT_FALSE(run.log.empty()) << line;
  }
  WriteFile(archive, "someone's file");
  EXPECT_EQ(RunCommand(*cab, CreateLine(), 3).result, kArcAlreadyExist);
  EXPECT_EQ(ReadFile(archive), "someone's file");
  EXPECT_EQ(cab->ConfigDialog(nullptr, nullptr, 2), 0);
}

}  // namespace
}  // namespace ks::test
