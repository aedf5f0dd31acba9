// What LHA tools we cannot run here wrote, built byte by byte from the
// formats' public descriptions: -lhx- of the Windows LHA libraries, MacLHA's
// MacBinary data, absolute names, Amiga comments, LHa for Unix's nameless
// folder entries, and links that are refused.
#include <gtest/gtest.h>

#include "archivers/builtin/Backends.h"
#include "archivers/builtin/codec/BitWriter.h"
#include "archivers/builtin/codec/ByteOrder.h"
#include "builtin/common/ExtractTestSupport.h"
#include "builtin/lha/DecodeTestSupport.h"
#include "builtin/lha/RawLzhBuilder.h"

namespace ks::test {
namespace {

// One static-Huffman block coding `literals` as literals, then, when
// `matchDistance` is set, one match of 256 bytes that far back, with
// `positionCodes` position codes. The codes are the simplest the format
// allows: every literal 9 bits ("1" and the byte), the 256-byte match
// symbol (509) 1 bit, and the position code a single symbol, so the
// distance is its extra bits alone.
void PutBlock(BitWriter& bits, const std::string& literals, std::uint32_t matchDistance,
              unsigned positionCodes) {
  bits.Put(static_cast<std::uint32_t>(literals.size() + (matchDistance ? 1 : 0)), 16);
  // The code-length code: 11 ("0") stands for length 9, 2 ("10") for a
  // run of zeros, 3 ("11") for length 1. Twelve lengths in 3 bits each,
  // with the 2-bit zero run after the third.
  bits.Put(12, 5);
  for (unsigned i = 0; i < 12; ++i) {
    bits.Put(i == 2 || i == 3 ? 2 : i == 11 ? 1 : 0, 3);
    if (i == 2) bits.Put(0, 2);
  }
  // Literal and length code: 256 lengths of 9, 253 zeros, then length 1.
  bits.Put(510, 9);
  for (int i = 0; i < 256; ++i) bits.Put(0, 1);
  bits.Put(0b10, 2);
  bits.Put(253 - 20, 9);
  bits.Put(0b11, 2);
  // Position code: one symbol only, the one whose extra bits reach
  // `matchDistance` (1 when there is no match).
  unsigned p = 0;
  while (p + 1 < positionCodes && (std::uint32_t{1} << p) < matchDistance) ++p;
  bits.Put(0, 5);
  bits.Put(p, 5);
  for (unsigned char c : literals) bits.Put(0x100 | c, 9);
  if (matchDistance) {
    bits.Put(0, 1);
    bits.Put(matchDistance - 1 - (1u << (p - 1)), p - 1);
  }
}

// `text` followed by a copy of its first 256 bytes, coded as -lhx- data:
// the copy reaches text.size() bytes back, past -lh7-'s 64 KB window.
std::string LhxCoded(const std::string& text) {
  BitWriter bits;
  const std::size_t half = text.size() / 2;  // a block holds at most 65535 symbols
  PutBlock(bits, text.substr(0, half), 0, 20);
  PutBlock(bits, text.substr(half), static_cast<std::uint32_t>(text.size()), 20);
  bits.Flush();
  return std::string(bits.bytes().begin(), bits.bytes().end());
}

RawLzhEntry Level2(const std::string& name, const std::string& data) {
  RawLzhEntry e;
  e.extended = {{0x01, name}};
  e.data = data;
  return e;
}

class LzhOtherToolsTest : public ::testing::Test {
 protected:
  // Extracts `entries` as one archive into its own folder.
  CommandResult Extract(const std::vector<RawLzhEntry>& entries) {
    const fs::path file = scratch / ("a" + std::to_string(++runs_) + ".lzh");
    WriteFile(file, BuildRawLzh(entries));
    out = scratch / ("out" + std::to_string(runs_));
    return RunCommand(*unlha, "x " + Q(file) + " " + Q(out.string() + "/"));
  }

  TestHost host;
  ScratchFolder scratch;
  std::shared_ptr<CommonArchiver> unlha = MakeUnlhaBackend();
  fs::path out;

 private:
  int runs_ = 0;
};

TEST_F(LzhOtherToolsTest, LhxReachesHalfAMegabyteBack) {
  const Bytes sample = TextLike(100000, 11);
  const std::string text(sample.begin(), sample.end());
  const std::string expected = text + text.substr(0, 256);
  RawLzhEntry e = Level2("far.txt", LhxCoded(text));
  e.method = "-lhx-";
  e.originalSize = static_cast<std::uint32_t>(expected.size());
  e.crc = LzhCrc16Of(expected.data(), expected.size());
  const auto r = Extract({e});
  ASSERT_EQ(r.code, kArcOk) << r.output;
  EXPECT_TRUE(ReadFile(out / "far.txt") == expected);
  // The same data is no -lh7- stream: its position codes end at 17.
  e.method = "-lh7-";
  EXPECT_EQ(Extract({e}).code, kArcBrokenData);
  EXPECT_FALSE(fs::exists(out / "far.txt"));
}

// MacLHA's stored data: a MacBinary header, the data fork and the resource
// fork, each padded to 128 bytes, or (as lhasa finds MacLHA's) padded once
// at the end.
struct MacFile {
  std::string name = "Read Me";
  std::string data = std::string(300, 'd');
  std::string resource = std::string(200, 'r');
  std::int64_t time = 1000000000;  // the LZH header's, UTC
  std::int64_t zone = 9 * 3600;    // the Mac's clock ran on local time
  bool padEachFork = true;

