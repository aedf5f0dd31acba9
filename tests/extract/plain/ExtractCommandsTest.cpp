// The branch table of the extraction against scripted libraries: which
// branch takes a type, the exact command lines, the busy rule and the width
// a result is read at.

#include <gtest/gtest.h>

#include <filesystem>

#include "archivers/Probe.h"
#include "core/ScratchFolder.h"
#include "extract/ExtractCommands.h"
#include "platform/RecordingPlatform.h"
#include "support/FakeLibrary.h"

namespace ks {
namespace {

namespace fs = std::filesystem;
using test::FakeLibrarySet;
using test::ScratchFolder;

// Every library usable, as a probe of the fakes finds them.
class Branches : public ::testing::Test {
 protected:
  void SetUp() override {
    libs.unrar().version = 500;
    ApplyProbe(ProbeLibraries(Libraries()));
  }
  void TearDown() override { ApplyProbe(ProbeResult{}); }

  const ExtractBranch& Branch(const std::string& type) {
    const ExtractBranch* b = FindExtractBranch(type);
    EXPECT_NE(b, nullptr) << type;
    return *b;
  }
  // Calls the branch's library for the command line and returns what the
  // library received.
  test::LibraryCall CallFor(const std::string& type, int result = 0, int* read = nullptr) {
    const ExtractBranch& b = Branch(type);
    libs[b.id].Queue("Command", result);
    libs.log->clear();
    std::string output;
    const int r = CallExtractBranch(b, owner, ExtractCommandLine(b, archive, folder), output,
                                    folder, s.folder(), s.folder());
    if (read) *read = r;
    EXPECT_EQ(libs.log->size(), 1u);
    return libs.log->empty() ? test::LibraryCall{} : libs.log->back();
  }

