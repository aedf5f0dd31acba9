// Every back-end that decodes on more than one thread (entries on workers,
// or a single stream ahead of the writing), extracting on one and on four
// threads: the same tree, also from a damaged archive; Cancel midway leaves
// no half-written file; the overwrite questions come in the archive's order.
#include <stdlib.h>

#include <algorithm>

#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/WorkerThreads.h"
#include "builtin/arj/ArjTestSupport.h"
#include "builtin/bga/BgaTestSupport.h"
#include "builtin/common/PackTestSupport.h"
#include "builtin/rar/RarWriter.h"

namespace ks::test {
namespace {

// Each packs the folder "src" of the current folder into `archive`.
int PackWith(const std::shared_ptr<CommonArchiver>& library, const std::string& switches, const fs::path& archive) {
  std::ofstream("list.tmp", std::ios::binary) << "\"src/*.*\"\r\n";
  return RunCommand(*library, switches + " " + Q(archive) + " " + Q("@" + (fs::current_path() / "list.tmp").string()))
      .result;
}
int PackZip(const fs::path& archive) { return PackWith(MakeZipBackend(), "-r", archive); }
int PackGza(const fs::path& archive) { return PackWith(MakeBgaBackend(), "a -a -m1 -r", archive); }
int PackBza(const fs::path& archive) { return PackWith(MakeBgaBackend(), "a -a -m2 -r", archive); }
int PackTarGz(const fs::path& archive) { return PackWith(MakeTarBackend(), "-czf", archive); }
int PackTarBz2(const fs::path& archive) { return PackWith(MakeTarBackend(), "-cjf", archive); }
int PackCab(const fs::path& archive) { return PackWith(MakeCabBackend(), "-a", archive); }
// Tar32 makes no tar.xz; xz-utils' tar does (a test package).
int PackTarXz(const fs::path& archive) {
  return RunTool("tar -cJf " + Q(archive) + " src").exitCode == 0 ? kArcOk : kArcCannotWrite;
}
int PackLzh(const fs::path& archive) {
  // Unlha32 takes its command and archive in the list file.
  std::ofstream("list.tmp", std::ios::binary) << "a -x1 -r2\r\n" + Q(archive) + "\r\n\"src/*.*\"\r\n";
  return RunCommand(*MakeUnlhaBackend(), Q(fs::current_path() / "list.tmp").insert(1, "@")).result;
}
// The files under "src", sorted, with their data: for the archives the
// tests' own writers make.
std::vector<std::pair<std::string, std::string>> SourceFiles() {
  std::vector<fs::path> files;
  for (const auto& e : fs::recursive_directory_iterator("src"))
    if (e.is_regular_file()) files.push_back(e.path());
  std::sort(files.begin(), files.end());
  std::vector<std::pair<std::string, std::string>> out;
  for (const fs::path& f : files) {
    std::ifstream in(f, std::ios::binary);
    out.emplace_back(f.generic_string(), std::string(std::istreambuf_iterator<char>(in), {}));
  }
  return out;
}
// We make no ARJ archives: the tests' own writer does, method 4 for the
// small files and stored for the rest.
int PackArj(const fs::path& archive) {
  std::vector<ArjTestEntry> entries;
  for (auto& [name, data] : SourceFiles()) {
    const std::uint8_t method = data.size() < 100000 ? 4 : 0;
    entries.emplace_back(name, std::move(data), method);
  }
  std::ofstream(archive, std::ios::binary) << AsString(MakeArj(entries));
  return kArcOk;
}
// Nor RAR archives: the tests' own writer stores the files.
int PackRar(const fs::path& archive) {
  std::vector<RarEntry> entries;
  for (auto& [name, data] : SourceFiles()) {
    RarEntry entry;
    entry.name = name;
    std::replace(entry.name.begin(), entry.name.end(), '/', '\\');
    entry.data = std::move(data);
    entries.push_back(std::move(entry));
  }
  std::ofstream(archive, std::ios::binary) << MakeRar4(entries);
  return kArcOk;
}

struct Extractor {
  const char* name;
  int (*pack)(const fs::path& archive);
  std::shared_ptr<CommonArchiver> (*make)();
  const char* extract;  // before the archive and the output folder
  // The entry a test damages: the random file, which the archive holds as
  // it is, or (where stored data carry no sum) a small compressed one,
  // damaged just past its name in its header.
  // Null: the archive is damaged in its middle, and the two runs are only
  // compared; in one compressed stream the damage may show at the stream's
  // sum only, and in a cabinet's folder every later file fails with it.
  const char* damaged = "src/d2/random";
};
void PrintTo(const Extractor& e, std::ostream* out) { *out << e.name; }

const Extractor kExtractors[] = {
    {"Zip", PackZip, MakeUnZipBackend, "-x -q"},  {"Lzh", PackLzh, MakeUnlhaBackend, "x"},
    {"Arj", PackArj, MakeUnarjBackend, "x -hk -jyc"}, {"Gza", PackGza, MakeBgaBackend, "x -a -r", "src/d1/f13"},
    {"Bza", PackBza, MakeBgaBackend, "x -a -r", "src/d1/f13"},
    {"TarGz", PackTarGz, MakeTarBackend, "-xvaf", nullptr},
    {"TarBz2", PackTarBz2, MakeTarBackend, "-xvaf", nullptr},
    {"Cab", PackCab, MakeCabBackend, "-x", nullptr},
    {"Rar", PackRar, MakeUnrar32Backend, "-x"},
    {"TarXz", PackTarXz, MakeTarBackend, "-xvaf", nullptr},
};

class ParallelExtractTest : public ScratchFolderTest, public ::testing::WithParamInterface<Extractor> {
 protected:
  void SetUp() override {
    ScratchFolderTest::SetUp();
    // Many small files, one large enough to be read in order between them,
    // and one of random bytes that the archive holds as they are (where a
    // test damages it).
    for (int i = 0; i < 40; ++i) {
      WriteFile("src/d" + std::to_string(i % 4) + "/f" + std::to_string(i), SomeText(300 * i + 1, i));
      if (i == 12) WriteFile("src/d1/large", SomeText(5000000, 77));
      if (i == 20) WriteFile("src/d2/random", random);
    }
    archive = root() / (std::string("made.") + GetParam().name);
    ASSERT_EQ(GetParam().pack(archive), kArcOk);
  }
  void TearDown() override {
    ::unsetenv(kThreadsVariable);
    ScratchFolderTest::TearDown();
  }

