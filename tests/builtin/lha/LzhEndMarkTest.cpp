// What follows an LZH archive's end mark: padding passes, anything else is
// an entry whose header was damaged into the end mark and must not vanish.
#include <gtest/gtest.h>

#include "archivers/builtin/Backends.h"
#include "builtin/common/ExtractTestSupport.h"
#include "builtin/lha/RawLzhBuilder.h"

namespace ks::test {
namespace {

TEST(LzhEndMark, OnlyPaddingMayFollowIt) {
  TestHost host;
  ScratchFolder scratch;
  auto unlha = MakeUnlhaBackend();
  RawLzhEntry a, b;
  a.extended = {{0x01, "a.txt"}};
  a.data = "alpha";
  b.extended = {{0x01, "b.txt"}};
  b.data = "beta";
  const std::string first = BuildRawLzhEntry(a), second = BuildRawLzhEntry(b);
  // The second header's first byte zeroed: it reads as the end mark.
  std::string zeroed = second;
  zeroed[0] = '\0';
  const std::vector<std::pair<std::string, bool>> cases = {
      {first + second + '\0', true},
      {first + second + '\0' + std::string(200, '\x1A'), true},
      {first + second + std::string(300, '\0'), true},
      {first + zeroed + '\0', false},
      {first + second + '\0' + "appended text", false}};
  int n = 0;
  for (const auto& [bytes, sound] : cases) {
    const fs::path archive = scratch / ("a" + std::to_string(++n) + ".lzh");
    WriteFile(archive, bytes);
    EXPECT_EQ(unlha->CheckArchive(archive.string(), 2) != 0, sound) << n;
    const auto r = RunCommand(*unlha, "x " + Q(archive) + " " + Q(scratch / ("out" + std::to_string(n)) / ""));
    EXPECT_EQ(r.code == kArcOk, sound) << n << r.output;
  }
}

}  // namespace
}  // namespace ks::test
