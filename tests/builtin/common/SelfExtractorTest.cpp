// The conversion commands of Unlha32, Cab32 and Bga32: the program is the
// stub and the archive's bytes unchanged, and the back-ends (and their
// type detection) still take it for the archive inside. Whatever the stub
// could not extract is refused before anything is written.
#include <gtest/gtest.h>

#include "archivers/TypeDetect.h"
#include "archivers/builtin/common/SelfExtractor.h"
#include "builtin/common/PackCommand.h"

namespace ks::test {
namespace {

struct Conversion {
  const char* name;
  LibraryId library;
  const char* head;       // packing
  const char* extension;  // of the archive packed
  const char* switches;   // the conversion line: switches + " " + quoted archive + tail
  const char* tail;
  SfxStub stub;
};

const Conversion kConversions[] = {
    {"WinSFX", LibraryId::Unlha, "a -x1 -r2", ".lzh", "s -x1", " -gw", SfxStub::LzhWindow},
    {"WinSFXM", LibraryId::Unlha, "a -x1 -r2 -o7", ".lzh", "s -x1", " -gw3", SfxStub::LzhMinimal},
    {"DosSFX", LibraryId::Unlha, "a -x1 -r2 -o6", ".lzh", "s -x1", " \"FOLDER/\"", SfxStub::LzhDos},
    {"Cab", LibraryId::Cab, "-a", ".cab", "-f -w", "", SfxStub::Cab},
    {"GZA", LibraryId::Bga, "a -a -m1 -r ", ".gza", "s", "", SfxStub::Bga},
    {"BZA", LibraryId::Bga, "a -a -m2 -r ", ".bza", "s", "", SfxStub::Bga},
};

class SelfExtractorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Names the DOS stub can write as well.
    WriteFile(src / "README.TXT", "hello\n");
    WriteFile(src / "DOCS" / "DATA.BIN", SomeBytes(90000, 3));
  }
  // Packs the folder (unless the archive is there or must stay missing)
  // and runs the conversion; the line's "FOLDER/" is the scratch folder.
  CommandResult Convert(const Conversion& c, const std::string& archiveName = "~ks", bool pack = true) {
    const fs::path archive = scratch / (archiveName + c.extension);
    if (pack && !fs::exists(archive)) {
      EXPECT_EQ(Pack(c.library, src, archive, c.head), 0) << c.name;
    }
    std::string tail = c.tail;
    if (const auto at = tail.find("FOLDER/"); at != std::string::npos) tail.replace(at, 7, scratch.path().string() + "/");
    auto library = MakeBuiltinLibrary(c.library);
    return RunCommand(*library, std::string(c.switches) + " " + Q(archive) + tail);
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(scratch.path())) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  ScratchFolder scratch;
  fs::path src = scratch / "src";
};

TEST_F(SelfExtractorTest, TheProgramIsTheStubAndTheArchiveWhichReadersStillFind) {
  for (const Conversion& c : kConversions) {
    const CommandResult r = Convert(c, c.name);
    ASSERT_EQ(r.code, kArcOk) << c.name << ": " << r.output;
    const fs::path program = scratch / (std::string(c.name) + ".exe");
    const SfxStubImage stub = SelfExtractorStub(c.stub);
    const std::string archive = ReadFile(scratch / (std::string(c.name) + c.extension));
    EXPECT_EQ(ReadFile(program), std::string(reinterpret_cast<const char*>(stub.data), stub.size) + archive)
        << c.name;
    // Checked in full by the back-end that made it, as the check zone does.
    EXPECT_NE(MakeBuiltinLibrary(c.library)->CheckArchive(program.string(), 2), 0) << c.name;
    if (c.library == LibraryId::Unlha) {
      EXPECT_EQ(ArcType(program.string()), "LZH") << c.name;
    }
  }
  EXPECT_EQ(Names().size(), 1 + 2 * std::size(kConversions));  // src, each archive and program
}

