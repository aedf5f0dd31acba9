// Our LZH reader on headers written byte by byte: every level, the
// extended headers that matter, names in CP932 and UTF-8, and damage.
#include <gtest/gtest.h>

#include <ctime>
#include <map>
#include <random>

#include "archivers/builtin/common/DosTime.h"
#include "archivers/builtin/common/NameText.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/lha/LzhReader.h"
#include "builtin/common/ExtractTestSupport.h"
#include "builtin/lha/DecodeTestSupport.h"
#include "builtin/lha/RawLzhBuilder.h"

namespace ks::test {
namespace {

struct ReadEntry {
  ExtractEntry entry;
  LzhEntryInfo info;
  int dataResult = -1;
  std::string data;
};

struct ReadResult {
  int openResult = -1;
  std::vector<ReadEntry> entries;
  bool broken = false;
  int error = 0;
  std::string errorText;
};

class LzhReaderTest : public ::testing::Test {
 protected:
  ReadResult Read(const std::string& bytes) {
    const fs::path file = scratch / ("a" + std::to_string(++count) + ".lzh");
    WriteFile(file, bytes);
    ReadResult r;
    LzhReader reader;
    r.openResult = reader.Open(file.string());
    if (r.openResult != kArcOk) return r;
    for (;;) {
      const auto next = reader.NextEntry();
      if (next == EntryReader::Next::End) break;
      // The reader could look on past damage; a test stops at it.
      if (next == EntryReader::Next::Broken || next == EntryReader::Next::Damaged) {
        r.broken = true;
        r.error = reader.error();
        r.errorText = reader.errorText();
        break;
      }
      ReadEntry e{reader.entry(), reader.info(), -1, {}};
      e.dataResult = reader.ReadData([&](const void* p, std::size_t n) {
        e.data.append(static_cast<const char*>(p), n);
        return kArcOk;
      });
      r.entries.push_back(e);
    }
    return r;
  }

