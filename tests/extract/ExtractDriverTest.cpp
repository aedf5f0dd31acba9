// The extract zone with scripted libraries: the command line of every row
// through the real panel, busy libraries, names that get no library call,
// failures that must not stop the run, the run's stacking and result window,
// and the drops that arrive while a run is going on.

#include <QListWidget>
#include <QPointer>
#include <QScreen>
#include <cerrno>
#include <filesystem>

#include "archivers/Probe.h"
#include "check/ArchiveCheck.h"
#include "check/FrmChk.h"
#include "core/DropList.h"
#include "extract/ExtractDriver.h"
#include "extract/ExtractTestSupport.h"
#include "panel/PanelTestSupport.h"

using namespace ks;
using namespace ks::test;
namespace fs = std::filesystem;

namespace {

// A file that the named library, asked by type detection, accepts.
void AcceptedBy(PanelRun& run, LibraryId id, const std::string& path) {
  if (id == LibraryId::Ish) {
    run.libraries[id].SetHook("FileList", [path](const LibraryCall& c) {
      return c.args[0] == path ? 0 : 1;
    });
    return;
  }
  run.libraries[id].SetHook("CheckArchive", [path](const LibraryCall& c) {
    return c.args[0] == path ? 1 : 0;
  });
}

// The command calls of the run, in order.
std::vector<LibraryCall> Commands(const PanelRun& run) {
  std::vector<LibraryCall> commands;
  for (const LibraryCall& c : *run.libraries.log)
    for (const LibraryDescriptor& info : AllLibraries())
      if (c.name == info.command) commands.push_back(c);
  return commands;
}

// One file of every type a branch takes; names with a space in them.
struct EveryType {
  explicit EveryType(PanelRun& run, const DropFolder& f) {
    const auto add = [&](const std::string& name, const std::string& bytes) {
      paths.push_back(f.Write(name, bytes));
      return paths.back();
    };
    add("a 1.lzh", "ab-lh5-........");
    add("a 2.cab", "MSCF........");
    AcceptedBy(run, LibraryId::Ish, add("a 3.ish", "<<< ish >>>"));
    add("a 4.zip", "PK\x03\x04......");
    add("a 5.rar", "Rar!\x1a\x07\x00");
    AcceptedBy(run, LibraryId::Tar, add("a 6.tgz", "\x1f\x8b\x08......"));
    AcceptedBy(run, LibraryId::Unarj, add("a 7.arj", "\x60\xea......"));
    add("a 8.gca", "GCA0........");
    AcceptedBy(run, LibraryId::Bga, add("a 9.gza", "GZA........"));
    AcceptedBy(run, LibraryId::Yz1, add("b 1.yz1", "yz01......"));
    add("b 2.001", "This_Is_Jack_File......");
    run.libraries.unrar().version = 500;
  }
  std::vector<std::string> paths;
};

// The panel started and its first events (showing, activation, the focus
// going to chkTop) handled, as before any drop a user makes.
FrmMain& StartPanel(PanelRun& run) {
  FrmMain& panel = run.Start();
  QApplication::processEvents();
  return panel;
}

}  // namespace

