// Making GZA and BZA archives: read back by our extraction and by a reader
// written here from the published layout alone, names refused when CP932
// cannot hold them, and nothing left behind by a run that fails.
#include <sys/stat.h>

#include <fstream>

#include "BgaTestSupport.h"
#include "archivers/builtin/bga/BgaReader.h"
#include "archivers/builtin/bga/BgaWriter.h"

namespace ks::test {
namespace {

// An independent reader: Python's own zlib and bz2 modules, the header
// layout and checksum rule, nothing of ours. It extracts into a folder and
// prints one line per entry: storage, attributes, name.
const char* const kPythonReader = R"PY(
import bz2, os, struct, sys, zlib

def fail(why):
    sys.stderr.write(why + "\n")
    sys.exit(1)

data = open(sys.argv[1], "rb").read()
out = sys.argv[2]
pos = 0
while pos < len(data):
    if len(data) - pos < 28:
        fail("short header")
    (check, tag, packed, size, date, time, attr, kind, storage, dirlen,
     filelen) = struct.unpack_from("<i4sIIHHBBHHH", data, pos)
    end = pos + 28 + dirlen + filelen
    total = sum(b - 256 if b > 127 else b for b in data[pos + 4:end])
    if ((total + 2**31) % 2**32) - 2**31 != check:
        fail("checksum")
    if tag not in (b"GZIP", b"BZ2\0") or kind != 0:
        fail("tag")
    name = data[pos + 28:end].decode("cp932").replace("\\", "/")
    body = data[end:end + packed]
    if len(body) != packed:
        fail("short data")
    pos = end + packed
    print(storage, attr, name)
    if attr & 0x10:
        if packed or size or filelen:
            fail("folder with data")
        os.makedirs(os.path.join(out, name), exist_ok=True)
        continue
    if storage == 2:
        content = body
    elif tag == b"GZIP":
        d = zlib.decompressobj(31)
        content = d.decompress(body) + d.flush()
        if not d.eof or d.unused_data:
            fail("gzip member does not end with the data")
    else:
        d = bz2.BZ2Decompressor()
        content = d.decompress(body)
        if not d.eof or d.unused_data:
            fail("bzip2 stream does not end with the data")
    if len(content) != size:
        fail("size")
    path = os.path.join(out, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(content)
)PY";

class BgaCreateTest : public BgaTest, public ::testing::WithParamInterface<BgaMethod> {
 protected:
  BgaMethod method() const { return GetParam(); }
  std::string Ext() const { return method() == BgaMethod::Gzip ? ".gza" : ".bza"; }

  // Japanese names, nested and empty folders, an empty file, compressible
  // and incompressible files on both sides of the in-memory limit.
  void MakeTree() {
    WriteFile("src/readme.txt", "hello, kestrino\n");
    WriteFile("src/日本語フォルダ/ファイル名.txt", SomeText(20000, 1));
    WriteFile("src/日本語フォルダ/表示ソ.txt", "ソ and 表 end in the byte of a backslash\n");
    WriteFile("src/docs/zero.dat", "");
    WriteFile("src/docs/random.bin", RandomBytes(100000, 2));
    WriteFile("src/docs/big-random.bin", RandomBytes(1500000, 3));
    WriteFile("src/docs/big-text.txt", SomeText(2000000, 4));
    fs::create_directories("src/empty/deeper/空");
    fs::create_directories("src/docs/empty");
  }

