// The texts of a compression run: command lines, list file lines, names,
// result lines and the split command, built without any window or library.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "archivers/WorkNames.h"
#include "compress/CompressFormats.h"
#include "compress/CompressList.h"
#include "compress/CompressZone.h"
#include "compress/SplitText.h"

using namespace ks;
namespace fs = std::filesystem;

namespace {

const CompressionFormat& Format(const std::string& entry) {
  const CompressionFormat* f = FindCompressionFormat(entry);
  EXPECT_NE(f, nullptr) << entry;
  return *f;
}

CommandValues Values(const std::string& archive = "~ks.tmp") {
  CommandValues v;
  v.destination = "/w/";
  v.archive = archive;
  v.listFile = "/app/kestrino.tmp";
  v.nameList = "\"a.txt\" \"doc\" ";
  v.password = "pass word";
  return v;
}

std::string Make(const std::string& entry) {
  const CompressionFormat& f = Format(entry);
  return MakeCommandLine(f, Values(TempArchive(f, "~ks.tmp")));
}

std::string Convert(const std::string& entry) {
  const CompressionFormat& f = Format(entry);
  return ConversionCommandLine(f, Values(TempArchive(f, "~ks.tmp")));
}

bool IsDir(const std::string& name) { return name.find("doc") != std::string::npos; }

}  // namespace

TEST(CompressCommands, EveryFormatMakesItsExactLine) {
  const std::string list = "\"@/app/kestrino.tmp\"";
  for (const char* lzh : {"Lha", "Lzh DosSFX DOS用", "Lzh WinSFX Win16用", "Lzh WinSFXM Win16用",
                          "Lzh WinSFX Win32用", "Lzh WinSFXM Win32用"})
    EXPECT_EQ(Make(lzh), list) << lzh;
  EXPECT_EQ(Make("Cab"), "-a \"/w/~ks.cab\" " + list);
  EXPECT_EQ(Make("Cab SFX"), "-a \"/w/~ks.cab\" " + list);
  EXPECT_EQ(Make("Zip"), "-r \"/w/~ks.tmp\" " + list);
  // The password stands unquoted, spaces and all, followed by one space.
  EXPECT_EQ(Make("Zip Password付き"), "-r -P pass word \"/w/~ks.tmp\" " + list);
  EXPECT_EQ(Make("Tar"), "-cvf \"/w/~ks.tmp\" " + list);
  EXPECT_EQ(Make("Tar(gzip)"), "-czf \"/w/~ks.tmp\" " + list);
  EXPECT_EQ(Make("Tar(bzip2)"), "-cBf \"/w/~ks.tmp\" " + list);
  // Two spaces before the archive in every Bga32 line.
  EXPECT_EQ(Make("GZA"), "a -a -m1 -r  \"/w/~ks.tmp\" " + list);
  EXPECT_EQ(Make("GZA SFX"), "a -a -m1 -r  \"/w/~ks.tmp\" " + list);
  EXPECT_EQ(Make("BZA"), "a -a -m2 -r  \"/w/~ks.tmp\" " + list);
  EXPECT_EQ(Make("BZA SFX"), "a -a -m2 -r  \"/w/~ks.tmp\" " + list);
  // Yz1 takes the names on the line, which ends in one space.
  EXPECT_EQ(Make("Yz1"), "c \"/w/~ks.tmp\" \"a.txt\" \"doc\" ");
  EXPECT_EQ(Make("Yz1 Password付き"), "c -ppass word \"/w/~ks.tmp\" \"a.txt\" \"doc\" ");
  EXPECT_EQ(Make("Yz1 公開鍵Password付き"), "c -Ppass word \"/w/~ks.tmp\" \"a.txt\" \"doc\" ");
  EXPECT_EQ(Make(kDoNothingEntry), "");
}

TEST(CompressCommands, SelfExtractorsConvertWithTheirOwnLine) {
  EXPECT_EQ(Convert("Lzh DosSFX DOS用"), "s -x1 \"/w/~ks.tmp\" \"/w/\"");
  EXPECT_EQ(Convert("Lzh WinSFX Win16用"), "s -x1 \"/w/~ks.tmp\" -jw");
  EXPECT_EQ(Convert("Lzh WinSFXM Win16用"), "s -x1 \"/w/~ks.tmp\" -jw3");
  EXPECT_EQ(Convert("Lzh WinSFX Win32用"), "s -x1 \"/w/~ks.tmp\" -gw");
  EXPECT_EQ(Convert("Lzh WinSFXM Win32用"), "s -x1 \"/w/~ks.tmp\" -gw3");
  EXPECT_EQ(Convert("Cab SFX"), "-f -w \"/w/~ks.cab\"");
  EXPECT_EQ(Convert("GZA SFX"), "s \"/w/~ks.tmp\"");
  EXPECT_EQ(Convert("BZA SFX"), "s \"/w/~ks.tmp\"");
  for (const char* plain : {"Lha", "Cab", "Zip", "Tar", "GZA", "Yz1", kDoNothingEntry})
    EXPECT_EQ(Convert(plain), "") << plain;
  EXPECT_EQ(ConvertedProgram(Values("~ks.cab")), "/w/~ks.exe");
  EXPECT_EQ(ConvertedProgram(Values("~ks3.tmp")), "/w/~ks3.exe");
}

