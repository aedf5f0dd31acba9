#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "archivers/HeaderText.h"
#include "archivers/Probe.h"
#include "archivers/TypeDetect.h"
#include "platform/RecordingPlatform.h"
#include "support/FakeLibrary.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::FakeLibrarySet;

// Every availability flag set (or cleared) for one test, restored afterwards.
class ScopedFlags {
 public:
  explicit ScopedFlags(bool value) : saved_(Snapshot()) { SetAll(value); }
  ~ScopedFlags() { Restore(saved_); }

 private:
  using Flags = std::array<bool, 12>;
  static std::array<bool*, 12> All() {
    return {&HasUnlha, &HasUnZip, &HasZip, &HasCab,  &HasRar, &HasJack,
            &HasTar,   &HasUnarj, &HasUnGCA, &HasYz1, &HasIsh, &HasBga};
  }
  static Flags Snapshot() {
    Flags f{};
    auto all = All();
    for (std::size_t i = 0; i < all.size(); ++i) f[i] = *all[i];
    return f;
  }
  static void SetAll(bool value) {
    for (bool* flag : All()) *flag = value;
  }
  static void Restore(const Flags& f) {
    auto all = All();
    for (std::size_t i = 0; i < all.size(); ++i) *all[i] = f[i];
  }
  Flags saved_;
};

class TypeDetect : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "ks-type-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    dir_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = dir_ + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::string dir_;
  ScopedRecordingPlatform platform_;
};

TEST(HeaderText, LeadBytesJoinTheNextByteIntoOneCharacter) {
  // "ab", then あ (0x82 0xA0), then "-lh".
  const auto h = SplitHeader(std::string("ab\x82\xA0-lh", 7));
  ASSERT_EQ(h.size(), 6u);
  EXPECT_EQ(h[2], std::string("\x82\xA0"));
  EXPECT_TRUE(HeaderHasAt(h, 4, "-lh"));
  EXPECT_FALSE(HeaderHasAt(h, 5, "-lh"));
  // Half-width katakana (0xA1-0xDF) and 0x80, 0xFD-0xFF are single bytes.
  EXPECT_EQ(SplitHeader("\xB1\x80\xFD\xFF").size(), 4u);
  // Both lead ranges: 0x81-0x9F and 0xE0-0xFC, with both trail ranges.
  EXPECT_EQ(SplitHeader("\x9F\x40\xE0\x7E\xFC\x80\x81\xFC").size(), 4u);
}

TEST(HeaderText, BrokenPairsLeaveTheLeadByteAloneAndKeepTheNextByte) {
  // 0x2D ("-") and 0x7F cannot follow a lead byte: the lead stands alone and
  // the signature after it is read where its bytes are.
  auto h = SplitHeader("\x81-lh");
  ASSERT_EQ(h.size(), 4u);
  EXPECT_EQ(h[0], "\x81");
  EXPECT_TRUE(HeaderHasAt(h, 2, "-lh"));
  EXPECT_EQ(SplitHeader("\xE0\x7F").size(), 2u);
  // A zero byte (past the end of a short file) is no trail byte either.
  EXPECT_EQ(SplitHeader(std::string("\x81\0", 2)).size(), 2u);
  // A lead byte as the very last byte is one character of its own.
  h = SplitHeader(std::string(44, 'a') + "\x81");
  ASSERT_EQ(h.size(), 45u);
  EXPECT_EQ(h[44], "\x81");
  // A lone lead byte never matches a signature letter.
  EXPECT_FALSE(HeaderHasAt(SplitHeader("\x81K"), 1, "PK"));
}

TEST(HeaderText, PositionsOutsideTheHeaderNeverMatch) {
  const auto h = SplitHeader("PK");
  EXPECT_TRUE(HeaderHasAt(h, 1, "PK"));
  EXPECT_FALSE(HeaderHasAt(h, 0, "PK"));
  EXPECT_FALSE(HeaderHasAt(h, 2, "KZ"));
  EXPECT_FALSE(HeaderHasAt(h, 1, "pk"));  // exact case
}

