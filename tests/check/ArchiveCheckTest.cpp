// The check zone with scripted libraries: what each dropped name gives, the
// order of showing, disabling and stacking, and the failures that must not
// stop the program.

#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

#include "check/ArchiveCheck.h"
#include "archivers/Probe.h"
#include "core/DropList.h"
#include "check/CheckTestSupport.h"
#include "check/FrmChk.h"
#include "panel/PanelTestSupport.h"
#include "ui/Twips.h"
#include "platform/qt/QtArchiverHost.h"

using namespace ks;
using namespace ks::test;

namespace {

// A folder with the files the tests drop; short names keep every line's name
// inside 25 columns.
class Files {
 public:
  Files() : dir_("/tmp/kc-XXXXXX") { QVERIFY(dir_.isValid()); }
  std::string Path(const std::string& name) const { return dir_.path().toStdString() + "/" + name; }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }
  std::string Folder(const std::string& name) const {
    QDir().mkpath(QString::fromStdString(Path(name)));
    return Path(name);
  }

 private:
  QTemporaryDir dir_;
};

std::vector<PlatformCall> Stacking(const RecordingPlatform& p) { return p.Of("SetTopMost"); }

}  // namespace

class ArchiveCheckTest : public QObject {
  Q_OBJECT
 private slots:
  void everyDroppedArchiveGetsItsLine() {
    PanelRun run;
    Files files;
    const std::string lzh = files.Write("a.lzh", "ab-lh5-........");
    const std::string zip = files.Write("b.zip", "PK\x03\x04......");
    const std::string folder = files.Folder("sub");
    const std::string text = files.Write("t.txt", "just some text");
    const std::string gif = files.Write("p.gif", "GIF89a......");
    const std::string gza = files.Write("c.gza", "GZA.....");
    const std::string rar = files.Write("d.rar", "Rar!\x1a\x07\x00");
    run.libraries[LibraryId::Unlha].SetDefault("CheckArchive", 1);
    run.libraries[LibraryId::Bga].SetHook("CheckArchive", [gza](const LibraryCall& c) {
      return c.args[0] == gza ? 1 : 0;
    });
    FrmMain& panel = run.Start();
    QVERIFY(panel.TopMostChecked());
    // In the middle of the screen, so the window fits there centred.
    panel.move(panel.screen()->availableGeometry().center() - QPoint(150, 100));
    InstallCheckZone(&panel);
    run.recorder.platform.Clear();
    run.libraries.log->clear();

    const auto drop = FileDrop({lzh, zip, folder, text, gif, gza, rar, "/proc/self/mem"});
    DropOn(run.Find<QLabel>("lbl3"), *drop);

    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && chk->isVisible());
    QCOMPARE(chk->windowTitle(), QString("検査結果"));
    QCOMPARE(chk->Lines(), QStringList({
                               AsciiLine(lzh, "LZH", "正常"),
                               AsciiLine(zip, "ZIP", "異常！"),
                               AsciiLine(text, "UnKnown", ""),
                               AsciiLine(gif, "GIF", "Skip"),
                               AsciiLine(gza, "GZA/BZA", "Skip"),
                               AsciiLine(rar, "RAR", "正常"),
                               AsciiLine("/proc/self/mem", "UnKnown", "") + "  読めません",
                           }));
    // Full tests (mode 2) ran for the LZH and the ZIP archive only.
    std::vector<std::string> tested;
    for (const auto& call : *run.libraries.log)
      if (call.args.size() == 2 && call.args[1] == "2") tested.push_back(call.name + " " + call.args[0]);
    QCOMPARE(tested, (std::vector<std::string>{"UnlhaCheckArchive " + lzh,
                                               "UnZipCheckArchive " + zip}));
    // Centred over the panel, panel disabled; panel to the normal band and
    // the result window on top.
    // (The offscreen platform adds its frame only once the window shows, so
    // the centres agree to within that frame.)
    const QPoint offCentre = chk->frameGeometry().center() - panel.frameGeometry().center();
    QVERIFY2(offCentre.manhattanLength() <= 6, qPrintable(QString::number(offCentre.x())));
    QVERIFY(!panel.isEnabled());
    auto stacking = Stacking(run.recorder.platform);
    QCOMPARE(stacking.size(), std::size_t(2));
    QCOMPARE(stacking[0].window, static_cast<WindowHandle>(&panel));
    QCOMPARE(stacking[0].value, 0);
    QCOMPARE(stacking[1].window, static_cast<WindowHandle>(static_cast<QWidget*>(chk)));
    QCOMPARE(stacking[1].value, 1);
    QVERIFY(run.recorder.platform.Of("MessageBox").empty());