TEST(CompressCommands, CodesLabelsAndBusyMessages) {
  const std::vector<std::vector<std::string>> rows = {
      {"Lha", "LHA", "LZH"}, {"Lzh DosSFX DOS用", "LHD", "LZH"}, {"Lzh WinSFX Win16用", "LH16", "LZH"},
      {"Lzh WinSFXM Win16用", "LH16M", "LZH"}, {"Lzh WinSFX Win32用", "LH32", "LZH"},
      {"Lzh WinSFXM Win32用", "LH32M", "LZH"}, {"Cab", "CAB", "Cab"}, {"Cab SFX", "CAS", "Cab"},
      {"Zip", "ZIP", "Zip"}, {"Zip Password付き", "ZIE", "ZipP"}, {"Tar", "TAR", "Tar"},
      {"Tar(gzip)", "TAG", "TGZ"}, {"Tar(bzip2)", "TAB", "Bz2"}, {"GZA", "GZA", "GZA"},
      {"GZA SFX", "GZS", "GZA"}, {"BZA", "BZA", "BZA"}, {"BZA SFX", "BZS", "BZA"},
      {"Yz1", "YZ1", "Yz1"}, {"Yz1 Password付き", "YZP", "Yz1"}, {"Yz1 公開鍵Password付き", "YZK", "Yz1"},
      {kDoNothingEntry, "NOT", ""}};
  ASSERT_EQ(CompressionFormats().size(), rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const CompressionFormat& f = CompressionFormats()[i];
    EXPECT_EQ(f.entry, rows[i][0]);
    EXPECT_EQ(f.code, rows[i][1]) << rows[i][0];
    EXPECT_EQ(f.label, rows[i][2]) << rows[i][0];
    EXPECT_EQ(EntryOfCode(rows[i][1]), rows[i][0]);
  }
  EXPECT_STREQ(Format("GZA SFX").busyMessage, "Bga32が暴れています。いったんKestrinoを終了します。");
  EXPECT_STREQ(Format("GZA SFX").conversionBusyMessage,
               "BGA32が暴れています。いったんKestrinoを終了します。");
  EXPECT_STREQ(Format("Lzh WinSFX Win32用").conversionBusyMessage,
               "UnLhaが暴れています。いったんKestrinoを終了します。");
  EXPECT_STREQ(Format("Cab SFX").conversionBusyMessage, "Cab32が暴れています。いったんKestrinoを終了します。");
  EXPECT_STREQ(Format("Zip Password付き").busyMessage, "Zip32jが暴れています。いったんKestrinoを終了します。");
  EXPECT_STREQ(Format("Tar(gzip)").busyMessage, "Tar32が暴れています。いったんKestrinoを終了します。");
  EXPECT_STREQ(Format("Yz1").busyMessage, "Yz1が暴れています。いったんKestrinoを終了します。");
  EXPECT_TRUE(Format("Zip Password付き").password);
  EXPECT_TRUE(Format("Yz1 公開鍵Password付き").password);
  EXPECT_FALSE(Format("Zip").password);
}

TEST(CompressCommands, StoredCodesCompareExactly) {
  EXPECT_EQ(EntryOfCode("lha"), "Lha");
  EXPECT_EQ(EntryOfCode("XYZ"), "Lha");
  EXPECT_EQ(EntryOfCode(""), "Lha");
  EXPECT_EQ(EntryOfCode("zip"), "Lha");
  EXPECT_EQ(EntryOfCode("GZS"), "GZA SFX");
  EXPECT_EQ(EntryOfCode("NOT"), kDoNothingEntry);
}

