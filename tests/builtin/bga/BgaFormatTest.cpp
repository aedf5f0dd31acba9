// Headers, names and the storage rule of GZA/BZA entries, checked against
// headers the original library wrote, and the streaming codecs.
#include "archivers/builtin/bga/BgaCodec.h"
#include "archivers/builtin/bga/BgaFormat.h"

#include <gtest/gtest.h>

#include "BgaTestSupport.h"

namespace ks::test {
namespace {

const unsigned char* Bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// Two headers of the genuine test.gza: the folder "dir\empty\" and the
// stored file "dir\テスト.txt" (CP932 bytes, which are negative as signed
// chars and so test the checksum's sign rule).
const std::string kFolderHeader(
    "\x7b\x05\x00\x00GZIP\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x10\x00\x01\x00"
    "\x0a\x00\x00\x00" "dir\\empty\\", 38);
const std::string kCp932Header(
    "\x6f\x04\x00\x00GZIP\x11\x00\x00\x00\x11\x00\x00\x00\x62\x54\xaa\xad\x20\x00\x02\x00"
    "\x04\x00\x0a\x00" "dir\\\x83\x65\x83\x58\x83\x67.txt", 42);

TEST(BgaHeaderTest, ReadsHeadersTheOriginalWrote) {
  BgaHeader h;
  ASSERT_EQ(DecodeBgaHeader(Bytes(kFolderHeader), h), BgaDecode::Ok);
  EXPECT_TRUE(h.isFolder());
  EXPECT_EQ(h.folderPart, "dir\\empty\\");
  EXPECT_EQ(h.filePart, "");
  EXPECT_EQ(BgaEntryName(h), "dir/empty/");

  ASSERT_EQ(BgaNameLength(Bytes(kCp932Header)), 14u);
  ASSERT_EQ(DecodeBgaHeader(Bytes(kCp932Header), h), BgaDecode::Ok);
  EXPECT_EQ(h.method, BgaMethod::Gzip);
  EXPECT_FALSE(h.isFolder());
  EXPECT_EQ(h.dataSize, 17u);
  EXPECT_EQ(h.originalSize, 17u);
  EXPECT_EQ(h.storage, kBgaStorageStored);
  EXPECT_EQ(h.stamp.date, 0x5462);
  EXPECT_EQ(h.stamp.time, 0xADAA);
  EXPECT_EQ(h.attributes, kBgaAttrArchive);
  EXPECT_EQ(BgaEntryName(h), "dir/テスト.txt");
}

TEST(BgaHeaderTest, WritesHeadersByteForByteAsTheOriginal) {
  for (const std::string* original : {&kFolderHeader, &kCp932Header}) {
    BgaHeader h;
    ASSERT_EQ(DecodeBgaHeader(Bytes(*original), h), BgaDecode::Ok);
    EXPECT_EQ(EncodeBgaHeader(h), *original);
  }
  BgaHeader bza;
  DecodeBgaHeader(Bytes(kCp932Header), bza);
  bza.method = BgaMethod::Bzip2;
  const std::string encoded = EncodeBgaHeader(bza);
  EXPECT_EQ(encoded.substr(4, 4), std::string("BZ2\0", 4));
  EXPECT_EQ(DecodeBgaHeader(Bytes(encoded), bza), BgaDecode::Ok);
  EXPECT_EQ(bza.method, BgaMethod::Bzip2);
}

TEST(BgaHeaderTest, AnyChangedByteFailsTheChecksumAndOtherTagsAreNoHeader) {
  for (std::size_t i = 0; i < kCp932Header.size(); ++i) {
    if (i >= 4 && i < 8) continue;  // the tag: no header at all then
    if (i >= 24 && i < 28) continue;  // name lengths: the name would be read elsewhere
    std::string bad = kCp932Header;
    bad[i] = static_cast<char>(bad[i] ^ 0x01);
    BgaHeader h;
    EXPECT_EQ(DecodeBgaHeader(Bytes(bad), h), BgaDecode::BadChecksum) << "byte " << i;
  }
  std::string other = kCp932Header;
  other.replace(4, 4, "GZIQ");
  BgaHeader h;
  EXPECT_EQ(DecodeBgaHeader(Bytes(other), h), BgaDecode::NotAHeader);
  other.replace(4, 4, std::string("BZ2 ", 4));
  EXPECT_EQ(DecodeBgaHeader(Bytes(other), h), BgaDecode::NotAHeader);
}

TEST(BgaNameTest, StoredNamesSplitIntoFolderAndFilePartsInCp932) {
  std::string why;
  auto parts = BgaStoredName("doc/表.txt", false, why);
  ASSERT_TRUE(parts) << why;
  EXPECT_EQ(parts->folderPart, "doc\\");
  EXPECT_EQ(parts->filePart, "\x95\x5C.txt");
  // "表" ends in the byte of "\": it must not be taken for a separator.
  parts = BgaStoredName("表/ソ", false, why);
  ASSERT_TRUE(parts) << why;
  EXPECT_EQ(parts->folderPart, "\x95\x5C\\");
  EXPECT_EQ(parts->filePart, "\x83\x5C");
  parts = BgaStoredName("a.txt", false, why);
  ASSERT_TRUE(parts);
  EXPECT_EQ(parts->folderPart, "");
  EXPECT_EQ(parts->filePart, "a.txt");
  parts = BgaStoredName("doc/空", true, why);
  ASSERT_TRUE(parts);
  EXPECT_EQ(parts->folderPart, "doc\\\x8B\xF3\\");
  EXPECT_EQ(parts->filePart, "");
}

TEST(BgaNameTest, NamesThatWouldNotComeBackAreRefusedWithAReason) {
  for (const char* name : {"한국어.txt", "doc/é.txt", "emoji😀", "back\\slash.txt"}) {
    std::string why;
    EXPECT_FALSE(BgaStoredName(name, false, why)) << name;
    EXPECT_FALSE(why.empty()) << name;
  }
  std::string why;
  EXPECT_FALSE(BgaStoredName(std::string(70000, 'a'), false, why));
  EXPECT_NE(why.find("too long"), std::string::npos);
  EXPECT_TRUE(BgaStoredName(std::string(65535, 'a'), false, why));
}

TEST(BgaNameTest, NamesReadBackWhatEverThePartsHold) {
  BgaHeader h;
  h.folderPart = "\x95\x5C\\";  // "表\"
  h.filePart = "\x83\x5C.txt";  // "ソ.txt"
  EXPECT_EQ(BgaEntryName(h), "表/ソ.txt");
  h.folderPart = "utf8\\";
  h.filePart = "日本.txt";  // valid UTF-8 is taken as UTF-8
  EXPECT_EQ(BgaEntryName(h), "utf8/日本.txt");
  // Every name we store reads back as itself.
  for (const char* name : {"日本語フォルダ/ファイル名.txt", "ｶﾀｶﾅ/表示.txt", "a/b/c"}) {
    std::string why;
    const auto parts = BgaStoredName(name, false, why);
    ASSERT_TRUE(parts) << name << ": " << why;
    h.folderPart = parts->folderPart;
    h.filePart = parts->filePart;
    EXPECT_EQ(BgaEntryName(h), name);
  }
}

TEST(BgaStorageTest, WhichEntriesHoldTheirBytesAsTheyAre) {
  BgaHeader h;
  h.filePart = "a.txt";
  h.dataSize = 10;
  h.originalSize = 20;
  h.storage = kBgaStorageCompressed;
  EXPECT_FALSE(BgaDataIsRaw(h, "\x1F\x8B\x08"));
  h.storage = kBgaStorageAutomatic;
  EXPECT_FALSE(BgaDataIsRaw(h, "abc"));  // sizes differ: compressed
  h.dataSize = 20;
  h.storage = kBgaStorageStored;
  EXPECT_TRUE(BgaDataIsRaw(h, "\x1F\x8B\x08"));
  h.storage = kBgaStorageAutomatic;
  h.filePart = "inner.ZIP";  // already compressed kinds, any case
  EXPECT_TRUE(BgaDataIsRaw(h, "\x1F\x8B\x08"));
  h.filePart = "a.txt";
  EXPECT_FALSE(BgaDataIsRaw(h, "\x1F\x8B\x08"));
  EXPECT_TRUE(BgaDataIsRaw(h, "abc"));
  h.method = BgaMethod::Bzip2;
  EXPECT_FALSE(BgaDataIsRaw(h, "BZh"));
  EXPECT_TRUE(BgaDataIsRaw(h, "\x1F\x8B\x08"));
}

// Decodes `packed` in pieces of `piece` bytes into a string.
int Decode(BgaMethod method, const std::string& packed, std::size_t expected, std::string& out,
           std::size_t piece = 7) {
  auto decoder = MakeBgaDecoder(method);
  decoder->Begin(expected);
  out.clear();
  const BgaSink sink = [&](const char* d, std::size_t n) {
    out.append(d, n);
    return static_cast<int>(kArcOk);
  };
  for (std::size_t at = 0;; at += piece) {
    const std::size_t n = std::min(piece, packed.size() - std::min(at, packed.size()));
    const bool last = at + n >= packed.size();
    if (int r = decoder->Feed(Bytes(packed) + std::min(at, packed.size()), n, last, sink); r != kArcOk)
      return r;
    if (last) return kArcOk;
  }
}

std::string Encode(BgaMethod method, const std::string& data) {
  auto encoder = MakeBgaEncoder(method);
  encoder->Begin(data.size());
  std::string out;
  encoder->Feed(data.data(), data.size(), true, [&](const char* d, std::size_t n) {
    out.append(d, n);
    return static_cast<int>(kArcOk);
  });
  return out;
}

class BgaCodecTest : public ::testing::TestWithParam<BgaMethod> {};

TEST_P(BgaCodecTest, RoundTripInAnyPieces) {
  const std::string data = RandomBytes(300000, 5) + SomeText(500000, 6);
  const std::string packed = Encode(GetParam(), data);
  EXPECT_LT(packed.size(), data.size());
  for (std::size_t piece : {std::size_t{1} << 20, std::size_t{4096}, std::size_t{1}}) {
    if (piece == 1 && GetParam() == BgaMethod::Bzip2) continue;  // slow, and no new case
    std::string out;
    EXPECT_EQ(Decode(GetParam(), packed, data.size(), out, piece), kArcOk) << piece;
    EXPECT_TRUE(out == data) << piece;
  }
  std::string out;
  EXPECT_EQ(Decode(GetParam(), Encode(GetParam(), ""), 0, out), kArcOk);
  EXPECT_EQ(out, "");
}

TEST_P(BgaCodecTest, EveryKindOfDamageIsCaught) {
  const std::string data = SomeText(50000, 9);
  const std::string packed = Encode(GetParam(), data);
  std::string out;
  // A flipped byte anywhere: the checksums catch what the structure does not.
  for (std::size_t at : {packed.size() / 3, packed.size() / 2, packed.size() - 6}) {
    std::string bad = packed;
    bad[at] = static_cast<char>(bad[at] ^ 0x20);
    EXPECT_NE(Decode(GetParam(), bad, data.size(), out), kArcOk) << at;
  }
  EXPECT_EQ(Decode(GetParam(), packed.substr(0, packed.size() - 1), data.size(), out), kArcBrokenData);
  EXPECT_EQ(Decode(GetParam(), packed + "x", data.size(), out), kArcBrokenData);
  EXPECT_EQ(Decode(GetParam(), packed + packed, data.size(), out), kArcBrokenData);
  EXPECT_EQ(Decode(GetParam(), packed, data.size() + 1, out), kArcBrokenData);
  // More data than the header promised stops before it is all passed on.
  EXPECT_EQ(Decode(GetParam(), packed, 10, out), kArcBrokenData);
  EXPECT_LE(out.size(), 10u);
  EXPECT_EQ(Decode(GetParam(), "", data.size(), out), kArcBrokenData);
}

INSTANTIATE_TEST_SUITE_P(Methods, BgaCodecTest, ::testing::Values(BgaMethod::Gzip, BgaMethod::Bzip2),
                         [](const auto& info) {
                           return std::string(info.param == BgaMethod::Gzip ? "Gzip" : "Bzip2");
                         });

TEST(BgaGzipTest, MembersWithOptionalHeaderFieldsAndWrongTrailersAreTold) {
  const std::string data = "optional fields in the gzip header\n";
  const std::string packed = GzipWithName(data, "inner.txt");
  std::string out;
  EXPECT_EQ(Decode(BgaMethod::Gzip, packed, data.size(), out), kArcOk);
  EXPECT_EQ(out, data);
  std::string badCrc = packed;
  badCrc[badCrc.size() - 8] = static_cast<char>(badCrc[badCrc.size() - 8] ^ 1);
  EXPECT_EQ(Decode(BgaMethod::Gzip, badCrc, data.size(), out), kArcFileCrc);
  std::string badLength = packed;
  badLength[badLength.size() - 4] = static_cast<char>(badLength[badLength.size() - 4] ^ 1);
  EXPECT_EQ(Decode(BgaMethod::Gzip, badLength, data.size(), out), kArcFileCrc);
}

}  // namespace
}  // namespace ks::test
