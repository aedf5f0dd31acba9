// Ish32.DLL as the program calls it: "FILE /f=FOLDER" restores the encoded
// files byte for byte with their names and times, mends what the check
// lines can mend, and fails cleanly — nothing under the final name — on
// anything worse.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "archivers/LibrarySet.h"
#include "archivers/builtin/Backends.h"
#include "archivers/builtin/ish/IshHeader.h"
#include "builtin/common/ExtractTestSupport.h"
#include "builtin/ish/IshTestSupport.h"

namespace ks::test {
namespace {

const IshEncoding kAll[] = {IshEncoding::Jis7, IshEncoding::Jis8, IshEncoding::ShiftJis,
                            IshEncoding::NonKana};

struct Sample {
  const char* file;
  const char* original;
  IshEncoding encoding;
};
const Sample kSamples[] = {
    {"numbers-jis7.ish", "numbers.txt", IshEncoding::Jis7},
    {"numbers-jis8.ish", "numbers.txt", IshEncoding::Jis8},
    {"numbers-sjis.ish", "numbers.txt", IshEncoding::ShiftJis},
    {"numbers-nonkana.ish", "numbers.txt", IshEncoding::NonKana},
    {"rand-jis7.ish", "rand.bin", IshEncoding::Jis7},
    {"rand-jis8.ish", "rand.bin", IshEncoding::Jis8},
    {"rand-sjis.ish", "rand.bin", IshEncoding::ShiftJis},
    {"rand-nonkana.ish", "rand.bin", IshEncoding::NonKana},
};

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t nl; (nl = text.find('\n', start)) != std::string::npos; start = nl + 1)
    lines.push_back(text.substr(start, nl - start));
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

std::string JoinLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\n";
  return text;
}

std::int64_t MTime(const fs::path& file) {
  struct stat st {};
  ::stat(file.c_str(), &st);
  return st.st_mtime;
}

// Every name in a folder, temporary files included.
std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class IshBackendTest : public ::testing::Test {
 protected:
  void SetUp() override { ish = MakeIshBackend(); }

  CommandResult Restore(const fs::path& file, const fs::path& folder) {
    return RunCommand(*ish, file.string() + " /f=" + folder.string() + "/");
  }
  fs::path Put(const std::string& name, const std::string& text) {
    WriteFile(scratch / name, text);
    return scratch / name;
  }

  std::shared_ptr<CommonArchiver> ish;
  ScratchFolder scratch;
  TestHost host;
};

TEST_F(IshBackendTest, GenuineSamplesRestoreByteForByteWithTheirNamesAndTimes) {
  const std::optional<fs::path> folder = IshSamples();
  if (!folder) GTEST_SKIP() << kNoSamples;
  for (const Sample& s : kSamples) {
    const fs::path out = scratch / (std::string("out ") + s.file);
    const CommandResult r = Restore(*folder / s.file, out);
    ASSERT_EQ(r.code, 0) << s.file << "\n" << r.output;
    EXPECT_EQ(Names(out), std::vector<std::string>{s.original}) << s.file;
    EXPECT_EQ(ReadFile(out / s.original), ReadFile(*folder / s.original)) << s.file;
    std::optional<IshHeader> header;
    for (const std::string& line : SplitLines(ReadFile(*folder / s.file)))
      if (!header) header = ReadIshHeaderLine(line);
    ASSERT_TRUE(header && header->hasTime);
    EXPECT_EQ(MTime(out / s.original), IshFileTime(*header)) << s.file;

    std::array<char, 256> list{};
    EXPECT_EQ(ish->FileList((*folder / s.file).string(), list.data(), 255), 0) << s.file;
    EXPECT_STREQ(list.data(), s.original);
  }
}

