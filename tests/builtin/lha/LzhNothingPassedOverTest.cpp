// Entries of an LZH archive that damage must not make vanish: one whose
// header was damaged into the end mark, and first entries whose header no
// longer reads (the search for a self-extractor's archive must not start
// past them).
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
      {first + second + '\0' + "appended text", false},
      // Cut between two entries: only the missing end mark tells.
      {first + second, false},
      {first + second + std::string(200, '\x1A'), true},
      {first, false}};
  int n = 0;
  for (const auto& [bytes, sound] : cases) {
    const fs::path archive = scratch / ("a" + std::to_string(++n) + ".lzh");
    WriteFile(archive, bytes);
    EXPECT_EQ(unlha->CheckArchive(archive.string(), 2) != 0, sound) << n;
    const auto r = RunCommand(*unlha, "x " + Q(archive) + " " + Q(scratch / ("out" + std::to_string(n)) / ""));
    EXPECT_EQ(r.code == kArcOk, sound) << n << r.output;
  }
}

TEST(LzhEndMark, LArcArchivesMayEndWithoutIt) {
  TestHost host;
  ScratchFolder scratch;
  auto unlha = MakeUnlhaBackend();
  RawLzhEntry a;
  a.method = "-lz4-";
  a.extended = {{0x01, "a.txt"}};
  a.data = "alpha";
  const fs::path archive = scratch / "larc.lzs";
  WriteFile(archive, BuildRawLzhEntry(a) + BuildRawLzhEntry(a));
  EXPECT_NE(unlha->CheckArchive(archive.string(), 2), 0);
}

TEST(LzhFirstHeader, ADamagedFirstHeaderIsNeverSearchedPast) {
  TestHost host;
  ScratchFolder scratch;
  auto unlha = MakeUnlhaBackend();
  RawLzhEntry folder, file;
  folder.method = "-lhd-";
  folder.extended = {{0x02, std::string("docs\xFF")}};
  file.extended = {{0x01, "a.txt"}};
  file.data = "alpha";
  const std::string good = BuildRawLzh({folder, file, file});
  int n = 0;
  for (const auto& [at, value] : std::vector<std::pair<std::size_t, char>>{{6, '\xA4'}, {20, 10}, {4, 'x'}}) {
    std::string bytes = good;
    bytes[at] = value;
    const fs::path archive = scratch / ("d" + std::to_string(++n) + ".lzh");
    WriteFile(archive, bytes);
    EXPECT_EQ(unlha->CheckArchive(archive.string(), 2), 0) << at;
    const auto r = RunCommand(*unlha, "x " + Q(archive) + " " + Q(scratch / ("o" + std::to_string(n)) / ""));
    EXPECT_NE(r.code, kArcOk) << at << r.output;
  }
}

}  // namespace
}  // namespace ks::test
