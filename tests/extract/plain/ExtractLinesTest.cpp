// The result lines of an extraction.

#include <gtest/gtest.h>

#include <stdexcept>

#include "archivers/LibraryFailure.h"
#include "archivers/LibrarySet.h"
#include "core/TextWidth.h"
#include "extract/ExtractLines.h"
#include "platform/RecordingPlatform.h"

namespace ks {
namespace {

TEST(ExtractLine, ShortNamesAreRightAlignedAndTheTypePaddedToNine) {
  EXPECT_EQ(ExtractLine("/a.lzh", "LZH", ResultVerdict(0)),
            std::string(19, ' ') + "/a.lzh" + std::string(5, ' ') + "LZH" + std::string(6, ' ') +
                "OK");
  EXPECT_EQ(ExtractLine("/a.zip", "ZIP", ResultVerdict(-1)),
            std::string(19, ' ') + "/a.zip     ZIP      失敗！");
  EXPECT_EQ(ExtractLine("/a", "JACK", kVerdictOk), std::string(23, ' ') + "/a     JACK     OK");
}

TEST(ExtractLine, BgaFilesShowAsGzaOrBza) {
  EXPECT_EQ(ExtractLine("/b.gza", "BGA", "OK"), std::string(19, ' ') + "/b.gza     GZA/BZA  OK");
}

TEST(ExtractLine, NamesWithoutALibraryCallSaySkip) {
  EXPECT_EQ(ExtractLine("/t.txt", "UnKnown", kVerdictSkip),
            std::string(19, ' ') + "/t.txt     UnKnown  Skip");
  EXPECT_EQ(ExtractLine("/dir", "Folder", kVerdictSkip),
            std::string(21, ' ') + "/dir     Folder   Skip");
}

TEST(ExtractLine, LongAndWideNamesShowTheirEnd) {
  const std::string name = "/home/user/downloads/archive-with-long-name.lzh";
  const std::string line = ExtractLine(name, "LZH", "OK");
  EXPECT_EQ(line, "..." + name.substr(name.size() - 22) + "     LZH      OK");
  const std::string wide = "/tmp/日本語のとても長いファイル名.lzh";
  const std::string fitted = ExtractLine(wide, "LZH", "OK");
  EXPECT_EQ(fitted, "...ても長いファイル名.lzh     LZH      OK");
  EXPECT_EQ(ByteLength(fitted.substr(0, fitted.find("     LZH"))), 25);
}

TEST(ExtractLine, AFailureThatThrewSaysWhatHappened) {
  const auto missing = TryLibraryWork([] { throw LibraryError("UnRar32.DLL", "Unrar"); });
  ASSERT_TRUE(missing);
  EXPECT_EQ(FailedVerdict(*missing), "失敗！ UnRar32.DLLのUnrarを呼べません");
  const auto odd = TryLibraryWork([] { throw std::logic_error("odd state"); });
  EXPECT_EQ(*odd, "内部エラー（odd state）");
  EXPECT_EQ(*TryLibraryWork([] { throw 42; }), "内部エラー");
  EXPECT_EQ(*TryLibraryWork([] { throw std::bad_alloc(); }), "メモリが足りません");
  EXPECT_FALSE(TryLibraryWork([] {}));
  // The end of the program is no failure of the work: it goes on ending.
  EXPECT_THROW(TryLibraryWork([] { throw ProgramEnded(); }), ProgramEnded);
}

}  // namespace
}  // namespace ks
