// The "a" command when something goes wrong: a clear result, a log line,
// and no unfinished archive left behind.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <set>

#include "LzhTestSupport.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks::test {
namespace {

class LzhFailureTest : public ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    WriteFile("src/a.txt", Noise(100 * 1024, 1));
    WriteFile("src/b.txt", Noise(100 * 1024, 2));
    WriteFile("src/c.txt", Noise(100 * 1024, 3));
    archive = root() / "~ks.tmp";
  }
  LzhRun Pack(const std::string& names = "\"src/*.*\"") {
    return RunUnlhaCreate("a -x1 -r2 " + Q(archive) + " " + names);
  }
  fs::path archive;
};

TEST_F(LzhFailureTest, MissingNameMakesNoArchive) {
  const LzhRun run = Pack("\"src/a.txt\" \"nothing.txt\"");
  EXPECT_EQ(run.result, kArcNotExist);
  EXPECT_NE(run.log.find("nothing.txt"), std::string::npos) << run.log;
  EXPECT_FALSE(fs::exists(archive));
}

TEST_F(LzhFailureTest, FileThatVanishesWhilePackingRemovesTheArchive) {
  ScriptedHost host;
  host.onUpdate = [] {
    std::error_code ec;
    fs::remove("src/c.txt", ec);
  };
  const LzhRun run = Pack();
  EXPECT_EQ(run.result, kArcFileOpen) << run.log;
  EXPECT_NE(run.log.find("c.txt"), std::string::npos) << run.log;
  EXPECT_FALSE(fs::exists(archive));
}

TEST_F(LzhFailureTest, CancelRemovesTheArchive) {
  ScriptedHost host;
  host.cancelAfter = 2;
  const LzhRun run = Pack();
  EXPECT_EQ(run.result, kArcUserCancel);
  EXPECT_FALSE(fs::exists(archive));
  EXPECT_EQ(host.progressTitles, std::vector<std::string>{"UnLha"});
}

// Records what progress reports: the names and the last byte counts.
class RecordingHost : public ArchiverHost {
 public:
  RecordingHost() { SetArchiverHost(this); }
  ~RecordingHost() override { SetArchiverHost(nullptr); }
  std::unique_ptr<Progress> BeginProgress(WindowHandle, const std::string&) override {
    return std::make_unique<Recorder>(*this);
  }
  std::optional<std::string> AskPassword(WindowHandle, const std::string&, const std::string&,
                                         bool) override {
    return std::nullopt;
  }
  OverwriteAnswer AskOverwrite(WindowHandle, const std::string&) override {
    return OverwriteAnswer::Skip;
  }
  std::set<std::string> names;
  std::uint64_t done = 0, total = 0;
  bool backwards = false;

 private:
  struct Recorder : Progress {
    explicit Recorder(RecordingHost& h) : host(h) {}
    bool Update(const std::string& name, std::uint64_t d, std::uint64_t t) override {
      host.names.insert(name);
      if (d < host.done) host.backwards = true;
      host.done = d;
      host.total = t;
      return true;
    }
    RecordingHost& host;
  };
};

TEST_F(LzhFailureTest, ProgressReachesTheTotalAndNamesEachEntry) {
  RecordingHost host;
  const LzhRun run = Pack();
  ASSERT_EQ(run.result, kArcOk) << run.log;
  EXPECT_EQ(host.total, 300u * 1024);
  EXPECT_EQ(host.done, host.total);
  EXPECT_EQ(host.names, (std::set<std::string>{"src", "src/a.txt", "src/b.txt", "src/c.txt"}));
}

TEST_F(LzhFailureTest, FullDiskIsReportedAndTheArchiveRemoved) {
  WriteFile("src/big.bin", Noise(3 * 1024 * 1024, 4));
  // A file size limit makes writes fail as on a full disk (EFBIG).
  struct rlimit old {};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
  auto* oldHandler = signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = old;
  small.rlim_cur = 512 * 1024;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  const LzhRun run = Pack();
  setrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, oldHandler);
  EXPECT_EQ(run.result, kArcDiskSpace) << run.log;
  EXPECT_NE(run.log.find("cannot write"), std::string::npos) << run.log;
  EXPECT_FALSE(fs::exists(archive));
}

TEST_F(LzhFailureTest, FilesOf4GiBAreRefusedNotWrappedAround) {
  {
    std::ofstream f("src/huge.bin", std::ios::binary);
  }
  fs::resize_file("src/huge.bin", 0x100000000ull);  // sparse: takes no disk space
  const LzhRun run = Pack("\"src/huge.bin\"");
  EXPECT_EQ(run.result, kArcTooLarge);
  EXPECT_NE(run.log.find("huge.bin"), std::string::npos) << run.log;
  EXPECT_FALSE(fs::exists(archive));
}

TEST_F(LzhFailureTest, ExistingArchiveIsLeftAlone) {
  WriteFile(archive, "keep me");
  EXPECT_EQ(Pack().result, kArcAlreadyExist);
  EXPECT_EQ(ReadFile(archive), "keep me");
}

TEST_F(LzhFailureTest, CommandLinesWeDoNotKnowAreRefused) {
  for (const std::string& line :
       {std::string("a -x1 ") + Q(archive) + " src",          // without -r2
        std::string("a -x1 -r2 -z ") + Q(archive) + " src",   // unknown switch
        std::string("a -x1 -r2"),                             // no archive
        std::string("e ") + Q(archive)}) {
    const LzhRun run = RunUnlhaCreate(line);
    EXPECT_EQ(run.result, kArcCommandName) << line;
    EXPECT_FALSE(run.log.empty());
  }
  EXPECT_EQ(RunUnlhaCreate("\"@/no/such/list\"").result, kArcNotExist);
  WriteFile("short.lst", "a -x1 -r2\r\n");
  EXPECT_EQ(RunUnlhaCreate("\"@short.lst\"").result, kArcCommandName);
  EXPECT_FALSE(fs::exists(archive));
}

}  // namespace
}  // namespace ks::test
