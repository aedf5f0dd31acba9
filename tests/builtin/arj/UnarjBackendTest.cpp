// The UnArj32j back-end against archives made by Debian's arj, with `arj x`
// and `arj t` as the second opinion, and against hand-made archives for what
// arj does not write on Linux.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "archivers/builtin/Backends.h"
#include "builtin/arj/ArjTestSupport.h"
#include "builtin/common/ExtractTestSupport.h"

namespace ks::test {
namespace {

// Modification times of every file and folder under `root`.
std::map<std::string, std::int64_t> Times(const fs::path& root) {
  std::map<std::string, std::int64_t> times;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::end(it); ++it) {
    struct stat st{};
    ::lstat(it->path().c_str(), &st);
    times[fs::relative(it->path(), root).string()] = st.st_mtime;
  }
  return times;
}

unsigned ModeOf(const fs::path& p) {
  struct stat st{};
  ::lstat(p.c_str(), &st);
  return st.st_mode & 07777;
}

class UnarjBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeSampleTree(src);
    WriteFile(src / "random.bin", AsString(RandomBytes(1 << 20, 9)));
    fs::permissions(src / "readme.txt", fs::perms::owner_read | fs::perms::group_read);
  }
  void TearDown() override {
    std::error_code ec;
    fs::permissions(src / "readme.txt", fs::perms::owner_all, ec);
  }
  static std::vector<std::uint8_t> RandomBytes(std::size_t n, unsigned seed) {
    std::vector<std::uint8_t> b(n);
    unsigned x = seed;
    for (auto& c : b) c = static_cast<std::uint8_t>((x = x * 1664525u + 1013904223u) >> 24);
    return b;
  }
  // arj a with `options` of everything in src (folders too: -a1).
  fs::path Arj(const std::string& name, const std::string& options) {
    const fs::path archive = scratch / name;
    EXPECT_EQ(Shell("cd " + Quote(src) + " && arj a -r -a1 -y " + options + " " + Quote(archive) + " '*'"), 0)
        << options;
    return archive;
  }
  CommandResult Extract(const fs::path& archive, const fs::path& folder) {
    return RunCommand(*unarj, "x -hk -jyc " + Q(archive) + " " + Q(folder.string() + "/"));
  }
  // `arj t` on the archive: 0 when arj finds it sound.
  static int ArjTest(const fs::path& archive) { return Shell("arj t -y " + Quote(archive) + " </dev/null"); }
  bool Sound(const fs::path& archive) { return unarj->CheckArchive(archive.string(), 2) != 0; }
  void Put(const fs::path& file, const ArjBytes& bytes) { WriteFile(file, AsString(bytes)); }

  TestHost host;
  ScratchFolder scratch;
  fs::path src = scratch / "src";
  std::shared_ptr<CommonArchiver> unarj = MakeUnarjBackend();
};

class WithArj : public UnarjBackendTest {
 protected:
  void SetUp() override {
    if (!HaveTool("arj")) GTEST_SKIP() << "arj is not installed";
    UnarjBackendTest::SetUp();
  }
};

TEST_F(WithArj, EveryMethodExtractsLikeArjItself) {
  for (const std::string options : {"-m0", "-m1", "-m2", "-m3", "-m4", "-jm"}) {
    SCOPED_TRACE(options);
    const fs::path archive = Arj("m" + options + ".arj", options);
    const fs::path ours = scratch / ("ours" + options);
    const auto r = Extract(archive, ours);
    ASSERT_EQ(r.code, kArcOk) << r.output;
    EXPECT_EQ(Tree(ours), Tree(src));
    // Unix hosts: exact times and permissions of files and folders.
    EXPECT_EQ(Times(ours), Times(src));
    EXPECT_EQ(ModeOf(ours / "readme.txt"), 0440u);
    EXPECT_EQ(ModeOf(ours / "docs" / "notes.txt"), ModeOf(src / "docs" / "notes.txt"));

    const fs::path theirs = scratch / ("arj" + options);
    fs::create_directories(theirs);
    ASSERT_EQ(Shell("cd " + Quote(theirs) + " && arj x -y " + Quote(archive)), 0);
    EXPECT_EQ(Tree(ours), Tree(theirs));

    EXPECT_NE(unarj->CheckArchive(archive.string(), 0), 0);
    EXPECT_TRUE(Sound(archive));
    EXPECT_EQ(ArjTest(archive), 0);
  }
}

