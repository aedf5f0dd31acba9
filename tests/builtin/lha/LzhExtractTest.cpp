// Unlha32's "x" and checks on archives from other tools: the old tools'
// samples (against lhasa), jlha's archives of every method and header level
// with Japanese names, hostile names and damaged archives.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/NameText.h"
#include "builtin/common/ExtractTestSupport.h"
#include "builtin/lha/DecodeTestSupport.h"
#include "builtin/lha/RawLzhBuilder.h"
#include "support/Fixtures.h"

namespace ks::test {
namespace {

// Modification times of every file under `root`, in whole seconds.
std::map<std::string, std::int64_t> Times(const fs::path& root) {
  std::map<std::string, std::int64_t> times;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    struct stat st {};
    if (e.is_regular_file() && ::stat(e.path().c_str(), &st) == 0)
      times[fs::relative(e.path(), root).string()] = st.st_mtime;
  }
  return times;
}

// jlha learns file names through Java, which needs a Japanese locale to
// see them; one is made in the temporary folder and kept for later runs.
std::string JapaneseLocaleEnv() {
  const fs::path dir = fs::temp_directory_path() / ("ks-ja-locale-" + std::to_string(::getuid()));
  if (!fs::exists(dir / "ja_JP.UTF-8" / "LC_CTYPE")) {
    fs::create_directories(dir);
    if (Shell("localedef -i ja_JP -f UTF-8 " + Quote(dir / "ja_JP.UTF-8")) != 0) return "";
  }
  return "LOCPATH=" + Quote(dir) + " LC_ALL=ja_JP.UTF-8 ";
}

class LzhExtractTest : public ::testing::Test {
 protected:
  CommandResult Extract(const fs::path& archive, const fs::path& folder) {
    return RunCommand(*unlha, "x " + Q(archive) + " " + Q(folder.string() + "/"));
  }

