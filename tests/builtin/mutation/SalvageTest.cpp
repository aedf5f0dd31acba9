// Archives of every format with one entry damaged, first, in the middle or
// last, in its data or in its header: the extraction saves every other
// entry whole, leaves nothing damaged (nor any half-written file) behind,
// names what it left out and still fails; the check calls the archive
// damaged.
#include <gtest/gtest.h>

#include <zlib.h>

#include <functional>

#include "MutationSamples.h"
#include "archivers/LibrarySet.h"
#include "archivers/TypeDetect.h"
#include "archivers/builtin/Backends.h"
#include "archivers/builtin/cab/CabWriter.h"
#include "builtin/arj/ArjTestSupport.h"
#include "builtin/common/CompressSupport.h"
#include "builtin/common/ExtractTestSupport.h"
#include "builtin/rar/RarWriter.h"

namespace ks::test {
namespace {

// Entries larger than a cabinet's 32 KiB block, so that a damaged block
// takes at most one neighbour with it.
constexpr std::size_t kEntries = 6;

struct Entry {
  std::string name;
  std::string data;
};
using Entries = std::vector<Entry>;

Entries MakeEntries() {
  Entries entries;
  for (std::size_t i = 0; i < kEntries; ++i)
    entries.push_back({"entry" + std::to_string(i + 1) + ".txt", SomeBytes(40000 + 400 * i, static_cast<unsigned>(i + 3))});
  return entries;
}

// Where in an archive's bytes entry `i` is damaged.
using Locator = std::function<std::size_t(const std::string& archive, const Entries& entries, std::size_t i)>;

// The middle of the stretch between entry i's name in its header and the
// next name (or the end): its data, in formats with a header before each
// entry's data.
std::size_t DataAfterName(const std::string& a, const Entries& entries, std::size_t i) {
  const std::size_t start = a.find(entries[i].name) + entries[i].name.size();
  std::size_t end = a.size();
  for (const Entry& e : entries) end = std::min(end, a.find(e.name, start));
  return start + (end - start) / 2;
}

// The middle of entry i's bytes where the format stores them as they are.
std::size_t StoredData(const std::string& a, const Entries& entries, std::size_t i) {
  const std::string& d = entries[i].data;
  return a.find(d.substr(d.size() / 2, 32));
}

// Entry i's share of one compressed stream holding all of them in order.
std::size_t StreamShare(const std::string& a, const Entries&, std::size_t i) {
  return a.size() * (2 * i + 1) / (2 * kEntries);
}

// The first byte of entry i's name in its header, which the header's
// checksum covers.
std::size_t NameInHeader(const std::string& a, const Entries& entries, std::size_t i) {
  return a.find(entries[i].name);
}

// The signature of entry i's ZIP local header, 30 bytes before its name.
std::size_t ZipLocalHeader(const std::string& a, const Entries& entries, std::size_t i) {
  return a.find(entries[i].name) - 30;
}

struct Format {
  std::string name;
  std::string file;  // the archive's file name
  std::function<std::string(const fs::path& tree, const Entries& entries)> make;
  std::shared_ptr<CommonArchiver> (*library)();
  std::string command;     // the extraction command before the archive
  std::string folderTail;  // what follows the folder ("/", or "//" for RAR)
  CheckFn check;
  Locator data;    // null: data damage cannot be told (tar keeps no checksum of it)
  Locator header;  // null: no header of an entry can be damaged alone
  // How far damage reaches: the entry alone; also a neighbour that shares
  // its checksummed block; or, with one compressed stream for all, every
  // entry after it (and where in the stream the entry lies is only roughly
  // known).
  enum class Reach { Entry, Neighbours, Rest };
  Reach reach = Reach::Entry;
  // The archive is cut there (a download broken off) rather than damaged:
  // the one checksum of a compressed stream cannot tell where inside it
  // bytes were changed, so nothing decoded with them can be kept.
  bool cut = false;
};

// The names to pack: the entries one by one, or a list file of them.
std::string Names(const Entries& entries, bool listFile) {
  if (listFile) return " \"@list.tmp\"";
  std::string names;
  for (const Entry& e : entries) names += " " + e.name;
  return names;
}

std::string Cabinet(const fs::path& tree, const Entries& entries, bool compressed) {
  PackPlan plan;
  for (const Entry& e : entries) plan.items.push_back({tree / e.name, e.name, false, e.data.size(), {}});
  OutputLog log;
  const fs::path file = tree / "a.cab";
  if (WriteCab(nullptr, plan, file, compressed, log) != kArcOk) throw std::runtime_error(log.text());
  const std::string bytes = ReadFile(file);
  fs::remove(file);
  return bytes;
}

std::vector<RarEntry> RarEntries(const Entries& entries) {
  std::vector<RarEntry> rar;
  for (const Entry& e : entries) rar.push_back({e.name, e.data});
  return rar;
}

std::vector<Format> Formats() {
  using Make = std::function<std::string(const fs::path&, const Entries&)>;
  const auto command = [](std::shared_ptr<CommonArchiver> (*make)(), std::string line, std::string file,
                          bool listFile = true) -> Make {
    return [=](const fs::path& tree, const Entries& entries) {
      return Packed(tree, *make(), line + " \"" + file + "\"" + Names(entries, listFile), file);
    };
  };
  const CheckFn rarCheck = [](const fs::path& p) -> std::optional<bool> { return RarTest(p.string()); };
  return {
      {"ZIP", "a.zip", command(&MakeZipBackend, "-r", "a.zip"), &MakeUnZipBackend, "-x -q ", "/",
       CheckWith(&MakeUnZipBackend), DataAfterName, ZipLocalHeader},
      {"LZH", "a.lzh", command(&MakeUnlhaBackend, "a -x1 -r2", "a.lzh", false), &MakeUnlhaBackend, "x ", "/",
       CheckWith(&MakeUnlhaBackend), DataAfterName, NameInHeader},
      {"ARJ", "a.arj",
       [](const fs::path&, const Entries& entries) {
         std::vector<ArjTestEntry> arj;
         for (const Entry& e : entries) arj.emplace_back(e.name, e.data, 4);
         return AsString(MakeArj(arj));
       },
       &MakeUnarjBackend, "x -hk -jyc ", "/", CheckWith(&MakeUnarjBackend), DataAfterName, NameInHeader},
      {"CAB stored", "a.cab", [](const fs::path& t, const Entries& e) { return Cabinet(t, e, false); },
       &MakeCabBackend, "-x ", "/", CheckWith(&MakeCabBackend), StoredData, nullptr, Format::Reach::Neighbours},
      {"CAB MSZIP", "a.cab", [](const fs::path& t, const Entries& e) { return Cabinet(t, e, true); },
       &MakeCabBackend, "-x ", "/", CheckWith(&MakeCabBackend), StreamShare, nullptr, Format::Reach::Rest},
      {"GZA", "a.gza", command(&MakeBgaBackend, "a -a -m1 -r", "a.gza"), &MakeBgaBackend, "x -a -r ", "/",
       CheckWith(&MakeBgaBackend), DataAfterName, NameInHeader},
      {"BZA", "a.bza", command(&MakeBgaBackend, "a -a -m2 -r", "a.bza"), &MakeBgaBackend, "x -a -r ", "/",
       CheckWith(&MakeBgaBackend), DataAfterName, NameInHeader},
      {"TAR", "a.tar", command(&MakeTarBackend, "-cf", "a.tar"), &MakeTarBackend, "-xvaf ", "/",
       CheckWith(&MakeTarBackend), nullptr, NameInHeader},
      {"tar.gz", "a.tgz", command(&MakeTarBackend, "-czf", "a.tgz"), &MakeTarBackend, "-xvaf ", "/",
       CheckWith(&MakeTarBackend), StreamShare, nullptr, Format::Reach::Rest, true},
      {"RAR 4", "a.rar", [](const fs::path&, const Entries& e) { return MakeRar4(RarEntries(e)); },
       &MakeUnrar32Backend, "-x ", "//", rarCheck, StoredData, nullptr},
      {"RAR 5", "a.rar", [](const fs::path&, const Entries& e) { return MakeRar5(RarEntries(e)); },
       &MakeUnrar32Backend, "-x ", "//", rarCheck, StoredData, nullptr},
  };
}

class Salvage : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallBuiltinLibraries(Libraries());
    std::string list;
    for (const Entry& e : entries) {
      WriteFile(scratch / "src" / e.name, e.data);
      list += "\"" + e.name + "\"\r\n";
    }
    WriteFile(scratch / "src" / "list.tmp", list);
  }
  void TearDown() override { Libraries().Reset(); }

