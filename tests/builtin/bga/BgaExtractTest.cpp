// Extracting and checking GZA/BZA archives: the genuine samples, archives
// built entry by entry, self-extractors, and damaged and hostile ones.
#include <sys/stat.h>

#include <fstream>

#include "BgaTestSupport.h"
#include "archivers/builtin/bga/BgaReader.h"
#include "archivers/builtin/common/DosTime.h"

namespace ks::test {
namespace {

std::string Slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Spit(const fs::path& file, const std::string& bytes) {
  std::ofstream(file, std::ios::binary) << bytes;
}

std::int64_t MTime(const fs::path& p) {
  struct stat st {};
  ::stat(p.c_str(), &st);
  return st.st_mtime;
}

class BgaExtractTest : public BgaTest {
 protected:
  // The tree the genuine samples hold.
  static std::map<std::string, std::string> SampleTree() {
    const std::string text = "\xE3\x81\x82\xE3\x81\x84\xE3\x81\x86\xE3\x81\x88\xE3\x81\x8A\r\n";
    return {{"dir/", ""},
            {"dir/empty/", ""},
            {"dir/test.txt", text},
            {"dir/テスト.txt", "\xE3\x81\x8B\xE3\x81\x8D\xE3\x81\x8F\xE3\x81\x91\xE3\x81\x93\r\n"}};
  }
};

TEST_F(BgaExtractTest, GenuineGzaAndBzaExtractExactly) {
  for (const char* name : {"test.gza", "test.bza"}) {
    KS_REQUIRE_BGA_FIXTURE(archive, name);
    const fs::path out = root() / (std::string("out-") + name);
    const CommandRun run = Extract(archive, out);
    ASSERT_EQ(run.result, 0) << run.log;
    EXPECT_EQ(TreeOf(out), SampleTree()) << name;
    // 2022-03-02 21:44:46 local time, as the header says.
    EXPECT_EQ(MTime(out / "dir" / "test.txt"), *DosToUnixTime({0x5462, 0xAD97}));
    EXPECT_EQ(Check(archive, 0), 1) << name;
    EXPECT_EQ(Check(archive, 2), 1) << name;
  }
}

TEST_F(BgaExtractTest, CompressedStoredAndAutomaticEntriesOfBothKinds) {
  const std::string text = SomeText(40000, 1);
  for (BgaMethod m : {BgaMethod::Gzip, BgaMethod::Bzip2}) {
    std::string packed;
    const std::string gzip = GzipWithName(text, "t.txt");
    if (m == BgaMethod::Gzip) {
      packed = gzip;
    } else {
      Spit(root() / "t.txt", text);
      ASSERT_EQ(RunTool("bzip2 -kf " + ShellQuote((root() / "t.txt").string())).exitCode, 0)
          << "bzip2 is needed (scripts/deps.sh --tests)";
      packed = Slurp(root() / "t.txt.bz2");
    }
    BgaRawEntry automatic = PackedEntry("", "auto.txt", packed, text.size(), m);
    automatic.header.storage = kBgaStorageAutomatic;
    // A compressed file stored as it is: an already-compressed kind.
    BgaRawEntry inner = StoredEntry("sub\\", "inner.gz", gzip, m);
    inner.header.storage = kBgaStorageAutomatic;
    const std::string archive = BuildBga({FolderEntry("sub\\"), PackedEntry("sub\\", "c.txt", packed, text.size(), m),
                                          automatic, inner, StoredEntry("", "s.bin", "stored", m)});
    const fs::path file = root() / (m == BgaMethod::Gzip ? "a.gza" : "a.bza");
    Spit(file, archive);
    const CommandRun run = Extract(file, root() / "out");
    ASSERT_EQ(run.result, 0) << run.log;
    EXPECT_EQ(Slurp(root() / "out" / "sub" / "c.txt"), text);
    EXPECT_EQ(Slurp(root() / "out" / "auto.txt"), text);
    EXPECT_EQ(Slurp(root() / "out" / "sub" / "inner.gz"), gzip);
    EXPECT_EQ(Slurp(root() / "out" / "s.bin"), "stored");
    EXPECT_EQ(Check(file, 2), 1);
    fs::remove_all(root() / "out");
  }
}

TEST_F(BgaExtractTest, ReadOnlyAttributeAndTimesAreRestored) {
  BgaRawEntry ro = StoredEntry("", "ro.txt", "keep me");
  ro.header.attributes = kBgaAttrArchive | kBgaAttrReadOnly;
  BgaRawEntry rw = StoredEntry("", "rw.txt", "change me");
  rw.header.attributes = kBgaAttrArchive | 0x02 | 0x04;  // hidden and system mean nothing here
  BgaRawEntry folder = FolderEntry("d\\");
  folder.header.attributes = kBgaAttrFolder | kBgaAttrReadOnly;
  folder.header.stamp = {(30 << 9) | (6 << 5) | 15, (12 << 11)};
  Spit(root() / "a.gza", BuildBga({ro, rw, folder, StoredEntry("d\\", "in.txt", "x")}));
  const CommandRun run = Extract(root() / "a.gza", root() / "out");
  ASSERT_EQ(run.result, 0) << run.log;
  const auto perms = [](const fs::path& p) { return fs::status(p).permissions(); };
  EXPECT_EQ(perms(root() / "out" / "ro.txt") & fs::perms::owner_write, fs::perms::none);
  EXPECT_NE(perms(root() / "out" / "rw.txt") & fs::perms::owner_write, fs::perms::none);
  EXPECT_NE(perms(root() / "out" / "d") & fs::perms::owner_write, fs::perms::none);
  EXPECT_EQ(MTime(root() / "out" / "ro.txt"), *DosToUnixTime(ro.header.stamp));
  EXPECT_EQ(MTime(root() / "out" / "d"), *DosToUnixTime(folder.header.stamp));
  fs::permissions(root() / "out" / "ro.txt", fs::perms::owner_write, fs::perm_options::add);
}

TEST_F(BgaExtractTest, SelfExtractorIsFoundInsideItsProgram) {
  const std::string archive = BuildBga({StoredEntry("p\\", "a.txt", "in the program"),
                                        PackedEntry("p\\", "b.txt", GzipWithName("zz", "b"), 2, BgaMethod::Gzip)});
  std::string program = "MZ" + RandomBytes(40000, 3);
  // A stray tag inside the program code that fails its checksum is passed over.
  program.replace(1000, 4, "GZIP");
  Spit(root() / "sfx.exe", program + archive + "trailing resources, not an entry");
  BgaReader reader;
  ASSERT_EQ(reader.Open((root() / "sfx.exe").string()), kArcOk);
  EXPECT_TRUE(reader.selfExtracting());
  EXPECT_EQ(reader.start(), program.size());
  EXPECT_EQ(Check(root() / "sfx.exe", 0), 1);
  EXPECT_EQ(Check(root() / "sfx.exe", 2), 1);
  const CommandRun run = Extract(root() / "sfx.exe", root() / "out");
  ASSERT_EQ(run.result, 0) << run.log;
  EXPECT_EQ(TreeOf(root() / "out"),
            (std::map<std::string, std::string>{{"p/", ""}, {"p/a.txt", "in the program"}, {"p/b.txt", "zz"}}));

  // Beyond the first 64 KiB it is not looked for, and only programs are searched.
  Spit(root() / "far.exe", "MZ" + RandomBytes(70000, 4) + archive);
  EXPECT_EQ(Check(root() / "far.exe", 0), 0);
  Spit(root() / "junk.bin", "XX" + RandomBytes(100, 4) + archive);
  EXPECT_EQ(Check(root() / "junk.bin", 0), 0);
  EXPECT_EQ(Extract(root() / "junk.bin", root() / "out2").result, kArcNotArcFile);
}

TEST_F(BgaExtractTest, NotArchivesAreNotClaimed) {
  Spit(root() / "empty.gza", "");
  Spit(root() / "text.txt", "just some text that is long enough to hold a header or two");
  Spit(root() / "tag-only", std::string("\0\0\0\0GZIP", 8));
  for (const char* name : {"empty.gza", "text.txt", "tag-only", "missing.gza"}) {
    EXPECT_EQ(Check(root() / name, 0), 0) << name;
    EXPECT_EQ(Check(root() / name, 2), 0) << name;
    EXPECT_NE(Extract(root() / name, root() / "out").result, 0) << name;
  }
  EXPECT_FALSE(fs::exists(root() / "out" / "text.txt"));
  fs::create_directories(root() / "folder.gza");
  EXPECT_EQ(Check(root() / "folder.gza", 0), 0);
}

class BgaDamageTest : public BgaExtractTest, public ::testing::WithParamInterface<BgaMethod> {
 protected:
  // first.txt (compressed), second.txt (compressed), third.txt (stored).
  std::string Archive(std::size_t& secondData, std::size_t& secondHeader) {
    const BgaMethod m = GetParam();
    const std::string a = SomeText(30000, 11), b = SomeText(30000, 12);
    std::string pa, pb;
    for (auto [text, packed] : {std::pair{&a, &pa}, std::pair{&b, &pb}}) {
      const fs::path plain = root() / "plain";
      Spit(plain, *text);
      const std::string tool = m == BgaMethod::Gzip ? "gzip" : "bzip2";
      EXPECT_EQ(RunTool(tool + " -c " + ShellQuote(plain.string()) + " > " +
                        ShellQuote((root() / "packed").string())).exitCode, 0);
      *packed = Slurp(root() / "packed");
    }
    const std::string first = BuildBga({PackedEntry("", "first.txt", pa, a.size(), m)});
    const BgaRawEntry second = PackedEntry("", "second.txt", pb, b.size(), m);
    secondHeader = first.size();
    secondData = first.size() + EncodeBgaHeader(second.header).size();
    return first + BuildBga({second, StoredEntry("", "third.txt", "stored text", m)});
  }