  FakeLibrarySet libs;
  ScopedRecordingPlatform rp;
  ScratchFolder s;
  WindowHandle owner = reinterpret_cast<WindowHandle>(0x1234);
  std::string archive = "/home/u/my files/a b.arc";
  std::string folder = "/home/u/my files/~kstmp/";
};

TEST_F(Branches, EachTypeGoesToItsLibraryInTableOrder) {
  const std::vector<std::pair<std::string, LibraryId>> table = {
      {"LZH", LibraryId::Unlha}, {"CAB", LibraryId::Cab},     {"ISH", LibraryId::Ish},
      {"ZIP", LibraryId::UnZip}, {"RAR", LibraryId::UnRar32}, {"TAR", LibraryId::Tar},
      {"ARJ", LibraryId::Unarj}, {"GCA", LibraryId::UnGCA},   {"GZA", LibraryId::Bga},
      {"BGA", LibraryId::Bga},   {"Yz1", LibraryId::Yz1},     {"JACK", LibraryId::Jack},
  };
  for (const auto& [type, library] : table) EXPECT_EQ(Branch(type).id, library) << type;
  for (const char* type : {"Folder", "UnKnown", "GIF", "BMP", "Unreadable", "lzh", "YZ1", ""})
    EXPECT_EQ(FindExtractBranch(type), nullptr) << type;
}

TEST_F(Branches, CommandLinesAreExact) {
  const std::string a = "\"" + archive + "\" \"" + folder + "\"";
  EXPECT_EQ(CallFor("LZH").args[0], "x " + a);
  EXPECT_EQ(CallFor("CAB").args[0], "-x " + a);
  EXPECT_EQ(CallFor("ZIP").args[0], "-x -q " + a);
  // The RAR destination ends in two separators.
  EXPECT_EQ(CallFor("RAR").args[0],
            "-x \"" + archive + "\" \"/home/u/my files/~kstmp//\"");
  EXPECT_EQ(CallFor("TAR").args[0], "-xvaf " + a);
  EXPECT_EQ(CallFor("ARJ").args[0], "x -hk -jyc " + a);
  EXPECT_EQ(CallFor("GCA").args[0], "e -sx1 " + a);
  EXPECT_EQ(CallFor("GZA").args[0], "x -a -r " + a);
  EXPECT_EQ(CallFor("BGA").args[0], "x -a -r " + a);
  EXPECT_EQ(CallFor("Yz1").args[0], "x " + a);
  EXPECT_EQ(CallFor("JACK").args[0], "-c " + a);
  // Every call but ISH's gets the output buffer and its size.
  EXPECT_EQ(CallFor("LZH").args[1], "65535");
  EXPECT_EQ(CallFor("JACK").args[1], "65535");
  EXPECT_EQ(CallFor("LZH").name, "Unlha");
  EXPECT_EQ(CallFor("RAR").name, "Unrar");
  EXPECT_EQ(CallFor("GZA").name, "Bga");
}

TEST_F(Branches, TheIshCommandTakesShortPathsUnquotedAndNoBuffer) {
  archive = s.Write("with space/a b.ish", "x");
  folder = s / "out dir/";
  fs::create_directory(folder);
  const test::LibraryCall call = CallFor("ISH");
  EXPECT_EQ(call.name, "Ish");
  ASSERT_EQ(call.args.size(), 1u);
  EXPECT_EQ(call.args[0], archive + " /f=" + folder);
  // A path that does not exist has no short form: it is left empty.
  EXPECT_EQ(ExtractCommandLine(Branch("ISH"), s / "gone.ish", folder), " /f=" + folder);
}

TEST_F(Branches, ResultsAreReadAtTheWidthOfTheirRow) {
  int read = 0;
  // 0x10000 has nothing in its low 16 bits: success where only they count.
  for (const char* type : {"CAB", "ZIP", "RAR", "TAR", "GCA", "BGA", "Yz1", "JACK"}) {
    CallFor(type, 0x10000, &read);
    EXPECT_EQ(read, 0) << type;
    CallFor(type, 0x1FFFF, &read);
    EXPECT_EQ(read, -1) << type;
  }
  for (const char* type : {"LZH", "ISH", "ARJ"}) {
    CallFor(type, 0x10000, &read);
    EXPECT_EQ(read, 0x10000) << type;
  }
  CallFor("ZIP", 0x8020, &read);
  EXPECT_NE(read, 0);
}

TEST_F(Branches, OnlyMinusOneIsBusyAtTheWidthOfTheRow) {
  for (const char* type : {"CAB", "ZIP", "TAR", "GCA", "BGA", "Yz1", "JACK"}) {
    const ExtractBranch& b = Branch(type);
    libs[b.id].SetDefault("GetRunning", 1);
    EXPECT_FALSE(BranchBusy(b)) << type;
    libs[b.id].SetDefault("GetRunning", -1);
    EXPECT_TRUE(BranchBusy(b)) << type;
    libs[b.id].SetDefault("GetRunning", 0xFFFF);  // -1 in 16 bits
    EXPECT_TRUE(BranchBusy(b)) << type;
    libs[b.id].SetDefault("GetRunning", 0);
  }
  for (const char* type : {"LZH", "ISH", "ARJ"}) {
    const ExtractBranch& b = Branch(type);
    libs[b.id].SetDefault("GetRunning", 1);
    EXPECT_FALSE(BranchBusy(b)) << type;
    libs[b.id].SetDefault("GetRunning", 0xFFFF);
    EXPECT_FALSE(BranchBusy(b)) << type;
    libs[b.id].SetDefault("GetRunning", -1);
    EXPECT_TRUE(BranchBusy(b)) << type;
    libs[b.id].SetDefault("GetRunning", 0);
  }
  // RAR has no busy test at all.
  libs.log->clear();
  EXPECT_FALSE(BranchBusy(Branch("RAR")));
  EXPECT_TRUE(libs.log->empty());
  EXPECT_EQ(Branch("RAR").busyMessage, nullptr);
}

TEST_F(Branches, BusyMessagesNameTheirLibrary) {
  const std::vector<std::pair<std::string, std::string>> messages = {
      {"LZH", "UnLha"}, {"CAB", "Cab32"},   {"ISH", "Ish32"}, {"ZIP", "UnZip"},
      {"TAR", "Tar32"}, {"ARJ", "UnArj32"}, {"GCA", "UnGCA32"}, {"BGA", "Bga32"},
      {"Yz1", "Yz1"},   {"JACK", "Jack"},
  };
  for (const auto& [type, name] : messages)
    EXPECT_EQ(Branch(type).busyMessage, name + "が暴れています。いったんKestrinoを終了します。");
}

TEST_F(Branches, AvailabilityFollowsTheFlagsAndRarNeedsBothLibraries) {
  EXPECT_EQ(MissingLibrary(Branch("LZH")), nullptr);
  EXPECT_EQ(MissingLibrary(Branch("RAR")), nullptr);
  HasUnlha = false;
  EXPECT_STREQ(MissingLibrary(Branch("LZH")), "Unlha32.DLL");
  libs.Missing(LibraryId::UnRar32);
  EXPECT_STREQ(MissingLibrary(Branch("RAR")), "UnRar32.DLL");
  HasRar = false;
  EXPECT_STREQ(MissingLibrary(Branch("RAR")), "unrar.dll");
}

TEST_F(Branches, ArjRunsInsideTheFolderAndLzhEndsInTheDestination) {
  s.Write("work/x", "");
  s.Write("program/x", "");
  fs::path seen;
  libs[LibraryId::Unarj].SetHook("Command", [&seen](const test::LibraryCall&) {
    seen = fs::current_path();
    return 0;
  });
  std::string output;
  fs::current_path("/");
  CallExtractBranch(Branch("ARJ"), owner, "cmd", output, s / "work/", s.folder(), s / "program/");
  EXPECT_EQ(seen, fs::path(s / "work"));
  EXPECT_EQ(fs::current_path(), fs::path(s / "program"));
  CallExtractBranch(Branch("LZH"), owner, "cmd", output, s / "work/", s / "work/", s / "program/");
  EXPECT_EQ(fs::current_path(), fs::path(s / "work"));
  // Others leave it alone.
  CallExtractBranch(Branch("ZIP"), owner, "cmd", output, s / "program/", s / "program/", "/");
  EXPECT_EQ(fs::current_path(), fs::path(s / "work"));
  // A failing ARJ call still gives the program folder back.
  libs[LibraryId::Unarj].Lack("Command");
  EXPECT_THROW(CallExtractBranch(Branch("ARJ"), owner, "cmd", output, s / "work/", s.folder(),
                                 s / "program/"),
               LibraryError);
  EXPECT_EQ(fs::current_path(), fs::path(s / "program"));
  fs::current_path("/");
}

}  // namespace
}  // namespace ks
