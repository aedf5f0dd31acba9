// RAR archives that are damaged, cut or odd must never pass as sound, and
// sound ones must come out whole: through UnRar32's command (extraction) and
// RarTest (the check, through unrar.dll).
#include <gtest/gtest.h>

#include "RarWriter.h"
#include "archivers/LibrarySet.h"
#include "archivers/TypeDetect.h"
#include "archivers/builtin/Backends.h"
#include "builtin/common/ExtractTestSupport.h"

namespace ks::test {
namespace {

class RarIntegrity : public ::testing::Test {
 protected:
  void SetUp() override { InstallBuiltinLibraries(Libraries()); }
  void TearDown() override { Libraries().Reset(); }

  fs::path Write(const std::string& name, const std::string& bytes) {
    const fs::path p = scratch / name;
    WriteFile(p, bytes);
    return p;
  }
  CommandResult Extract(const fs::path& archive, const std::string& folder) {
    return RunCommand(*unrar32, "-x " + Q(archive) + " " + Q(scratch / (folder + "//")));
  }

  TestHost host;
  ScratchFolder scratch;
  std::shared_ptr<CommonArchiver> unrar32 = MakeUnrar32Backend();
  const std::string text = SomeBytes(5000, 7);
  const std::vector<RarEntry> entries = {{"dir", "", true}, {"dir/a.txt", text}, {"b.bin", "bee"}};
};

// Where `data` lies in `archive`.
std::size_t OffsetOf(const std::string& archive, const std::string& data) {
  const std::size_t at = archive.find(data);
  EXPECT_NE(at, std::string::npos);
  return at;
}

// Every length shorter than `archive`, but only some inside the long `data`:
// a cut there is like any other cut inside data.
std::vector<std::size_t> CutPoints(const std::string& archive, const std::string& data) {
  const std::size_t from = OffsetOf(archive, data), to = from + data.size();
  std::vector<std::size_t> sizes;
  for (std::size_t size = 1; size < archive.size(); ++size)
    if (size <= from + 2 || size >= to - 2 || size % 397 == 0) sizes.push_back(size);
  return sizes;
}

TEST_F(RarIntegrity, SoundArchivesWithFoldersPassAndExtractWhole) {
  for (int version : {4, 5}) {
    SCOPED_TRACE(version);
    std::vector<RarEntry> list = entries;
    if (version == 4) list[1].name = "dir\\a.txt";
    const fs::path a = Write("sound.rar", version == 4 ? MakeRar4(list) : MakeRar5(list));
    EXPECT_TRUE(RarTest(a.string()));
    const std::string out = "out" + std::to_string(version);
    const auto r = Extract(a, out);
    ASSERT_EQ(r.code, kArcOk) << r.output;
    EXPECT_EQ(ReadFile(scratch / out / "dir" / "a.txt"), text);
    EXPECT_EQ(ReadFile(scratch / out / "b.bin"), "bee");
  }
}

TEST_F(RarIntegrity, AFlippedByteInStoredDataFails) {
  for (int version : {4, 5}) {
    SCOPED_TRACE(version);
    std::string bytes = version == 4 ? MakeRar4({{"a.txt", text}, {"b.bin", "bee"}})
                                     : MakeRar5({{"a.txt", text}, {"b.bin", "bee"}});
    bytes[OffsetOf(bytes, text) + 1234] ^= 0x01;
    const fs::path a = Write("flipped.rar", bytes);
    EXPECT_FALSE(RarTest(a.string()));
    const auto r = Extract(a, "out" + std::to_string(version));
    EXPECT_EQ(r.code, kArcFileCrc) << r.output;
    EXPECT_FALSE(fs::exists(scratch / ("out" + std::to_string(version)) / "a.txt"));
  }
}

// RAR's BLAKE2 option stores a BLAKE2sp hash and no CRC-32 at all.
TEST_F(RarIntegrity, Rar5EntriesWithOnlyABlake2HashAreVerified) {
  RarEntry big{"dir/a.txt", text};
  big.blake2Only = true;
  RarEntry small{"b.bin", "bee"};
  small.blake2Only = true;
  RarEntry empty{"empty", ""};
  empty.blake2Only = true;
  const std::string sound = MakeRar5({{"dir", "", true}, big, small, empty});
  const fs::path a = Write("hashed.rar", sound);
  EXPECT_TRUE(RarTest(a.string()));
  auto r = Extract(a, "sound");
  ASSERT_EQ(r.code, kArcOk) << r.output;
  EXPECT_EQ(ReadFile(scratch / "sound" / "dir" / "a.txt"), text);
  EXPECT_EQ(ReadFile(scratch / "sound" / "b.bin"), "bee");
  EXPECT_EQ(ReadFile(scratch / "sound" / "empty"), "");

  for (std::size_t at : {std::size_t{0}, std::size_t{700}, text.size() - 1}) {
    SCOPED_TRACE(at);
    std::string flipped = sound;
    flipped[OffsetOf(flipped, text) + at] ^= 0x20;
    const fs::path f = Write("flipped.rar", flipped);
    EXPECT_FALSE(RarTest(f.string()));
    r = Extract(f, "flipped" + std::to_string(at));
    EXPECT_EQ(r.code, kArcFileCrc) << r.output;
    EXPECT_FALSE(fs::exists(scratch / ("flipped" + std::to_string(at)) / "dir" / "a.txt"));
  }

  small.badCrc = true;
  const fs::path wrong = Write("wrong.rar", MakeRar5({small}));
  EXPECT_FALSE(RarTest(wrong.string()));
  EXPECT_EQ(Extract(wrong, "wrong").code, kArcFileCrc);
}

TEST_F(RarIntegrity, Rar5CutAnywhereFails) {
  const std::string whole = MakeRar5(entries);
  for (std::size_t size : CutPoints(whole, text)) {
    const fs::path a = Write("cut.rar", whole.substr(0, size));
    EXPECT_FALSE(RarTest(a.string())) << "cut at " << size;
    fs::remove_all(scratch / "out");
    EXPECT_NE(Extract(a, "out").code, kArcOk) << "cut at " << size;
  }
  // The signature alone is no archive either.
  EXPECT_FALSE(RarTest(Write("sig.rar", whole.substr(0, 8)).string()));
}

TEST_F(RarIntegrity, Rar4CutAnywhereFails) {
  std::vector<RarEntry> list = entries;
  list[1].name = "dir\\a.txt";
  const std::string whole = MakeRar4(list);
  for (std::size_t size : CutPoints(whole, text)) {
    const fs::path a = Write("cut.rar", whole.substr(0, size));
    EXPECT_FALSE(RarTest(a.string())) << "cut at " << size;
    fs::remove_all(scratch / "out");
    EXPECT_NE(Extract(a, "out").code, kArcOk) << "cut at " << size;
  }
  // RAR 2 wrote no end block: its archives end after their last entry, and
  // only a cut inside a block is seen.
  const std::string old = MakeRar4(list, 20);
  const std::size_t withoutEnd = old.size() - 7;
  EXPECT_TRUE(RarTest(Write("old.rar", old.substr(0, withoutEnd)).string()));
  for (std::size_t size : {withoutEnd - 1, withoutEnd - 3000, withoutEnd + 3})
    EXPECT_FALSE(RarTest(Write("oldcut.rar", old.substr(0, size)).string())) << size;
}

TEST_F(RarIntegrity, Rar4DamagedTailFailsAndStillVerifiesEveryEntry) {
  std::string bytes = MakeRar4({{"a.txt", text}, {"b.bin", "bee"}});
  bytes[OffsetOf(bytes, text) + 10] ^= 0x20;
  for (const std::string& damaged : {bytes.substr(0, bytes.size() - 3), bytes.substr(0, bytes.size() - 7) + "xyz",
                                     bytes + "\x01\x02"}) {
    const fs::path a = Write("tail.rar", damaged);
    EXPECT_FALSE(RarTest(a.string()));
    fs::remove_all(scratch / "out");
    const auto r = Extract(a, "out");
    EXPECT_NE(r.code, kArcOk) << r.output;
    EXPECT_FALSE(fs::exists(scratch / "out" / "a.txt")) << "damaged data written";
  }
  // A sound archive with a cut or stray tail is a failure too: what follows
  // the end may be a second archive whose entries would be lost. Zeros are
  // padding.
  const std::string sound = MakeRar4({{"a.txt", text}});
  EXPECT_FALSE(RarTest(Write("short.rar", sound.substr(0, sound.size() - 2)).string()));
  EXPECT_FALSE(RarTest(Write("stray.rar", sound.substr(0, sound.size() - 7) + "zz").string()));
  EXPECT_FALSE(RarTest(Write("twice.rar", sound + sound).string()));
  EXPECT_TRUE(RarTest(Write("padded.rar", sound + std::string(100, '\0')).string()));
  const std::string sound5 = MakeRar5({{"a.txt", text}});
  EXPECT_FALSE(RarTest(Write("twice5.rar", sound5 + sound5).string()));
  EXPECT_TRUE(RarTest(Write("padded5.rar", sound5 + std::string(100, '\0')).string()));
}

TEST_F(RarIntegrity, Rar4Cp932NamesAreDecodedBeforeTheyAreSplit) {
  // "表" is 95 5C in CP932: its second byte is the separator "\".
  const std::string hyo = "\x95\x5c";
  const fs::path a = Write("sjis.rar", MakeRar4({{hyo, "", true},
                                                  {hyo + "\\" + hyo + ".txt", "inside"},
                                                  {"\x83\x5c.txt", "so"}}));  // "ソ"
  const auto r = Extract(a, "out");
  ASSERT_EQ(r.code, kArcOk) << r.output;
  EXPECT_EQ(Tree(scratch / "out"), (std::map<std::string, std::string>{
                                       {"表", "folder"}, {"表/表.txt", "file:inside"}, {"ソ.txt", "file:so"}}));
  // The Unicode form, when the header has one, gives the name.
  const fs::path u = Write("unicode.rar", MakeRar4({{hyo + ".txt", "u", false, false, false, u"表.txt"}}));
  ASSERT_EQ(Extract(u, "outu").code, kArcOk);
  EXPECT_EQ(ReadFile(scratch / "outu" / "表.txt"), "u");
}

TEST_F(RarIntegrity, DamagedHeadersFail) {
  for (int version : {4, 5}) {
    SCOPED_TRACE(version);
    const std::string whole = version == 4 ? MakeRar4({{"a.txt", text}, {"b.bin", "bee"}})
                                           : MakeRar5({{"a.txt", text}, {"b.bin", "bee"}});
    // A byte of the second entry's name: its header no longer matches its CRC.
    std::string bytes = whole;
    bytes[whole.find("b.bin")] = 'c';
    EXPECT_FALSE(RarTest(Write("name.rar", bytes).string()));
    const auto r = Extract(scratch / "name.rar", "out" + std::to_string(version));
    EXPECT_NE(r.code, kArcOk);
    EXPECT_EQ(ReadFile(scratch / ("out" + std::to_string(version)) / "a.txt"), text);
  }
}

TEST_F(RarIntegrity, EncryptedRar5EntriesAreReportedNotRead) {
  const fs::path a = Write("locked.rar", MakeRar5({{"plain.txt", "open"}, {"locked.bin", "secret", false, true}}));
  EXPECT_EQ(RarProbe(a.string()), kRarProbeYes);
  EXPECT_FALSE(RarTest(a.string()));
  EXPECT_EQ(RarProbe(Write("first.rar", MakeRar5({{"locked.bin", "secret", false, true}})).string()),
            kRarProbeEncrypted);
}

TEST_F(RarIntegrity, ToolCheckAgreesWithRarTest) {
  const char* bin = std::getenv("KS_BINARY_DIR");
  const fs::path tool = bin ? fs::path(bin) / "kestrino-archiver" : fs::path();
  if (!bin || !fs::exists(tool)) GTEST_SKIP() << "kestrino-archiver is not built";
  const std::string whole = MakeRar5(entries);
  std::string flipped = whole;
  flipped[OffsetOf(whole, text)] ^= 1;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"whole.rar", whole},
      {"cut.rar", whole.substr(0, whole.size() - 4)},
      {"header.rar", whole.substr(0, OffsetOf(whole, "b.bin"))},
      {"flipped.rar", flipped}};
  for (const auto& [name, bytes] : cases) {
    const fs::path a = Write(name, bytes);
    const int exit = Shell(Quote(tool) + " --check unrar.dll " + Quote(a) + " 2");
    EXPECT_EQ(exit == 0, RarTest(a.string())) << name;
    EXPECT_EQ(exit == 0, name == "whole.rar") << name;
  }
}

}  // namespace
}  // namespace ks::test