TEST_F(WithArj, DosCompatibleArchivesKeepTimesToTwoSeconds) {
  const fs::path archive = Arj("dos.arj", "-2d -m1");
  ASSERT_EQ(ReadFile(archive)[7], '\0') << "expected host MS-DOS in the main header";
  const auto r = Extract(archive, scratch / "out");
  ASSERT_EQ(r.code, kArcOk) << r.output;
  EXPECT_EQ(Tree(scratch / "out"), Tree(src));
  const auto ours = Times(scratch / "out");
  for (const auto& [name, time] : Times(src)) {
    if (fs::is_directory(src / name)) continue;
    ASSERT_TRUE(ours.count(name)) << name;
    EXPECT_LE(std::llabs(ours.at(name) - time), 2) << name;
  }
}

TEST_F(WithArj, JapaneseNamesInUtf8AndInCp932) {
  // arj on Linux stores the name's bytes: UTF-8 from a UTF-8 system, CP932
  // from files named on a Japanese DOS or Windows system, also with 0x5C
  // as a second byte ("表" is 0x95 0x5C).
  const fs::path dir = scratch / "cp932";
  WriteFile(dir / "\x95\x5C.txt", "hyou");
  WriteFile(dir / "\x93\xFA\x96\x7B\x8C\xEA.txt", "nihongo");
  const fs::path archive = scratch / "names.arj";
  ASSERT_EQ(Shell("cd " + Quote(dir) + " && arj a -y " + Quote(archive) + " '*'"), 0);
  const auto r = Extract(archive, scratch / "out");
  ASSERT_EQ(r.code, kArcOk) << r.output;
  EXPECT_EQ(ReadFile(scratch / "out" / "表.txt"), "hyou");
  EXPECT_EQ(ReadFile(scratch / "out" / "日本語.txt"), "nihongo");

  const auto utf8 = Extract(Arj("utf8.arj", "-m1"), scratch / "utf8");
  ASSERT_EQ(utf8.code, kArcOk) << utf8.output;
  EXPECT_EQ(ReadFile(scratch / "utf8" / "日本語フォルダ" / "ファイル名.txt"), "日本語の中身\n");
}

