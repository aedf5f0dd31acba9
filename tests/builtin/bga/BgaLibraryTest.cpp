// Bga32.DLL as the program sees it: found by the start-up probe, asked by
// type detection, and what `kestrino-archiver --type` tells a shell.
#include <cstdlib>

#include "BgaTestSupport.h"
#include "archivers/LibrarySet.h"
#include "archivers/Probe.h"
#include "archivers/TypeDetect.h"

namespace ks::test {
namespace {

// The program's library set with every built-in back-end, probed as at
// start-up; left as it was found afterwards.
class BgaInProgramTest : public BgaTest {
 protected:
  void SetUp() override {
    BgaTest::SetUp();
    InstallBuiltinLibraries(Libraries());
    probe = ProbeLibraries(Libraries());
    ApplyProbe(probe);
  }
  void TearDown() override {
    ApplyProbe(ProbeResult{});
    Libraries().SetResolvers(nullptr, nullptr);
    BgaTest::TearDown();
  }
  ProbeResult probe;

  // Our own GZA or BZA of one small file.
  fs::path MakeArchive(BgaMethod method) {
    WriteFile("in/a.txt", SomeText(5000, 1));
    const fs::path archive = root() / (method == BgaMethod::Gzip ? "a.gza" : "a.bza");
    fs::current_path(root() / "in");
    const CommandRun made = Create(archive, {"a.txt"}, method);
    fs::current_path(root());
    EXPECT_EQ(made.result, 0) << made.log;
    return archive;
  }
};

TEST_F(BgaInProgramTest, TheProbeFindsBga32AndListsIt) {
  EXPECT_TRUE(probe.HasBga);
  EXPECT_TRUE(HasBga);
  const std::string& s = probe.supported;
  ASSERT_GE(s.size(), 4u);
  EXPECT_EQ(s.substr(s.size() - 4), " Bga") << s;  // last in the list
  EXPECT_EQ(Libraries().Get(LibraryId::Bga).GetVersion(), 100);
}

TEST_F(BgaInProgramTest, TypeDetectionAsksBga32AndNamesItsArchives) {
  EXPECT_EQ(ArcType(MakeArchive(BgaMethod::Gzip).string()), "BGA");
  EXPECT_EQ(ArcType(MakeArchive(BgaMethod::Bzip2).string()), "BGA");
  WriteFile("plain.txt", "a plain text file, no archive\n");
  EXPECT_EQ(ArcType((root() / "plain.txt").string()), "UnKnown");
  // Without the library nothing else recognises these archives.
  HasBga = false;
  EXPECT_EQ(ArcType((root() / "a.gza").string()), "UnKnown");
}

TEST_F(BgaInProgramTest, GenuineArchivesAreBga) {
  KS_REQUIRE_BGA_FIXTURE(gza, "test.gza");
  KS_REQUIRE_BGA_FIXTURE(bza, "test.bza");
  EXPECT_EQ(ArcType(gza.string()), "BGA");
  EXPECT_EQ(ArcType(bza.string()), "BGA");
}

// The command-line tool beside the test programs.
fs::path ToolPath() {
  if (const char* bin = std::getenv("KS_BINARY_DIR"); bin && fs::exists(fs::path(bin) / "kestrino-archiver"))
    return fs::path(bin) / "kestrino-archiver";
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "kestrino-archiver";
}

TEST_F(BgaInProgramTest, KestrinoArchiverTypeSaysWhatTypeDetectionSays) {
  const fs::path tool = ToolPath();
  if (!fs::exists(tool)) GTEST_SKIP() << "kestrino-archiver is not built";
  const auto type = [&](const fs::path& file) {
    return RunTool(ShellQuote(tool.string()) + " --type " + ShellQuote(file.string()));
  };
  const fs::path gza = MakeArchive(BgaMethod::Gzip);
  WriteFile("plain.txt", "text\n");
  WriteFile("t/x.txt", "x");
  ASSERT_EQ(RunTool("tar cf " + ShellQuote((root() / "x.tar").string()) + " -C " +
                    ShellQuote((root() / "t").string()) + " x.txt").exitCode, 0);
  const std::vector<std::pair<fs::path, std::string>> expected = {
      {gza, "BGA\n"},
      {MakeArchive(BgaMethod::Bzip2), "BGA\n"},
      {root() / "plain.txt", "UnKnown\n"},
      {root() / "x.tar", "TAR\n"},
      {root() / "t", "Folder\n"},
      {root() / "missing", "Folder\n"},
  };
  for (const auto& [file, answer] : expected) {
    const ToolRun run = type(file);
    EXPECT_EQ(run.exitCode, 0) << file;
    EXPECT_EQ(run.output, answer) << file;
    // The same answer as the program's own type detection.
    EXPECT_EQ(answer, ArcType(file.string()) + "\n") << file;
  }
  EXPECT_EQ(RunTool(ShellQuote(tool.string()) + " --type").exitCode, 2);
  EXPECT_EQ(RunTool(ShellQuote(tool.string()) + " --type a b").exitCode, 2);
}

}  // namespace
}  // namespace ks::test