  // Extracting fails with no file of the damaged entry left behind, and
  // both checks say no. Damage to an entry spares the entries after it
  // (`thirdSaved`); a cut ends the archive.
  void ExpectFailsCleanly(const std::string& bytes, const std::string& what,
                          bool secondIsSound = false, bool thirdSaved = false) {
    const fs::path file = root() / "bad.bga";
    Spit(file, bytes);
    const fs::path out = root() / "out";
    fs::remove_all(out);
    const CommandRun run = Extract(file, out);
    EXPECT_NE(run.result, 0) << what << "\n" << run.log;
    if (secondIsSound)
      EXPECT_EQ(Slurp(out / "second.txt"), SomeText(30000, 12)) << what;
    else
      EXPECT_FALSE(fs::exists(out / "second.txt")) << what;
    if (thirdSaved)
      EXPECT_EQ(Slurp(out / "third.txt"), "stored text") << what;
    else
      EXPECT_FALSE(fs::exists(out / "third.txt")) << what;
    if (fs::exists(out)) {
      EXPECT_TRUE(Leftovers(out).empty()) << what;
    }
    EXPECT_EQ(Check(file, 2), 0) << what;
  }
};

TEST_P(BgaDamageTest, DamagedArchivesFailCleanly) {
  std::size_t data = 0, header = 0;
  const std::string good = Archive(data, header);
  {
    const fs::path file = root() / "good.bga";
    Spit(file, good);
    ASSERT_EQ(Extract(file, root() / "good").result, 0);
    ASSERT_EQ(Check(file, 2), 1);
  }
  for (std::size_t at : {header + 2, header + 10, header + 30}) {
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ 0x04);
    ExpectFailsCleanly(bad, "flipped header byte " + std::to_string(at), false, true);
    EXPECT_EQ(Check(root() / "bad.bga", 0), 0);
  }
  for (std::size_t at : {data + 40, data + 200, data + 1000}) {
    std::string bad = good;
    bad[at] = static_cast<char>(bad[at] ^ 0x10);
    ExpectFailsCleanly(bad, "flipped data byte " + std::to_string(at), false, true);
    // A quick check reads only the headers, which are sound.
    EXPECT_EQ(Check(root() / "bad.bga", 0), 1);
  }
  // The second header damaged and the stored third header repeated inside
  // the second entry's data: the search behind the damage must not take
  // the copy, with whatever bytes follow it, for the third entry.
  const std::size_t thirdHeaderSize = kBgaFixedSize + std::string("third.txt").size();
  const std::size_t thirdHeader = good.size() - thirdHeaderSize - std::string("stored text").size();
  std::string repeated = good;
  repeated.replace(data + 100, thirdHeaderSize, good.substr(thirdHeader, thirdHeaderSize));
  repeated[header + 10] = static_cast<char>(repeated[header + 10] ^ 0x04);
  ExpectFailsCleanly(repeated, "a stored header repeated", false, true);
  ExpectFailsCleanly(good.substr(0, good.size() - 1), "last byte cut", true);
  for (std::size_t size : {data + 100, header + 20, header + 1}) {
    ExpectFailsCleanly(good.substr(0, size), "cut to " + std::to_string(size));
    EXPECT_EQ(Check(root() / "bad.bga", 0), 0);
  }
  // The first header damaged: the quick check no longer takes the file for
  // an archive, while an extraction still finds the entries behind it.
  std::string firstBroken = good;
  firstBroken[9] = static_cast<char>(firstBroken[9] ^ 1);
  ExpectFailsCleanly(firstBroken, "first header", true, true);
  EXPECT_EQ(Check(root() / "bad.bga", 0), 0);
}

INSTANTIATE_TEST_SUITE_P(Methods, BgaDamageTest, ::testing::Values(BgaMethod::Gzip, BgaMethod::Bzip2),
                         [](const auto& info) {
                           return std::string(info.param == BgaMethod::Gzip ? "Gzip" : "Bzip2");
                         });

TEST_F(BgaExtractTest, AHeaderThatOvercountsItsDataWritesNoMore) {
  // A gzip member of 1 MB of zeros, announced as 10 bytes.
  const std::string zeros(1 << 20, '\0');
  Spit(root() / "bomb.gza",
       BuildBga({PackedEntry("", "bomb.bin", GzipWithName(zeros, "z"), 10, BgaMethod::Gzip)}));
  const CommandRun run = Extract(root() / "bomb.gza", root() / "out");
  EXPECT_EQ(run.result, kArcBrokenData) << run.log;
  EXPECT_FALSE(fs::exists(root() / "out" / "bomb.bin"));
  // A stored entry whose sizes disagree is a damaged header.
  BgaRawEntry odd = StoredEntry("", "odd.txt", "12345");
  odd.header.originalSize = 4;
  Spit(root() / "odd.gza", BuildBga({odd}));
  EXPECT_EQ(Extract(root() / "odd.gza", root() / "out").result, kArcHeaderBroken);
  // So is an entry with data but no file name; without data it is a folder.
  Spit(root() / "noname.gza", BuildBga({StoredEntry("d\\", "", "data")}));
  EXPECT_EQ(Extract(root() / "noname.gza", root() / "out").result, kArcHeaderBroken);
  EXPECT_EQ(Check(root() / "noname.gza", 0), 0);
  Spit(root() / "folder.gza", BuildBga({StoredEntry("d\\", "", ""), StoredEntry("d\\", "f.txt", "f")}));
  ASSERT_EQ(Extract(root() / "folder.gza", root() / "out2").result, 0);
  EXPECT_EQ(TreeOf(root() / "out2"), (std::map<std::string, std::string>{{"d/", ""}, {"d/f.txt", "f"}}));
}

TEST_F(BgaExtractTest, NamesThatLeaveTheTargetAreRefusedAndTheRestExtracted) {
  Spit(root() / "evil.gza",
       BuildBga({StoredEntry("..\\", "up.txt", "escaped"), StoredEntry("\\", "abs.txt", "rooted"),
                 StoredEntry("C:\\", "drive.txt", "drive"), StoredEntry("ok\\..\\..\\", "deep.txt", "deep"),
                 StoredEntry("fine\\", "ok.txt", "fine")}));
  fs::create_directories(root() / "t" / "target");
  const CommandRun run = Extract(root() / "evil.gza", root() / "t" / "target");
  EXPECT_EQ(run.result, kArcUnsafeEntry) << run.log;
  EXPECT_EQ(TreeOf(root() / "t"),
            (std::map<std::string, std::string>{{"target/", ""}, {"target/fine/", ""}, {"target/fine/ok.txt", "fine"}}));
  EXPECT_FALSE(fs::exists("/abs.txt"));
}

TEST_F(BgaExtractTest, ExistingFilesFollowTheHostsAnswerAndCancelStops) {
  Spit(root() / "a.gza", BuildBga({StoredEntry("", "one.txt", "new one"), StoredEntry("", "two.txt", "new two")}));
  WriteFile(root() / "out" / "one.txt", "old one");
  {
    ScriptedHost host;
    host.overwriteAnswer = OverwriteAnswer::Skip;
    EXPECT_EQ(Extract(root() / "a.gza", root() / "out").result, 0);
    EXPECT_EQ(host.overwriteQuestions.size(), 1u);
    EXPECT_EQ(Slurp(root() / "out" / "one.txt"), "old one");
    EXPECT_EQ(Slurp(root() / "out" / "two.txt"), "new two");
    EXPECT_EQ(host.progressTitles, std::vector<std::string>{"Bga"});
  }
  {
    ScriptedHost host;
    host.overwriteAnswer = OverwriteAnswer::Replace;
    EXPECT_EQ(Extract(root() / "a.gza", root() / "out").result, 0);
    EXPECT_EQ(Slurp(root() / "out" / "one.txt"), "new one");
  }
  {
    ScriptedHost host;
    host.cancelAfter = 0;
    EXPECT_EQ(Extract(root() / "a.gza", root() / "out2").result, kArcUserCancel);
    EXPECT_FALSE(fs::exists(root() / "out2" / "one.txt"));
  }
  {
    ScriptedHost host;
    host.cancelAfter = 0;
    EXPECT_EQ(Check(root() / "a.gza", 2), 0);  // a cancelled test is no clean bill
  }
}

}  // namespace
}  // namespace ks::test