TEST_F(WithArj, DamagedDataFailsAndLeavesNoDamagedFile) {
  const fs::path archive = Arj("good.arj", "-m1");
  std::string bytes = ReadFile(archive);
  // random.bin is the biggest entry: a byte in the middle of the archive is
  // inside its data.
  const std::size_t at = bytes.find("random.bin") + bytes.size() / 3;
  bytes[at] = static_cast<char>(bytes[at] ^ 0x5A);
  WriteFile(scratch / "bad.arj", bytes);
  EXPECT_NE(unarj->CheckArchive((scratch / "bad.arj").string(), 0), 0) << "still an ARJ archive";
  EXPECT_FALSE(Sound(scratch / "bad.arj"));
  EXPECT_NE(ArjTest(scratch / "bad.arj"), 0);

  const auto r = Extract(scratch / "bad.arj", scratch / "out");
  EXPECT_TRUE(r.code == kArcFileCrc || r.code == kArcBrokenData) << r.output;
  EXPECT_NE(r.output.find("random.bin"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(scratch / "out" / "random.bin"));
  // What was extracted before the damaged entry is whole.
  const auto whole = Tree(src);
  for (const auto& [name, kind] : Tree(scratch / "out")) EXPECT_TRUE(kind == whole.at(name)) << name;
}

TEST_F(WithArj, DamagedHeadersAndCutArchivesFail) {
  const fs::path archive = Arj("good.arj", "-m4");
  const std::string bytes = ReadFile(archive);
  // A byte of the second local header: its CRC no longer matches.
  std::string header = bytes;
  const std::vector<std::size_t> locals = LocalHeaderOffsets(bytes);
  ASSERT_GE(locals.size(), 2u);
  header[locals[1] + 20] = static_cast<char>(header[locals[1] + 20] ^ 1);
  WriteFile(scratch / "header.arj", header);
  // The end mark gone, and the archive cut in the middle.
  WriteFile(scratch / "noend.arj", bytes.substr(0, bytes.size() - 4));
  WriteFile(scratch / "cut.arj", bytes.substr(0, bytes.size() / 2));

  for (const char* name : {"header.arj", "noend.arj", "cut.arj"}) {
    SCOPED_TRACE(name);
    const fs::path damaged = scratch / name;
    EXPECT_FALSE(Sound(damaged));
    EXPECT_NE(ArjTest(damaged), 0) << "arj t should agree";
    const auto r = Extract(damaged, scratch / (std::string("out-") + name));
    EXPECT_NE(r.code, kArcOk);
    EXPECT_TRUE(r.output.find("damaged") != std::string::npos ||
                r.output.find("ends early") != std::string::npos)
        << r.output;
  }
  EXPECT_EQ(Extract(scratch / "header.arj", scratch / "h").code, kArcHeaderBroken);
  EXPECT_EQ(Extract(scratch / "cut.arj", scratch / "c").code, kArcUnexpectedEof);
  // What came before the damage is there and whole; nothing half-written.
  const auto whole = Tree(src);
  for (const auto& [name, kind] : Tree(scratch / "c")) {
    if (kind.rfind("file:", 0) != 0) continue;
    EXPECT_EQ(kind, whole.at(name)) << name;
  }
}

TEST_F(WithArj, AHeaderDamagedIntoTheEndMarkLosesNothingInSilence) {
  const fs::path archive = Arj("three.arj", "-m1");
  std::string bytes = ReadFile(archive);
  const std::vector<std::size_t> locals = LocalHeaderOffsets(bytes);
  ASSERT_GE(locals.size(), 3u);
  // The second local header's size zeroed: it now reads as the end mark,
  // and the entries behind it would vanish.
  bytes[locals[1] + 2] = bytes[locals[1] + 3] = '\0';
  WriteFile(scratch / "early-end.arj", bytes);
  EXPECT_FALSE(Sound(scratch / "early-end.arj"));
  EXPECT_EQ(Extract(scratch / "early-end.arj", scratch / "e").code, kArcHeaderBroken);

  // The protection data arj may append after the end mark is no damage.
  const fs::path guarded = Arj("guarded.arj", "-m1 -hk");
  ASSERT_GT(fs::file_size(guarded), fs::file_size(archive));
  EXPECT_TRUE(Sound(guarded));
  EXPECT_EQ(Extract(guarded, scratch / "g").code, kArcOk);
}

TEST_F(WithArj, PasswordsAndVolumesAreClearFailures) {
  const fs::path garbled = Arj("garbled.arj", "-m1 -gsecret");
  auto r = Extract(garbled, scratch / "g");
  EXPECT_EQ(r.code, kArcPassword) << r.output;
  EXPECT_NE(r.output.find("password"), std::string::npos) << r.output;
  for (const auto& [name, kind] : Tree(scratch / "g")) EXPECT_EQ(kind, "folder") << name;
  EXPECT_FALSE(Sound(garbled));
  EXPECT_NE(ArjTest(garbled), 0);

  // 1 MB of random data over 300 KB volumes: random.bin spans them.
  const fs::path volume = Arj("vol.arj", "-m1 -v300K");
  ASSERT_TRUE(fs::exists(scratch / "vol.a01"));
  r = Extract(volume, scratch / "v");
  EXPECT_EQ(r.code, kArcMissingPiece) << r.output;
  EXPECT_NE(r.output.find("volume"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(scratch / "v" / "random.bin"));
  EXPECT_FALSE(Sound(volume));
  r = Extract(scratch / "vol.a01", scratch / "v1");
  EXPECT_EQ(r.code, kArcMissingPiece) << r.output;
  EXPECT_FALSE(fs::exists(scratch / "v1" / "random.bin"));
}

TEST_F(WithArj, LinksStayInsideTheFolder) {
  fs::create_symlink("notes.txt", src / "docs" / "inside");
  fs::create_symlink("../../outside", src / "docs" / "escape");
  const fs::path archive = Arj("links.arj", "-m1");
  const auto r = Extract(archive, scratch / "out");
  EXPECT_EQ(r.code, kArcUnsafeEntry) << r.output;
  EXPECT_EQ(fs::read_symlink(scratch / "out" / "docs" / "inside"), "notes.txt");
  EXPECT_FALSE(fs::exists(fs::symlink_status(scratch / "out" / "docs" / "escape")));
  EXPECT_EQ(ReadFile(scratch / "out" / "docs" / "notes.txt"), ReadFile(src / "docs" / "notes.txt"));
}

TEST_F(WithArj, SelfExtractorsAreRead) {
  const fs::path sfx = scratch / "sfx.exe";
  ASSERT_EQ(Shell("cd " + Quote(src) + " && arj a -je -y " + Quote(sfx) + " readme.txt docs/notes.txt"), 0);
  EXPECT_NE(unarj->CheckArchive(sfx.string(), 0), 0);
  EXPECT_TRUE(Sound(sfx));
  const auto r = Extract(sfx, scratch / "out");
  ASSERT_EQ(r.code, kArcOk) << r.output;
  EXPECT_EQ(ReadFile(scratch / "out" / "docs" / "notes.txt"), ReadFile(src / "docs" / "notes.txt"));
}

TEST_F(UnarjBackendTest, HandMadeDosArchives) {
  const std::uint32_t stamp = static_cast<std::uint32_t>((40 << 9 | 2 << 5 | 29) << 16 | (13 << 11 | 14 << 5 | 15));
  const auto readOnly = ArjTestEntry::Dos("RO.TXT", "read only", 0, 0, stamp, 0x21);
  const auto folder = ArjTestEntry::Dos("DIR", "", 0, 3, stamp, 0x10);
  // Old DOS archivers wrote "\\" between folders; a text file is stored as it was.
  const std::string longText = std::string(70000, 'z') + "end";
  const auto inFolder = ArjTestEntry::Dos("DIR\\IN.TXT", longText, 4, 1, stamp, 0x20);
  const auto label = ArjTestEntry::Dos("VOLUME", "", 0, 4, stamp, 0);
  const auto last = ArjTestEntry::Dos("LAST.TXT", "still here", 4, 0, stamp, 0x20);
  Put(scratch / "dos.arj", MakeArj({readOnly, folder, inFolder, label, last}));

  const auto r = Extract(scratch / "dos.arj", scratch / "out");
  ASSERT_EQ(r.code, kArcOk) << r.output;
  const auto tree = Tree(scratch / "out");
  EXPECT_EQ(tree.size(), 4u);
  EXPECT_EQ(tree.at("RO.TXT"), "file:read only");
  EXPECT_EQ(tree.at("DIR"), "folder");
  EXPECT_TRUE(tree.at("DIR/IN.TXT") == "file:" + longText);
  EXPECT_EQ(tree.at("LAST.TXT"), "file:still here");
  EXPECT_EQ(ModeOf(scratch / "out" / "RO.TXT") & 0222, 0u);
  EXPECT_NE(ModeOf(scratch / "out" / "LAST.TXT") & 0200, 0u);
  // DOS time is local time: 2020-02-29 13:14:30.
  std::tm tm{};
  tm.tm_year = 120, tm.tm_mon = 1, tm.tm_mday = 29, tm.tm_hour = 13, tm.tm_min = 14, tm.tm_sec = 30;
  tm.tm_isdst = -1;
  const std::int64_t expected = std::mktime(&tm);
  EXPECT_EQ(Times(scratch / "out")["RO.TXT"], expected);
  EXPECT_EQ(Times(scratch / "out")["DIR"], expected);
  EXPECT_TRUE(Sound(scratch / "dos.arj"));
}

TEST_F(UnarjBackendTest, UnknownMethodsAndKindsAreClearFailures) {
  Put(scratch / "method.arj",
      MakeArj({{"first.txt", "first"}, {"SEVEN.BIN", "xxxxxxx", 7}, {"after.txt", "after"}}));
  auto r = Extract(scratch / "method.arj", scratch / "m");
  EXPECT_EQ(r.code, kArcMethod) << r.output;
  EXPECT_NE(r.output.find("SEVEN.BIN"), std::string::npos) << r.output;
  EXPECT_EQ(ReadFile(scratch / "m" / "first.txt"), "first");
  EXPECT_FALSE(fs::exists(scratch / "m" / "SEVEN.BIN"));
  EXPECT_FALSE(Sound(scratch / "method.arj"));

  ArjTestEntry nine("NINE.BIN", "");
  nine.fileType = 9;
  Put(scratch / "kind.arj", MakeArj({{"first.txt", "first"}, nine}));
  r = Extract(scratch / "kind.arj", scratch / "k");
  EXPECT_EQ(r.code, kArcMethod) << r.output;
  EXPECT_NE(r.output.find("unknown kind"), std::string::npos) << r.output;
  EXPECT_FALSE(fs::exists(scratch / "k" / "NINE.BIN"));
  EXPECT_FALSE(Sound(scratch / "kind.arj"));
}

TEST_F(UnarjBackendTest, WhatIsAndIsNotAnArjArchive) {
  const ArjBytes plain = MakeArj({{"a.txt", "hello"}});
  Put(scratch / "plain.arj", plain);
  EXPECT_NE(unarj->CheckArchive((scratch / "plain.arj").string(), 0), 0);
  EXPECT_TRUE(Sound(scratch / "plain.arj"));

  // A DOS or Windows program with the archive after it.
  ArjBytes program = {'M', 'Z'};
  program.resize(30000, 0x90);
  program.insert(program.end(), {0x60, 0xEA, 0x10, 0x00});  // a false mark on the way
  program.insert(program.end(), plain.begin(), plain.end());
  Put(scratch / "sfx.exe", program);
  EXPECT_NE(unarj->CheckArchive((scratch / "sfx.exe").string(), 0), 0);
  ASSERT_EQ(Extract(scratch / "sfx.exe", scratch / "out").code, kArcOk);
  EXPECT_EQ(ReadFile(scratch / "out" / "a.txt"), "hello");

  // An ARJ archive inside some other file is not this file's format.
  ArjBytes inside(5000, 'x');
  inside.insert(inside.end(), plain.begin(), plain.end());
  Put(scratch / "inside.bin", inside);
  EXPECT_EQ(unarj->CheckArchive((scratch / "inside.bin").string(), 0), 0);
  WriteFile(scratch / "text.txt", "no archive here, just words");
  EXPECT_EQ(unarj->CheckArchive((scratch / "text.txt").string(), 0), 0);
  EXPECT_EQ(unarj->CheckArchive((scratch / "text.txt").string(), 2), 0);
  EXPECT_EQ(unarj->CheckArchive((scratch / "missing.arj").string(), 0), 0);
  EXPECT_EQ(unarj->CheckArchive(scratch.path().string(), 0), 0);
  EXPECT_EQ(Extract(scratch / "text.txt", scratch / "t").code, kArcNotArcFile);
  EXPECT_EQ(Extract(scratch / "missing.arj", scratch / "m").code, kArcArcFileOpen);

  // A main header whose CRC fails, and a wrong data CRC in a sound header.
  ArjBytes badMain = plain;
  badMain[10] ^= 1;
  Put(scratch / "badmain.arj", badMain);
  EXPECT_EQ(unarj->CheckArchive((scratch / "badmain.arj").string(), 0), 0);
  ArjTestEntry wrong("a.txt", "hello");
  wrong.badCrc = true;
  Put(scratch / "crc.arj", MakeArj({wrong}));
  EXPECT_NE(unarj->CheckArchive((scratch / "crc.arj").string(), 0), 0);
  EXPECT_FALSE(Sound(scratch / "crc.arj"));
  EXPECT_EQ(Extract(scratch / "crc.arj", scratch / "c").code, kArcFileCrc);
  EXPECT_FALSE(fs::exists(scratch / "c" / "a.txt"));

  // An archive with no entries is sound.
  ArjBytes empty = ArjMainBlock();
  const ArjBytes end = ArjEndMark();
  empty.insert(empty.end(), end.begin(), end.end());
  Put(scratch / "empty.arj", empty);
  EXPECT_TRUE(Sound(scratch / "empty.arj"));
}

TEST_F(UnarjBackendTest, HostileNamesWriteNothingOutside) {
  Put(scratch / "evil.arj", MakeArj({{"../evil.txt", "x"}, {"/tmp/abs.txt", "x"}, {"ok.txt", "fine"}}));
  const auto r = Extract(scratch / "evil.arj", scratch / "out");
  EXPECT_EQ(r.code, kArcUnsafeEntry) << r.output;
  EXPECT_FALSE(fs::exists(scratch / "evil.txt"));
  EXPECT_EQ(Tree(scratch / "out"), (std::map<std::string, std::string>{{"ok.txt", "file:fine"}}));
}

TEST_F(UnarjBackendTest, OnlyTheExtractCommandIsKnown) {
  Put(scratch / "a b.arj", MakeArj({{"a.txt", "hello"}}));
  // Paths with spaces come whole inside their quotes.
  const auto ok = RunCommand(*unarj, "x -hk -jyc " + Q(scratch / "a b.arj") + " " + Q(scratch / "o u t/"));
  ASSERT_EQ(ok.code, kArcOk) << ok.output;
  EXPECT_EQ(ReadFile(scratch / "o u t" / "a.txt"), "hello");
  for (const std::string& line : std::vector<std::string>{"", "e " + Q(scratch / "a b.arj") + " " + Q(scratch / "x/"),
                                 "x -hk -jyc -gsecret " + Q(scratch / "a b.arj") + " " + Q(scratch / "x/"),
                                 "x -hk -jyc " + Q(scratch / "a b.arj"),
                                 "x " + Q(scratch / "a b.arj") + " " + Q(scratch / "x/") + " more"}) {
    const auto r = RunCommand(*unarj, line);
    EXPECT_EQ(r.code, kArcCommandName) << line;
    EXPECT_FALSE(r.output.empty()) << line;
  }
  EXPECT_FALSE(fs::exists(scratch / "x"));
}

TEST_F(UnarjBackendTest, BusyWhileItWorksAndCancelStops) {
  const ArjTestEntry big("big.bin", std::string(3 << 20, 'q'), 4);
  Put(scratch / "big.arj", MakeArj({big, {"after.txt", "after"}}));
  int runningSeen = 0;
  host.onUpdate = [&](const std::string&) { runningSeen += unarj->GetRunning() == -1; };
  host.cancelAfter = 1;
  const auto r = Extract(scratch / "big.arj", scratch / "out");
  EXPECT_EQ(r.code, kArcUserCancel) << r.output;
  EXPECT_GT(runningSeen, 0);
  EXPECT_EQ(unarj->GetRunning(), 0);
  EXPECT_FALSE(fs::exists(scratch / "out" / "big.bin"));
  EXPECT_FALSE(fs::exists(scratch / "out" / "after.txt"));
}

}  // namespace
}  // namespace ks::test