TEST(CompressCommands, FormatListFollowsTheLibraries) {
  ProbeResult all;
  all.HasUnlha = all.HasCab = all.HasZip = all.HasTar = all.HasBga = all.HasYz1 = true;
  const std::vector<std::string> full = FormatEntries(all, true);
  ASSERT_EQ(full.size(), 21u);
  EXPECT_EQ(full.front(), kDoNothingEntry);
  EXPECT_EQ(full[1], "Lha");
  EXPECT_EQ(full[7], "Cab");
  EXPECT_EQ(full[9], "Zip");
  EXPECT_EQ(full[11], "Tar");
  EXPECT_EQ(full[14], "GZA");
  EXPECT_EQ(full.back(), "Yz1 公開鍵Password付き");
  EXPECT_EQ(FormatEntries(all, false).front(), "Lha");

  ProbeResult some;
  some.HasZip = true;
  some.HasTar = true;
  some.HasJack = some.HasUnZip = some.HasRar = true;  // no format of their own
  EXPECT_EQ(FormatEntries(some, false),
            (std::vector<std::string>{"Zip", "Zip Password付き", "Tar", "Tar(gzip)", "Tar(bzip2)"}));
  EXPECT_EQ(FormatEntries(ProbeResult{}, true), std::vector<std::string>{kDoNothingEntry});
  EXPECT_TRUE(FormatEntries(ProbeResult{}, false).empty());
}

TEST(CompressNames, ExtensionIsAddedUnlessPresent) {
  EXPECT_EQ(WithExtension("pack", &Format("Lha")), "pack.lzh");
  EXPECT_EQ(WithExtension("pack.LZH", &Format("Lha")), "pack.LZH");
  EXPECT_EQ(WithExtension("pack.Lzh", &Format("Lha")), "pack.Lzh");
  EXPECT_EQ(WithExtension("pack.zip", &Format("Lha")), "pack.zip.lzh");
  EXPECT_EQ(WithExtension("日本語", &Format("Zip")), "日本語.zip");
  EXPECT_EQ(WithExtension("x.TGZ", &Format("Tar(gzip)")), "x.TGZ");
  EXPECT_EQ(WithExtension("x.tar", &Format("Tar(bzip2)")), "x.tar.bz2");
  // Self-extractors know only two spellings.
  EXPECT_EQ(WithExtension("a.EXE", &Format("Cab SFX")), "a.EXE");
  EXPECT_EQ(WithExtension("a.exe", &Format("Lzh WinSFX Win32用")), "a.exe");
  EXPECT_EQ(WithExtension("a.Exe", &Format("Cab SFX")), "a.Exe.exe");
  EXPECT_EQ(WithExtension("a", &Format("GZA SFX")), "a.exe");
  EXPECT_EQ(WithExtension("a", &Format(kDoNothingEntry)), "a");
  EXPECT_EQ(WithExtension("a", nullptr), "a");
  EXPECT_EQ(TrimSpaces("  pack  "), "pack");
  EXPECT_EQ(TrimSpaces("   "), "");
  EXPECT_EQ(TrimSpaces("a b"), "a b");
}

TEST(CompressNames, ResultLineFitsTheNameAndSaysOkOrFailed) {
  EXPECT_EQ(CompressResultLine("/w/pack.lzh", "LZH", true),
            std::string(14, ' ') + "/w/pack.lzh" + "     LZH     OK");
  EXPECT_EQ(CompressResultLine("/w/p.zip", "ZipP", false),
            std::string(17, ' ') + "/w/p.zip" + "     ZipP     失敗！");
  EXPECT_EQ(CompressResultLine("/home/someone/long/folder/pack.lzh", "LZH", true),
            "...e/long/folder/pack.lzh     LZH     OK");
  EXPECT_EQ(CompressResultLine("/w/a.txt", "", true), std::string(17, ' ') + "/w/a.txt" + std::string(10, ' ') + "OK");
}

TEST(CompressList, LinesAndNameListOfFilesAndFolders) {
  const CompressionFormat& lha = Format("Lha");
  const CommandValues v = Values();
  const ListText text = MakeListText({"/w/a.txt", "/w/doc", "/w/with space.txt", "/w/日本語"}, "/w/",
                                     HeaderLines(lha, v), [](const std::string& n) {
                                       return !IsDir(n) && n.find("日本語") == std::string::npos;
                                     });
  EXPECT_EQ(text.lines, (std::vector<std::string>{"a -x1 -r2", "\"/w/~ks.tmp\"", "\"a.txt\"",
                                                  "\"doc/*.*\"", "\"with space.txt\"", "\"日本語/*.*\""}));
  EXPECT_EQ(text.nameList, "\"a.txt\" \"doc\" \"with space.txt\" \"日本語\" ");
  // No header for the others; the archive named in the header is the final folder's.
  EXPECT_TRUE(HeaderLines(Format("Zip"), v).empty());
  CommandValues desk = v;
  desk.destination = "/home/u/Desktop/";
  EXPECT_EQ(HeaderLines(lha, desk)[1], "\"/home/u/Desktop/~ks.tmp\"");
}

TEST(CompressList, FileHasCrLfLines) {
  const fs::path file = fs::temp_directory_path() / "ks-list-test.tmp";
  ASSERT_TRUE(WriteListFile(file.string(), {"a -x1 -r2", "\"a.txt\""}));
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes, "a -x1 -r2\r\n\"a.txt\"\r\n");
  fs::remove(file);
  EXPECT_FALSE(WriteListFile("/nonexistent-folder/x/kestrino.tmp", {"a"}));
}