TEST_F(TypeDetect, SignaturesDecideWithoutAskingAnyLibrary) {
  FakeLibrarySet fakes;
  ScopedFlags flags(true);
  EXPECT_EQ(ArcType(Write("note.txt", "PK34567890")), "ZIP");
  EXPECT_EQ(ArcType(Write("a.bin", "ab-lh5-rest")), "LZH");
  EXPECT_EQ(ArcType(Write("a.cab", "MSCF....")), "CAB");
  EXPECT_EQ(ArcType(Write("a.rar", "Rar!\x1a\x07")), "RAR");
  EXPECT_EQ(ArcType(Write("a.001", "This_Is_Jack_File 1")), "JACK");
  EXPECT_EQ(ArcType(Write("a.gif", "GIF89a")), "GIF");
  EXPECT_EQ(ArcType(Write("a.bmp", "BM6\x01")), "BMP");
  EXPECT_EQ(ArcType(Write("a.gca", "GCA0")), "GCA");
  // An earlier rule wins: "-lh" at 3 beats "PK" at 1 ... and "PK" beats "GIF".
  EXPECT_EQ(ArcType(Write("b.bin", "PK-lh")), "LZH");
  EXPECT_TRUE(fakes.CallNames().empty());
}

TEST_F(TypeDetect, LzhSignatureCountsCharactersNotBytes) {
  FakeLibrarySet fakes;
  fakes.Missing(LibraryId::Unlha);
  ScopedFlags flags(false);
  EXPECT_EQ(ArcType(Write("one.lzh", "\x21\x43-lh5-")), "LZH");
  // One double-byte character (0x82 0xA0) moves "-lh" to characters 2 to 4.
  EXPECT_EQ(ArcType(Write("two.lzh", "\x82\xA0-lh5-")), "UnKnown");
  // A broken pair (lead + "-") keeps "-lh" at bytes 2-4: characters 2-4 as well.
  EXPECT_EQ(ArcType(Write("three.lzh", "\x81-lh5-")), "UnKnown");
}

TEST_F(TypeDetect, SelfExtractingLhaIsFoundAtCharacters34To42OrAtTheEnd) {
  ScopedFlags flags(false);
  const std::string sfx = "LHA's SFX";
  EXPECT_EQ(ArcType(Write("a.exe", std::string(33, 'x') + sfx + "zzz")), "LZH");
  // With two double-byte characters in front the same bytes are characters 32-40.
  EXPECT_EQ(ArcType(Write("b.exe", "\x82\xA0\x82\xA0" + std::string(29, 'x') + sfx + "zz")),
            "UnKnown");
  // The last 9 characters count too: alone in 45 single bytes, and after four
  // double-byte characters, where the same text stands at characters 33-41.
  EXPECT_EQ(ArcType(Write("c.exe", std::string(36, 'x') + sfx)), "LZH");
  EXPECT_EQ(ArcType(Write("d.exe", "\x82\xA0\x82\xA0\x82\xA0\x82\xA0" + std::string(28, 'x') + sfx)),
            "LZH");
  // Off by one: characters 35-43 match neither.
  EXPECT_EQ(ArcType(Write("e.exe", std::string(34, 'x') + sfx + "zz")), "UnKnown");
}