  CommandRun Extract(const char* threads, const fs::path& into) {
    ::setenv(kThreadsVariable, threads, 1);
    fs::create_directories(into);
    return RunCommand(*GetParam().make(), std::string(GetParam().extract) + " " + Q(archive) + " " + Q(into / ""));
  }

  // Spoils a few bytes in the middle of the damaged entry's data.
  void Damage() {
    std::string bytes = ReadFile(archive);
    if (!GetParam().damaged) {
      for (std::size_t i = 0; i < 8; ++i) bytes[bytes.size() / 2 + i] ^= 0x5a;
      return WriteFile(archive, bytes);
    }
    const std::string name = GetParam().damaged;
    const bool stored = name == "src/d2/random";
    // The header may hold the name with DOS separators.
    std::string dos = name;
    std::replace(dos.begin(), dos.end(), '/', '\\');
    std::size_t at = bytes.find(stored ? random.substr(random.size() / 2, 64) : dos);
    ASSERT_NE(at, std::string::npos) << name << " not found as expected";
    if (!stored) at += name.size() + 40;
    for (std::size_t i = 0; i < 8; ++i) bytes[at + i] = static_cast<char>(~bytes[at + i]);
    WriteFile(archive, bytes);
  }

  // The lines of the log naming entries that were not extracted.
  static std::vector<std::string> Failures(const std::string& log) {
    std::vector<std::string> lines;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);)
      if (line.rfind("not extracted: ", 0) == 0) lines.push_back(line.substr(0, line.find(" (")));
    return lines;
  }

  const std::string random = RandomBytes(300000, 5);
  fs::path archive;
};

TEST_P(ParallelExtractTest, OneAndFourThreadsGiveTheSameTreeSoundOrDamaged) {
  for (const bool damaged : {false, true}) {
    SCOPED_TRACE(damaged ? "damaged" : "sound");
    if (damaged) Damage();
    const CommandRun one = Extract("1", "one");
    const CommandRun four = Extract("4", "four");
    EXPECT_EQ(four.result, one.result) << four.log;
    EXPECT_EQ(Failures(four.log), Failures(one.log));
    const auto tree = TreeOf("four");
    EXPECT_TRUE(tree == TreeOf("one"));
    if (damaged) {
      EXPECT_NE(one.result, kArcOk);
      if (GetParam().damaged) {
        EXPECT_EQ(Failures(one.log), std::vector<std::string>{std::string("not extracted: ") + GetParam().damaged});
      }
    } else {
      EXPECT_EQ(one.result, kArcOk) << one.log;
      EXPECT_TRUE(TreeOf("four/src") == TreeOf("src"));
    }
    fs::remove_all("one");
    fs::remove_all("four");
  }
}

TEST_P(ParallelExtractTest, CancelMidwayLeavesOnlyWholeFiles) {
  int updates = 0;
  {
    ScriptedHost host;
    ASSERT_EQ(Extract("4", "whole").result, kArcOk);
    updates = host.updates;
  }
  ASSERT_GT(updates, 4);
  ScriptedHost host;
  host.cancelAfter = updates / 2;
  EXPECT_EQ(Extract("4", "cut").result, kArcUserCancel);
  const auto whole = TreeOf("whole");
  const auto cut = TreeOf("cut");
  EXPECT_LT(cut.size(), whole.size());
  for (const auto& [name, data] : cut) {
    const auto it = whole.find(name);
    ASSERT_NE(it, whole.end()) << "left behind: " << name;
    EXPECT_TRUE(it->second == data) << "half-written: " << name;
  }
}

TEST_P(ParallelExtractTest, OverwriteQuestionsComeInArchiveOrder) {
  ASSERT_EQ(Extract("1", "out").result, kArcOk);
  std::vector<std::string> asked[2];
  for (const int i : {0, 1}) {
    ScriptedHost host;
    host.overwriteAnswer = OverwriteAnswer::Skip;
    EXPECT_EQ(Extract(i == 0 ? "1" : "4", "out").result, kArcOk);
    asked[i] = host.overwriteQuestions;
  }
  EXPECT_EQ(asked[1], asked[0]);
  EXPECT_EQ(asked[0].size(), 42u);
}

INSTANTIATE_TEST_SUITE_P(Backends, ParallelExtractTest, ::testing::ValuesIn(kExtractors),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace ks::test
