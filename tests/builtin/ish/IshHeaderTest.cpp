// Header lines, title lines, DOS times and the choice of the restored name.
#include <gtest/gtest.h>

#include "archivers/builtin/ish/IshHeader.h"
#include "archivers/builtin/ish/IshNames.h"

namespace ks::test {
namespace {

TEST(IshHeader, HeaderLinesCarryEveryFieldInTheirOwnEncoding) {
  const std::uint32_t time = IshDosTime(1700000000);
  for (IshEncoding e : {IshEncoding::Jis7, IshEncoding::Jis8, IshEncoding::ShiftJis,
                        IshEncoding::NonKana}) {
    const IshRecord record = MakeIshHeaderRecord(e, 123456789, "LONGNAMEHTM", time);
    // Only jis8 files have jis8 header lines; the rest are jis7 ("!").
    const IshEncoding lines = e == IshEncoding::Jis8 ? IshEncoding::Jis8 : IshEncoding::Jis7;
    const std::string line = EncodeIshLine(lines, record);
    EXPECT_EQ(line[0], e == IshEncoding::Jis8 ? '#' : '!');
    const auto header = ReadIshHeaderLine(line);
    ASSERT_TRUE(header) << IshEncodingName(e);
    EXPECT_EQ(header->size, 123456789u);
    EXPECT_EQ(header->recordLength, IshRecordLength(e));
    EXPECT_EQ(header->encoding(), e);
    EXPECT_EQ(header->shortName, "LONGNAMEHTM");
    EXPECT_TRUE(header->hasTime);
    EXPECT_EQ(header->dosTime, time);
    EXPECT_FALSE(header->multiVolume);
  }
}

TEST(IshHeader, OtherLinesAreNoHeaders) {
  const IshRecord record = MakeIshHeaderRecord(IshEncoding::Jis7, 10, "A          ", 0);
  std::string line = EncodeIshLine(IshEncoding::Jis7, record);
  std::string damaged = line;
  damaged[30] = damaged[30] == 'x' ? 'y' : 'x';
  EXPECT_FALSE(ReadIshHeaderLine(damaged));
  // A sound record with a line number is a data line.
  IshRecord data = record;
  data[0] = 1;
  SealIshRecord(data);
  EXPECT_FALSE(ReadIshHeaderLine(EncodeIshLine(IshEncoding::Jis7, data)));
  EXPECT_FALSE(ReadIshHeaderLine(""));
  EXPECT_FALSE(ReadIshHeaderLine("<<< a.txt for UNIX ( use jis7 ish ) >>>"));
}

TEST(IshHeader, VolumesOfASetAndUnknownCodesAreTold) {
  const IshRecord volume = MakeIshHeaderRecord(IshEncoding::Jis7, 10, "A          ", 0, 2);
  const auto v = ReadIshHeaderLine(EncodeIshLine(IshEncoding::Jis7, volume));
  ASSERT_TRUE(v);
  EXPECT_TRUE(v->multiVolume);
  EXPECT_EQ(v->volume, 2);

  IshRecord odd = MakeIshHeaderRecord(IshEncoding::Jis7, 10, "A          ", 0);
  odd[11] = 12;  // a code no encoding has
  SealIshRecord(odd);
  const auto h = ReadIshHeaderLine(EncodeIshLine(IshEncoding::Jis7, odd));
  ASSERT_TRUE(h);
  EXPECT_FALSE(h->encoding());
  // A known code with the record length of another encoding.
  IshRecord mixed = MakeIshHeaderRecord(IshEncoding::Jis7, 10, "A          ", 0);
  mixed[6] = 73;
  SealIshRecord(mixed);
  EXPECT_FALSE(ReadIshHeaderLine(EncodeIshLine(IshEncoding::Jis7, mixed))->encoding());
}

TEST(IshHeader, TitleLinesGiveTheirName) {
  EXPECT_EQ(IshTitleName("<<< numbers.txt for UNIX ( use jis7 ish ) [ 249 lines ] UNIX Ver2.01a5 >>>"),
            "numbers.txt");
  // Colour sequences lose their ESC on the way in; the rest stays around.
  EXPECT_EQ(IshTitleName("[32m<<< a b.txt for MS-DOS ( use shift_jis ish ) [ 3 lines ] >>>[m"),
            "a b.txt");
  EXPECT_EQ(IshTitleName("<<< made for you.doc for UNIX ( use jis8 ish ) >>>"), "made for you.doc");
  EXPECT_FALSE(IshTitleName("--- numbers.txt (50/249) ---"));
  EXPECT_FALSE(IshTitleName("<<< Part 1/3 [ 120 lines ] >>>"));
  EXPECT_FALSE(IshTitleName("<<< for UNIX ( use jis7 ish ) >>>"));
  EXPECT_TRUE(IshIsPartLine("<<< Part 1/3 [ 120 lines ] >>>"));
  EXPECT_FALSE(IshIsPartLine("<<< Part of it >>>"));
}

TEST(IshHeader, TheFileTimeIsTheDosStampWithTheDateInTheHighHalf) {
  IshRecord record = MakeIshHeaderRecord(IshEncoding::Jis7, 1, "A          ", IshDosTime(1700000001));
  auto header = ReadIshHeaderLine(EncodeIshLine(IshEncoding::Jis7, record));
  ASSERT_TRUE(header);
  EXPECT_EQ(IshFileTime(*header), 1700000000);  // DOS keeps even seconds
  EXPECT_EQ(header->dosTime >> 25, 2023u - 1980u);
  // A header that says it has no time, or an impossible one, gives none.
  record[25] = 0;
  SealIshRecord(record);
  header = ReadIshHeaderLine(EncodeIshLine(IshEncoding::Jis7, record));
  ASSERT_TRUE(header);
  EXPECT_FALSE(IshFileTime(*header));
  header->hasTime = true;
  header->dosTime = 13u << 21 | 1u << 16;  // month 13
  EXPECT_FALSE(IshFileTime(*header));
}

TEST(IshNames, TheLongNameIsTakenWhenItAgreesWithTheShortOne) {
  EXPECT_EQ(ChooseIshName(std::string("numbers.txt"), "numbers txt", "x"), "numbers.txt");
  EXPECT_EQ(ChooseIshName(std::string("Numbers.Txt"), "NUMBERS TXT", "x"), "Numbers.Txt");
  // Cut to 8.3, a Windows alias, and the field the Unix encoder fills.
  EXPECT_EQ(ChooseIshName(std::string("Longername.html"), "LONGERNAHTM", "x"), "Longername.html");
  EXPECT_EQ(ChooseIshName(std::string("my long file.html"), "MYLONG~1HTM", "x"), "my long file.html");
  EXPECT_EQ(ChooseIshName(std::string("verylongname.txt"), "verylongnam", "x"), "verylongname.txt");
  EXPECT_EQ(ChooseIshName(std::string("README"), "README     ", "x"), "README");
}

TEST(IshNames, TheShortNameIsTakenWhenTheTitleDisagrees) {
  EXPECT_EQ(ChooseIshName(std::string("other.txt"), "NUMBERS TXT", "x"), "NUMBERS.TXT");
  EXPECT_EQ(ChooseIshName(std::string("numbers.doc"), "NUMBERS TXT", "x"), "NUMBERS.TXT");
  EXPECT_EQ(ChooseIshName(std::string("numbersmore.txt"), "NUMBERS TXT", "x"), "NUMBERS.TXT");
  EXPECT_EQ(ChooseIshName(std::nullopt, "RAND    BIN", "x"), "RAND.BIN");
  EXPECT_EQ(ChooseIshName(std::nullopt, "MAKEFILE   ", "x"), "MAKEFILE");
}

TEST(IshNames, NamesNeverLeadOutOfTheFolder) {
  // Folders in the title or the header are dropped, whatever the separator.
  EXPECT_EQ(ChooseIshName(std::string("../../etc/passwd"), "PASSWD     ", "x"), "passwd");
  EXPECT_EQ(ChooseIshName(std::string("C:\\DL\\FOO.LZH"), "FOO     LZH", "x"), "FOO.LZH");
  EXPECT_EQ(ChooseIshName(std::nullopt, "../x    txt", "x"), "x.txt");
  EXPECT_EQ(ChooseIshName(std::string(".."), "..         ", "fallback"), "fallback");
  // No name anywhere: the title's, else the caller's.
  EXPECT_EQ(ChooseIshName(std::string("free.txt"), "           ", "x"), "free.txt");
  EXPECT_EQ(ChooseIshName(std::nullopt, "           ", "numbers-jis7"), "numbers-jis7");
  // Control bytes of a header make no name anyone can see or type.
  EXPECT_EQ(ChooseIshName(std::nullopt, "\x01" "BAD\n   TXT", "x"), "_BAD_.TXT");
}

TEST(IshNames, JapaneseNamesInCp932) {
  // テスト.txt, and ソフト.txt whose "ソ" ends in the byte of "\".
  const std::string test = "\x83\x65\x83\x58\x83\x67";
  EXPECT_EQ(ChooseIshName(test + ".txt", test + "  txt", "x"), "テスト.txt");
  const std::string soft = "\x83\x5C\x83\x74\x83\x67";
  EXPECT_EQ(ChooseIshName(soft + ".txt", soft + "  TXT", "x"), "ソフト.txt");
  EXPECT_EQ(ChooseIshName(std::nullopt, soft + "  TXT", "x"), "ソフト.TXT");
  // A UTF-8 name as the Unix encoder fills the field from it: nine bytes
  // before the dot, so the extension is cut to two.
  EXPECT_EQ(ChooseIshName(std::string("データ.bin"), "データ" "bi", "x"), "データ.bin");
}

}  // namespace
}  // namespace ks::test