TEST_F(TypeDetect, JpegIsOfferedToEveryUsableLibraryInOrder) {
  FakeLibrarySet fakes;
  ScopedFlags flags(true);
  const std::string jpeg = Write("photo.jpg", "\xFF\xD8\xFF\xE0\x00\x10JFIF");
  EXPECT_EQ(ArcType(jpeg), "UnKnown");
  const std::vector<std::string> expected = {
      "CabGetRunning",   "CabCheckArchive",   "RAROpenArchive",   "RARReadHeader",
      "RARCloseArchive", "TarGetRunning",     "TarCheckArchive",  "Yz1GetRunning",
      "Yz1CheckArchive", "UnarjGetRunning",   "UnarjCheckArchive", "IshGetRunning",
      "IshFileList",     "BgaGetRunning",     "BgaCheckArchive",  "UnGCAGetRunning",
      "UnGCACheckArchive", "UnZipGetRunning", "UnZipCheckArchive"};
  EXPECT_EQ(fakes.CallNames(), expected);
  for (const auto& call : *fakes.log) {
    if (call.name == "UnGCACheckArchive") {
      EXPECT_EQ(call.args, (std::vector<std::string>{jpeg, "8"}));
    } else if (call.name == "IshFileList") {
      EXPECT_EQ(call.args, (std::vector<std::string>{jpeg, "255"}));
    } else if (call.name.find("CheckArchive") != std::string::npos) {
      EXPECT_EQ(call.args, (std::vector<std::string>{jpeg, "0"})) << call.name;
    }
  }
  // Unlha32.DLL never checks a file here.
  for (const auto& name : fakes.CallNames()) EXPECT_EQ(name.find("Unlha"), std::string::npos);
}

TEST_F(TypeDetect, TheFirstLibraryThatAcceptsGivesTheType) {
  const std::string file = Write("x.dat", "nothing known");
  struct Case {
    LibraryId id;
    std::string suffix;
    int value;
    std::string type;
  };
  const Case cases[] = {{LibraryId::Cab, "CheckArchive", 1, "CAB"},
                        {LibraryId::Tar, "CheckArchive", 1, "TAR"},
                        {LibraryId::Yz1, "CheckArchive", 1, "Yz1"},
                        {LibraryId::Unarj, "CheckArchive", 1, "ARJ"},
                        {LibraryId::Ish, "FileList", 0, "ISH"},
                        {LibraryId::Bga, "CheckArchive", 1, "BGA"},
                        {LibraryId::UnGCA, "CheckArchive", 1, "GCA"},
                        {LibraryId::UnZip, "CheckArchive", 1, "ZIP"}};
  for (const Case& c : cases) {
    FakeLibrarySet fakes;
    ScopedFlags flags(true);
    fakes[c.id].SetDefault(c.suffix, c.value);
    EXPECT_EQ(ArcType(file), c.type);
    // Nothing after the accepting library is asked.
    EXPECT_EQ(fakes.CallNames().back(), std::string(DescriptorOf(c.id).prefix) + c.suffix);
  }
}

TEST_F(TypeDetect, LibrariesWithoutTheirFlagAreNotAsked) {
  FakeLibrarySet fakes;
  ScopedFlags flags(false);
  HasUnZip = true;
  fakes[LibraryId::Cab].SetDefault("CheckArchive", 1);  // would say CAB if asked
  fakes[LibraryId::UnZip].SetDefault("CheckArchive", 1);
  EXPECT_EQ(ArcType(Write("sfx.exe", "MZ\x90\x00")), "ZIP");
  EXPECT_EQ(fakes.CallNames(), (std::vector<std::string>{"UnZipGetRunning", "UnZipCheckArchive"}));
}

TEST_F(TypeDetect, AYz1NameIsAYz1ArchiveOnlyWhileItsLibraryIsMissing) {
  FakeLibrarySet fakes;
  ScopedFlags flags(false);
  EXPECT_EQ(ArcType(Write("a.YZ1", "yz01....")), "Yz1");
  EXPECT_EQ(ArcType(Write("a.yz1.txt", "yz01....")), "UnKnown");
  // With the library there, its own answer decides.
  HasYz1 = true;
  EXPECT_EQ(ArcType(Write("b.yz1", "yz01....")), "UnKnown");
}

TEST_F(TypeDetect, SelfExtractingRarIsFoundByTheProbeAfterCab) {
  FakeLibrarySet fakes;
  ScopedFlags flags(true);
  fakes.unrar().entries = {{"dir", 0, kRarAttrDirectory, 0}, {"dir/a.txt", 0, 0, 0}};
  EXPECT_EQ(ArcType(Write("sfx.exe", "MZ\x90\x00")), "RAR");
  const auto names = fakes.CallNames();
  EXPECT_EQ(names.front(), "CabGetRunning");
  EXPECT_EQ(names.back(), "RARCloseArchive");
  EXPECT_EQ(fakes.unrar().openHandles, 0);
}