  TestHost host;
  ScratchFolder scratch;
  std::shared_ptr<CommonArchiver> unlha = MakeUnlhaBackend();
};

TEST_F(LzhExtractTest, OldToolsSamplesComeOutAsLhasaWritesThem) {
  const fs::path fixtures = FixturesFolder();
  if (fixtures.empty()) GTEST_SKIP() << "the sample files (../shared/fixtures) are not there";
  ASSERT_TRUE(HaveTool("lhasa")) << "lhasa is missing: run scripts/deps.sh --tests";
  int samples = 0;
  for (const auto& e : fs::recursive_directory_iterator(fixtures / "lzh")) {
    if (!e.is_regular_file()) continue;
    const fs::path archive = e.path();
    const std::string name = archive.filename().string();
    const fs::path ours = scratch / "ours" / std::to_string(samples);
    const fs::path theirs = scratch / "lhasa" / std::to_string(samples);
    ++samples;
    const auto r = Extract(archive, ours);
    if (archive.extension() == ".pma") {
      // PMarc's methods are not LHA's: a clear failure, no file.
      EXPECT_EQ(r.code, kArcMethod) << name << r.output;
      EXPECT_NE(r.output.find("-pm1-"), std::string::npos) << r.output;
      EXPECT_TRUE(Tree(ours).empty()) << name;
      continue;
    }
    ASSERT_EQ(r.code, kArcOk) << name << "\n" << r.output;
    fs::create_directories(theirs);
    ASSERT_EQ(Shell("cd " + Quote(theirs) + " && lhasa xq " + Quote(archive)), 0) << name;
    EXPECT_EQ(Tree(ours), Tree(theirs)) << name;
    EXPECT_EQ(Times(ours), Times(theirs)) << name;
    EXPECT_NE(unlha->CheckArchive(archive.string(), 2), 0) << name;
  }
  EXPECT_GE(samples, 18);
}

TEST_F(LzhExtractTest, JlhaArchivesOfEveryMethodAndLevelWithJapaneseNames) {
  ASSERT_TRUE(HaveTool("jlha")) << "jlha is missing: run scripts/deps.sh --tests";
  const std::string env = JapaneseLocaleEnv();
  ASSERT_FALSE(env.empty()) << "no Japanese locale could be made (localedef, package locales)";
  const fs::path src = scratch / "src";
  // "表" and "ソ" end in 0x5C ("\") in CP932.
  const Bytes text = TextLike(200000, 1);
  WriteFile(src / "表示.txt", std::string(text.begin(), text.end()));
  WriteFile(src / "ソフト" / "説明.txt", SomeBytes(90000, 2));
  WriteFile(src / "ソフト" / "空.dat", "");
  const Bytes block = RandomBytes(40000, 3);
  const std::string far(block.begin(), block.end());
  WriteFile(src / "data" / "far.bin", far + far + far);  // repeats 40 KB back: beyond -lh5-'s window
  fs::create_directories(src / "空のフォルダ");
  // Each header level and each method once; jlha starts a Java
  // machine per run, so the runs go side by side.
  const std::vector<std::pair<int, int>> kinds = {{0, 5}, {1, 6}, {2, 7}};
  std::string script = "cd " + Quote(src);
  for (const auto& [level, method] : kinds)
    script += " && { " + env + "jlha a" + std::to_string(level) + "o" + std::to_string(method) + " " +
              Quote(scratch / ("j" + std::to_string(level) + std::to_string(method) + ".lzh")) +
              " 表示.txt ソフト data 空のフォルダ & }";
  ASSERT_EQ(Shell(script + " ; wait"), 0);
  for (const auto& [level, method] : kinds) {
    const std::string tag = "level " + std::to_string(level) + " -lh" + std::to_string(method) + "-";
    const fs::path archive = scratch / ("j" + std::to_string(level) + std::to_string(method) + ".lzh");
    const std::string bytes = ReadFile(archive);
    ASSERT_NE(bytes.find("-lh" + std::to_string(method) + "-"), std::string::npos) << tag;
    ASSERT_NE(bytes.find("\x95\x5C"), std::string::npos) << tag << ": names not stored in CP932";
    const fs::path out = scratch / ("out" + std::to_string(level) + std::to_string(method));
    const auto r = Extract(archive, out);
    ASSERT_EQ(r.code, kArcOk) << tag << "\n" << r.output;
    EXPECT_EQ(Tree(out), Tree(src)) << tag;
    EXPECT_NE(unlha->CheckArchive(archive.string(), 2), 0) << tag;
    EXPECT_NE(unlha->CheckArchive(archive.string(), 0), 0) << tag;
  }
}

TEST_F(LzhExtractTest, HostileNamesWriteNothingOutsideTheFolder) {
  auto entry = [](const std::string& folder, const std::string& name, const std::string& data) {
    RawLzhEntry e;
    e.extended = {{0x01, name}};
    if (!folder.empty()) e.extended.push_back({0x02, folder});
    e.data = data;
    return e;
  };
  RawLzhEntry link;
  link.method = "-lhd-";
  link.extended = {{0x01, "up|../.."}, {0x50, LeBytes(0120777, 2)}};
  RawLzhEntry level0;
  level0.level = 0;
  level0.name = "..\\..\\dos-escape.txt";
  level0.data = "bad";
  const std::string archive = BuildRawLzh({
      entry("", "safe.txt", "good"),
      entry("..\xFF..\xFF", "climb.txt", "bad"),
      entry("a\xFF..\xFF..\xFF", "climb2.txt", "bad"),
      link,
      entry("up\xFF", "through-link.txt", "bad"),
      level0,
  });
  const fs::path file = scratch / "hostile.lzh";
  WriteFile(file, archive);
  const fs::path out = scratch / "deep" / "er" / "out";
  const auto r = Extract(file, out);
  EXPECT_EQ(r.code, kArcUnsafeEntry) << r.output;
  EXPECT_EQ(ReadFile(out / "safe.txt"), "good");
  for (const auto& [name, kind] : Tree(scratch.path())) {
    if (name == "hostile.lzh") continue;
    EXPECT_EQ(kind.rfind("link:", 0), std::string::npos) << name << " is a link";
    if (name.rfind("deep/er/out/", 0) != 0) {
      EXPECT_EQ(kind.find("bad"), std::string::npos) << name;
    }
  }
}

TEST_F(LzhExtractTest, DamagedAndCutArchivesFailAndLeaveNoWrongFile) {
  const Bytes data = TextLike(300000, 7);
  RawLzhEntry e;
  e.method = "-lh5-";
  e.extended = {{0x01, "big.txt"}};
  const Bytes coded = EncodeWith(LzhMethod::Lh5, data);
  e.data.assign(coded.begin(), coded.end());
  e.originalSize = static_cast<std::uint32_t>(data.size());
  e.crc = LzhCrc16Of(data.data(), data.size());
  RawLzhEntry small;
  small.extended = {{0x01, "small.txt"}};
  small.data = "small";
  const std::string good = BuildRawLzh({small, e});
  const std::string expected(data.begin(), data.end());

  std::vector<std::pair<std::string, std::string>> cases;
  for (std::size_t cut : {good.size() - 1, good.size() - 200, good.size() / 2, std::size_t{40}})
    cases.push_back({"cut at " + std::to_string(cut), good.substr(0, cut)});
  for (std::size_t at : {good.size() / 3, good.size() / 2, good.size() - 500}) {
    std::string flipped = good;
    flipped[at] = static_cast<char>(flipped[at] ^ 0x24);
    cases.push_back({"flipped at " + std::to_string(at), flipped});
  }
  int n = 0;
  for (const auto& [what, bytes] : cases) {
    const fs::path file = scratch / ("bad" + std::to_string(n) + ".lzh");
    const fs::path out = scratch / ("out" + std::to_string(n++));
    WriteFile(file, bytes);
    if (what == "cut at " + std::to_string(good.size() - 1)) {
      // Only the end mark is missing: every file comes out, but the archive
      // cannot be told from one cut between two entries, so it fails.
      EXPECT_NE(Extract(file, out).code, kArcOk);
      EXPECT_TRUE(ReadFile(out / "big.txt") == expected);
      continue;
    }
    const auto r = Extract(file, out);
    EXPECT_NE(r.code, kArcOk) << what;
    EXPECT_EQ(unlha->CheckArchive(file.string(), 2), 0) << what;
    if (fs::exists(out / "big.txt")) {
      EXPECT_TRUE(ReadFile(out / "big.txt") == expected) << what;
    }
  }
}

}  // namespace
}  // namespace ks::test
