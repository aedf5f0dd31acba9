// The text of the check's result lines, and which word a library's answer
// gives.

#include <QtTest>

#include "archivers/Probe.h"
#include "archivers/TypeDetect.h"
#include "check/ArchiveTest.h"
#include "check/CheckLines.h"
#include "platform/RecordingPlatform.h"
#include "support/FakeLibrary.h"

using namespace ks;
using namespace ks::test;

namespace {

std::string Spaces(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

void SetAllFlags(bool value) {
  for (bool* flag : {&HasUnlha, &HasUnZip, &HasZip, &HasCab, &HasRar, &HasJack, &HasTar,
                     &HasUnarj, &HasUnGCA, &HasYz1, &HasIsh, &HasBga})
    *flag = value;
}

}  // namespace

class CheckLinesTest : public QObject {
  Q_OBJECT
 private slots:
  void init() { SetAllFlags(true); }

  void lineColumnsLineUp() {
    // The example of a sound LZH archive.
    QCOMPARE(CheckLine("C:\\a\\test.lzh", "LZH", kWordSound),
             Spaces(12) + "C:\\a\\test.lzh" + Spaces(5) + "LZH" + Spaces(6) + "正常");
    QCOMPARE(CheckLine("/t/x.zip", "ZIP", "異常！"),
             Spaces(17) + "/t/x.zip" + Spaces(5) + "ZIP" + Spaces(6) + "異常！");
    QCOMPARE(CheckLine("/t/x.yz1", "Yz1", "Skip"),
             Spaces(17) + "/t/x.yz1" + Spaces(5) + "Yz1" + Spaces(6) + "Skip");
    QCOMPARE(CheckLine("/t/x.jak", "JACK", "Skip"),
             Spaces(17) + "/t/x.jak" + Spaces(5) + "JACK" + Spaces(5) + "Skip");
    // A name of 24 columns gets one leading space.
    const std::string name24 = "/" + std::string(23, 'n');
    QCOMPARE(CheckNameLine(name24), " " + name24);
  }

  void unknownBgaAndUnreadableHaveTheirOwnForms() {
    QCOMPARE(CheckLine("/t/a.txt", "UnKnown", "ignored"),
             Spaces(17) + "/t/a.txt" + Spaces(5) + "UnKnown");
    QCOMPARE(CheckLine("/t/a.gza", "BGA", "Skip"),
             Spaces(17) + "/t/a.gza" + Spaces(5) + "GZA/BZA" + Spaces(2) + "Skip");
    QCOMPARE(CheckLine("/t/a.zip", "Unreadable", "読めません"),
             Spaces(17) + "/t/a.zip" + Spaces(5) + "UnKnown" + Spaces(2) + "読めません");
    // A type too long for its column still stands apart from the word.
    QCOMPARE(CheckLine("/t/a", "ABCDEFGHIJ", "W"), Spaces(21) + "/t/a" + Spaces(5) + "ABCDEFGHIJ W");
  }

  void wideNamesKeepTheirEnd() {
    // 22 columns are left after "...": "ロード" would need 23, so the tail is
    // "ード/圧縮ファイル.lzh" (21) and one more dot fills the gap.
    const std::string wide = "/home/user/ダウンロード/圧縮ファイル.lzh";
    QCOMPARE(CheckLine(wide, "LZH", "正常"),
             "....ード/圧縮ファイル.lzh" + Spaces(5) + "LZH" + Spaces(6) + "正常");
  }

  void wordFollowsTheLowSixteenBitsOfTheFullTest() {
    FakeLibrarySet fakes;
    fakes[LibraryId::Unlha].Queue("CheckArchive", 1);
    QCOMPARE(TestWord("/a.lzh", "LZH"), std::string("正常"));
    fakes[LibraryId::Unlha].Queue("CheckArchive", 0);
    QCOMPARE(TestWord("/a.lzh", "LZH"), std::string("異常！"));
    // 0x10000 has nothing in the low 16 bits: damaged.
    fakes[LibraryId::Unlha].Queue("CheckArchive", 0x10000);
    QCOMPARE(TestWord("/a.lzh", "LZH"), std::string("異常！"));
    const auto& log = *fakes.log;
    QCOMPARE(log.size(), std::size_t(6));
    QCOMPARE(log[0].name, std::string("UnlhaGetRunning"));
    QCOMPARE(log[1].name, std::string("UnlhaCheckArchive"));
    QCOMPARE(log[1].args, (std::vector<std::string>{"/a.lzh", "2"}));
  }

  void everyTestableTypeAsksItsOwnLibrary() {
    const std::pair<const char*, LibraryId> cases[] = {
        {"LZH", LibraryId::Unlha}, {"ZIP", LibraryId::UnZip}, {"CAB", LibraryId::Cab},
        {"TAR", LibraryId::Tar},   {"ARJ", LibraryId::Unarj}, {"Yz1", LibraryId::Yz1}};
    for (const auto& [type, id] : cases) {
      FakeLibrarySet fakes;
      fakes[id].SetDefault("CheckArchive", 1);
      QCOMPARE(TestWord("/x", type), std::string("正常"));
      QCOMPARE(fakes.CallNames(), (std::vector<std::string>{std::string(DescriptorOf(id).prefix) +
                                                                "GetRunning",
                                                            std::string(DescriptorOf(id).prefix) +
                                                                "CheckArchive"}));
    }
  }

  void rarUsesTheEntryByEntryTest() {
    FakeLibrarySet fakes;
    QCOMPARE(TestWord("/x.rar", "RAR"), std::string("正常"));  // empty archive that opens
    fakes.unrar().entries = {{"a", 0, 0, 0}, {"b", 0, 0, 3}};
    QCOMPARE(TestWord("/x.rar", "RAR"), std::string("異常！"));
    HasRar = false;
    QCOMPARE(TestWord("/x.rar", "RAR"), std::string("Skip"));
  }

  void untestedTypesAreSkippedWithoutAskingAnything() {
    FakeLibrarySet fakes;
    for (const char* type : {"GCA", "ISH", "JACK", "BGA", "GIF", "BMP"})
      QCOMPARE(TestWord("/x", type), std::string("Skip"));
    HasUnlha = false;
    QCOMPARE(TestWord("/x.lzh", "LZH"), std::string("Skip"));
    QCOMPARE(TestWord("/x", "Unreadable"), std::string("読めません"));
    QVERIFY(fakes.log->empty());
  }

  void busyOrIncompleteLibrariesNeitherStopNorLie() {
    ScopedRecordingPlatform recorder;
    FakeLibrarySet fakes;
    // Any non-zero answer is busy here, not only -1.
    fakes[LibraryId::UnZip].Queue("GetRunning", 1);
    fakes[LibraryId::UnZip].Queue("GetRunning", -1);
    QCOMPARE(TestWord("/a.zip", "ZIP"), std::string("使用中"));
    QCOMPARE(TestWord("/a.zip", "ZIP"), std::string("使用中"));
    QCOMPARE(fakes.CallNames(),
             (std::vector<std::string>{"UnZipGetRunning", "UnZipGetRunning"}));
    fakes[LibraryId::Cab].Lack("CheckArchive");
    QCOMPARE(TestWord("/a.cab", "CAB"), std::string("Skip"));
    fakes.Missing(LibraryId::Tar);  // flag on, library gone
    QCOMPARE(TestWord("/a.tgz", "TAR"), std::string("Skip"));
    QVERIFY(recorder.platform.calls.empty());
  }
};

QTEST_GUILESS_MAIN(CheckLinesTest)
#include "CheckLinesTest.moc"