TEST_F(TypeDetect, ABusyLibraryShowsItsMessageAndEndsTheProgram) {
  struct Case {
    LibraryId id;
    std::string message;
  };
  const Case cases[] = {
      {LibraryId::Cab, "Cab32が暴れています。いったんKestrinoを終了します。"},
      {LibraryId::Tar, "Tar32が暴れています。いったんKestrinoを終了します。"},
      {LibraryId::Yz1, "Yz1が暴れています。いったんKestrinoを終了します。"},
      {LibraryId::Unarj, "UnArj32が暴れています。いったんKestrinoを終了します。"},
      {LibraryId::Ish, "Ish32が暴れています。いったんKestrinoを終了します。"},
      {LibraryId::Bga, "Bga32が暴れています。いったんKestrinoを終了します。"},
      {LibraryId::UnGCA, "UnGca32が暴れています。いったんKestrinoを終了します。"},
      {LibraryId::UnZip, "UnZipが暴れています。いったんKestrinoを終了します。"}};
  const std::string file = Write("x.dat", "nothing known");
  for (const Case& c : cases) {
    FakeLibrarySet fakes;
    ScopedFlags flags(true);
    platform_.platform.Clear();
    fakes[c.id].SetDefault("GetRunning", -1);
    EXPECT_THROW(ArcType(file), ProgramEnded);
    const auto& calls = platform_.platform.calls;
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].what, "MessageBox");
    EXPECT_EQ(calls[0].text, c.message);
    EXPECT_EQ(calls[0].title, "動作失敗");
    EXPECT_EQ(calls[0].value, 16);
    EXPECT_EQ(calls[1].what, "EndProgram");
    EXPECT_EQ(fakes.CallNames().back(), std::string(DescriptorOf(c.id).prefix) + "GetRunning");
  }
}

TEST_F(TypeDetect, OnlyMinusOneInAllBitsIsBusy) {
  FakeLibrarySet fakes;
  ScopedFlags flags(false);
  HasTar = true;
  fakes[LibraryId::Tar].SetDefault("GetRunning", 0xFFFF);
  fakes[LibraryId::Tar].SetDefault("CheckArchive", 1);
  EXPECT_EQ(ArcType(Write("a.tgz", "\x1f\x8b")), "TAR");
  EXPECT_TRUE(platform_.platform.calls.empty());
}

TEST_F(TypeDetect, ALibraryLackingAnEntryPointIsPassedOver) {
  FakeLibrarySet fakes;
  ScopedFlags flags(false);
  HasCab = HasRar = HasTar = true;
  fakes[LibraryId::Cab].Lack("CheckArchive");
  fakes.MissingUnrar();  // flag set, library gone
  fakes[LibraryId::Tar].SetDefault("CheckArchive", 1);
  EXPECT_EQ(ArcType(Write("a.tgz", "\x1f\x8b")), "TAR");
}

TEST_F(TypeDetect, FoldersMissingPathsAndHiddenFilesAreFolder) {
  FakeLibrarySet fakes;
  ScopedFlags flags(true);
  EXPECT_EQ(ArcType(dir_), "Folder");
  EXPECT_EQ(ArcType(dir_ + "/"), "Folder");
  EXPECT_EQ(ArcType(dir_ + "/missing.zip"), "Folder");
  EXPECT_EQ(ArcType(Write(".hidden.zip", "PK")), "Folder");
  EXPECT_TRUE(fakes.CallNames().empty());
}

TEST_F(TypeDetect, AFileThatCannotBeReadIsUnreadableAndNothingElseHappens) {
  FakeLibrarySet fakes;
  ScopedFlags flags(true);
  // An ordinary file whose first read fails (address 0 of this process is
  // not mapped): works for every user, root included.
  EXPECT_EQ(ArcType("/proc/self/mem"), "Unreadable");
  if (::geteuid() != 0) {
    const std::string locked = Write("locked.zip", "PK");
    fs::permissions(locked, fs::perms::none);
    EXPECT_EQ(ArcType(locked), "Unreadable");
  }
  EXPECT_TRUE(fakes.CallNames().empty());
  EXPECT_TRUE(platform_.platform.calls.empty());
}

