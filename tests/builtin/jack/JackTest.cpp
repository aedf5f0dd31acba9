#include <algorithm>

#include "builtin/common/PackTestSupport.h"
#include "archivers/builtin/Backends.h"
#include "archivers/builtin/codec/Checksums.h"
#include "archivers/builtin/jack/JackFormat.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks::test {
namespace {

class JackTest : public ScratchFolderTest {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    jack = MakeJackBackend();
    fs::create_directories("src");
    source = root() / "src" / "data.bin";
    pieces = root() / "pieces";
  }

  // Data bytes per piece at 1 KB for the source name.
  std::uint64_t DataPerKB() const { return 1024 - (kJackFixedHeaderSize + 8); }

  CommandRun Split(const std::string& kind, const std::string& size) {
    return RunCommand(*jack, "-r " + kind + " -v:" + size + " " + Q(source) + " " +
                                 Q(pieces.string() + "/"));
  }
  CommandRun Join(const fs::path& piece, const fs::path& folder) {
    return RunCommand(*jack, "-c " + Q(piece) + " " + Q(folder.string() + "/"));
  }
  std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> names;
    if (!fs::exists(folder)) return names;
    for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  ToolRun RunScript() {
    return RunTool("/bin/sh " + ShellQuote((pieces / "data.bin.join.sh").string()));
  }

  std::shared_ptr<CommonArchiver> jack;
  fs::path source;
  fs::path pieces;
};

TEST(JackChecksums, MatchTheKnownValuesAndThePosixTool) {
  Crc32 crc;
  crc.Update("123456789", 9);
  EXPECT_EQ(crc.value(), 0xCBF43926u);
  for (std::size_t size : {0u, 1u, 255u, 256u, 70000u}) {
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i * 7 + size);
    const fs::path file = fs::temp_directory_path() / "kspack-cksum.bin";
    { std::ofstream(file, std::ios::binary) << data; }
    PosixCksum sum;
    // Fed in two uneven parts: the running state must not depend on chunking.
    sum.Update(data.data(), size / 3);
    sum.Update(data.data() + size / 3, size - size / 3);
    const auto tool = RunTool("cksum < " + ShellQuote(file.string()));
    EXPECT_EQ(tool.output, std::to_string(sum.value()) + " " + std::to_string(size) + "\n");
    fs::remove(file);
  }
}

TEST(JackFormatTest, HeaderRoundTripsAndRefusesDamage) {
  JackHeader h;
  h.flags = kJackFlagJoinerScript;
  h.pieceNumber = 2;
  h.pieceCount = 3;
  h.dataSize = 949;
  h.dataOffset = 949;
  h.totalSize = 2000;
  h.totalCrc = 0xDEADBEEF;
  h.dataCrc = 0x12345678;
  h.name = "資料.lzh";
  const std::string bytes = EncodeJackHeader(h);
  ASSERT_EQ(bytes.size(), h.headerSize());
  EXPECT_EQ(bytes.substr(0, 17), "This_Is_Jack_File");

  auto read = [](const std::string& b) {
    std::FILE* f = fmemopen(const_cast<char*>(b.data()), b.size(), "rb");
    const JackHeaderRead r = ReadJackHeader(f);
    std::fclose(f);
    return r;
  };
  const JackHeaderRead ok = read(bytes);
  ASSERT_EQ(ok.status, JackHeaderStatus::Ok);
  EXPECT_EQ(ok.header.name, h.name);
  EXPECT_EQ(ok.header.totalCrc, h.totalCrc);
  EXPECT_TRUE(ok.header.SameSet(h));

  std::string flipped = bytes;
  flipped[30] ^= 1;
  EXPECT_EQ(read(flipped).status, JackHeaderStatus::BadChecksum);
  EXPECT_EQ(read(bytes.substr(0, 40)).status, JackHeaderStatus::Truncated);
  EXPECT_EQ(read("PK\x03\x04 and more bytes than a signature").status, JackHeaderStatus::NotJack);

  JackHeader escaping = h;
  escaping.name = "../evil";
  EXPECT_EQ(read(EncodeJackHeader(escaping)).status, JackHeaderStatus::BadFields);
  JackHeader overrun = h;
  overrun.dataSize = 5000;
  EXPECT_EQ(read(EncodeJackHeader(overrun)).status, JackHeaderStatus::BadFields);
}

TEST(JackFormatTest, PieceNamesWidenForLargeSets) {
  EXPECT_EQ(JackPieceName("a.lzh", 1, 3), "a.lzh.001");
  EXPECT_EQ(JackPieceName("a.lzh", 999, 999), "a.lzh.999");
  EXPECT_EQ(JackPieceName("a.lzh", 7, 1000), "a.lzh.0007");
  EXPECT_EQ(JackScriptName("a.lzh"), "a.lzh.join.sh");
}