  struct Listing {
    std::map<std::string, std::pair<int, int>> entries;  // name -> storage, attributes
  };
  Listing Read(const fs::path& archive) {
    Listing l;
    BgaReader reader;
    EXPECT_EQ(reader.Open(archive.string()), kArcOk);
    for (;;) {
      const auto next = reader.NextEntry();
      if (next != BgaReader::Next::Entry) {
        EXPECT_EQ(next, BgaReader::Next::End) << reader.errorText();
        break;
      }
      EXPECT_EQ(reader.header().method, method());
      l.entries[reader.entry().name] = {reader.header().storage, reader.header().attributes};
    }
    return l;
  }
};

TEST_P(BgaCreateTest, TreeReadsBackIdenticallyByUsAndByAnIndependentReader) {
  MakeTree();
  const fs::path archive = root() / ("t" + Ext());
  fs::current_path(root() / "src");
  const CommandRun made = Create(archive, {"readme.txt", "日本語フォルダ/*.*", "docs/*.*", "empty/*.*"}, method());
  fs::current_path(root());
  ASSERT_EQ(made.result, 0) << made.log;
  EXPECT_TRUE(Leftovers(root()).empty());

  const CommandRun run = Extract(archive, root() / "ours");
  ASSERT_EQ(run.result, 0) << run.log;
  EXPECT_EQ(TreeOf(root() / "ours"), TreeOf(root() / "src"));
  EXPECT_EQ(Check(archive, 0), 1);
  EXPECT_EQ(Check(archive, 2), 1);

  if (!HaveTool("python3")) GTEST_SKIP() << "python3 is needed for the independent reader";
  WriteFile(root() / "reader.py", kPythonReader);
  const ToolRun python = RunTool("python3 " + ShellQuote((root() / "reader.py").string()) + " " +
                                 ShellQuote(archive.string()) + " " + ShellQuote((root() / "theirs").string()));
  ASSERT_EQ(python.exitCode, 0) << python.output;
  EXPECT_EQ(TreeOf(root() / "theirs"), TreeOf(root() / "src"));

  // Compressible files are compressed, the others and the empty one stored.
  const Listing l = Read(archive);
  EXPECT_EQ(l.entries.at("docs/big-text.txt").first, kBgaStorageCompressed);
  EXPECT_EQ(l.entries.at("日本語フォルダ/ファイル名.txt").first, kBgaStorageCompressed);
  EXPECT_EQ(l.entries.at("docs/big-random.bin").first, kBgaStorageStored);
  EXPECT_EQ(l.entries.at("docs/random.bin").first, kBgaStorageStored);
  EXPECT_EQ(l.entries.at("docs/zero.dat").first, kBgaStorageStored);
  EXPECT_EQ(l.entries.at("empty/deeper/空/").second, kBgaAttrFolder);
  EXPECT_EQ(l.entries.at("readme.txt").second, kBgaAttrArchive);
  EXPECT_EQ(l.entries.size(), 13u);
}

TEST_P(BgaCreateTest, TimesAndTheReadOnlyAttributeSurvive) {
  WriteFile("src/ro.txt", "read only");
  WriteFile("src/d/rw.txt", "writable");
  const auto stamp = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
  const auto even = fs::file_time_type(std::chrono::duration_cast<std::chrono::seconds>(stamp.time_since_epoch()) / 2 * 2);
  fs::last_write_time("src/ro.txt", even);
  fs::last_write_time("src/d", even - std::chrono::hours(1));
  fs::permissions("src/ro.txt", fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  fs::current_path(root() / "src");
  const CommandRun made = Create(root() / ("t" + Ext()), {"ro.txt", "d/*.*"}, method());
  fs::current_path(root());
  ASSERT_EQ(made.result, 0) << made.log;
  EXPECT_EQ(Read(root() / ("t" + Ext())).entries.at("ro.txt").second, kBgaAttrArchive | kBgaAttrReadOnly);
  ASSERT_EQ(Extract(root() / ("t" + Ext()), root() / "out").result, 0);
  EXPECT_EQ(fs::last_write_time(root() / "out" / "ro.txt"), even);
  EXPECT_EQ(fs::last_write_time(root() / "out" / "d"), even - std::chrono::hours(1));
  EXPECT_EQ(fs::status(root() / "out" / "ro.txt").permissions() & fs::perms::owner_write, fs::perms::none);
  EXPECT_NE(fs::status(root() / "out" / "d" / "rw.txt").permissions() & fs::perms::owner_write, fs::perms::none);
  fs::permissions(root() / "out" / "ro.txt", fs::perms::owner_write, fs::perm_options::add);
}

TEST_P(BgaCreateTest, NamesCp932CannotHoldFailTheWholeArchive) {
  WriteFile("src/ok.txt", "fine");
  WriteFile("src/sub/한국어.txt", "Hangul has no CP932 form");
  fs::current_path(root() / "src");
  const CommandRun made = Create(root() / ("t" + Ext()), {"ok.txt", "sub/*.*"}, method());
  fs::current_path(root());
  EXPECT_EQ(made.result, kArcBadName);
  EXPECT_NE(made.log.find("한국어"), std::string::npos) << made.log;
  EXPECT_NE(made.log.find("CP932"), std::string::npos) << made.log;
  EXPECT_FALSE(fs::exists(root() / ("t" + Ext())));
  EXPECT_TRUE(Leftovers(root()).empty());
}

TEST_P(BgaCreateTest, CancelAndFailuresLeaveNoArchive) {
  WriteFile("src/a.txt", SomeText(600000, 5));
  WriteFile("src/b.txt", SomeText(600000, 6));
  const fs::path archive = root() / ("t" + Ext());
  fs::current_path(root() / "src");
  {
    ScriptedHost host;
    host.cancelAfter = 1;
    EXPECT_EQ(Create(archive, {"a.txt", "b.txt"}, method()).result, kArcUserCancel);
    EXPECT_EQ(host.progressTitles, std::vector<std::string>{"Bga"});
  }
  EXPECT_EQ(Create(archive, {"a.txt", "missing.txt"}, method()).result, kArcNotExist);
  fs::current_path(root());
  EXPECT_FALSE(fs::exists(archive));
  EXPECT_TRUE(Leftovers(root()).empty());

  // While the command runs the library reports itself busy, and a check
  // asked meanwhile is refused rather than run alongside.
  ScriptedHost host;
  int busySeen = 0, checksRefused = 0;
  host.onUpdate = [&] {
    busySeen += bga->GetRunning() == -1;
    checksRefused += bga->CheckArchive(archive.string(), 0) == 0;
  };
  fs::current_path(root() / "src");
  EXPECT_EQ(Create(archive, {"a.txt"}, method()).result, 0);
  fs::current_path(root());
  EXPECT_GT(busySeen, 0);
  EXPECT_EQ(checksRefused, busySeen);
  EXPECT_EQ(bga->GetRunning(), 0);

  // An existing archive is never replaced.
  const std::string before = ReadFile(archive);
  fs::current_path(root() / "src");
  EXPECT_EQ(Create(archive, {"b.txt"}, method()).result, kArcAlreadyExist);
  fs::current_path(root());
  EXPECT_EQ(ReadFile(archive), before);
}

TEST_P(BgaCreateTest, WorkerThreadsMakeTheSameArchiveAsOne) {
  // Many small files of every kind, with large ones between them that are
  // written straight away, after everything before them.
  for (int i = 0; i < 40; ++i) {
    const std::string name = "src/d" + std::to_string(i % 3) + "/f" + std::to_string(i);
    WriteFile(name, i % 4 == 0 ? RandomBytes(3000 + 100 * i, i) : SomeText(100 * i, i));
    if (i == 10) WriteFile("src/d1/large-text", SomeText(1200000, 77));
    if (i == 25) WriteFile("src/d2/large-random", RandomBytes(1100000, 78));
  }
  PackPlan plan;
  OutputLog log;
  ASSERT_EQ(CollectPackItems({{"src", true}}, {}, plan, log), kArcOk) << log.text();
  std::vector<std::string> made;
  for (unsigned workers : {0u, 1u, 3u}) {
    const fs::path file = root() / ("w" + std::to_string(workers) + Ext());
    ASSERT_EQ(WriteBga(nullptr, plan, method(), file, log, workers), kArcOk) << log.text();
    made.push_back(ReadFile(file));
  }
  EXPECT_TRUE(made[0] == made[1]);
  EXPECT_TRUE(made[0] == made[2]);
  ASSERT_EQ(Extract(root() / ("w3" + Ext()), root() / "out").result, 0);
  EXPECT_EQ(TreeOf(root() / "out" / "src"), TreeOf(root() / "src"));

  // Cancel while workers hold pieces: they are dropped, nothing hangs.
  ScriptedHost host;
  host.cancelAfter = 5;
  EXPECT_EQ(WriteBga(nullptr, plan, method(), root() / ("c" + Ext()), log, 3), kArcUserCancel);
}

INSTANTIATE_TEST_SUITE_P(Methods, BgaCreateTest, ::testing::Values(BgaMethod::Gzip, BgaMethod::Bzip2),
                         [](const auto& info) {
                           return std::string(info.param == BgaMethod::Gzip ? "Gza" : "Bza");
                         });

TEST_F(BgaTest, CommandLinesOtherThanOursAreRefusedClearly) {
  WriteFile("a.txt", "a");
  const fs::path list = WriteList({"a.txt"});
  const auto run = [&](const std::string& line) { return RunCommand(*bga, line); };
  const CommandRun sfx = run("s " + Q(root() / "t.gza"));
  EXPECT_EQ(sfx.result, kArcArcFileOpen);
  EXPECT_FALSE(fs::exists(root() / "t.exe"));
  EXPECT_EQ(run("").result, kArcCommandName);
  EXPECT_EQ(run("l " + Q(root() / "t.gza")).result, kArcCommandName);
  EXPECT_EQ(run("x -z " + Q(root() / "t.gza") + " " + Q(root() / "out/")).result, kArcCommandName);
  EXPECT_EQ(run("x " + Q(root() / "t.gza")).result, kArcCommandName);
  EXPECT_EQ(run("a -a -m9 -r  " + Q(root() / "t.gza") + " " + Q("@" + list.string())).result,
            kArcCommandName);
  EXPECT_EQ(run("a -a -m1 -r  " + Q(root() / "t.gza")).result, kArcCommandName);
  EXPECT_FALSE(fs::exists(root() / "t.gza"));
  // The program's own lines work, with or without the extraction switches.
  EXPECT_EQ(run("a -a -m1 -r  " + Q(root() / "t.gza") + " " + Q("@" + list.string())).result, 0);
  EXPECT_EQ(run("x " + Q(root() / "t.gza") + " " + Q(root() / "out/")).result, 0);
  EXPECT_EQ(ReadFile(root() / "out" / "a.txt"), "a");
  EXPECT_EQ(bga->GetVersion(), 100);
}

}  // namespace
}  // namespace ks::test
