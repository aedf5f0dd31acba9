// Archives made by our LZH encoder, read back by libarchive, lhasa and jlha.
#include <chrono>
#include <random>

#include "LzhTestSupport.h"
#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks::test {
namespace {

std::string Words(std::size_t size, unsigned seed) {
  static const char* const kWords[] = {"archive", "header", "window", "の", "block", "圧縮",
                                       "tree",    "length", "code",   "\n", "position", "解凍"};
  std::mt19937 gen(seed);
  std::string s;
  while (s.size() < size) {
    s += kWords[gen() % 12];
    s += ' ';
  }
  s.resize(size);
  return s;
}

std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(size, '\0');
  for (auto& c : s) c = static_cast<char>(gen());
  return s;
}

// A random block repeated with small changes: long matches at the distance
// of the block, which tests the edge of each window size.
std::string Repeats(std::size_t size, std::size_t period, unsigned seed) {
  const std::string block = RandomBytes(period, seed);
  std::string s;
  std::mt19937 gen(seed + 1);
  while (s.size() < size) {
    std::string copy = block;
    copy[gen() % copy.size()] ^= 0x5A;
    s += copy;
  }
  s.resize(size);
  return s;
}

// Records like a binary file: fixed layout, counters, some noise.
std::string Records(std::size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s;
  for (std::uint32_t i = 0; s.size() < size; ++i) {
    std::uint32_t rec[6] = {0xCAFE0000u | (i & 0xFF), i, i * 3, static_cast<std::uint32_t>(gen() % 16), 0,
                             static_cast<std::uint32_t>(gen())};
    s.append(reinterpret_cast<const char*>(rec), sizeof rec);
  }
  s.resize(size);
  return s;
}

class LzhRoundTripTest : public ScratchFolderTest, public ::testing::WithParamInterface<const char*> {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    WriteFile("src/text.txt", Words(300 * 1024, 1));
    WriteFile("src/records.bin", Records(200 * 1024, 2));
    WriteFile("src/empty.txt", "");
    WriteFile("src/one.txt", "x");
    for (std::size_t size : {8191u, 8192u, 8193u, 65535u, 65536u, 65537u})
      WriteFile("src/edges/" + std::to_string(size) + ".bin", Repeats(size, size / 2 + 1, 3));
    WriteFile("src/edges/window8k.bin", Repeats(100 * 1024, 8191, 4));
    WriteFile("src/edges/window64k.bin", Repeats(300 * 1024, 65535, 5));
    WriteFile("src/zeros.bin", std::string(700 * 1024, '\0'));
    WriteFile("src/abc.txt", [] {
      std::string s;
      while (s.size() < 100000) s += "abcabcabd";
      return s;
    }());
    WriteFile("src/random.bin", RandomBytes(300 * 1024, 6));
    // Several blocks, window slides, and repeats too far back for -lh5-.
    WriteFile("src/mixed.bin", Repeats(900 * 1024, 20000, 7) + Words(700 * 1024, 8) +
                                   RandomBytes(50000, 9) + Records(600 * 1024, 10));
    WriteFile("src/deep/a/b/c/d/e/f/g/h/i/j/deep.txt", "deep\n");
    fs::create_directories("src/empty folder");
    fs::create_directories("src/deep/a/b/空のフォルダ");
    WriteFile("src/資料/説明書.txt", "日本語の説明\n");
    // 表 and ソ end in the byte 0x5C ("\") in CP932.
    WriteFile("src/ソフト/表示.txt", Words(5000, 11));
    archive = root() / "~ks.tmp";
  }

  std::map<std::string, std::string> Expected() {
    std::map<std::string, std::string> tree{{"src/", ""}};
    for (const auto& [name, content] : TreeOf(root() / "src")) tree["src/" + name] = content;
    return tree;
  }

  fs::path archive;
};

TEST_P(LzhRoundTripTest, ReadersWeDidNotWriteGetEveryFileBack) {
  RequirePeerTools();
  const std::string method = GetParam();
  const std::string id = "-lh" + method.substr(2) + "-";
  const LzhRun run = RunUnlhaCreate("a -x1 -r2 " + method + " " + Q(archive) + " \"src/*.*\"");
  ASSERT_EQ(run.result, kArcOk) << run.log;
  EXPECT_NE(run.log.find(id), std::string::npos) << run.log;
  const auto expected = Expected();

  const LibarchiveView view = ReadWithLibarchive(archive);
  ASSERT_TRUE(view.ok) << view.error;
  EXPECT_EQ(view.tree, expected);
  EXPECT_EQ(view.methods.at("src/random.bin"), "lha -lh0-");  // does not shrink
  EXPECT_EQ(view.methods.at("src/empty.txt"), "lha -lh0-");
  EXPECT_EQ(view.methods.at("src/text.txt"), "lha " + id);
  EXPECT_EQ(view.methods.at("src/mixed.bin"), "lha " + id);
  EXPECT_EQ(view.methods.at("src/empty folder"), "lha -lhd-");

  const ToolRun test = RunTool("lhasa -t " + ShellQuote(archive.string()));
  EXPECT_EQ(test.exitCode, 0) << test.output;
  std::string output;
  EXPECT_EQ(ExtractWith("lhasa -x", archive, root() / "by-lhasa", output), StoredNames(expected))
      << output;
  // jlha's "y" reads names as Shift_JIS, as Windows LHA tools do.
  const auto byJlha = ExtractWith("lha xy", archive, root() / "by-jlha", output);
  EXPECT_EQ(byJlha, expected) << output;
  EXPECT_EQ(output.find("CRC"), std::string::npos) << output;
}

