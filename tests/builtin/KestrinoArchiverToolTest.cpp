// The kestrino-archiver tool as a shell script uses it: exit codes, usage
// errors, the version list, and one real command.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>

#include "builtin/common/ExtractTestSupport.h"

namespace ks::test {
namespace {

struct ToolRun {
  int exit;
  std::string out;
};

// The tool sits in the build folder, one level above this test program.
fs::path ToolPath() {
  if (const char* bin = std::getenv("KS_BINARY_DIR"); bin && fs::exists(fs::path(bin) / "kestrino-archiver"))
    return fs::path(bin) / "kestrino-archiver";
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "kestrino-archiver";
}

ToolRun Tool(const std::string& args, const std::string& env = "") {
  const std::string tool = ToolPath().string();
  const std::string command = env + " " + Quote(tool) + " " + args + " 2>&1";
  std::FILE* p = ::popen(command.c_str(), "r");
  std::string out;
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  const int status = ::pclose(p);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, out};
}

class KestrinoArchiverTool : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(ToolPath())) GTEST_SKIP() << "kestrino-archiver is not built";
  }
  ScratchFolder scratch;
};

TEST_F(KestrinoArchiverTool, WrongArgumentsExitWithUsage) {
  for (const char* args : {"", "Unlha32.DLL", "--check Unlha32.DLL x", "--overwrite=maybe a b",
                           "NoSuch.DLL \"x a b\"", "--check Unlha32.DLL f two", "--bogus"}) {
    const ToolRun r = Tool(args);
    EXPECT_EQ(r.exit, 2) << args;
    EXPECT_NE(r.out.find("usage:"), std::string::npos) << args;
  }
}

TEST_F(KestrinoArchiverTool, VersionListsEveryLibrary) {
  const ToolRun r = Tool("--version");
  EXPECT_EQ(r.exit, 0);
  for (const char* name : {"Unlha32.DLL", "UnZip32.DLL", "Tar32.DLL", "UnRar32.DLL", "unrar.dll",
                           "Bga32.DLL"})
    EXPECT_NE(r.out.find(name), std::string::npos) << name;
  EXPECT_NE(r.out.find("Tar32.DLL      1.46"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("missing"), std::string::npos);  // Yz1 and friends have no back-end
}

TEST_F(KestrinoArchiverTool, RunsACommandAndReportsItsResult) {
  WriteFile(scratch / "src" / "a.txt", "tool test\n");
  WriteFile(scratch / "list", "\"a.txt\"\n");
  const fs::path archive = scratch / "t.tar";
  const ToolRun made = Tool("tar32.dll " + Quote("-cvf " + Q(archive) + " " +
                                                 Q("@" + (scratch / "list").string())),
                            "cd " + Quote(scratch / "src") + " &&");
  EXPECT_EQ(made.exit, 0) << made.out;
  EXPECT_NE(made.out.find("result: 0"), std::string::npos);
  EXPECT_EQ(Tool("--check Tar32.DLL " + Quote(archive) + " 2").exit, 0);
  const ToolRun x = Tool("Tar32.DLL " + Quote("-xvaf " + Q(archive) + " " + Q(scratch / "out/")));
  EXPECT_EQ(x.exit, 0) << x.out;
  EXPECT_EQ(ReadFile(scratch / "out" / "a.txt"), "tool test\n");
  // Extracting again: existing files are skipped by default, replaced on request.
  WriteFile(scratch / "out" / "a.txt", "changed");
  EXPECT_EQ(Tool("Tar32.DLL " + Quote("-xvaf " + Q(archive) + " " + Q(scratch / "out/"))).exit, 0);
  EXPECT_EQ(ReadFile(scratch / "out" / "a.txt"), "changed");
  EXPECT_EQ(Tool("--overwrite=replace Tar32.DLL " +
                 Quote("-xvaf " + Q(archive) + " " + Q(scratch / "out/")))
                .exit,
            0);
  EXPECT_EQ(ReadFile(scratch / "out" / "a.txt"), "tool test\n");
  const ToolRun bad = Tool("Tar32.DLL " + Quote("-xvaf " + Q(scratch / "none.tar") + " " + Q(scratch / "o/")));
  EXPECT_EQ(bad.exit, 1);
  EXPECT_EQ(Tool("--check Tar32.DLL " + Quote(scratch / "list") + " 0").exit, 1);
}

TEST_F(KestrinoArchiverTool, PasswordComesFromTheOptionOrTheEnvironment) {
  if (!HaveTool("zip")) GTEST_SKIP();
  WriteFile(scratch / "src" / "s.txt", "secret text");
  const fs::path archive = scratch / "p.zip";
  ASSERT_EQ(Shell("cd " + Quote(scratch / "src") + " && zip -q -P pw " + Quote(archive) + " s.txt"), 0);
  const std::string line = Quote("-x -q " + Q(archive) + " " + Q(scratch / "o1/"));
  EXPECT_EQ(Tool("--password pw UnZip32.DLL " + line, "</dev/null").exit, 0);
  EXPECT_EQ(ReadFile(scratch / "o1" / "s.txt"), "secret text");
  const std::string line2 = Quote("-x -q " + Q(archive) + " " + Q(scratch / "o2/"));
  EXPECT_EQ(Tool("UnZip32.DLL " + line2, "KESTRINO_PASSWORD=pw").exit, 0);
  const std::string line3 = Quote("-x -q " + Q(archive) + " " + Q(scratch / "o3/"));
  EXPECT_EQ(Tool("UnZip32.DLL " + line3, "KESTRINO_PASSWORD=wrong").exit, 1);
  EXPECT_FALSE(fs::exists(scratch / "o3" / "s.txt"));
}

}  // namespace
}  // namespace ks::test