TEST(CompressList, NamesThatWouldGiveWrongLinesAreFound) {
  EXPECT_EQ(FindUnlistable({"/w/a.txt", "/w/doc"}, "/w/").reason, UnlistableReason::None);
  // From a search window: one name in a deeper folder makes that the source,
  // and the other would lose its folder.
  const Unlistable outside = FindUnlistable({"/w/a.txt", "/w/sub/b.txt"}, "/w/sub/");
  EXPECT_EQ(outside.reason, UnlistableReason::OutsideSource);
  EXPECT_EQ(outside.name, "/w/a.txt");
  EXPECT_EQ(FindUnlistable({"/w2/a.txt"}, "/w/").reason, UnlistableReason::OutsideSource);
  EXPECT_EQ(FindUnlistable({"/w/"}, "/w/").reason, UnlistableReason::OutsideSource);
  const Unlistable quote = FindUnlistable({"/w/a.txt", "/w/say \"hi\".txt"}, "/w/");
  EXPECT_EQ(quote.reason, UnlistableReason::BadCharacter);
  EXPECT_EQ(quote.name, "/w/say \"hi\".txt");
  EXPECT_EQ(FindUnlistable({"/w/two\nlines"}, "/w/").reason, UnlistableReason::BadCharacter);
}

TEST(SplitTexts, SummaryPresetsAndCommand) {
  EXPECT_EQ(SplitSummary("1.44MB", false), "(1.44MB ノーマル)");
  EXPECT_EQ(SplitSummary("230MB", true), "(230MB 自己結合)");
  EXPECT_TRUE(SelfJoiningType("-1"));
  EXPECT_TRUE(SelfJoiningType(" -1"));
  EXPECT_FALSE(SelfJoiningType("1"));
  EXPECT_FALSE(SelfJoiningType("True"));
  EXPECT_FALSE(SelfJoiningType(""));
  EXPECT_EQ(RipTypeText(true), "-1");
  EXPECT_EQ(RipTypeText(false), "0");
  EXPECT_EQ(PresetSize("720KB"), "711");
  EXPECT_EQ(PresetSize("1.44MB"), "1423");
  EXPECT_EQ(PresetSize("128MB"), "122622");
  EXPECT_EQ(PresetSize("230MB"), "220948");
  EXPECT_EQ(PresetSize("その他"), "");
  EXPECT_FALSE(PresetSize("True").has_value());
  EXPECT_EQ(JackCommandLine(true, "1423", "/w/pack.lzh", "/w/"),
            "-r -m1 -v:1423 \"/w/pack.lzh\" \"/w/\"");
  EXPECT_EQ(JackCommandLine(false, "711", "/w/a b.zip", "/d/"), "-r -m0 -v:711 \"/w/a b.zip\" \"/d/\"");
}

TEST(CompressDrop, RootsAreRefusedAndOtherNamesAccepted) {
  EXPECT_TRUE(IsRefusedDropRoot("/"));
  EXPECT_TRUE(IsRefusedDropRoot("//server/share"));
  EXPECT_FALSE(IsRefusedDropRoot("//server/share/folder"));
  EXPECT_FALSE(IsRefusedDropRoot("//server/share/a.txt"));
  EXPECT_FALSE(IsRefusedDropRoot("//server"));
  EXPECT_FALSE(IsRefusedDropRoot("/data"));
  EXPECT_FALSE(IsRefusedDropRoot("/home/u/a.txt"));
  EXPECT_EQ(NormalisedDropNames({"/w/doc/", "/", "/w/a.txt", "//server/share/"}),
            (std::vector<std::string>{"/w/doc", "/", "/w/a.txt", "//server/share"}));
  EXPECT_TRUE(IsRefusedDropRoot(NormalisedDropNames({"//server/share/"})[0]));
}

TEST(TempNames, FreeInBothFolders) {
  const fs::path base = fs::temp_directory_path() / "ks-tempname-test";
  fs::remove_all(base);
  fs::create_directories(base / "src");
  fs::create_directories(base / "desk");
  const std::string src = (base / "src").string() + "/";
  const std::string desk = (base / "desk").string() + "/";
  EXPECT_EQ(TempFileName(src, desk), "~ks.tmp");
  std::ofstream(desk + "~ks.tmp") << "user's";
  EXPECT_EQ(TempFileName(src), "~ks.tmp");
  EXPECT_EQ(TempFileName(src, desk), "~ks1.tmp");
  std::ofstream(src + "~ks1.cab") << "user's";
  EXPECT_EQ(TempFileName(src, desk), "~ks2.tmp");
  fs::remove_all(base);
}