  std::string Stored() const {
    std::string h(128, '\0');
    h[1] = static_cast<char>(name.size());
    h.replace(2, name.size(), name);
    h.replace(0x41, 8, "TEXTttxt");
    const auto be32 = [&h](std::size_t at, std::uint64_t v) {
      for (int i = 0; i < 4; ++i) h[at + i] = static_cast<char>(v >> (24 - 8 * i));
    };
    be32(0x53, data.size());
    be32(0x57, resource.size());
    be32(0x5B, time + zone + 2082844800);
    be32(0x5F, time + zone + 2082844800);
    const auto padded = [](std::string s) { return s.append((128 - s.size() % 128) % 128, '\0'); };
    return padEachFork ? h + padded(data) + padded(resource) : padded(h + data + resource);
  }
};

RawLzhEntry MacEntry(int level, const MacFile& mac, const std::string& stored) {
  RawLzhEntry e = Level2(mac.name, stored);
  e.level = level;
  e.os = 'm';
  if (level == 1) {
    e.name = mac.name;
    e.extended = {{0x54, LeBytes(static_cast<std::uint64_t>(mac.time), 4)}};
  } else {
    e.time = static_cast<std::uint32_t>(mac.time);
  }
  return e;
}

TEST_F(LzhOtherToolsTest, MacLhaFilesComeOutAsTheirDataFork) {
  MacFile mac;
  MacFile resourceOnly;
  resourceOnly.name = "Icon";
  resourceOnly.data.clear();
  for (const int level : {1, 2}) {
    mac.padEachFork = level == 1;
    const auto r = Extract({MacEntry(level, mac, mac.Stored()),
                            MacEntry(level, resourceOnly, resourceOnly.Stored())});
    ASSERT_EQ(r.code, kArcOk) << level << r.output;
    EXPECT_EQ(ReadFile(out / "Read Me"), mac.data) << level;
    EXPECT_EQ(ReadFile(out / "Icon"), resourceOnly.resource) << level;
  }
}

TEST_F(LzhOtherToolsTest, FilesThatOnlyLookLikeMacBinaryStayAsStored) {
  const MacFile mac;
  const std::string stored = mac.Stored();
  std::vector<std::pair<std::string, RawLzhEntry>> cases;
  const auto add = [&](const std::string& what, std::string bytes, char os = 'm') {
    RawLzhEntry e = MacEntry(2, mac, bytes);
    e.os = static_cast<std::uint8_t>(os);
    cases.push_back({what, e});
  };
  add("written by another system", stored, 'M');
  std::string renamed = stored;
  renamed[2] = 'X';
  add("a MacBinary file of another name", renamed);
  std::string longer = stored;
  longer[0x55] = static_cast<char>(longer[0x55] + 1);  // 256 bytes more data
  add("forks that do not fill the entry", longer);
  std::string marked = stored;
  marked[0x4A] = 1;
  add("a compatibility byte set", marked);
  MacFile lateClock = mac;
  lateClock.zone = 20 * 3600;
  add("a time a day away", lateClock.Stored());
  for (const auto& [what, entry] : cases) {
    const auto r = Extract({entry});
    ASSERT_EQ(r.code, kArcOk) << what << r.output;
    EXPECT_TRUE(ReadFile(out / "Read Me") == entry.data) << what;
  }
}

TEST_F(LzhOtherToolsTest, OddNamesOfOtherToolsLandInsideTheFolder) {
  RawLzhEntry lhmelt;  // LHmelt: an absolute MS-DOS path in a level-0 name
  lhmelt.level = 0;
  lhmelt.name = "\\subdir\\file.txt";
  lhmelt.data = "lhmelt";
  RawLzhEntry amiga = Level2("a.txt", "amiga");  // an absolute folder header
  amiga.extended.push_back({0x02, "\xFF" "amiga\xFF"});
  RawLzhEntry commented;  // Amiga LhA: the file's comment after a NUL
  commented.level = 1;
  commented.os = 'A';
  commented.name = std::string("notes\0a comment of the file", 27);
  commented.data = "commented";
  RawLzhEntry here;  // LHa for Unix 1.14i: the folder it ran in, nameless
  here.level = 0;
  here.method = "-lhd-";
  const auto r = Extract({lhmelt, amiga, commented, here});
  ASSERT_EQ(r.code, kArcOk) << r.output;
  EXPECT_EQ(Tree(out), (std::map<std::string, std::string>{{"subdir", "folder"},
                                                          {"subdir/file.txt", "file:lhmelt"},
                                                          {"amiga", "folder"},
                                                          {"amiga/a.txt", "file:amiga"},
                                                          {"notes", "file:commented"}}));

  RawLzhEntry climb = Level2("x.txt", "bad");  // made absolute, still climbing
  climb.extended.push_back({0x02, "\xFF..\xFF"});
  EXPECT_EQ(Extract({climb}).code, kArcUnsafeEntry);
  EXPECT_TRUE(Tree(out).empty());
}

TEST_F(LzhOtherToolsTest, ARefusedLinkStillGetsItsFolders) {
  RawLzhEntry link;
  link.method = "-lhd-";
  link.extended = {{0x01, "up|../../.."}, {0x02, "dir\xFFsub\xFF"}, {0x50, LeBytes(0120777, 2)}};
  const auto r = Extract({link});
  EXPECT_EQ(r.code, kArcUnsafeEntry) << r.output;
  EXPECT_EQ(Tree(out), (std::map<std::string, std::string>{{"dir", "folder"},
                                                          {"dir/sub", "folder"}}));
}

}  // namespace
}  // namespace ks::test
