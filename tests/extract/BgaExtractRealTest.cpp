// GZA and BZA archives dropped on 解凍 with the built-in back-ends: type
// detection calls them "BGA", Bga32 extracts them into a folder named after
// them (a doubled folder level collapsed), and a damaged one fails its line
// as "GZA/BZA" and leaves no damaged file behind. On 検査 they stay "Skip"
// although the library is there.

#include <QLabel>
#include <filesystem>

#include "archivers/Probe.h"
#include "archivers/TypeDetect.h"
#include "archivers/builtin/Backends.h"
#include "check/ArchiveCheck.h"
#include "check/FrmChk.h"
#include "extract/ExtractDriver.h"
#include "extract/ExtractTestSupport.h"
#include "panel/PanelTestSupport.h"
#include "support/Fixtures.h"
#include "support/QtMissingSkip.h"

using namespace ks;
using namespace ks::test;
namespace fs = std::filesystem;

namespace {

std::string Text(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i) text += "行 " + std::to_string(i * 7919 % 1000) + " of a GZA sample\n";
  return text;
}

// Makes `archive` of the names listed, from `folder`, with the library's
// creating command as the compression run sends it.
void Make(const std::string& folder, const std::string& archive, const char* method,
          const std::vector<std::string>& names) {
  const std::string list = fs::path(archive).replace_extension(".list").string();
  std::string text;
  for (const std::string& n : names) text += "\"" + n + "\"\r\n";
  std::ofstream(list, std::ios::binary) << text;
  // The folder current before may be gone: an extraction leaves its own
  // destination current, and the previous test's folders are removed.
  fs::current_path(folder);
  std::vector<char> out(65536);
  const int r = Libraries().Get(LibraryId::Bga).Command(
      nullptr, std::string("a -a ") + method + " -r  \"" + archive + "\" \"@" + list + "\"", out.data(), 65535);
  fs::current_path("/");
  fs::remove(list);
  QVERIFY2(r == 0, out.data());
}

}  // namespace

class BgaExtractRealTest : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { UnloadFrmChk(); }

  void droppedGzaAndBzaComeOutInTheirFolders() {
    DropFolder f;
    f.Write("stage/a.txt", Text(300));
    f.Write("stage/日本語/ファイル.txt", Text(40));
    f.Folder("stage/empty");
    f.Write("stage/only/c.txt", Text(10));

    PanelRun run;
    InstallBuiltinLibraries(Libraries());
    FrmMain& panel = run.Start();
    QVERIFY(HasBga);
    InstallExtractZone(&panel);
    QApplication::processEvents();

    Make(f.Path("stage"), f.Path("g.gza"), "-m1", {"a.txt", "日本語/*.*", "empty/*.*"});
    Make(f.Path("stage"), f.Path("b.bza"), "-m2", {"a.txt", "日本語/*.*", "empty/*.*"});
    Make(f.Path("stage"), f.Path("one.gza"), "-m1", {"only/*.*"});
    QCOMPARE(ArcType(f.Path("g.gza")), std::string("BGA"));

    DropOn(run.Find<QLabel>("lbl2"), *FileDrop({f.Path("g.gza"), f.Path("b.bza"), f.Path("one.gza")}));
    QVERIFY(LoadedFrmChk() == nullptr);  // all fine: no result window
    const std::set<std::string> tree = {"a.txt", "empty/", "日本語/", "日本語/ファイル.txt"};
    QCOMPARE(Tree(f.Path("g")), tree);
    QCOMPARE(Tree(f.Path("b")), tree);
    QCOMPARE(ReadFile(f.Path("b/日本語/ファイル.txt")), Text(40));
    QCOMPARE(ReadFile(f.Path("g/a.txt")), Text(300));
    // One folder of another name inside moves up in place of "one".
    QCOMPARE(ReadFile(f.Path("only/c.txt")), Text(10));
    QVERIFY(!fs::exists(f.Path("one")));
  }

  void genuineArchivesAndADamagedOne() {
    DropFolder f;
    f.Write("stage/a.txt", Text(2000));
    PanelRun run;
    InstallBuiltinLibraries(Libraries());
    FrmMain& panel = run.Start();
    InstallExtractZone(&panel);
    QApplication::processEvents();
    Make(f.Path("stage"), f.Path("bad.gza"), "-m1", {"a.txt"});
    std::string bad = ReadFile(f.Path("bad.gza"));
    bad[bad.size() / 2] = static_cast<char>(bad[bad.size() / 2] ^ 0x10);
    f.Write("bad.gza", bad);

    DropOn(run.Find<QLabel>("lbl2"), *FileDrop({f.Path("bad.gza")}));
    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && chk->isVisible());
    QCOMPARE(chk->Lines(), QStringList({ExtractedLine(f.Path("bad.gza"), "GZA/BZA", "失敗！")}));
    QVERIFY(!fs::exists(f.Path("bad/a.txt")));
    QTest::keyClick(chk, Qt::Key_Escape);
    UnloadFrmChk();

    const fs::path samples = FixturesFolder();
    if (samples.empty() || !fs::exists(samples / "bga" / "test.gza"))
      KS_SKIP_WITHOUT_SAMPLES("sample archives not found (../shared/fixtures beside the sources)");
    fs::copy_file(samples / "bga" / "test.gza", f.Path("test.gza"));
    fs::permissions(f.Path("test.gza"), fs::perms::owner_write, fs::perm_options::add);
    DropOn(run.Find<QLabel>("lbl2"), *FileDrop({f.Path("test.gza")}));
    QVERIFY(LoadedFrmChk() == nullptr);
    // The archive holds one folder "dir", which takes the place of "test".
    QCOMPARE(Tree(f.Path("dir")), (std::set<std::string>{"empty/", "test.txt", "テスト.txt"}));
    QCOMPARE(ReadFile(f.Path("dir/テスト.txt")),
             std::string("\xE3\x81\x8B\xE3\x81\x8D\xE3\x81\x8F\xE3\x81\x91\xE3\x81\x93\r\n"));
  }

  void onTheCheckZoneTheyAreSkipped() {
    DropFolder f;
    f.Write("stage/a.txt", Text(20));
    PanelRun run;
    InstallBuiltinLibraries(Libraries());
    FrmMain& panel = run.Start();
    QVERIFY(HasBga);
    InstallCheckZone(&panel);
    Make(f.Path("stage"), f.Path("s.bza"), "-m2", {"a.txt"});
    DropOn(run.Find<QLabel>("lbl3"), *FileDrop({f.Path("s.bza")}));
    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && chk->isVisible());
    QCOMPARE(chk->Lines(), QStringList({AsciiLine(f.Path("s.bza"), "GZA/BZA", "Skip")}));
  }
};

KS_QTEST_MAIN_NOTING_MISSING(BgaExtractRealTest)
#include "BgaExtractRealTest.moc"