  struct Run {
    CommandResult command;
    std::map<std::string, std::string> tree;  // what came out
    std::optional<bool> sound;                // the check's verdict
  };

  Run ExtractDamaged(const Format& f, const std::string& bytes) {
    const fs::path archive = scratch / "damaged" / f.file;
    const fs::path out = scratch / "out";
    fs::remove_all(out);
    WriteFile(archive, bytes);
    Run run;
    run.command = RunCommand(*f.library(), f.command + Q(archive) + " " + Q(out.string() + f.folderTail));
    run.tree = Tree(out);
    run.sound = f.check(archive);
    return run;
  }

  // Whether entry `i` may be missing when entry `damaged` is damaged.
  static bool MayBeLost(const Format& f, std::size_t i, std::size_t damaged) {
    switch (f.reach) {
      case Format::Reach::Entry: return i == damaged;
      case Format::Reach::Neighbours: return i + 1 >= damaged && i <= damaged + 1;
      case Format::Reach::Rest: return i + 1 >= damaged;
    }
    return false;
  }

  // Every entry the damage does not reach comes out whole; the damaged one
  // is nowhere, nor is anything else; the run fails and the check says so.
  void ExpectSalvaged(const Format& f, const Run& run, std::size_t damaged, const std::string& what) {
    const std::string where = f.name + ", " + what + " of entry " + std::to_string(damaged + 1) + "\n" +
                              run.command.output;
    EXPECT_NE(run.command.code, kArcOk) << where;
    EXPECT_EQ(run.sound, std::optional<bool>(false)) << where;
    for (std::size_t i = 0; i < kEntries; ++i) {
      const auto it = run.tree.find(entries[i].name);
      if (it != run.tree.end())
        EXPECT_EQ(it->second, "file:" + entries[i].data) << entries[i].name << ": " << where;
      else
        EXPECT_TRUE(MayBeLost(f, i, damaged)) << entries[i].name << " lost: " << where;
    }
    if (f.reach == Format::Reach::Entry) {
      EXPECT_FALSE(run.tree.count(entries[damaged].name)) << where;
      if (what == "data") {
        EXPECT_NE(run.command.output.find("not extracted: " + entries[damaged].name), std::string::npos) << where;
      }
    }
    for (const auto& [name, kind] : run.tree) EXPECT_EQ(name.rfind("entry", 0), 0u) << "left behind: " << name << where;
  }