TEST_F(JackTest, BothJoinersRebuildAtThePieceBoundaries) {
  const std::uint64_t d = DataPerKB();
  const std::vector<std::pair<std::uint64_t, std::size_t>> cases = {
      {0, 1}, {1, 1}, {d - 1, 1}, {d, 1}, {d + 1, 2}, {3 * d, 3}, {3 * d + 1, 4}};
  for (const auto& [size, count] : cases) {
    SCOPED_TRACE("size " + std::to_string(size));
    fs::remove_all(pieces);
    fs::remove_all("out");
    const std::string data = Noise(size, static_cast<unsigned>(size));
    WriteFile(source, data);
    const auto split = Split("-m1", "1");
    ASSERT_EQ(split.result, kArcOk) << split.log;

    std::vector<std::string> expected;
    for (std::size_t i = 1; i <= count; ++i) expected.push_back(JackPieceName("data.bin", i, count));
    expected.push_back("data.bin.join.sh");
    EXPECT_EQ(FilesIn(pieces), expected);
    for (std::size_t i = 1; i <= count; ++i) {
      const std::string piece = ReadFile(pieces / JackPieceName("data.bin", i, count));
      EXPECT_EQ(piece.substr(0, 17), "This_Is_Jack_File");
      EXPECT_LE(piece.size(), 1024u);
    }

    const auto join = Join(pieces / JackPieceName("data.bin", count, count), "out");
    ASSERT_EQ(join.result, kArcOk) << join.log;
    EXPECT_TRUE(ReadFile("out/data.bin") == data);
    EXPECT_EQ(FilesIn("out"), std::vector<std::string>{"data.bin"});

    const auto script = RunScript();
    ASSERT_EQ(script.exitCode, 0) << script.output;
    EXPECT_TRUE(ReadFile(pieces / "data.bin") == data);
  }
}

TEST_F(JackTest, LargeSetsWidenTheirNumbersForBothJoiners) {
  const std::string data = Noise(DataPerKB() * 1000 + 5, 3);
  WriteFile(source, data);
  ASSERT_EQ(Split("-m1", "1").result, kArcOk);
  const auto files = FilesIn(pieces);
  ASSERT_EQ(files.size(), 1002u);
  EXPECT_EQ(files.front(), "data.bin.0001");
  EXPECT_EQ(files[1000], "data.bin.1001");
  // Dropping a piece from the middle finds the others.
  const auto join = Join(pieces / "data.bin.0500", "out");
  ASSERT_EQ(join.result, kArcOk) << join.log;
  EXPECT_TRUE(ReadFile("out/data.bin") == data);
  const auto script = RunScript();
  ASSERT_EQ(script.exitCode, 0) << script.output;
  EXPECT_TRUE(ReadFile(pieces / "data.bin") == data);
}

TEST_F(JackTest, PlainPiecesHaveNoScript) {
  WriteFile(source, Noise(5000, 4));
  ASSERT_EQ(Split("-m0", "2").result, kArcOk);
  EXPECT_EQ(FilesIn(pieces), (std::vector<std::string>{"data.bin.001", "data.bin.002",
                                                       "data.bin.003"}));
}

TEST_F(JackTest, MissingOrDamagedPieceFailsAndLeavesNoFile) {
  const std::uint64_t d = DataPerKB();
  WriteFile(source, Noise(3 * d + 10, 11));
  ASSERT_EQ(Split("-m1", "1").result, kArcOk);
  const fs::path second = pieces / "data.bin.002";
  const std::string good = ReadFile(second);

  fs::rename(second, root() / "aside");
  auto run = Join(pieces / "data.bin.001", "out");
  EXPECT_EQ(run.result, kArcMissingPiece);
  EXPECT_NE(run.log.find("piece 2 of 4"), std::string::npos) << run.log;
  EXPECT_NE(RunScript().exitCode, 0);
  EXPECT_EQ(FilesIn("out"), std::vector<std::string>{});
  fs::rename(root() / "aside", second);

  std::string damaged = good;
  damaged[damaged.size() / 2] ^= 0x40;  // in the data
  WriteFile(second, damaged);
  run = Join(pieces / "data.bin.001", "out");
  EXPECT_EQ(run.result, kArcBrokenData) << run.log;
  EXPECT_NE(RunScript().exitCode, 0);

  damaged = good;
  damaged[25] ^= 0x01;  // in the header: the piece count
  WriteFile(second, damaged);
  EXPECT_EQ(Join(pieces / "data.bin.001", "out").result, kArcBrokenData);

  WriteFile(second, good.substr(0, good.size() - 1));  // cut short
  EXPECT_EQ(Join(pieces / "data.bin.001", "out").result, kArcBrokenData);
  EXPECT_NE(RunScript().exitCode, 0);

  EXPECT_EQ(FilesIn("out"), std::vector<std::string>{});
  EXPECT_FALSE(fs::exists(pieces / "data.bin"));
  for (const auto& name : FilesIn(pieces)) EXPECT_EQ(name.find("joining"), std::string::npos);

  WriteFile(second, good);
  EXPECT_EQ(Join(pieces / "data.bin.003", "out").result, kArcOk);
}