    run.recorder.platform.Clear();
    QTest::keyClick(chk->findChild<QListWidget*>("lstChk"), Qt::Key_Escape);
    QVERIFY(LoadedFrmChk() == nullptr);
    QVERIFY(panel.isEnabled());
    stacking = Stacking(run.recorder.platform);
    QCOMPARE(stacking.size(), std::size_t(1));
    QCOMPARE(stacking[0].window, static_cast<WindowHandle>(&panel));
    QCOMPARE(stacking[0].value, 1);
  }

  void theNameShowsWhileItsTestRuns() {
    PanelRun run;
    Files files;
    const std::string lzh = files.Write("a.lzh", "ab-lh5-........");
    QStringList seen;
    bool visible = false, panelEnabled = true;
    run.libraries[LibraryId::Unlha].SetHook("CheckArchive", [&](const LibraryCall&) {
      FrmChk* chk = LoadedFrmChk();
      seen = chk->Lines();
      visible = chk->isVisible();
      panelEnabled = run.panel->isEnabled();
      return 1;
    });
    FrmMain& panel = run.Start();
    CheckArchives(&panel, {lzh});
    QCOMPARE(seen, QStringList({QString::fromStdString(Pad(25 - lzh.size()) + lzh)}));
    QVERIFY(visible);
    QVERIFY(!panelEnabled);
    QCOMPARE(LoadedFrmChk()->Lines(), QStringList({AsciiLine(lzh, "LZH", "正常")}));
    UnloadFrmChk();
  }

  void missingBusyAndIncompleteLibraries() {
    PanelRun run;
    Files files;
    const std::string lzh = files.Write("a.lzh", "ab-lh5-........");
    const std::string zip = files.Write("b.zip", "PK\x03\x04......");
    const std::string tar = files.Write("c.tgz", "\x1f\x8b\x08....");
    const std::string cab = files.Write("d.cab", "MSCF....");
    run.libraries.Missing(LibraryId::Unlha);
    run.libraries[LibraryId::UnZip].SetDefault("GetRunning", 1);  // busy, not -1
    run.libraries[LibraryId::Tar].SetHook("CheckArchive", [tar](const LibraryCall& c) {
      return c.args[0] == tar ? 1 : 0;
    });
    run.libraries[LibraryId::Tar].Queue("GetRunning", 0);   // type detection: free
    run.libraries[LibraryId::Tar].Queue("GetRunning", -1);  // the test: busy
    run.libraries[LibraryId::Cab].Lack("CheckArchive");
    FrmMain& panel = run.Start();
    QVERIFY(!HasUnlha);
    InstallCheckZone(&panel);
    run.recorder.platform.Clear();
    DropOn(run.Find<QLabel>("lbl3"), *FileDrop({lzh, zip, tar, cab}));
    QVERIFY(!panel.isEnabled());
    QCOMPARE(LoadedFrmChk()->Lines(), QStringList({
                                          AsciiLine(lzh, "LZH", "Skip"),
                                          AsciiLine(zip, "ZIP", "使用中"),
                                          AsciiLine(tar, "TAR", "使用中"),
                                          AsciiLine(cab, "CAB", "Skip"),
                                      }));
    QVERIFY(run.recorder.platform.Of("MessageBox").empty());
    QVERIFY(run.recorder.platform.Of("EndProgram").empty());
    UnloadFrmChk();
  }

  void withoutTopMostOnlyThePanelIsRestacked() {
    PanelRun run;
    Files files;
    const std::string text = files.Write("t.txt", "text");
    FrmMain& panel = run.Start();
    run.Box("chkTop")->setChecked(false);
    run.recorder.platform.Clear();
    CheckArchives(&panel, {text});
    auto stacking = Stacking(run.recorder.platform);
    QCOMPARE(stacking.size(), std::size_t(1));
    QCOMPARE(stacking[0].window, static_cast<WindowHandle>(&panel));
    QCOMPARE(stacking[0].value, 0);
    run.recorder.platform.Clear();
    QTest::mouseClick(LoadedFrmChk()->findChild<QPushButton*>("cmdClose"), Qt::LeftButton);
    stacking = Stacking(run.recorder.platform);
    QCOMPARE(stacking.size(), std::size_t(1));
    QCOMPARE(stacking[0].value, 0);
    QVERIFY(panel.isEnabled());
  }

  void aDropWithoutFileNamesIsRefused() {
    PanelRun run;
    FrmMain& panel = run.Start();
    InstallCheckZone(&panel);
    run.recorder.platform.Clear();
    QMimeData icon;
    icon.setText("::{20D04FE0-3AEA-1069-A2D8-08002B30309D}");
    DropOn(run.Find<QLabel>("lbl3"), icon);
    const auto& calls = run.recorder.platform.calls;
    QCOMPARE(calls.size(), std::size_t(1));
    QCOMPARE(calls[0].what, std::string("MessageBox"));
    QCOMPARE(calls[0].text, std::string("マイコンピュータやごみ箱はドロップしないでね(^-^;"));
    QCOMPARE(calls[0].title, std::string("そのアイコンはあかんわ"));
    QCOMPARE(calls[0].value, 16);
    QVERIFY(LoadedFrmChk() == nullptr);
    QVERIFY(panel.isEnabled());
    QVERIFY(run.libraries.log->empty() || run.libraries.CallNames().back().find("Version") !=
                                               std::string::npos);
  }

  void theCheckLeavesTheDroppedFileListAlone() {
    PanelRun run;
    Files files;
    FrmMain& panel = run.Start();
    SetDroppedFiles({"/earlier/drop"});
    CheckArchives(&panel, {files.Write("t.txt", "x")});
    QCOMPARE(DroppedCount, 1);
    QCOMPARE(DroppedFiles[1], std::string("/earlier/drop"));
    UnloadFrmChk();
  }

  void aBusyLibraryDuringDetectionEndsTheProgramAfterItsMessage() {
    PanelRun run;
    Files files;
    const std::string text = files.Write("t.txt", "text");
    const std::string lzh = files.Write("a.lzh", "ab-lh5-........");
    run.libraries[LibraryId::Cab].SetDefault("GetRunning", -1);
    FrmMain& panel = run.Start();
    run.recorder.platform.Clear();
    QVERIFY_THROWS_EXCEPTION(ProgramEnded, CheckArchives(&panel, {lzh, text}));
    const auto& calls = run.recorder.platform.calls;
    QCOMPARE(calls[calls.size() - 2].text,
             std::string("Cab32が暴れています。いったんKestrinoを終了します。"));
    QCOMPARE(calls.back().what, std::string("EndProgram"));
    // The signature-typed archive before it was already listed.
    QCOMPARE(LoadedFrmChk()->Lines(), QStringList({AsciiLine(lzh, "LZH", "異常！")}));
    UnloadFrmChk();
  }

  void aLongTestShowsItsProgressOverTheResultWindow() {
    PanelRun run;
    Files files;
    const std::string lzh = files.Write("a.lzh", "ab-lh5-........");
    QtArchiverHost host;
    host.setProgressDelay(0);
    SetArchiverHost(&host);
    bool shown = false, panelEnabled = true;
    run.libraries[LibraryId::Unlha].SetHook("CheckArchive", [&](const LibraryCall&) {
      // What a back-end does for long work; the test entry point has no owner.
      auto progress = TheArchiverHost().BeginProgress(nullptr, "Unlha");
      progress->Update("a.lzh", 1, 2);
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "frmProgress" && w->isVisible()) shown = true;
      panelEnabled = run.panel->isEnabled();
      return 1;
    });
    FrmMain& panel = run.Start();
    CheckArchives(&panel, {lzh});
    SetArchiverHost(nullptr);
    QVERIFY(shown);
    QVERIFY(!panelEnabled);
    QCOMPARE(LoadedFrmChk()->Lines(), QStringList({AsciiLine(lzh, "LZH", "正常")}));
    UnloadFrmChk();
  }

  void closingTheWindowDuringATestStopsTheRest() {
    PanelRun run;
    Files files;
    const std::string first = files.Write("a.lzh", "ab-lh5-........");
    const std::string second = files.Write("b.lzh", "ab-lh5-........");
    int tests = 0;
    run.libraries[LibraryId::Unlha].SetHook("CheckArchive", [&](const LibraryCall&) {
      ++tests;
      UnloadFrmChk();  // as if the user closed it while the library worked
      return 1;
    });
    FrmMain& panel = run.Start();
    CheckArchives(&panel, {first, second});
    QCOMPARE(tests, 1);
    QVERIFY(LoadedFrmChk() == nullptr);
    QVERIFY(panel.isEnabled());
  }
};

QTEST_MAIN(ArchiveCheckTest)
#include "ArchiveCheckTest.moc"