  ScratchFolder scratch;
  TestHost host;
  const Entries entries = MakeEntries();
};

TEST_F(Salvage, EveryOtherEntryComesOutWholeAndTheRunFails) {
  for (const Format& f : Formats()) {
    const std::string sound = f.make(scratch / "src", entries);
    for (const auto& [what, locate] : {std::pair{"data", f.data}, std::pair{"header", f.header}}) {
      if (!locate) continue;
      for (const std::size_t damaged : {std::size_t{0}, kEntries / 2, kEntries - 1}) {
        std::string bytes = sound;
        const std::size_t at = locate(sound, entries, damaged);
        ASSERT_LT(at + 8, bytes.size()) << f.name;
        if (f.cut) {
          bytes.resize(at);
        } else {
          // Unlike bytes, so that no checksum made of XORed words lets them cancel.
          for (std::size_t k = 0; k < 8; ++k) bytes[at + k] = static_cast<char>(bytes[at + k] ^ (0x5A + 0x13 * k));
        }
        ExpectSalvaged(f, ExtractDamaged(f, bytes), damaged, what);
      }
    }
  }
}

// A damaged method name no longer marks the file as an archive: searched
// like the program of a self-extracting archive, the first entry must not be
// passed over in silence.
TEST_F(Salvage, AnLzhArchiveWhoseFirstHeaderLostItsMethodIsNoSelfExtractor) {
  const Format lzh = Formats()[1];
  std::string bytes = lzh.make(scratch / "src", entries);
  ASSERT_EQ(bytes.substr(2, 3), "-lh");
  bytes.replace(2, 5, "\x7f\x7f\x7f\x7f\x7f");
  ExpectSalvaged(lzh, ExtractDamaged(lzh, bytes), 0, "method");
}

// A gzip member whose coded data stops making sense halfway (a block of a
// type that does not exist, right after what the first three entries were
// coded into): what was decoded before is kept.
TEST_F(Salvage, ATarGzKeepsTheEntriesDecodedBeforeItsDataStopsMakingSense) {
  std::vector<std::pair<std::string, std::string>> files;
  for (const Entry& e : entries) files.emplace_back(e.name, e.data);
  const std::string tar = TarOf(files);
  const std::size_t half = tar.find(entries[3].name);  // where entry 4's header starts
  z_stream z{};
  ASSERT_EQ(deflateInit2(&z, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::string gz(tar.size() + 4096, '\0');
  z.next_out = reinterpret_cast<Bytef*>(gz.data());
  z.avail_out = static_cast<uInt>(gz.size());
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(tar.data()));
  z.avail_in = static_cast<uInt>(half);
  deflate(&z, Z_FULL_FLUSH);  // the next block starts on a byte of its own
  const std::size_t nextBlock = z.total_out;
  z.avail_in = static_cast<uInt>(tar.size() - half);
  deflate(&z, Z_FINISH);
  gz.resize(z.total_out);
  deflateEnd(&z);
  gz[nextBlock] = static_cast<char>(gz[nextBlock] | 0x06);

  const Format tgz = Formats()[8];
  ASSERT_EQ(tgz.name, "tar.gz");
  const Run run = ExtractDamaged(tgz, gz);
  EXPECT_NE(run.command.output.find("invalid block type"), std::string::npos) << run.command.output;
  ExpectSalvaged(tgz, run, 3, "coded data");
  EXPECT_EQ(run.tree.size(), 3u) << run.command.output;
}

TEST_F(Salvage, AZipArchiveWithoutItsCentralDirectoryGivesEveryEntry) {
  const Format zip = Formats()[0];
  const std::string sound = zip.make(scratch / "src", entries);
  const Run run = ExtractDamaged(zip, sound.substr(0, sound.find("PK\1\2")));
  EXPECT_EQ(run.command.code, kArcUnexpectedEof) << run.command.output;
  EXPECT_EQ(run.sound, std::optional<bool>(false));
  EXPECT_NE(run.command.output.find("central directory is missing"), std::string::npos) << run.command.output;
  std::map<std::string, std::string> expected;
  for (const Entry& e : entries) expected[e.name] = "file:" + e.data;
  EXPECT_EQ(run.tree, expected) << run.command.output;
}

}  // namespace
}  // namespace ks::test