TEST_P(LzhRoundTripTest, OurOwnReaderGetsEveryFileBack) {
  fs::permissions("src/one.txt", fs::perms(0755));
  fs::permissions("src/empty.txt", fs::perms(0600));
  const LzhRun run = RunUnlhaCreate("a -x1 -r2 " + std::string(GetParam()) + " " + Q(archive) + " \"src/*.*\"");
  ASSERT_EQ(run.result, kArcOk) << run.log;
  ScriptedHost host;
  const auto unlha = MakeUnlhaBackend();
  EXPECT_NE(unlha->CheckArchive(archive.string(), 2), 0);
  const CommandRun x = RunCommand(*unlha, "x " + Q(archive) + " " + Q(root() / "out") + "/");
  ASSERT_EQ(x.result, kArcOk) << x.log;
  EXPECT_EQ(TreeOf(root() / "out"), Expected());
  // Level-2 headers keep whole seconds.
  auto seconds = [](const fs::path& p) {
    return std::chrono::floor<std::chrono::seconds>(fs::last_write_time(p).time_since_epoch()).count();
  };
  EXPECT_EQ(seconds(root() / "out" / "src" / "text.txt"), seconds(root() / "src" / "text.txt"));
  auto mode = [](const fs::path& p) { return static_cast<unsigned>(fs::status(p).permissions()) & 0777; };
  EXPECT_EQ(mode(root() / "out" / "src" / "one.txt"), 0755u);
  EXPECT_EQ(mode(root() / "out" / "src" / "empty.txt"), 0600u);
}

INSTANTIATE_TEST_SUITE_P(Methods, LzhRoundTripTest, ::testing::Values("-o5", "-o6", "-o7"));

TEST_P(LzhRoundTripTest, MethodsDifferOnlyWhereTheWindowMatters) {
  // Repeats 20000 bytes apart are out of -lh5-'s reach (8 KiB) but inside
  // -lh6-/-lh7-'s: the larger windows must use them.
  WriteFile("far/repeats.bin", Repeats(600 * 1024, 20000, 12));
  const fs::path small = root() / "5.lzh", large = root() / ("x" + std::string(GetParam()) + ".lzh");
  ASSERT_EQ(RunUnlhaCreate("a -x1 -r2 -o5 " + Q(small) + " \"far/*.*\"").result, kArcOk);
  ASSERT_EQ(RunUnlhaCreate("a -x1 -r2 " + std::string(GetParam()) + " " + Q(large) + " far").result,
            kArcOk);
  if (std::string(GetParam()) == "-o5")
    EXPECT_EQ(ReadFile(small), ReadFile(large));
  else
    EXPECT_LT(fs::file_size(large) * 4, fs::file_size(small));
  EXPECT_EQ(ReadWithLibarchive(large).tree.at("far/repeats.bin"), ReadFile("far/repeats.bin"));
}

class LzhArchiveTest : public ScratchFolderTest {};

TEST_F(LzhArchiveTest, NamesCp932CannotHoldComeBackAsUtf8) {
  RequirePeerTools();
  WriteFile("u/émoji😀.txt", "x");
  WriteFile("u/한국어/ñandú.txt", "y");
  const fs::path archive = root() / "u.lzh";
  const LzhRun run = RunUnlhaCreate("a -x1 -r2 " + Q(archive) + " \"u/*.*\"");
  ASSERT_EQ(run.result, kArcOk) << run.log;
  const std::map<std::string, std::string> expected{
      {"u/", ""}, {"u/émoji😀.txt", "x"}, {"u/한국어/", ""}, {"u/한국어/ñandú.txt", "y"}};
  const LibarchiveView view = ReadWithLibarchive(archive);
  ASSERT_TRUE(view.ok) << view.error;
  EXPECT_EQ(view.tree, expected);
  std::string output;
  EXPECT_EQ(ExtractWith("lhasa -x", archive, root() / "by-lhasa", output), expected) << output;
}

TEST_F(LzhArchiveTest, ListFileFormThroughTheBackend) {
  WriteFile("a.txt", "alpha\n");
  WriteFile("doc/readme.txt", Words(20000, 13));
  fs::create_directories("doc/empty");
  const fs::path archive = root() / "~ks.tmp";
  WriteFile("kestrino.tmp", "a -x1 -r2\r\n\"" + archive.string() + "\"\r\n\"a.txt\"\r\n\"doc/*.*\"\r\n");
  auto unlha = MakeUnlhaBackend();
  const CommandRun run = RunCommand(*unlha, "\"@" + (root() / "kestrino.tmp").string() + "\"");
  ASSERT_EQ(run.result, kArcOk) << run.log;
  EXPECT_NE(run.log.find("created"), std::string::npos);
  const LibarchiveView view = ReadWithLibarchive(archive);
  ASSERT_TRUE(view.ok) << view.error;
  const std::map<std::string, std::string> expected{{"a.txt", "alpha\n"},
                                                    {"doc/", ""},
                                                    {"doc/empty/", ""},
                                                    {"doc/readme.txt", ReadFile("doc/readme.txt")}};
  EXPECT_EQ(view.tree, expected);
  EXPECT_EQ(view.methods.at("doc/readme.txt"), "lha -lh5-");  // unless chosen otherwise
}

}  // namespace
}  // namespace ks::test