TEST_F(IshBackendTest, SamplesWithDamagedLinesInEveryBlockAreRebuilt) {
  const std::optional<fs::path> folder = IshSamples();
  if (!folder) GTEST_SKIP() << kNoSamples;
  for (const Sample& s : kSamples) {
    const std::vector<std::string> original = SplitLines(ReadFile(*folder / s.file));
    const auto blocks = MapRecordLines(original, s.encoding);
    ASSERT_GE(blocks.size(), 2u) << s.file;
    // One damaged line per block, then two (one of them dropped outright).
    for (int perBlock = 1; perBlock <= 2; ++perBlock) {
      std::vector<std::string> lines = original;
      std::vector<std::size_t> drop;
      for (std::size_t b = 0; b < blocks.size(); ++b) {
        std::vector<std::size_t> data;
        for (std::size_t n = 1; n + 2 < blocks[b].size(); ++n)
          if (blocks[b][n] != 0) data.push_back(blocks[b][n]);
        Damage(lines[data[(b * 7) % data.size()]]);
        if (perBlock == 2 && data.size() > 1) drop.push_back(data[(b * 7 + 1) % data.size()]);
      }
      std::sort(drop.rbegin(), drop.rend());
      for (std::size_t i : drop) lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
      const fs::path in = Put("damaged.ish", JoinLines(lines));
      const fs::path out = scratch / ("out" + std::to_string(perBlock) + s.file);
      const CommandResult r = Restore(in, out);
      ASSERT_EQ(r.code, 0) << s.file << " " << perBlock << "\n" << r.output;
      EXPECT_EQ(ReadFile(out / s.original), ReadFile(*folder / s.original)) << s.file;
      EXPECT_NE(r.output.find("rebuilt"), std::string::npos) << r.output;
    }
  }
}