TEST_F(JackTest, RenamedSetIsFoundByItsHeaders) {
  const std::string data = Noise(2 * DataPerKB() + 1, 5);
  WriteFile(source, data);
  ASSERT_EQ(Split("-m0", "1").result, kArcOk);
  fs::rename(pieces / "data.bin.001", pieces / "disk one");
  fs::rename(pieces / "data.bin.002", pieces / "disk two");
  fs::rename(pieces / "data.bin.003", pieces / "disk three");
  WriteFile(pieces / "unrelated.txt", "This_Is_Jack_File but not really");
  const auto run = Join(pieces / "disk two", "out");
  ASSERT_EQ(run.result, kArcOk) << run.log;
  EXPECT_TRUE(ReadFile("out/data.bin") == data);
}

TEST_F(JackTest, ExistingFilesAreReplacedOnlyWhenTheUserSaysSo) {
  WriteFile(source, Noise(1500, 9));
  ASSERT_EQ(Split("-m1", "1").result, kArcOk);
  WriteFile("out/data.bin", "keep me");

  ScriptedHost host;
  host.overwriteAnswer = OverwriteAnswer::Skip;
  EXPECT_EQ(Join(pieces / "data.bin.001", "out").result, kArcUserSkip);
  EXPECT_EQ(ReadFile("out/data.bin"), "keep me");
  host.overwriteAnswer = OverwriteAnswer::Cancel;
  EXPECT_EQ(Join(pieces / "data.bin.001", "out").result, kArcUserCancel);
  EXPECT_EQ(ReadFile("out/data.bin"), "keep me");
  host.overwriteAnswer = OverwriteAnswer::Replace;
  EXPECT_EQ(Join(pieces / "data.bin.001", "out").result, kArcOk);
  EXPECT_TRUE(ReadFile("out/data.bin") == ReadFile(source));
  EXPECT_EQ(host.overwriteQuestions.size(), 3u);

  // Splitting again over the pieces asks too; a refusal changes nothing.
  const std::string first = ReadFile(pieces / "data.bin.001");
  WriteFile(source, Noise(1500, 10));
  host.overwriteAnswer = OverwriteAnswer::Skip;
  EXPECT_EQ(Split("-m1", "1").result, kArcAlreadyExist);
  EXPECT_TRUE(ReadFile(pieces / "data.bin.001") == first);
  host.overwriteAnswer = OverwriteAnswer::ReplaceAll;
  EXPECT_EQ(Split("-m1", "1").result, kArcOk);
  EXPECT_FALSE(ReadFile(pieces / "data.bin.001") == first);

  // The joiner script never replaces an existing file either.
  WriteFile(pieces / "data.bin", "mine");
  EXPECT_NE(RunScript().exitCode, 0);
  EXPECT_EQ(ReadFile(pieces / "data.bin"), "mine");
}

TEST_F(JackTest, CancelLeavesNoPiecesAndNoJoinedFile) {
  WriteFile(source, Noise(2 * 1024 * 1024, 1));
  {
    ScriptedHost host;
    host.cancelAfter = 2;
    EXPECT_EQ(Split("-m1", "100").result, kArcUserCancel);
    EXPECT_EQ(FilesIn(pieces), std::vector<std::string>{});
  }
  ASSERT_EQ(Split("-m1", "100").result, kArcOk);
  ScriptedHost host;
  host.cancelAfter = 2;
  int busy = 0;
  host.onUpdate = [&] { busy += jack->GetRunning() == -1; };
  EXPECT_EQ(Join(pieces / "data.bin.001", "out").result, kArcUserCancel);
  EXPECT_EQ(FilesIn("out"), std::vector<std::string>{});
  EXPECT_GT(busy, 0);
  EXPECT_EQ(jack->GetRunning(), 0);
}

TEST_F(JackTest, BadSizesSourcesAndCommandsFailWithALogLine) {
  WriteFile(source, "some data");
  for (const char* size : {"abc", "0", "", "-5", "1.5", "+3", "99999999999999999999"}) {
    const auto run = Split("-m1", size);
    EXPECT_EQ(run.result, kArcCommandName) << size;
    EXPECT_NE(run.log.find("not a positive number"), std::string::npos) << size << run.log;
  }
  source = root() / "src" / "nothing.here";
  EXPECT_EQ(Split("-m0", "10").result, kArcNotExist);
  EXPECT_EQ(FilesIn(pieces), std::vector<std::string>{});

  EXPECT_EQ(RunCommand(*jack, "-x " + Q(source) + " " + Q(pieces)).result, kArcCommandName);
  EXPECT_EQ(RunCommand(*jack, "-r -m2 -v:10 " + Q(source) + " " + Q(pieces)).result,
            kArcCommandName);
  EXPECT_EQ(Join(root() / "src" / "nothing.here", "out").result, kArcNotExist);
  WriteFile("plain.txt", "not a piece");
  EXPECT_EQ(Join("plain.txt", "out").result, kArcNotArcFile);
}

}  // namespace
}  // namespace ks::test