TEST_F(SelfExtractorTest, NothingIsWrittenForWhatTheStubCouldNotExtract) {
  const Conversion& win = kConversions[0];
  // Windows 3.x programs: no toolchain here makes them.
  for (const char* win16 : {" -jw", " -jw3"}) {
    Conversion c = win;
    c.tail = win16;
    const CommandResult r = Convert(c);
    EXPECT_EQ(r.code, kArcNotSupported);
    EXPECT_NE(r.output.find("Windows 3.x"), std::string::npos) << r.output;
  }
  // -lh7- has a 64 KB window, more than a DOS program's segment holds.
  Conversion dos7 = kConversions[2];
  dos7.head = "a -x1 -r2 -o7";
  CommandResult r = Convert(dos7, "seven");
  EXPECT_EQ(r.code, kArcNotSupported);
  EXPECT_NE(r.output.find("-lh7-"), std::string::npos) << r.output;
  // DOS takes 8.3 names only.
  WriteFile(src / "a long name.txt", "x");
  r = Convert(kConversions[2], "long");
  EXPECT_EQ(r.code, kArcNotSupported);
  EXPECT_NE(r.output.find("a long name.txt"), std::string::npos) << r.output;
  fs::remove(src / "a long name.txt");
  // A damaged archive, a missing one, and a program given as the archive.
  for (const Conversion& c : kConversions) {
    const std::string bad = std::string(c.name) + "-bad";
    const fs::path archive = scratch / (bad + c.extension);
    EXPECT_EQ(Pack(c.library, src, archive, c.head), 0);
    std::string bytes = ReadFile(archive);
    bytes[bytes.size() * 2 / 3] ^= 0x3C;
    WriteFile(archive, bytes);
    EXPECT_NE(Convert(c, bad).code, kArcOk) << c.name;
    EXPECT_EQ(Convert(c, "missing", false).code, kArcArcFileOpen) << c.name;
    // A program of ours, given as the archive, would become a stub behind a stub.
    const std::string twice = std::string(c.name) + "-sfx";
    EXPECT_EQ(Convert(c, twice).code, kArcOk) << c.name;
    fs::rename(scratch / (twice + ".exe"), scratch / (twice + c.extension));
    EXPECT_EQ(Convert(c, twice).code, kArcNotArcFile) << c.name;
  }
  for (const std::string& name : Names()) {
    EXPECT_EQ(name.find(".exe"), std::string::npos) << name;
  }
}

TEST_F(SelfExtractorTest, AnExistingProgramIsNotReplaced) {
  WriteFile(scratch / "~ks.exe", "someone's program");
  const CommandResult r = Convert(kConversions[3]);
  EXPECT_EQ(r.code, kArcAlreadyExist);
  EXPECT_EQ(ReadFile(scratch / "~ks.exe"), "someone's program");
  for (const std::string& name : Names()) {
    EXPECT_EQ(name.find("~kspart"), std::string::npos) << name;
  }
}

TEST(SelfExtractorRefusalTest, OnlyProgramsNothingHereCanMakeAreRefusedBeforeARun) {
  const auto unlha = MakeBuiltinLibrary(LibraryId::Unlha);
  for (const char* win16 : {" -jw", " -jw3"})
    EXPECT_NE(unlha->CommandRefusal(std::string("s -x1 \"/w/~ks.tmp\"") + win16).find("Windows 3.x"),
              std::string::npos);
  for (const char* line : {"s -x1 \"/w/~ks.tmp\" -gw", "s -x1 \"/w/~ks.tmp\" -gw3", "s -x1 \"/w/~ks.tmp\" \"/w/\"",
                           "\"@/app/kestrino.tmp\""})
    EXPECT_EQ(unlha->CommandRefusal(line), "") << line;
  EXPECT_EQ(MakeBuiltinLibrary(LibraryId::Cab)->CommandRefusal("-f -w \"/w/~ks.cab\""), "");
  EXPECT_EQ(MakeBuiltinLibrary(LibraryId::Bga)->CommandRefusal("s \"/w/~ks.tmp\""), "");
}

}  // namespace
}  // namespace ks::test
