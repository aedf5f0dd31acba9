// What `kestrino-archiver --type` tells a shell about ISH files: "ISH" for
// each of them, and nothing of the kind for a plain text or the originals.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>

#include "builtin/common/ExtractTestSupport.h"
#include "builtin/ish/IshTestSupport.h"

namespace ks::test {
namespace {

// The tool sits in the build folder, one level above this test program.
fs::path ToolPath() {
  if (const char* bin = std::getenv("KS_BINARY_DIR"); bin && fs::exists(fs::path(bin) / "kestrino-archiver"))
    return fs::path(bin) / "kestrino-archiver";
  return fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "kestrino-archiver";
}

// The tool's standard output and exit status for `--type file`.
std::pair<std::string, int> TypeOf(const fs::path& file) {
  const std::string command = Quote(ToolPath()) + " --type " + Quote(file) + " 2>/dev/null";
  std::FILE* p = ::popen(command.c_str(), "r");
  std::string out;
  std::array<char, 256> buf;
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  const int status = ::pclose(p);
  return {out, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(IshTool, TypeSaysIshForIshFilesOnly) {
  if (!fs::exists(ToolPath())) GTEST_SKIP() << "kestrino-archiver is not built";
  ScratchFolder scratch;
  WriteFile(scratch / "made in a mail.txt", "Hello,\n\n" + WriteIsh(SomeBytes(3000, 1)).Text());
  WriteFile(scratch / "letter.txt", "<<< not for UNIX ( use it ) >>>\n!!!!\n" + std::string(200, '#') + "\n");
  EXPECT_EQ(TypeOf(scratch / "made in a mail.txt"), std::make_pair(std::string("ISH\n"), 0));
  EXPECT_EQ(TypeOf(scratch / "letter.txt"), std::make_pair(std::string("UnKnown\n"), 0));

  const std::optional<fs::path> folder = IshSamples();
  if (!folder) GTEST_SKIP() << kNoSamples;
  for (const char* name : {"numbers-jis7.ish", "numbers-jis8.ish", "numbers-sjis.ish",
                           "numbers-nonkana.ish", "rand-jis7.ish", "rand-jis8.ish", "rand-sjis.ish",
                           "rand-nonkana.ish"})
    EXPECT_EQ(TypeOf(*folder / name), std::make_pair(std::string("ISH\n"), 0)) << name;
  EXPECT_EQ(TypeOf(*folder / "numbers.txt").first, "UnKnown\n");
  EXPECT_EQ(TypeOf(*folder / "rand.bin").first, "UnKnown\n");
}

}  // namespace
}  // namespace ks::test