TEST_F(IshBackendTest, TooMuchDamageFailsAndLeavesNothingUnderTheName) {
  const std::optional<fs::path> folder = IshSamples();
  if (!folder) GTEST_SKIP() << kNoSamples;
  for (const Sample& s : {kSamples[0], kSamples[6]}) {
    std::vector<std::string> lines = SplitLines(ReadFile(*folder / s.file));
    const auto blocks = MapRecordLines(lines, s.encoding);
    for (std::size_t n : {3, 4, 5}) Damage(lines[blocks[0][n]]);
    const fs::path in = Put("bad.ish", JoinLines(lines));
    const fs::path out = scratch / (std::string("out") + s.file);
    const CommandResult r = Restore(in, out);
    EXPECT_EQ(r.code, kArcBrokenData) << r.output;
    EXPECT_NE(r.output.find("block 1 of "), std::string::npos) << r.output;
    EXPECT_NE(r.output.find(": data lines 3, 4, 5 damaged"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("not restored"), std::string::npos) << r.output;
    EXPECT_TRUE(Names(out).empty()) << s.file;
  }
}

TEST_F(IshBackendTest, AFailedRestoreKeepsTheFileItWasToReplace) {
  const IshText text = WriteIsh(SomeBytes(9000, 3));
  std::vector<std::string> lines = text.lines;
  for (std::size_t n : {1, 2, 3}) Damage(lines[text.blocks[0][n]]);
  const fs::path in = Put("bad.ish", JoinLines(lines));
  const fs::path out = scratch / "out";
  WriteFile(out / "test.txt", "what was there");
  host.overwriteAnswers = {OverwriteAnswer::Replace};
  EXPECT_EQ(Restore(in, out).code, kArcBrokenData);
  EXPECT_EQ(ReadFile(out / "test.txt"), "what was there");
  EXPECT_EQ(Names(out), std::vector<std::string>{"test.txt"});
}

TEST_F(IshBackendTest, TheWholeFilesCrcIsChecked) {
  IshWriteOptions o;
  o.breakFileCrc = true;
  const fs::path in = Put("crc.ish", WriteIsh(SomeBytes(4000, 4), o).Text());
  const CommandResult r = Restore(in, scratch / "out");
  EXPECT_EQ(r.code, kArcFileCrc) << r.output;
  EXPECT_TRUE(Names(scratch / "out").empty());
}

TEST_F(IshBackendTest, ACutTextFailsUnlessOnlyCheckLinesAreMissing) {
  const std::string data = SomeBytes(20000, 5);
  const IshText text = WriteIsh(data);
  // Cut in the middle: the data ends early.
  std::vector<std::string> half(text.lines.begin(), text.lines.begin() + text.lines.size() / 2);
  CommandResult r = Restore(Put("half.ish", JoinLines(half)), scratch / "half");
  EXPECT_EQ(r.code, kArcUnexpectedEof) << r.output;
  EXPECT_TRUE(Names(scratch / "half").empty());
  // Cut after the last data line: its block's check lines are not needed.
  const auto& last = text.blocks.back();
  std::size_t lastData = 0;
  for (std::size_t n = 1; n + 2 < last.size(); ++n) lastData = std::max(lastData, last[n]);
  std::vector<std::string> whole(text.lines.begin(), text.lines.begin() + static_cast<std::ptrdiff_t>(lastData) + 1);
  r = Restore(Put("nochecks.ish", JoinLines(whole)), scratch / "whole");
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_EQ(ReadFile(scratch / "whole" / "test.txt"), data);
}

TEST_F(IshBackendTest, AHeaderThatLiesAboutTheSizeFailsAtTheEndOfTheText) {
  IshWriteOptions o;
  o.claimedSize = 0xFFFFFFF0u;
  const CommandResult r = Restore(Put("big.ish", WriteIsh(SomeBytes(500, 13), o).Text()), scratch / "out");
  // The first block already lacks the lines the size calls for.
  EXPECT_EQ(r.code, kArcBrokenData) << r.output;
  EXPECT_NE(r.output.find("data lines 10, 11, 12, 13, 14, 15, 16, 17, ... (51 in all)"),
            std::string::npos) << r.output;
  EXPECT_TRUE(Names(scratch / "out").empty());
}

TEST_F(IshBackendTest, AnyOneOfTheThreeHeaderLinesWillDo) {
  const std::string data = SomeBytes(3000, 14);
  IshText text = WriteIsh(data);
  const std::size_t first = 1;  // after the title
  Damage(text.lines[first]);
  Damage(text.lines[first + 1], 40);
  ASSERT_EQ(Restore(Put("a.ish", text.Text()), scratch / "out").code, 0);
  EXPECT_EQ(ReadFile(scratch / "out" / "test.txt"), data);
  Damage(text.lines[first + 2], 60);
  EXPECT_EQ(Restore(Put("b.ish", text.Text()), scratch / "none").code, kArcNotArcFile);
}

TEST_F(IshBackendTest, EverySizeRoundTripsInEveryEncoding) {
  for (IshEncoding e : kAll) {
    const std::size_t p = IshRecordLength(e) - 3;  // payload of a line
    // The file's CRC split across lines and blocks, empty files, whole blocks.
    for (std::size_t size : {std::size_t{0}, std::size_t{1}, p - 2, p - 1, p, p + 1, p * p - 2,
                             p * p - 1, p * p, p * p + 1, std::size_t{200000}}) {
      IshWriteOptions o;
      o.encoding = e;
      o.shortField = "SIZE    BIN";
      o.title = "size.bin";
      const std::string data = SomeBytes(size, static_cast<unsigned>(size));
      const fs::path in = Put("s.ish", WriteIsh(data, o).Text());
      const fs::path out = scratch / ("out" + std::to_string(size) + IshEncodingName(e));
      const CommandResult r = Restore(in, out);
      ASSERT_EQ(r.code, 0) << IshEncodingName(e) << " " << size << "\n" << r.output;
      ASSERT_EQ(ReadFile(out / "size.bin"), data) << IshEncodingName(e) << " " << size;
    }
  }
}

TEST_F(IshBackendTest, PathsWithSpacesAndTheSwitchTextInThem) {
  const std::string data = SomeBytes(3000, 6);
  // A folder "dir " holding "f=sub": the file's path holds " /f=" itself.
  const fs::path in = scratch / "dir " / "f=sub" / "my file.ish";
  WriteFile(in, WriteIsh(data).Text());
  const fs::path out = scratch / "out folder" / "f=x y";
  const CommandResult r = Restore(in, out);
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_EQ(ReadFile(out / "test.txt"), data);
}

TEST_F(IshBackendTest, CommandsItDoesNotKnowAndFilesThatAreNotIsh) {
  const fs::path in = Put("a.ish", WriteIsh("abc").Text());
  EXPECT_EQ(RunCommand(*ish, in.string()).code, kArcCommandName);
  EXPECT_EQ(RunCommand(*ish, "x " + in.string() + " " + scratch.path().string()).code, kArcCommandName);
  EXPECT_EQ(RunCommand(*ish, in.string() + " /f=").code, kArcCommandName);
  EXPECT_EQ(Restore(scratch / "missing.ish", scratch / "o").code, kArcArcFileOpen);

  const fs::path text = Put("plain.txt", "just a letter\n<<< not for UNIX ( use none ) >>>\n!!!!\n");
  const CommandResult r = Restore(text, scratch / "o");
  EXPECT_EQ(r.code, kArcNotArcFile);
  EXPECT_NE(r.output.find("not an ISH file"), std::string::npos) << r.output;
  std::array<char, 256> list{};
  EXPECT_NE(ish->FileList(text.string(), list.data(), 255), 0);
  EXPECT_NE(ish->FileList((scratch / "missing").string(), list.data(), 255), 0);
  EXPECT_NE(ish->FileList(scratch.path().string(), list.data(), 255), 0);  // a folder
  // A binary file with very long "lines" costs no more than a short one.
  EXPECT_NE(ish->FileList(Put("bin.dat", std::string(3 << 20, '\x01')).string(), list.data(), 255), 0);
}

TEST_F(IshBackendTest, AVolumeOfASetIsAClearFailure) {
  IshWriteOptions o;
  o.volume = 1;
  o.partLine = true;
  const fs::path in = Put("set.i01", WriteIsh(SomeBytes(5000, 7), o).Text());
  std::array<char, 256> list{};
  EXPECT_EQ(ish->FileList(in.string(), list.data(), 255), 0);  // still an ISH file
  const CommandResult r = Restore(in, scratch / "out");
  EXPECT_EQ(r.code, kArcNotSupported);
  EXPECT_NE(r.output.find("multi-volume"), std::string::npos) << r.output;
  EXPECT_TRUE(Names(scratch / "out").empty());
}

TEST_F(IshBackendTest, ExistingFilesAreReplacedOnlyOnTheUsersWord) {
  const fs::path in = Put("a.ish", WriteIsh("new content").Text());
  WriteFile(scratch / "out" / "test.txt", "old");
  EXPECT_EQ(Restore(in, scratch / "out").code, 0);  // the test host says Skip
  EXPECT_EQ(ReadFile(scratch / "out" / "test.txt"), "old");
  ASSERT_EQ(host.overwriteAsked.size(), 1u);
  EXPECT_EQ(host.overwriteAsked[0], (scratch / "out" / "test.txt").string());
  host.overwriteAnswers = {OverwriteAnswer::Replace};
  EXPECT_EQ(Restore(in, scratch / "out").code, 0);
  EXPECT_EQ(ReadFile(scratch / "out" / "test.txt"), "new content");
}

TEST_F(IshBackendTest, SeveralFilesInOneMailWithItsNoise) {
  IshWriteOptions first;
  first.encoding = IshEncoding::ShiftJis;
  first.shortField = "\x83\x65\x83\x58\x83\x67  TXT";  // テスト.txt in CP932
  first.title = std::string("\x83\x65\x83\x58\x83\x67.txt");
  first.colourTitle = true;
  first.newline = "\r\n";
  IshWriteOptions second;
  second.encoding = IshEncoding::Jis8;
  second.shortField = "SECOND  DAT";
  second.title = "second.dat";
  const std::string a = SomeBytes(7000, 8), b = SomeBytes(300, 9);
  // The first file's last check line is lost: its data ends only where the
  // second file begins, after the second one's title.
  IshText firstText = WriteIsh(a, first);
  firstText.lines.erase(firstText.lines.begin() +
                        static_cast<std::ptrdiff_t>(firstText.blocks.back()[IshRecordLength(first.encoding)]));
  const std::string mail = "From: someone\r\nSubject: two files\r\n\r\nHere they are.\r\n" +
                           firstText.Text() + "\r\n-- \r\nbye\r\n" + WriteIsh(b, second).Text();
  const fs::path in = Put("mail.txt", mail);
  const CommandResult r = Restore(in, scratch / "out");
  ASSERT_EQ(r.code, 0) << r.output;
  EXPECT_EQ(Names(scratch / "out"), (std::vector<std::string>{"second.dat", "テスト.txt"}));
  EXPECT_EQ(ReadFile(scratch / "out" / "テスト.txt"), a);
  EXPECT_EQ(ReadFile(scratch / "out" / "second.dat"), b);
}

TEST_F(IshBackendTest, OldMacintoshLineEndsAndTextsTurnedIntoUtf8) {
  const std::string data = SomeBytes(6000, 15);
  IshWriteOptions mac;
  mac.newline = "\r";
  ASSERT_EQ(Restore(Put("mac.ish", WriteIsh(data, mac).Text()), scratch / "mac").code, 0);
  EXPECT_EQ(ReadFile(scratch / "mac" / "test.txt"), data);

  // An editor that read the Shift-JIS text and saved it as UTF-8.
  const std::optional<fs::path> folder = IshSamples();
  if (!folder) GTEST_SKIP() << kNoSamples;
  for (const char* name : {"numbers-sjis.ish", "rand-jis8.ish", "numbers-nonkana.ish"}) {
    const fs::path utf8 = scratch / (std::string(name) + ".utf8");
    ASSERT_EQ(Shell("iconv -f CP932 -t UTF-8 -o " + Quote(utf8) + " " + Quote(*folder / name)), 0) << name;
    ASSERT_GT(ReadFile(utf8).size(), ReadFile(*folder / name).size()) << name;
    const fs::path out = scratch / (std::string("u") + name);
    const CommandResult r = Restore(utf8, out);
    ASSERT_EQ(r.code, 0) << name << "\n" << r.output;
    const std::string original = std::string(name).rfind("numbers", 0) == 0 ? "numbers.txt" : "rand.bin";
    EXPECT_EQ(ReadFile(out / original), ReadFile(*folder / original)) << name;
  }
}

TEST_F(IshBackendTest, CancelLeavesNothing) {
  const fs::path in = Put("a.ish", WriteIsh(SomeBytes(50000, 10)).Text());
  host.cancelAfter = 0;
  EXPECT_EQ(Restore(in, scratch / "out").code, kArcUserCancel);
  EXPECT_TRUE(Names(scratch / "out").empty());
}

TEST_F(IshBackendTest, BusyWhileItRunsAndNotEnteredTwice) {
  const fs::path in = Put("a.ish", WriteIsh(SomeBytes(50000, 11)).Text());
  int seen = 0;
  host.onUpdate = [&](const std::string&) {
    ++seen;
    EXPECT_EQ(ish->GetRunning(), -1);
    EXPECT_EQ(RunCommand(*ish, in.string() + " /f=" + (scratch / "again").string()).code,
              kArcAlreadyRunning);
    std::array<char, 256> list{};
    EXPECT_NE(ish->FileList(in.string(), list.data(), 255), 0);
  };
  EXPECT_EQ(Restore(in, scratch / "out").code, 0);
  EXPECT_GT(seen, 0);
  EXPECT_EQ(ish->GetRunning(), 0);
  EXPECT_FALSE(fs::exists(scratch / "again"));
}

TEST_F(IshBackendTest, TheProgramsCallWithoutOutputBuffer) {
  LibrarySet libraries;
  InstallBuiltinLibraries(libraries);
  Library& library = libraries.Get(LibraryId::Ish);
  ASSERT_TRUE(library.present());
  const std::string data = SomeBytes(1234, 12);
  const fs::path in = Put("a b.ish", WriteIsh(data).Text());
  EXPECT_EQ(library.Command(nullptr, in.string() + " /f=" + (scratch / "o u t").string() + "/"), 0);
  EXPECT_EQ(ReadFile(scratch / "o u t" / "test.txt"), data);
  EXPECT_NE(library.Command(nullptr, "nonsense"), 0);
}

TEST_F(IshBackendTest, ListNamesFitTheBuffer) {
  IshWriteOptions o;
  o.shortField = "LLLLLLLLHTM";
  o.title = std::string(300, 'l') + ".html";  // agrees: cut to 8.3
  const fs::path in = Put("a.ish", WriteIsh("x", o).Text());
  std::array<char, 256> list;
  list.fill('\x7f');
  EXPECT_EQ(ish->FileList(in.string(), list.data(), 255), 0);
  EXPECT_EQ(list[255], '\x7f');
  EXPECT_EQ(std::string(list.data()), std::string(254, 'l'));
}

}  // namespace
}  // namespace ks::test
