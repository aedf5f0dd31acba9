// Our own cabinet reader against libarchive's with CabIndex's guard: the
// same entries, bytes and failures for every cabinet it takes, and those
// it must not take left to libarchive.
#include <zlib.h>

#include <sstream>

#include "archivers/builtin/cab/CabGuard.h"
#include "archivers/builtin/cab/CabIndex.h"
#include "archivers/builtin/cab/CabFolderSplit.h"
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

// A single cabinet of the folders given, each block with its checksum;
// an MSZIP block's window goes on from the block before.
std::string BuildCab(const std::vector<Folder>& folders) {
  std::string fileRecords;
  std::size_t files = 0;
  for (std::size_t i = 0; i < folders.size(); ++i) {
    std::uint64_t offset = 0;
    for (const File& f : folders[i].files) {
      for (auto [value, bytes] : {std::pair<std::uint64_t, int>{f.data.size(), 4}, {offset, 4}, {i, 2},
                                  {f.date, 2}, {f.time, 2}, {f.attributes, 2}})
        Put(fileRecords, value, bytes);
      fileRecords += f.name + '\0';
      offset += f.data.size();
      ++files;
    }
  }
  const std::size_t filesAt = 36 + 8 * folders.size(), dataAt = filesAt + fileRecords.size();
  std::string folderRecords, data;
  for (const Folder& folder : folders) {
    std::string all;
    for (const File& f : folder.files) all += f.data;
    Put(folderRecords, dataAt + data.size(), 4);
    Put(folderRecords, (all.size() + 0x7FFF) / 0x8000, 2);
    Put(folderRecords, folder.mszip ? 1 : 0, 2);
    for (std::size_t at = 0; at < all.size(); at += 0x8000) {
      const std::string chunk = all.substr(at, 0x8000);
      const std::string before = at ? all.substr(at - 0x8000, 0x8000) : "";
      const std::string packed = folder.mszip ? "CK" + Deflated(chunk, -MAX_WBITS, 6, before) : chunk;
      std::string sizes;
      Put(sizes, packed.size(), 2);
      Put(sizes, chunk.size(), 2);
      const auto bytes = [](const std::string& t) { return reinterpret_cast<const unsigned char*>(t.data()); };
      Put(data, CabChecksum(bytes(sizes), 4, CabChecksum(bytes(packed), packed.size(), 0)), 4);
      data += sizes + packed;
    }
  }
  std::string cab = "MSCF";
  for (auto [value, bytes] : {std::pair<std::uint64_t, int>{0, 4}, {dataAt + data.size(), 4}, {0, 4}, {filesAt, 4},
                              {0, 4}, {0x0103, 2}, {folders.size(), 2}, {files, 2}, {0, 6} /* flags, set, number */})
    Put(cab, value, bytes);
  return cab + folderRecords + fileRecords + data;
}

// What a reader gives of every entry: the entry, and its bytes or its failure.
std::string Readout(EntryReader& reader) {
  std::string out;
  for (EntryReader::Next next; (next = reader.NextEntry()) != EntryReader::Next::End;) {
    if (next != EntryReader::Next::Entry) return out + "stopped: " + reader.errorText() + "\n";
    const ExtractEntry& e = reader.entry();
    uLong crc = crc32(0, nullptr, 0);
    const int r = reader.ReadData([&](const void* p, std::size_t n) {
      crc = crc32(crc, static_cast<const Bytef*>(p), static_cast<uInt>(n));
      return kArcOk;
    });
    out += e.name + " type " + std::to_string(static_cast<int>(e.type)) + " size " + std::to_string(e.size) +
           " mode " + std::to_string(e.mode.value_or(0)) + " mtime " + std::to_string(e.mtime.value_or(-1)) +
           (r == kArcOk ? " data " + std::to_string(crc) : " failed " + std::to_string(r) + " " + reader.errorText()) +
           "\n";
  }
  return out;
}

std::string Ours(const fs::path& cab) {
  CabReader reader;
  if (!reader.Open(cab.string())) return "declined";
  return Readout(reader);
}

// The same, each folder read on a thread of its own, two at once.
std::string OursByFolders(const fs::path& cab) {
  CabReader reader;
  if (!reader.Open(cab.string())) return "declined";
  CabFolderSplit folders(cab.string(), reader, 2);
  return Readout(folders);
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
  if (!HaveTool("gcab")) GTEST_SKIP() << "gcab is missing (Debian package gcab)";
  WriteFile("g/a.txt", "alpha\n");
  WriteFile("g/big.bin", big);
  WriteFile("g/空.txt", "");
  WriteFile("g/説明書.txt", text);
  ASSERT_EQ(RunTool("cd g && LC_ALL=C.UTF-8 gcab -c -z ../g.cab a.txt big.bin 空.txt 説明書.txt").exitCode, 0);
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"one MSZIP folder", BuildCab({{true, files}})},
      {"one stored folder", BuildCab({{false, files}})},
      {"several folders, stored and MSZIP",
       BuildCab({{true, {files[0], files[1]}}, {false, {files[2], files[3]}}, {true, {files[4], files[5], files[6]}}})},
      {"made by gcab", ReadFile("g.cab")},
  };
  for (const auto& [what, bytes] : cases) {
    WriteFile("t.cab", bytes);
    const std::string ours = Ours("t.cab");
    EXPECT_NE(ours, "declined") << what;
    EXPECT_EQ(ours, Libarchive("t.cab")) << what;
    EXPECT_EQ(OursByFolders("t.cab"), ours) << what;
    EXPECT_EQ(ours.find("failed"), std::string::npos) << what << "\n" << ours;
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
    EXPECT_EQ(OursByFolders("t.cab"), ours) << c.what;
    std::vector<std::string> failing;
    std::istringstream lines(ours), theirLines(theirs);
    for (std::string line; std::getline(lines, line);)
      if (line.find(" failed ") != std::string::npos) failing.push_back(line.substr(0, line.find(' ')));
    EXPECT_EQ(failing, c.failing) << c.what << "\n" << ours;
    // Every entry libarchive gets to comes out the same.
    for (std::string line; std::getline(theirLines, line);) {
      if (line.rfind("stopped: ", 0) != 0) {
        EXPECT_NE(ours.find(line + "\n"), std::string::npos) << c.what << ": " << line;
      }
    }
  }
}

}  // namespace
}  // namespace ks::test