class ExtractDriverTest : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { UnloadFrmChk(); }

  void everyRowGetsItsCommandLineWithThePanelAsOwner() {
    PanelRun run;
    DropFolder f;
    EveryType files(run, f);
    FrmMain& panel = StartPanel(run);
    InstallExtractZone(&panel);
    run.libraries.log->clear();
    run.recorder.platform.Clear();

    DropOn(run.Find<QLabel>("lbl2"), *FileDrop(files.paths));

    const std::string dl = f.Dl();
    const std::string work = dl + "~kstmp/";
    const auto q = [](const std::string& s) { return "\"" + s + "\""; };
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"Unlha", "x " + q(dl + "a 1.lzh") + " " + q(work)},
        {"Cab", "-x " + q(dl + "a 2.cab") + " " + q(work)},
        {"Ish", dl + "a 3.ish /f=" + work},
        {"UnZip", "-x -q " + q(dl + "a 4.zip") + " " + q(work)},
        {"Unrar", "-x " + q(dl + "a 5.rar") + " " + q(work + "/")},
        {"Tar", "-xvaf " + q(dl + "a 6.tgz") + " " + q(work)},
        {"Unarj", "x -hk -jyc " + q(dl + "a 7.arj") + " " + q(work)},
        {"UnGCA", "e -sx1 " + q(dl + "a 8.gca") + " " + q(work)},
        {"Bga", "x -a -r " + q(dl + "a 9.gza") + " " + q(work)},
        {"Yz1", "x " + q(dl + "b 1.yz1") + " " + q(work)},
        {"Jack", "-c " + q(dl + "b 2.001") + " " + q(work)},
    };
    const std::vector<LibraryCall> commands = Commands(run);
    QCOMPARE(commands.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      QCOMPARE(commands[i].name, expected[i].first);
      QCOMPARE(commands[i].args[0], expected[i].second);
      QCOMPARE(commands[i].owner, static_cast<WindowHandle>(&panel));
    }
    // Every archive got its own folder, opened after its line.
    const auto opened = run.recorder.platform.Of("OpenFolder");
    QCOMPARE(opened.size(), expected.size());
    QCOMPARE(opened[0].text, dl + "a 1/");
    QCOMPARE(opened[8].text, dl + "a 9/");
    QVERIFY(fs::is_directory(dl + "b 2"));
    QVERIFY(!fs::exists(work));
    // All succeeded and ErrRep is off: no window; the panel is back on top.
    QVERIFY(LoadedFrmChk() == nullptr);
    QVERIFY(panel.isEnabled());
    const auto stacking = Stacking(run.recorder.platform, &panel);
    QCOMPARE(stacking.front(), std::string("panel:0"));
    QCOMPARE(stacking.back(), std::string("panel:1"));
    QCOMPARE(DroppedCount, 11);
    QCOMPARE(DroppedFiles[3], dl + "a 3.ish");
    QVERIFY(DroppedFiles[0].empty());
  }

  void theResultLinesNameEveryTypeAndBgaShowsAsGzaBza() {
    PanelRun run;
    DropFolder f;
    EveryType files(run, f);
    run.libraries[LibraryId::Tar].SetDefault("Command", 1);
    FrmMain& panel = StartPanel(run);
    ExtractArchives(&panel, {files.paths[0], files.paths[5], files.paths[8]});
    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && chk->isVisible());
    QCOMPARE(chk->windowTitle(), QString("解凍結果"));
    QCOMPARE(chk->Lines(), QStringList({
                               ExtractedLine(files.paths[0], "LZH", "OK"),
                               ExtractedLine(files.paths[5], "TAR", "失敗！"),
                               ExtractedLine(files.paths[8], "GZA/BZA", "OK"),
                           }));
  }

  void aBusyLibraryEndsTheProgramWithItsMessage() {
    const std::vector<std::pair<int, std::string>> rows = {
        {0, "UnLha"}, {1, "Cab32"}, {2, "Ish32"}, {3, "UnZip"}, {5, "Tar32"},
        {6, "UnArj32"}, {7, "UnGCA32"}, {8, "Bga32"}, {9, "Yz1"}, {10, "Jack"}};
    const std::vector<LibraryId> ids = {LibraryId::Unlha, LibraryId::Cab,   LibraryId::Ish,
                                        LibraryId::UnZip, LibraryId::UnRar32, LibraryId::Tar,
                                        LibraryId::Unarj, LibraryId::UnGCA, LibraryId::Bga,
                                        LibraryId::Yz1,   LibraryId::Jack};
    const std::set<LibraryId> bits32 = {LibraryId::Unlha, LibraryId::Ish, LibraryId::Unarj};
    for (const auto& [index, name] : rows) {
      PanelRun run;
      DropFolder f;
      EveryType files(run, f);
      const LibraryId id = ids[index];
      if (bits32.count(id)) {
        // Type detection asks Ish32 and UnArj32j first and finds them free.
        if (id != LibraryId::Unlha) run.libraries[id].Queue("GetRunning", 0);
        run.libraries[id].SetDefault("GetRunning", -1);
      } else {
        // Busy only where the low 16 bits are read; free for detection,
        // which reads all 32.
        run.libraries[id].SetDefault("GetRunning", 0xFFFF);
      }
      FrmMain& panel = StartPanel(run);
      const std::string first = files.paths[0 == index ? 3 : 0];
      run.libraries.log->clear();
      run.recorder.platform.Clear();
      // An archive before it is extracted; the busy one ends everything.
      QVERIFY_THROWS_EXCEPTION(
          ProgramEnded, ExtractArchives(&panel, {first, files.paths[index], files.paths[4]}));
      const auto& calls = run.recorder.platform.calls;
      QVERIFY(calls.size() >= 2);
      QCOMPARE(calls[calls.size() - 2].what, std::string("MessageBox"));
      QCOMPARE(calls[calls.size() - 2].text,
               name + "が暴れています。いったんKestrinoを終了します。");
      QCOMPARE(calls[calls.size() - 2].title, std::string("動作失敗"));
      QCOMPARE(calls[calls.size() - 2].value, 16);
      QCOMPARE(calls.back().what, std::string("EndProgram"));
      QCOMPARE(Commands(run).size(), std::size_t(1));  // the first archive only
      QVERIFY(!LoadedFrmChk()->isVisible());
    }
  }

  void namesWithoutALibraryCallAreListedAndTheWindowTellsWhy() {
    PanelRun run;
    DropFolder f;
    const std::string folder = f.Folder("sub");
    const std::string text = f.Write("t.txt", "just text");
    const std::string gif = f.Write("p.gif", "GIF89a......");
    const std::string bmp = f.Write("p.bmp", "BM..........");
    const std::string lzh = f.Write("a.lzh", "ab-lh5-........");
    run.libraries.Missing(LibraryId::Unlha);
    FrmMain& panel = StartPanel(run);
    QVERIFY(!HasUnlha);
    run.recorder.platform.Clear();
    run.libraries.log->clear();
    ExtractArchives(&panel, {folder, text, gif, bmp, lzh});
    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && chk->isVisible());
    QCOMPARE(chk->Lines(), QStringList({
                               ExtractedLine(folder, "Folder", "Skip"),
                               ExtractedLine(text, "UnKnown", "Skip"),
                               ExtractedLine(gif, "GIF", "Skip"),
                               ExtractedLine(bmp, "BMP", "Skip"),
                               ExtractedLine(lzh, "LZH", "失敗！ Unlha32.DLLがありません"),
                           }));
    QVERIFY(Commands(run).empty());
    QVERIFY(run.recorder.platform.Of("OpenFolder").empty());
    QCOMPARE(Tree(f.Dl()), (std::set<std::string>{"sub/", "t.txt", "p.gif", "p.bmp", "a.lzh"}));
    QVERIFY(!panel.isEnabled());
  }

  void aSkippedNameDoesNotRepeatTheLastVerdict() {
    PanelRun run;
    DropFolder f;
    const std::string bad = f.Write("bad.lzh", "ab-lh5-........");
    const std::string good = f.Write("ok.lzh", "ab-lh5-........");
    const std::string text = f.Write("t.txt", "just text");
    run.libraries[LibraryId::Unlha].SetHook("Command", [bad](const LibraryCall& c) {
      return c.args[0].find(bad) != std::string::npos ? 0x8020 : 0;
    });
    FrmMain& panel = StartPanel(run);
    ExtractArchives(&panel, {bad, text});
    QCOMPARE(LoadedFrmChk()->Lines(), QStringList({ExtractedLine(bad, "LZH", "失敗！"),
                                                   ExtractedLine(text, "UnKnown", "Skip")}));
    UnloadFrmChk();
    // A success and a skip: nothing failed, something was extracted, so
    // without ErrRep there is no window.
    run.recorder.platform.Clear();
    ExtractArchives(&panel, {good, text});
    QVERIFY(LoadedFrmChk() == nullptr);
    QVERIFY(panel.isEnabled());
  }

  void aLibraryThatThrowsFailsOnlyItsOwnName() {
    PanelRun run;
    DropFolder f;
    const std::string lzh = f.Write("a.lzh", "ab-lh5-........");
    const std::string cab = f.Write("b.cab", "MSCF........");
    const std::string odd = f.Write("c.odd", "nothing known");
    const std::string zip = f.Write("d.zip", "PK\x03\x04......");
    run.libraries[LibraryId::Unlha].Lack("Command");
    run.libraries[LibraryId::Cab].SetHook("Command", [](const LibraryCall&) -> int {
      throw std::runtime_error("cab state");
    });
    // Type detection asks Cab32 first about a file without a signature.
    run.libraries[LibraryId::Cab].SetHook("CheckArchive", [odd](const LibraryCall& c) -> int {
      if (c.args[0] == odd) throw std::length_error("check state");
      return 0;
    });
    FrmMain& panel = StartPanel(run);
    run.recorder.platform.Clear();
    ExtractArchives(&panel, {lzh, cab, odd, zip});
    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk->isVisible());
    QCOMPARE(chk->Lines(),
             QStringList({
                 ExtractedLine(lzh, "LZH", "失敗！ Unlha32.DLLのUnlhaを呼べません"),
                 ExtractedLine(cab, "CAB", "失敗！ 内部エラー（cab state）"),
                 ExtractedLine(odd, "UnKnown", "失敗！ 内部エラー（check state）"),
                 ExtractedLine(zip, "ZIP", "OK"),
             }));
    QVERIFY(run.recorder.platform.Of("MessageBox").empty());
    // The failed archives, which gave nothing, leave no folder behind.
    QVERIFY(!fs::exists(f.Path("a")));
    QVERIFY(!fs::exists(f.Path("b")));
    QVERIFY(!fs::exists(f.Path("~kstmp")));
  }

  void theCheckSurvivesALibraryThatThrowsToo() {
    PanelRun run;
    DropFolder f;
    const std::string lzh = f.Write("a.lzh", "ab-lh5-........");
    const std::string odd = f.Write("c.odd", "nothing known");
    run.libraries[LibraryId::Unlha].SetHook("CheckArchive", [](const LibraryCall&) -> int {
      throw std::runtime_error("test state");
    });
    run.libraries[LibraryId::Cab].SetHook("CheckArchive", [](const LibraryCall&) -> int {
      throw std::bad_alloc();
    });
    FrmMain& panel = StartPanel(run);
    CheckArchives(&panel, {lzh, odd});
    QCOMPARE(LoadedFrmChk()->Lines(),
             QStringList({ExtractedLine(lzh, "LZH", "検査不能：内部エラー（test state）"),
                          ExtractedLine(odd, "UnKnown", "検査不能：メモリが足りません")}));
  }

  void errRepAndTopMostDecideTheWindowAndTheStacking() {
    for (const bool topMost : {true, false}) {
      PanelRun run;
      DropFolder f;
      const std::string lzh = f.Write("a.lzh", "ab-lh5-........");
      run.Settings(std::string("ErrRep=-1\r\nTopMost=") + (topMost ? "-1" : "0") + "\r\n");
      FrmMain& panel = StartPanel(run);
      // In the middle of the screen, so the window fits there centred.
      panel.move(panel.screen()->availableGeometry().center() - QPoint(150, 100));
      QVERIFY(panel.ErrRepChecked());
      run.recorder.platform.Clear();
      ExtractArchives(&panel, {lzh});
      FrmChk* chk = LoadedFrmChk();
      QVERIFY(chk && chk->isVisible());
      QCOMPARE(chk->Lines(), QStringList({ExtractedLine(lzh, "LZH", "OK")}));
      QVERIFY(!panel.isEnabled());
      // The panel left the top-most band at the start and stays out of it;
      // the window joins it when TopMost is on.
      const auto stacking = Stacking(run.recorder.platform, &panel);
      QCOMPARE(stacking.front(), std::string("panel:0"));
      QVERIFY(std::count(stacking.begin(), stacking.end(), "panel:1") == 0);
      QCOMPARE(std::count(stacking.begin(), stacking.end(), "chk:1"), topMost ? 1 : 0);
      const QPoint offCentre = chk->frameGeometry().center() - panel.frameGeometry().center();
      QVERIFY(offCentre.manhattanLength() <= 6);
      // In front with the keyboard focus, with TopMost or without.
      const auto activated = run.recorder.platform.Of("ActivateWindow");
      QVERIFY(!activated.empty());
      QCOMPARE(activated.back().window, static_cast<WindowHandle>(static_cast<QWidget*>(chk)));

      run.recorder.platform.Clear();
      QTest::keyClick(chk->findChild<QListWidget*>("lstChk"), Qt::Key_Escape);
      QVERIFY(LoadedFrmChk() == nullptr);
      QVERIFY(panel.isEnabled());
      QCOMPARE(Stacking(run.recorder.platform, &panel).back(),
               std::string(topMost ? "panel:1" : "panel:0"));
    }
  }

  void anErrorWhilePreparingTheSecondStopsTheRun() {
    PanelRun run;
    DropFolder f;
    const std::string in = f.Folder("in") + "/";
    const std::string a = f.Write("in/a.lzh", "ab-lh5-........");
    const std::string b = f.Write("in/b.tgz", "\x1f\x8b\x08......");
    const std::string c = f.Write("in/c.lzh", "ab-lh5-........");
    // The destination goes away while the second name is being looked at.
    run.libraries[LibraryId::Tar].SetHook("CheckArchive", [&](const LibraryCall& call) {
      if (call.args[0] != b) return 0;
      fs::rename(f.Path("in"), f.Path("moved"));
      return 1;
    });
    FrmMain& panel = StartPanel(run);
    InstallExtractZone(&panel);
    run.libraries.log->clear();
    run.recorder.platform.Clear();
    DropOn(run.Find<QLabel>("lbl2"), *FileDrop({a, b, c}));

    const auto messages = run.recorder.platform.Of("MessageBox");
    QCOMPARE(messages.size(), std::size_t(2));
    QCOMPARE(messages[0].text, std::string("TARパスが見つかりません。"));
    QCOMPARE(messages[0].title, std::string("Kestrino"));
    QCOMPARE(messages[0].value, 0);
    QCOMPARE(messages[1].text, "そこにはファイルの書き込みが出来ないようですな。\n\n" + in + "\n" +
                                   std::generic_category().message(ENOENT));
    QCOMPARE(messages[1].title, std::string("解凍失敗"));
    QCOMPARE(messages[1].value, 16);
    // The first was extracted, the third never looked at.
    QCOMPARE(Commands(run).size(), std::size_t(1));
    for (const LibraryCall& call : *run.libraries.log)
      for (const std::string& arg : call.args) QVERIFY(arg.find("c.lzh") == std::string::npos);
    QCOMPARE(Tree(f.Path("moved")), (std::set<std::string>{"a/", "a.lzh", "b.tgz", "c.lzh"}));
    // The result window stays hidden; the panel is usable but off the top.
    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && !chk->isVisible());
    QVERIFY(panel.isEnabled());
    QCOMPARE(Stacking(run.recorder.platform, &panel), std::vector<std::string>{"panel:0"});
    QVERIFY(run.recorder.platform.Of("OpenFolder").size() == 1);

    // A check after it gets its own caption on the window left loaded.
    CheckArchives(&panel, {c});
    QCOMPARE(LoadedFrmChk()->windowTitle(), QString("検査結果"));
  }

  void theDestinationIsTheDesktopOrTheLongestDropFolder() {
    PanelRun run;
    DropFolder f;
    const std::string a = f.Write("a.lzh", "ab-lh5-........");
    const std::string b = f.Write("deeper/b.lzh", "ab-lh5-........");
    run.Settings("Folder=0\r\nDeskTop=-1\r\n");
    FrmMain& panel = StartPanel(run);
    const std::string desktop = f.Folder("Desk top");
    for (const std::string& given : {desktop, desktop + "/"}) {
      run.recorder.platform.desktop = given;
      run.libraries.log->clear();
      ExtractArchives(&panel, {a});
      QCOMPARE(Commands(run).at(0).args[0],
               "x \"" + a + "\" \"" + desktop + "/\"");
    }
    run.Box("chkDesktop")->setChecked(false);
    run.libraries.log->clear();
    ExtractArchives(&panel, {a, b});
    const auto commands = Commands(run);
    QCOMPARE(commands.at(0).args[0], "x \"" + a + "\" \"" + f.Dl() + "deeper/\"");
    QCOMPARE(commands.at(1).args[0], "x \"" + b + "\" \"" + f.Dl() + "deeper/\"");
    // "Folder" off: nothing made, nothing opened.
    QCOMPARE(Tree(f.Dl()),
             (std::set<std::string>{"a.lzh", "deeper/", "deeper/b.lzh", "Desk top/"}));
    QVERIFY(run.recorder.platform.Of("OpenFolder").empty());
  }

  void anUnknownDesktopIsRefusedInsteadOfTheRoot() {
    PanelRun run;
    DropFolder f;
    const std::string a = f.Write("a.lzh", "ab-lh5-........");
    run.Settings("DeskTop=-1\r\n");
    FrmMain& panel = StartPanel(run);
    run.recorder.platform.desktop.clear();
    run.recorder.platform.Clear();
    run.libraries.log->clear();
    ExtractArchives(&panel, {a});
    const auto messages = run.recorder.platform.Of("MessageBox");
    QCOMPARE(messages.size(), std::size_t(1));
    QCOMPARE(messages[0].text, std::string("デスクトップのフォルダが分かりません。"));
    QCOMPARE(messages[0].title, std::string("解凍失敗"));
    QVERIFY(Commands(run).empty());
    QVERIFY(LoadedFrmChk() == nullptr);
    QVERIFY(panel.isEnabled());
  }

  void aDropWithoutFileNamesIsRefused() {
    PanelRun run;
    FrmMain& panel = StartPanel(run);
    InstallExtractZone(&panel);
    SetDroppedFiles({"/earlier/drop"});
    run.recorder.platform.Clear();
    QMimeData icon;
    icon.setText("::{645FF040-5081-101B-9F08-00AA002F954E}");
    DropOn(run.Find<QLabel>("lbl2"), icon);
    const auto& calls = run.recorder.platform.calls;
    QCOMPARE(calls.size(), std::size_t(1));
    QCOMPARE(calls[0].text, std::string("マイコンピュータやごみ箱はドロップしないでね(^-^;"));
    QCOMPARE(calls[0].title, std::string("そのアイコンはあかんわ"));
    QCOMPARE(calls[0].value, 16);
    QVERIFY(LoadedFrmChk() == nullptr);
    QCOMPARE(DroppedFiles[1], std::string("/earlier/drop"));
  }

  void dropsDuringARunWaitTheirTurnAndThePanelDoesNotClose() {
    PanelRun run;
    DropFolder f;
    const std::string a = f.Write("a.lzh", "ab-lh5-........");
    const std::string b = f.Write("b.lzh", "ab-lh5-........");
    const std::string c = f.Write("c.lzh", "ab-lh5-........");
    bool extractTaken = false, checkTaken = false, closed = true;
    QString waitingTitle;
    run.libraries[LibraryId::Unlha].SetHook("Command", [&](const LibraryCall& call) {
      // What reaches the panel while a library's progress window pumps
      // events: drops on two zones and the close command.
      if (call.args[0].find(a) != std::string::npos) {
        extractTaken = TryDrop(run.Find<QLabel>("lbl2"), *FileDrop({b}));
        checkTaken = TryDrop(run.Find<QLabel>("lbl3"), *FileDrop({c}));
        closed = run.panel->close();
        waitingTitle = run.panel->windowTitle();
      }
      return 0;
    });
    FrmMain& panel = StartPanel(run);
    InstallExtractZone(&panel);
    InstallCheckZone(&panel);
    run.libraries.log->clear();
    DropOn(run.Find<QLabel>("lbl2"), *FileDrop({a}));
    QVERIFY(extractTaken && checkTaken);
    QVERIFY(!closed);
    QVERIFY(!run.ended);
    QCOMPARE(waitingTitle, QString("Kestrino — 待機 2 件"));
    QCOMPARE(Commands(run).size(), std::size_t(1));
    // Then, in their order: the extraction of b, then the check of c with
    // a result window of its own.
    QTRY_COMPARE(Commands(run).size(), std::size_t(2));
    QVERIFY(Commands(run)[1].args[0].find(b) != std::string::npos);
    QCOMPARE(DroppedFiles[1], b);
    QTRY_VERIFY(LoadedFrmChk() && LoadedFrmChk()->isVisible());
    QCOMPARE(LoadedFrmChk()->windowTitle(), QString("検査結果"));
    QCOMPARE(LoadedFrmChk()->Lines().size(), 1);
    QVERIFY(LoadedFrmChk()->Lines()[0].contains("c.lzh"));
    QCOMPARE(panel.windowTitle(), QString("Kestrino"));
    LoadedFrmChk()->Unload();
    run.Close();
  }

  void aShownResultWindowKeepsDropsAway() {
    PanelRun run;
    DropFolder f;
    const std::string text = f.Write("t.txt", "text");
    FrmMain& panel = StartPanel(run);
    InstallExtractZone(&panel);
    DropOn(run.Find<QLabel>("lbl2"), *FileDrop({text}));
    QVERIFY(LoadedFrmChk()->isVisible());
    QVERIFY(!panel.isEnabled());
    const QPointer<FrmChk> shown = LoadedFrmChk();
    QVERIFY(!TryDropThroughWindow(run.Find<QLabel>("lbl2"), *FileDrop({text})));
    QCOMPARE(LoadedFrmChk(), shown.data());
    QCOMPARE(shown->Lines().size(), 1);
  }
};

QTEST_MAIN(ExtractDriverTest)
#include "ExtractDriverTest.moc"
