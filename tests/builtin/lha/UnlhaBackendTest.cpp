// The Unlha32 back-end's reading side against archives made by jlha, with
// lhasa as the second opinion.
#include <gtest/gtest.h>

#include "builtin/common/ExtractTestSupport.h"
#include "archivers/builtin/Backends.h"

namespace ks::test {
namespace {

class UnlhaBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!HaveTool("jlha")) GTEST_SKIP() << "jlha (jlha-utils) is not installed";
    // jlha stores names through Java's file name encoding, which knows no
    // Japanese here; the Japanese names are covered by the ZIP and tar tests.
    MakeSampleTree(src, false);
    fs::remove_all(src / "empty");  // LHA level 0/1 headers keep no empty folders
  }
  fs::path Lha(const std::string& name, const std::string& options = "") {
    const fs::path archive = scratch / name;
    EXPECT_EQ(Shell("cd " + Quote(src) + " && jlha a" + options + " " + Quote(archive) +
                    " readme.txt docs"),
              0);
    return archive;
  }
  CommandResult Extract(const fs::path& archive, const fs::path& folder) {
    return RunCommand(*unlha, "x " + Q(archive) + " " + Q(folder.string() + "/"));
  }

  TestHost host;
  ScratchFolder scratch;
  fs::path src = scratch / "src";
  std::shared_ptr<CommonArchiver> unlha = MakeUnlhaBackend();
};

TEST_F(UnlhaBackendTest, ExtractsWhatJlhaMakesLikeLhasa) {
  const fs::path archive = Lha("made.lzh");
  const auto r = Extract(archive, scratch / "ours");
  ASSERT_EQ(r.code, kArcOk) << r.output;
  EXPECT_EQ(Tree(scratch / "ours"), Tree(src));
  if (HaveTool("lhasa")) {
    fs::create_directories(scratch / "lhasa");
    ASSERT_EQ(Shell("cd " + Quote(scratch / "lhasa") + " && lhasa xq " + Quote(archive)), 0);
    EXPECT_EQ(Tree(scratch / "ours"), Tree(scratch / "lhasa"));
  }
}

TEST_F(UnlhaBackendTest, CheckModesTellSoundFromDamaged) {
  const fs::path archive = Lha("check.lzh");
  EXPECT_NE(unlha->CheckArchive(archive.string(), 0), 0);
  EXPECT_NE(unlha->CheckArchive(archive.string(), 2), 0);

  // Flip a byte deep inside the compressed data of the biggest file: the
  // headers still read (quick check passes), the full check fails.
  std::string bytes = ReadFile(archive);
  bytes[bytes.size() * 3 / 4] = static_cast<char>(bytes[bytes.size() * 3 / 4] ^ 0x5A);
  WriteFile(scratch / "damaged.lzh", bytes);
  EXPECT_EQ(unlha->CheckArchive((scratch / "damaged.lzh").string(), 2), 0);
  const auto r = Extract(scratch / "damaged.lzh", scratch / "out");
  EXPECT_NE(r.code, kArcOk) << r.output;
  EXPECT_FALSE(fs::exists(scratch / "out" / "docs" / "deep" / "data.bin") &&
               ReadFile(scratch / "out" / "docs" / "deep" / "data.bin") != SomeBytes(150000, 2));

  WriteFile(scratch / "cut.lzh", ReadFile(archive).substr(0, bytes.size() / 2));
  EXPECT_EQ(unlha->CheckArchive((scratch / "cut.lzh").string(), 2), 0);
  EXPECT_NE(Extract(scratch / "cut.lzh", scratch / "cut").code, kArcOk);

  WriteFile(scratch / "text.txt", "no archive here, just some words");
  EXPECT_EQ(unlha->CheckArchive((scratch / "text.txt").string(), 0), 0);
}

TEST_F(UnlhaBackendTest, UnknownCommandsAreRefused) {
  EXPECT_EQ(RunCommand(*unlha, "l whatever.lzh").code, kArcCommandName);
  EXPECT_EQ(RunCommand(*unlha, "").code, kArcCommandName);
}

}  // namespace
}  // namespace ks::test
