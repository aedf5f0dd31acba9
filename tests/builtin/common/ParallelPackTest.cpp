// Every creating back-end on one and on four threads: the same archive byte
// for byte, Cancel midway leaves nothing behind, and progress reaches the
// end.
#include <stdlib.h>

#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/WorkerThreads.h"
#include "builtin/bga/BgaTestSupport.h"
#include "builtin/common/PackTestSupport.h"

namespace ks::test {
namespace {

struct Packer {
  const char* name;
  std::shared_ptr<CommonArchiver> (*make)();
  const char* switches;  // before the archive and the list file
  std::shared_ptr<CommonArchiver> (*makeReader)();
  const char* extract;  // before the archive and the output folder
};

const Packer kPackers[] = {
    {"Lzh", MakeUnlhaBackend, "a -x1 -r2", MakeUnlhaBackend, "x"},
    {"Zip", MakeZipBackend, "-r", MakeUnZipBackend, "-x -q"},
    {"TarGz", MakeTarBackend, "-czf", MakeTarBackend, "-xvaf"},
    {"Gza", MakeBgaBackend, "a -a -m1 -r ", MakeBgaBackend, "x -a -r"},
    {"Bza", MakeBgaBackend, "a -a -m2 -r ", MakeBgaBackend, "x -a -r"},
};

class ParallelPackTest : public ScratchFolderTest, public ::testing::WithParamInterface<Packer> {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    // Small files of every kind, and large ones between them that take the
    // streaming way of each writer.
    for (int i = 0; i < 24; ++i) {
      const std::string name = "src/d" + std::to_string(i % 3) + "/f" + std::to_string(i);
      const std::string data = i % 4 == 0 ? RandomBytes(2000 + 300 * i, i) : SomeText(500 * i, i);
      WriteFile(name, data);
      fileBytes += data.size();
      if (i == 8) WriteFile("src/d1/large-text", SomeText(1300000, 77));
      if (i == 16) WriteFile("src/d2/large-random", RandomBytes(1100000, 78));
    }
    fileBytes += 1300000 + 1100000;
    fs::create_directories("src/empty");
    archive = root() / (std::string("made.") + GetParam().name);
  }
  void TearDown() override {
    ::unsetenv(kThreadsVariable);
    ScratchFolderTest::TearDown();
  }

  CommandRun Create(const char* threads) {
    ::setenv(kThreadsVariable, threads, 1);
    const Packer& p = GetParam();
    // Unlha32 takes its command and archive in the list file.
    if (std::string(p.name) == "Lzh") {
      WriteFile("kestrino.tmp", std::string(p.switches) + "\r\n" + Q(archive) + "\r\n\"src/*.*\"\r\n");
      return RunCommand(*p.make(), Q(root() / "kestrino.tmp").insert(1, "@"));
    }
    const fs::path list = WriteList({"src/*.*"});
    return RunCommand(*p.make(), std::string(p.switches) + " " + Q(archive) + " " + Q("@" + list.string()));
  }

  // Files besides the sources and the list: what a run left behind.
  std::vector<std::string> Made() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(root()))
      if (e.path().filename() != "src" && e.path().filename() != "kestrino.tmp")
        names.push_back(e.path().filename().string());
    return names;
  }

  fs::path archive;
  std::uint64_t fileBytes = 0;
};

TEST_P(ParallelPackTest, OneAndFourThreadsMakeTheSameArchive) {
  const CommandRun one = Create("1");
  ASSERT_EQ(one.result, kArcOk) << one.log;
  const std::string single = ReadFile(archive);
  fs::remove(archive);
  const CommandRun four = Create("4");
  ASSERT_EQ(four.result, kArcOk) << four.log;
  EXPECT_TRUE(ReadFile(archive) == single) << "archives differ: " << single.size() << " and "
                                           << ReadFile(archive).size() << " bytes";

  const Packer& p = GetParam();
  fs::create_directories("out");
  const CommandRun back =
      RunCommand(*p.makeReader(), std::string(p.extract) + " " + Q(archive) + " " + Q(root() / "out/"));
  ASSERT_EQ(back.result, kArcOk) << back.log;
  EXPECT_TRUE(TreeOf("out/src") == TreeOf("src"));
  if (std::string(p.name) == "TarGz" && HaveTool("gzip")) {
    EXPECT_EQ(RunTool("gzip -t " + ShellQuote(archive.string())).exitCode, 0) << "not one valid gzip stream";
  }
}

TEST_P(ParallelPackTest, CancelMidwayLeavesNothingAndProgressReachesTheEnd) {
  int updates = 0;
  {
    ScriptedHost host;
    ASSERT_EQ(Create("4").result, kArcOk);
    EXPECT_EQ(host.lastDone, fileBytes);
    updates = host.updates;
  }
  fs::remove(archive);
  ASSERT_GT(updates, 4);
  ScriptedHost host;
  host.cancelAfter = updates / 2;
  EXPECT_EQ(Create("4").result, kArcUserCancel);
  EXPECT_TRUE(Made().empty()) << Made().front();
}

INSTANTIATE_TEST_SUITE_P(Backends, ParallelPackTest, ::testing::ValuesIn(kPackers),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ks::test
