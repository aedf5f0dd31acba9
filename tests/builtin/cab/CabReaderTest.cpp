// Our own cabinet reader against libarchive's with CabIndex's guard: the
// same entries, bytes and failures for every cabinet it takes, and those
// it must not take left to libarchive.
#include <zlib.h>

#include <functional>

#include "archivers/builtin/cab/CabGuard.h"
#include "archivers/builtin/cab/CabIndex.h"
#include "archivers/builtin/cab/CabReader.h"
#include "archivers/builtin/common/ArchiveReader.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "builtin/common/CompressSupport.h"
#include "builtin/common/PackTestSupport.h"

namespace ks::test {
namespace {

struct File {
  std::string name;  // as stored, "\" between folders
  std::string data;
  std::uint16_t attributes = 0x20;
  std::uint16_t date = 0x5A21, time = 0x6000;  // 2025-01-01 12:00:00
};
struct Folder {
  bool mszip = true;
  std::vector<File> files;
};

void Put(std::string& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// One MSZIP block: its window goes on from the block before.
std::string MsZip(const std::string& chunk, const std::string& before) {
  return "CK" + Deflated(chunk, -MAX_WBITS, 6, before);
}

// A single cabinet of the folders given, each block with its checksum.
std::string BuildCab(const std::vector<Folder>& folders) {
  std::size_t fileCount = 0, namesSize = 0;
  for (const Folder& f : folders)
    for (const File& file : f.files) ++fileCount, namesSize += file.name.size() + 1;
  const std::size_t filesAt = 36 + 8 * folders.size();
  std::uint64_t dataAt = filesAt + 16 * fileCount + namesSize;
  std::string folderRecords, fileRecords, data;
  for (std::size_t i = 0; i < folders.size(); ++i) {
    std::string all;
    for (const File& file : folders[i].files) {
      Put(fileRecords, file.data.size(), 4);
      Put(fileRecords, all.size(), 4);
      Put(fileRecords, i, 2);
      Put(fileRecords, file.date, 2);
      Put(fileRecords, file.time, 2);
      Put(fileRecords, file.attributes, 2);
      fileRecords += file.name + '\0';
      all += file.data;
    }
    unsigned blocks = 0;
    const std::uint64_t folderAt = dataAt + data.size();
    for (std::size_t at = 0; at < all.size(); at += 0x8000, ++blocks) {
      const std::string chunk = all.substr(at, 0x8000);
      const std::string packed = folders[i].mszip ? MsZip(chunk, at ? all.substr(at - 0x8000, 0x8000) : "") : chunk;
      std::string sizes;
      Put(sizes, packed.size(), 2);
      Put(sizes, chunk.size(), 2);
      const auto* p = reinterpret_cast<const unsigned char*>(packed.data());
      const auto* s = reinterpret_cast<const unsigned char*>(sizes.data());
      Put(data, CabChecksum(s, 4, CabChecksum(p, packed.size(), 0)), 4);
      data += sizes + packed;
    }
    Put(folderRecords, folderAt, 4);
    Put(folderRecords, blocks, 2);
    Put(folderRecords, folders[i].mszip ? 1 : 0, 2);
  }
  std::string cab = "MSCF";
  Put(cab, 0, 4);
  Put(cab, dataAt + data.size(), 4);
  Put(cab, 0, 4);
  Put(cab, filesAt, 4);
  Put(cab, 0, 4);
  cab += '\x03';
  cab += '\x01';
  Put(cab, folders.size(), 2);
  Put(cab, fileCount, 2);
  Put(cab, 0, 2);  // flags
  Put(cab, 0, 4);  // set id, cabinet number
  return cab + folderRecords + fileRecords + data;
}

// What a reader gives of every entry: the entry, and its bytes or its failure.
std::string Readout(EntryReader& reader) {
  std::string out;
  for (EntryReader::Next next; (next = reader.NextEntry()) != EntryReader::Next::End;) {
    if (next != EntryReader::Next::Entry) return out + "stopped: " + reader.errorText() + "\n";
    const ExtractEntry& e = reader.entry();
    out += e.name + " type " + std::to_string(static_cast<int>(e.type)) + " size " + std::to_string(e.size) +
           " mode " + std::to_string(e.mode.value_or(0)) + " mtime " + std::to_string(e.mtime.value_or(-1));
    std::string bytes;
    const int r = reader.ReadData([&](const void* p, std::size_t n) {
      bytes.append(static_cast<const char*>(p), n);
      return kArcOk;
    });
    if (r == kArcOk)
      out += " data " + std::to_string(crc32(0, reinterpret_cast<const Bytef*>(bytes.data()), bytes.size())) + "\n";
    else
      out += " failed " + std::to_string(r) + " " + reader.errorText() + "\n";
  }
  return out;
}

std::string Ours(const fs::path& cab) {
  CabReader reader;
  if (!reader.Open(cab.string())) return "declined";
  return Readout(reader);
}

std::string Libarchive(const fs::path& cab) {
  ArchiveReader reader(kFormatCab, MakeCabGuard);
  if (reader.Open(cab.string()) != kArcOk) return "not opened";
  return Readout(reader);
}

class CabReaderTest : public ScratchFolderTest {};

// Japanese names: UTF-8 flagged (0x80), and CP932 without the flag.
const std::string kUtf8Name = "資料\\説明書.txt";
const std::string kCp932Name = "\x93\xfa\x96\x7b.txt";  // 日本.txt

TEST_F(CabReaderTest, GivesWhatLibarchiveGivesForEveryCabinetItTakes) {
  const std::string big = Noise(200 * 1024, 1), text(90000, 't');
  const std::vector<File> files = {
      {"a.txt", "alpha\n"},
      {"sub\\big.bin", big},
      {"empty.txt", ""},
      {kUtf8Name, "説明\n", 0xA0},
      {kCp932Name, text},
      {"ro.txt", "read only\n", 0x21},
      {"odd-date.txt", "x", 0x20, 0x5BA1 /* month 13 */, 0xBF7D /* 23:59:58 */},
  };
  WriteFile("g/a.txt", "alpha\n");
  WriteFile("g/big.bin", big);
  WriteFile("g/空.txt", "");
  WriteFile("g/説明書.txt", text);
  struct Case {
    const char* what;
    std::function<std::string()> make;
  };
  const std::vector<Case> cases = {
      {"one MSZIP folder", [&] { return BuildCab({{true, files}}); }},
      {"one stored folder", [&] { return BuildCab({{false, files}}); }},
      {"several folders, stored and MSZIP",
       [&] { return BuildCab({{true, {files[0], files[1]}}, {false, {files[2], files[3]}}, {true, {files[4], files[5]}}}); }},
      {"gcab, MSZIP",
       [&] {
         EXPECT_EQ(RunTool("cd g && LC_ALL=C.UTF-8 gcab -c -z ../g.cab a.txt big.bin 空.txt 説明書.txt").exitCode, 0);
         return ReadFile("g.cab");
       }},
      {"gcab, stored",
       [&] {
         EXPECT_EQ(RunTool("cd g && LC_ALL=C.UTF-8 gcab -c ../g.cab a.txt big.bin 空.txt").exitCode, 0);
         return ReadFile("g.cab");
       }},
  };
  if (!HaveTool("gcab")) GTEST_SKIP() << "gcab is missing (Debian package gcab)";
  for (const Case& c : cases) {
    WriteFile("t.cab", c.make());
    const std::string ours = Ours("t.cab");
    EXPECT_NE(ours, "declined") << c.what;
    EXPECT_EQ(ours, Libarchive("t.cab")) << c.what;
    EXPECT_EQ(ours.find("failed"), std::string::npos) << c.what << "\n" << ours;
  }
}

TEST_F(CabReaderTest, NamesACp932CharacterEndingInABackslashByteWhole) {
  // "ソ" is 0x83 0x5C in CP932: its second byte is no folder separator.
  WriteFile("t.cab", BuildCab({{true, {{"\x83\x5C\\a.txt", "a"}}}}));
  CabReader reader;
  ASSERT_TRUE(reader.Open("t.cab"));
  ASSERT_EQ(reader.NextEntry(), EntryReader::Next::Entry);
  EXPECT_EQ(reader.entry().name, "ソ/a.txt");
}

TEST_F(CabReaderTest, LeavesToLibarchiveWhatItDoesNotRead) {
  const std::string plain = BuildCab({{true, {{"a.txt", "alpha"}, {"b.txt", "beta"}}}});
  const auto patched = [&](std::size_t at, std::string bytes) { return plain.substr(0, at) + bytes + plain.substr(at + bytes.size()); };
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"an empty file", ""},
      {"not a cabinet", "MSCF but nothing like a cabinet after that"},
      {"LZX", patched(36 + 6, std::string("\x03\x0f", 2))},
      {"continued into the next cabinet", patched(30, std::string("\x02\x00", 2))},
      {"a file continued from the previous one", patched(36 + 8 + 8, std::string("\xfd\xff", 2))},
      {"files out of order", patched(36 + 8 + 4, std::string("\x01\x00", 2))},
      {"cut inside its headers", plain.substr(0, 50)},
  };
  for (const auto& [what, bytes] : cases) {
    WriteFile("t.cab", bytes);
    CabReader reader;
    EXPECT_FALSE(reader.Open("t.cab")) << what;
  }
}

// Where block `k` of the first folder starts.
std::size_t BlockAt(const std::string& cab, unsigned k) {
  const auto le = [&](std::size_t at, int n) {
    std::size_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(cab[at + i]);
    return v;
  };
  std::size_t at = le(36, 4);
  for (unsigned i = 0; i < k; ++i) at += 8 + le(at + 4, 2);
  return at;
}

// libarchive gives up on the rest of the cabinet after some damage (a
// block cut short, sizes it refuses, data its inflate cannot decode); ours
// tells each file after it that the damage touches, and reads on.
TEST_F(CabReaderTest, DamageFailsTheSameEntriesAsWithLibarchiveAndNoMore) {
  // Files of 40,000 bytes: a damaged 32 KiB block touches one or two.
  std::vector<File> files;
  for (int i = 0; i < 6; ++i) files.push_back({"f" + std::to_string(i), Noise(40000, i + 7)});
  const std::string stored = BuildCab({{false, files}});
  const std::string mszip = BuildCab({{true, {files[0], files[1], files[2]}}, {true, {files[3], files[4], files[5]}}});
  const auto flipped = [](std::string bytes, std::size_t at) {
    bytes[at] ^= 0x40;
    return bytes;
  };
  struct Case {
    const char* what;
    std::string bytes;
    std::vector<std::string> failing;
  };
  // Block 2 holds bytes 65,536 to 98,303: the ends of f1 and f2.
  const std::vector<Case> cases = {
      {"a stored block's data", flipped(stored, BlockAt(stored, 2) + 100), {"f1", "f2"}},
      {"a stored block's size", flipped(stored, BlockAt(stored, 2) + 6), {"f1", "f2", "f3", "f4", "f5"}},
      {"an MSZIP block", flipped(mszip, BlockAt(mszip, 2) + 100), {"f1", "f2"}},
      {"cut short", mszip.substr(0, mszip.size() - 5000), {"f5"}},
  };
  for (const Case& c : cases) {
    WriteFile("t.cab", c.bytes);
    const std::string ours = Ours("t.cab"), theirs = Libarchive("t.cab");
    std::vector<std::string> failing;
    for (std::size_t at = 0, end; at < ours.size(); at = end + 1) {
      end = ours.find('\n', at);
      const std::string line = ours.substr(at, end - at);
      if (line.find(" failed ") != std::string::npos) failing.push_back(line.substr(0, line.find(' ')));
      // Every entry libarchive gets to comes out the same.
      if (theirs.find(line.substr(0, line.find(' ')) + " ") != std::string::npos)
        EXPECT_NE(theirs.find(line + "\n"), std::string::npos) << c.what << ": " << line << "\n" << theirs;
    }
    EXPECT_EQ(failing, c.failing) << c.what << "\n" << ours;
  }
}

}  // namespace
}  // namespace ks::test