TEST_F(TypeDetect, ShortFilesReadAsZeroBytesPastTheEnd) {
  ScopedFlags flags(false);
  EXPECT_EQ(ArcType(Write("empty", "")), "UnKnown");
  EXPECT_EQ(ArcType(Write("p", "P")), "UnKnown");
  EXPECT_EQ(ArcType(Write("pk", "PK")), "ZIP");
}

// --- unrar.dll --------------------------------------------------------------

TEST(RarProbe, ReportsOnTheFirstFileEntry) {
  struct Case {
    std::vector<test::FakeRarEntry> entries;
    int headerErrorAt;
    bool openFails;
    int expected;
  };
  const unsigned dir = kRarAttrDirectory;
  const Case cases[] = {
      {{}, -1, true, 0},                                       // does not open
      {{}, -1, false, 0},                                      // no entries
      {{{"d", 0, dir, 0}, {"e", 0, dir, 0}}, -1, false, 0},    // only folders
      {{{"d", 0, dir, 0}, {"d/f", 0, 0, 0}}, -1, false, 1},    // folder, then a file
      {{{"f", kRarFlagEncrypted, 0, 0}}, -1, false, 2},        // encrypted file
      {{{"d", kRarFlagEncrypted, dir, 0}}, -1, false, 2},      // encrypted, even a folder
      {{{"d", 0, dir, 21}, {"f", 0, 0, 0}}, -1, false, 0},     // skipping the folder fails
      {{{"d", 0, dir, 0}, {"f", 0, 0, 0}}, 1, false, 0},       // second header unreadable
  };
  for (const Case& c : cases) {
    FakeLibrarySet fakes;
    fakes.unrar().entries = c.entries;
    fakes.unrar().headerErrorAt = c.headerErrorAt;
    fakes.unrar().openFails = c.openFails;
    EXPECT_EQ(RarProbe("/x.rar"), c.expected);
    EXPECT_EQ(fakes.unrar().openHandles, 0);
    for (const auto& call : *fakes.log) {
      if (call.name == "RARProcessFile") {
        EXPECT_EQ(call.args[0], "0");
      }
    }
  }
  FakeLibrarySet fakes;
  fakes.MissingUnrar();
  EXPECT_EQ(RarProbe("/x.rar"), 0);
}

TEST(RarTest, PassesOnlyWhenEveryEntryPassesUpToTheEnd) {
  struct Case {
    std::vector<test::FakeRarEntry> entries;
    int headerErrorAt;
    bool openFails;
    bool expected;
  };
  const Case cases[] = {
      {{}, -1, false, true},                                  // empty archive that opens
      {{{"a", 0, 0, 0}, {"b", 0, 0, 0}}, -1, false, true},    // all sound
      {{{"a", 0, 0, 0}, {"b", 0, 0, 12}}, -1, false, false},  // second entry fails
      {{{"a", 0, 0, 0}, {"b", 0, 0, 0}}, 1, false, false},    // damaged header
      {{}, -1, true, false},                                  // does not open
  };
  for (const Case& c : cases) {
    FakeLibrarySet fakes;
    fakes.unrar().entries = c.entries;
    fakes.unrar().headerErrorAt = c.headerErrorAt;
    fakes.unrar().openFails = c.openFails;
    EXPECT_EQ(RarTest("/x.rar"), c.expected);
    EXPECT_EQ(fakes.unrar().openHandles, 0);
    for (const auto& call : *fakes.log) {
      if (call.name == "RARProcessFile") {
        EXPECT_EQ(call.args[0], "1");
      }
    }
  }
  FakeLibrarySet fakes;
  fakes.MissingUnrar();
  EXPECT_FALSE(RarTest("/x.rar"));
}

}  // namespace
}  // namespace ks
