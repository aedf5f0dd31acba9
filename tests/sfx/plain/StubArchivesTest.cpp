// The stubs' readers and extraction loop, built for this machine, on
// archives our back-ends make: every byte and name comes back, damage is
// caught and leaves nothing under a final name, names that would leave the
// folder are refused, existing files are asked about.
#include <gtest/gtest.h>

#include "builtin/lha/RawLzhBuilder.h"
#include "sfx/core/BgaArchive.h"
#include "sfx/core/CabArchive.h"
#include "sfx/core/LzhArchive.h"
#include "sfx/plain/SfxTestSupport.h"

namespace ks::test {
namespace {

template <typename Reader>
sfx::Archive* Make(sfx::Source& source) {
  return new Reader(source);
}

struct Format {
  const char* name;
  LibraryId library;
  const char* head;
  sfx::ArchiveMaker make;
  bool keepsEmptyFolders;
};

const Format kFormats[] = {
    {"lh5", LibraryId::Unlha, "a -x1 -r2 -o5", Make<sfx::LzhArchive>, true},
    {"lh7", LibraryId::Unlha, "a -x1 -r2 -o7", Make<sfx::LzhArchive>, true},
    {"cab", LibraryId::Cab, "-a", Make<sfx::CabArchive>, false},
    {"gza", LibraryId::Bga, "a -a -m1 -r ", Make<sfx::BgaArchive>, true},
    {"bza", LibraryId::Bga, "a -a -m2 -r ", Make<sfx::BgaArchive>, true},
};

class StubArchivesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("ks-sfx-" + std::to_string(::getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    WriteContents(root_ / "src", SampleTree());
  }
  void TearDown() override { fs::remove_all(root_); }

  std::string Packed(const Format& f) {
    const fs::path archive = root_ / (std::string("a.") + f.name);
    EXPECT_EQ(Pack(f.library, root_ / "src", archive, f.head), 0) << f.name;
    return ReadFile(archive);
  }
  sfx::Report Extract(const Format& f, const std::string& bytes, const fs::path& into, Answers& answers) {
    MemorySource source(bytes);
    FolderFiles files(into);
    return sfx::Extract(f.make, source, files, answers);
  }

  fs::path root_;
};

TEST_F(StubArchivesTest, EveryFormatComesBackWhole) {
  for (const Format& f : kFormats) {
    Answers answers;
    const fs::path out = root_ / f.name;
    const sfx::Report r = Extract(f, Packed(f), out, answers);
    EXPECT_EQ(r.outcome, sfx::Outcome::Done) << f.name;
    Contents expected = SampleTree();
    if (!f.keepsEmptyFolders) expected.erase("資料/空のフォルダ");
    EXPECT_TRUE(ContentsOf(out) == expected) << f.name;
    EXPECT_EQ(answers.lastDone, answers.lastTotal) << f.name;
    EXPECT_GT(answers.lastTotal, 1100000u) << f.name;
  }
}

TEST_F(StubArchivesTest, DamagedDataLeavesNothingUnderItsName) {
  for (const Format& f : kFormats) {
    std::string bytes = Packed(f);
    // The big file's data fills most of every archive: its middle is in it.
    bytes[bytes.size() / 2] ^= 0x21;
    Answers answers;
    const fs::path out = root_ / f.name;
    const sfx::Report r = Extract(f, bytes, out, answers);
    EXPECT_EQ(r.outcome, sfx::Outcome::Damaged) << f.name;
    EXPECT_EQ(Utf8Of(r.where), "big.txt") << f.name;
    EXPECT_FALSE(fs::exists(out / "big.txt")) << f.name;
    // Whatever else was written is right, and no temporary file stays.
    const Contents expected = SampleTree();
    for (const auto& [name, content] : ContentsOf(out)) {
      ASSERT_TRUE(expected.count(name)) << f.name << ": " << name;
      EXPECT_EQ(content, expected.at(name)) << f.name << ": " << name;
    }
  }
}

TEST_F(StubArchivesTest, DamagedOrCutHeadersStopBeforeAnythingIsWritten) {
  for (const Format& f : kFormats) {
    const std::string bytes = Packed(f);
    // The first header's second byte (a size, a checksum or the signature),
    // and the archive cut at its end.
    std::string bad = bytes;
    bad[1] ^= 0x40;
    for (const std::string& damaged : {bad, bytes.substr(0, bytes.size() - 3)}) {
      Answers answers;
      const fs::path out = root_ / f.name;
      const sfx::Report r = Extract(f, damaged, out, answers);
      EXPECT_EQ(r.outcome, sfx::Outcome::Damaged) << f.name;
      EXPECT_TRUE(fs::is_empty(out)) << f.name;
      fs::remove_all(out);
    }
  }
}

TEST_F(StubArchivesTest, ExistingFilesAreReplacedOnlyWhenTheUserSaysSo) {
  const Format& f = kFormats[0];
  const std::string bytes = Packed(f);
  using Answer = sfx::Feedback::Answer;
  for (Answer answer : {Answer::Replace, Answer::Keep, Answer::Cancel}) {
    const fs::path out = root_ / "out";
    fs::remove_all(out);
    fs::create_directories(out);
    std::ofstream(out / "big.txt") << "mine";
    Answers answers(answer);
    const sfx::Report r = Extract(f, bytes, out, answers);
    EXPECT_EQ(answers.asked, std::vector<std::string>{"big.txt"});
    EXPECT_EQ(r.outcome, answer == Answer::Cancel ? sfx::Outcome::Cancelled : sfx::Outcome::Done);
    EXPECT_EQ(ReadFile(out / "big.txt") == "mine", answer != Answer::Replace);
  }
}

TEST_F(StubArchivesTest, NamesThatLeaveTheFolderAreRefusedAndTheRestWritten) {
  std::string bytes;
  for (const char* name : {"..\\evil.txt", "C:\\evil.txt", "ok.txt", "a:stream", "NUL.txt"}) {
    RawLzhEntry e;
    e.extended = {{0x01, name}};
    e.data = "data";
    e.headerCrc = true;
    bytes += BuildRawLzhEntry(e);
  }
  bytes += '\0';
  Answers answers;
  const sfx::Report r = Extract(kFormats[0], bytes, root_ / "out", answers);
  EXPECT_EQ(r.outcome, sfx::Outcome::Refused);
  EXPECT_TRUE(ContentsOf(root_ / "out") == (Contents{{"ok.txt", "data"}}));
  EXPECT_FALSE(fs::exists(root_ / "evil.txt"));
}

TEST_F(StubArchivesTest, StoredCabinetsOfOtherToolsAreRead) {
  if (!HaveTool("gcab")) GTEST_SKIP() << "gcab (Debian package gcab) is missing";
  ASSERT_EQ(Shell("cd " + Quote(root_ / "src") + " && gcab -c ../stored.cab big.txt"), 0);
  Answers answers;
  const sfx::Report r = Extract({"cab", LibraryId::Cab, "", Make<sfx::CabArchive>, false},
                                ReadFile(root_ / "stored.cab"), root_ / "out", answers);
  EXPECT_EQ(r.outcome, sfx::Outcome::Done);
  EXPECT_EQ(ReadFile(root_ / "out" / "big.txt"), SampleTree()["big.txt"]);
}

TEST(SafeNameTest, KeepsNamesInsideTheFolderAndStorableOnWindows) {
  struct Case {
    const char* name;
    const char* path;  // nullptr: refused
  };
  const Case cases[] = {
      {"a\\b/c.txt", "a\\b\\c.txt"},  {"./a//b\\", "a\\b"},         {"日本語\\表.txt", "日本語\\表.txt"},
      {"..\\x", nullptr},             {"a\\..\\..\\x", nullptr},     {"\\x", nullptr},
      {"/x", nullptr},                {"C:x", nullptr},              {"a.txt:stream", nullptr},
      {"a?.txt", nullptr},            {"a\x01", nullptr},            {"dot.", nullptr},
      {"space ", nullptr},            {"con", nullptr},              {"LPT1.txt", nullptr},
      {"com10", "com10"},             {"console", "console"},        {".", nullptr},
  };
  for (const Case& c : cases) {
    const sfx::WideText name = WideOf(c.name);
    sfx::WideText out;
    const bool ok = sfx::SafeRelativePath(name.data(), name.size(), out);
    EXPECT_EQ(ok, c.path != nullptr) << c.name;
    if (ok && c.path) {
      EXPECT_EQ(Utf8Of(out), c.path) << c.name;
    }
  }
}

}  // namespace
}  // namespace ks::test