  ScratchFolder scratch;
  int count = 0;
};

std::string Cp932(const char* utf8) { return *Utf8ToCp932Exact(utf8); }

TEST_F(LzhReaderTest, Level0NamesWithBackslashesAndCp932CharactersEndingIn5C) {
  RawLzhEntry folder;
  folder.level = 0;
  folder.method = "-lhd-";
  folder.name = "DOCS\\";
  folder.attribute = 0x10;
  RawLzhEntry file;
  file.level = 0;
  // "表" and "ソ" end in 0x5C, the byte of "\".
  file.name = Cp932("表示\\ソフト\\Read.me");
  file.data = "contents";
  file.time = DosStamp(1995, 7, 14, 12, 30, 44);
  const ReadResult r = Read(BuildRawLzh({folder, file}));
  ASSERT_EQ(r.openResult, kArcOk);
  ASSERT_FALSE(r.broken) << r.errorText;
  ASSERT_EQ(r.entries.size(), 2u);
  EXPECT_EQ(r.entries[0].entry.name, "docs");  // MS-DOS capitals read as small letters
  EXPECT_EQ(r.entries[0].entry.type, EntryType::Directory);
  EXPECT_EQ(r.entries[1].entry.name, "表示/ソフト/Read.me");
  EXPECT_EQ(r.entries[1].data, "contents");
  EXPECT_EQ(r.entries[1].dataResult, kArcOk);
  EXPECT_EQ(r.entries[1].entry.mtime, DosToUnixTime({static_cast<std::uint16_t>(file.time >> 16),
                                                     static_cast<std::uint16_t>(file.time)}));
}

TEST_F(LzhReaderTest, Level0UnixAreaGivesTimeAndMode) {
  RawLzhEntry e;
  e.level = 0;
  e.name = "tool.sh";
  e.data = "#!/bin/sh\n";
  e.level0Area = std::string("U\0", 2) + LeBytes(1300000000, 4) + LeBytes(0100755, 2) + LeBytes(1000, 2) +
                 LeBytes(1000, 2);
  const ReadResult r = Read(BuildRawLzh({e}));
  ASSERT_EQ(r.entries.size(), 1u);
  EXPECT_EQ(r.entries[0].entry.mtime, 1300000000);
  EXPECT_EQ(r.entries[0].entry.mode, 0755u);
  EXPECT_EQ(r.entries[0].dataResult, kArcOk);
}

TEST_F(LzhReaderTest, Level1FolderAndNameHeadersUnknownOnesSkipped) {
  RawLzhEntry e;
  e.level = 1;
  e.name = "IGNORED.TXT";
  e.data = "level one";
  e.os = 'U';
  e.time = DosStamp(2001, 2, 3, 4, 5, 6);
  e.extended = {{0x7E, "OS/2 extended attributes"},
                {0x01, "Name.txt"},
                {0x02, "a\xFF" "b"},  // no final 0xFF, as Amiga LHA 1.22 wrote
                {0x54, LeBytes(1234567890, 4)},
                {0x50, LeBytes(0100600, 2)}};
  RawLzhEntry second;
  second.level = 1;
  second.name = "next.txt";
  second.data = "after";
  const ReadResult r = Read(BuildRawLzh({e, second}));
  ASSERT_FALSE(r.broken) << r.errorText;
  ASSERT_EQ(r.entries.size(), 2u);
  EXPECT_EQ(r.entries[0].entry.name, "a/b/Name.txt");
  EXPECT_EQ(r.entries[0].data, "level one");  // the compressed size counted the extended headers
  EXPECT_EQ(r.entries[0].entry.mtime, 1234567890);
  EXPECT_EQ(r.entries[0].entry.mode, 0600u);
  EXPECT_EQ(r.entries[1].entry.name, "next.txt");
  EXPECT_EQ(r.entries[1].data, "after");
}

TEST_F(LzhReaderTest, Level2CodePagesDecideHowNamesAreRead) {
  // "ﾃｽﾄ" in CP932 (half-width katakana) happens to be no valid UTF-8, but
  // "ー" in UTF-8 (E3 83 BC) is also two valid CP932 characters.
  const std::string utf8Name = "\xE3\x83\xBC.txt";
  RawLzhEntry saysUtf8;
  saysUtf8.extended = {{0x01, utf8Name}, {0x46, LeBytes(65001, 4)}};
  RawLzhEntry saysCp932 = saysUtf8;
  saysCp932.extended = {{0x01, utf8Name}, {0x46, LeBytes(932, 4)}};
  RawLzhEntry saysNothing;
  saysNothing.extended = {{0x01, utf8Name}};
  RawLzhEntry western;
  western.extended = {{0x01, "caf\xE9.txt"}, {0x46, LeBytes(1252, 4)}};
  RawLzhEntry katakana;
  katakana.extended = {{0x01, Cp932("ﾃｽﾄ.txt")}, {0x02, Cp932("日本") + "\xFF"}};
  const ReadResult r = Read(BuildRawLzh({saysUtf8, saysCp932, saysNothing, katakana, western}));
  ASSERT_EQ(r.entries.size(), 5u) << r.errorText;
  EXPECT_EQ(r.entries[0].entry.name, utf8Name);
  EXPECT_EQ(r.entries[1].entry.name, "繝ｼ.txt");  // E3 83 and BC as CP932
  EXPECT_EQ(r.entries[2].entry.name, utf8Name);
  EXPECT_EQ(r.entries[3].entry.name, "日本/ﾃｽﾄ.txt");
  EXPECT_EQ(r.entries[4].entry.name, "café.txt");
}

TEST_F(LzhReaderTest, Level2TimesAttributesAndHeaderCrc) {
  RawLzhEntry e;
  e.time = 1000000000;
  e.headerCrc = true;
  e.data = "read only";
  // Windows times: creation, modification, access (100 ns since 1601).
  const std::uint64_t modified = (1500000000ull + 11644473600ull) * 10000000ull;
  e.extended = {{0x01, "file.txt"}, {0x40, LeBytes(0x21, 2)}, {0x41, LeBytes(1, 8) + LeBytes(modified, 8) + LeBytes(1, 8)}};
  const std::string good = BuildRawLzh({e});
  const ReadResult r = Read(good);
  ASSERT_EQ(r.entries.size(), 1u) << r.errorText;
  EXPECT_EQ(r.entries[0].entry.mtime, 1500000000);
  EXPECT_EQ(r.entries[0].entry.mode, 0444u);  // the read-only attribute

  std::string bad = good;
  bad[bad.find("file.txt")] = 'F';  // the header CRC no longer fits
  const ReadResult b = Read(bad);
  EXPECT_TRUE(b.broken);
  EXPECT_EQ(b.error, kArcHeaderBroken);
}

TEST_F(LzhReaderTest, Level3AndTheShortLevel2SizeOfOs968k) {
  RawLzhEntry l3;
  l3.level = 3;
  l3.time = 1600000000;
  l3.extended = {{0x01, "three.txt"}, {0x02, "deep\xFF"}};
  l3.data = "level three";
  RawLzhEntry os9;
  os9.os = 'K';
  os9.sizeFieldAdjust = -2;
  os9.extended = {{0x01, "os9.txt"}, {0x50, LeBytes(0x1B, 2)}};  // OS-9 bits: owner rw, public rw... as Unix mode
  os9.data = "from OS-9";
  const ReadResult r = Read(BuildRawLzh({l3, os9}));
  ASSERT_FALSE(r.broken) << r.errorText;
  ASSERT_EQ(r.entries.size(), 2u);
  EXPECT_EQ(r.entries[0].entry.name, "deep/three.txt");
  EXPECT_EQ(r.entries[0].data, "level three");
  EXPECT_EQ(r.entries[0].entry.mtime, 1600000000);
  EXPECT_EQ(r.entries[1].entry.name, "os9.txt");
  EXPECT_EQ(r.entries[1].data, "from OS-9");
  // 0x1B: owner read, write, public read, write -> rw-rw-rw- minus nothing.
  EXPECT_EQ(r.entries[1].entry.mode, 0666u & ~0111u);
}

TEST_F(LzhReaderTest, SymbolicLinksFoldersAndTheEmptyArchive) {
  RawLzhEntry link;
  link.method = "-lhd-";
  link.extended = {{0x01, "here|../../etc/passwd"}, {0x50, LeBytes(0120777, 2)}};
  RawLzhEntry folder;
  folder.method = "-lhd-";
  folder.extended = {{0x02, "empty\xFF"}};
  const ReadResult r = Read(BuildRawLzh({link, folder}));
  ASSERT_EQ(r.entries.size(), 2u);
  EXPECT_EQ(r.entries[0].entry.type, EntryType::Symlink);
  EXPECT_EQ(r.entries[0].entry.name, "here");
  EXPECT_EQ(r.entries[0].entry.link, "../../etc/passwd");
  EXPECT_EQ(r.entries[1].entry.type, EntryType::Directory);
  EXPECT_EQ(r.entries[1].entry.name, "empty");

  const ReadResult empty = Read(std::string(1, '\0'));
  EXPECT_EQ(empty.openResult, kArcOk);
  EXPECT_TRUE(empty.entries.empty());
  EXPECT_FALSE(empty.broken);
  EXPECT_EQ(Read("just some text, no archive").openResult, kArcNotArcFile);
}

TEST_F(LzhReaderTest, SelfExtractorsAreFoundPastTheirProgram) {
  RawLzhEntry e;
  e.extended = {{0x01, "inside.txt"}};
  e.data = "packed in a program";
  // A program that mentions a method name before its archive starts.
  std::string program = "MZ" + std::string(3000, '\x90') + "..-lh5-.. LHA's SFX " + std::string(2000, '\xCC');
  const ReadResult r = Read(program + BuildRawLzh({e}));
  ASSERT_EQ(r.openResult, kArcOk);
  ASSERT_EQ(r.entries.size(), 1u) << r.errorText;
  EXPECT_EQ(r.entries[0].data, "packed in a program");
}

TEST_F(LzhReaderTest, DamageIsReportedNeverPassedOver) {
  RawLzhEntry e;
  e.level = 0;
  e.name = "a.txt";
  e.data = "some data";
  const std::string good = BuildRawLzh({e, e}, false);

  // Padding from old transfer programs ends the archive quietly.
  EXPECT_FALSE(Read(good + std::string(100, '\x1A')).broken);
  // Anything else after the entries does not.
  const ReadResult junk = Read(good + "garbage after the entries, long enough to be a header");
  EXPECT_TRUE(junk.broken);
  EXPECT_EQ(junk.entries.size(), 2u);

  std::string checksum = good;
  checksum[1] = static_cast<char>(checksum[1] + 1);
  const ReadResult first = Read(checksum);
  EXPECT_TRUE(first.broken);
  EXPECT_EQ(first.error, kArcHeaderBroken);
  std::string second = good;
  second[good.size() / 2 + 1] ^= 0x01;  // the second header's checksum
  EXPECT_TRUE(Read(second).broken);

  const ReadResult cutHeader = Read(good.substr(0, good.size() / 2 + 10));
  EXPECT_TRUE(cutHeader.broken);
  const ReadResult cutData = Read(good.substr(0, good.size() - 3));
  EXPECT_TRUE(cutData.broken);  // the second entry's data would run past the end
  EXPECT_EQ(cutData.entries.size(), 1u);

  RawLzhEntry wrongCrc = e;
  wrongCrc.crc = 0x1234;
  EXPECT_EQ(Read(BuildRawLzh({wrongCrc})).entries.at(0).dataResult, kArcFileCrc);

  RawLzhEntry level5 = e;
  level5.level = 2;
  std::string l5 = BuildRawLzh({level5});
  l5[20] = 5;
  // No header level 5, but the file starts like an LZH header: a damaged
  // archive, whose first header is never searched past.
  const ReadResult level5Read = Read(l5);
  EXPECT_EQ(level5Read.openResult, kArcOk);
  EXPECT_TRUE(level5Read.broken);
  EXPECT_EQ(level5Read.error, kArcHeaderBroken);

  RawLzhEntry chain;
  chain.extended = {{0x01, "x"}};
  std::string badChain = BuildRawLzh({chain});
  badChain[24] = static_cast<char>(0xF0);  // first extended header runs past the header
  EXPECT_TRUE(Read(badChain).broken);
}

TEST_F(LzhReaderTest, UnknownMethodsFailTheirEntryAndTheRestStillReads) {
  RawLzhEntry pm;
  pm.method = "-pm1-";
  pm.extended = {{0x01, "pmarc.bin"}};
  pm.data = "whatever PMarc wrote";
  RawLzhEntry after;
  after.extended = {{0x01, "after.txt"}};
  after.data = "readable";
  const ReadResult r = Read(BuildRawLzh({pm, after}));
  ASSERT_EQ(r.entries.size(), 2u);
  EXPECT_EQ(r.entries[0].dataResult, kArcMethod);
  EXPECT_EQ(r.entries[1].dataResult, kArcOk);
  EXPECT_EQ(r.entries[1].data, "readable");
}

TEST_F(LzhReaderTest, CodedEntriesOfEveryStaticMethodAndDamagedOnes) {
  const Bytes data = TextLike(50000, 4);
  std::string archive;
  for (LzhMethod m : {LzhMethod::Lh5, LzhMethod::Lh6, LzhMethod::Lh7}) {
    RawLzhEntry e;
    e.method = MethodInfo(m).id;
    e.extended = {{0x01, std::string(MethodInfo(m).id) + ".txt"}};
    const Bytes coded = EncodeWith(m, data);
    e.data.assign(coded.begin(), coded.end());
    e.originalSize = static_cast<std::uint32_t>(data.size());
    e.crc = LzhCrc16Of(data.data(), data.size());
    archive += BuildRawLzhEntry(e);
  }
  const ReadResult r = Read(archive + '\0');
  ASSERT_EQ(r.entries.size(), 3u);
  for (const auto& e : r.entries) {
    EXPECT_EQ(e.dataResult, kArcOk) << e.entry.name;
    EXPECT_TRUE(e.data == std::string(data.begin(), data.end())) << e.entry.name;
  }
  // A flipped bit in the coded data is caught by the decoder or the CRC.
  std::string damaged = archive;
  damaged[archive.size() / 6] ^= 0x10;
  const ReadResult d = Read(damaged + '\0');
  ASSERT_FALSE(d.entries.empty());
  EXPECT_NE(d.entries[0].dataResult, kArcOk);
}

TEST_F(LzhReaderTest, MutatedArchivesNeverCrashAndNeverPassWrongData) {
  std::map<std::string, std::string> originals;
  std::string archive;
  const LzhMethod methods[] = {LzhMethod::Lh5, LzhMethod::Lh7, LzhMethod::Lh6, LzhMethod::Lh5};
  for (int level = 0; level <= 3; ++level) {
    const Bytes data = TextLike(6000 + 3000 * level, 20 + level);
    const std::string name = "f" + std::to_string(level) + ".txt";
    RawLzhEntry e;
    e.level = level;
    e.method = MethodInfo(methods[level]).id;
    if (level <= 1) e.name = name;
    if (level >= 1) e.extended = {{0x01, name}, {0x7F, "unknown"}};
    const Bytes coded = EncodeWith(methods[level], data);
    e.data.assign(coded.begin(), coded.end());
    e.originalSize = static_cast<std::uint32_t>(data.size());
    e.crc = LzhCrc16Of(data.data(), data.size());
    e.headerCrc = level >= 2;
    archive += BuildRawLzhEntry(e);
    originals[name].assign(data.begin(), data.end());
  }
  RawLzhEntry stored;
  stored.extended = {{0x01, "stored.bin"}};
  stored.data = "stored data of some length";
  archive += BuildRawLzhEntry(stored) + '\0';
  originals["stored.bin"] = stored.data;

  std::mt19937 gen(99);
  int passedWhole = 0;
  for (int trial = 0; trial < 300; ++trial) {
    std::string bad = archive;
    switch (trial % 3) {
      case 0: bad[gen() % bad.size()] ^= static_cast<char>(1 + gen() % 255); break;
      case 1: bad.resize(gen() % bad.size()); break;
      default: bad.insert(gen() % bad.size(), std::string(1 + gen() % 4, static_cast<char>(gen()))); break;
    }
    const ReadResult r = Read(bad);
    bool allGood = !r.broken && r.openResult == kArcOk;
    for (const auto& e : r.entries) {
      if (e.dataResult != kArcOk) {
        allGood = false;
        continue;
      }
      const auto it = originals.find(e.entry.name);
      if (it != originals.end()) {
        EXPECT_TRUE(e.data == it->second) << "trial " << trial << " " << e.entry.name;
      }
    }
    if (allGood && r.entries.size() == originals.size()) ++passedWhole;
  }
  // Only changes that miss everything checked (the end mark, padding) let
  // an archive pass whole.
  EXPECT_LT(passedWhole, 30);
}

}  // namespace
}  // namespace ks::test
