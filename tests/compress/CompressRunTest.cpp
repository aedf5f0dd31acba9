// The compression run over the real panel with scripted libraries: the
// command lines of the formats our back-ends do not make, the order of the
// calls, the busy checks, and every way a run stops before it makes
// anything.

#include <QDir>

#include "check/FrmChk.h"
#include "compress/CompressRun.h"
#include "compress/CompressTestSupport.h"
#include "core/DropList.h"
#include "extract/ExtractDriver.h"
#include "platform/RecordingPlatform.h"

using namespace ks;
using namespace ks::test;

namespace {

std::string Slurp(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The first quoted argument of a command line that is not a list file.
std::string QuotedArchive(const std::string& line) {
  std::size_t at = 0;
  while ((at = line.find('"', at)) != std::string::npos) {
    const std::size_t end = line.find('"', at + 1);
    const std::string arg = line.substr(at + 1, end - at - 1);
    if (!arg.empty() && arg[0] != '@') return arg;
    at = end + 1;
  }
  return std::string();
}

struct Commands {
  std::vector<std::string> lines;
  std::vector<std::string> folders;  // the current directory during each call
  int result = 0;
};

// Makes each command of `fake` do what a library would: the making command
// writes the archive it names (for the Lha family, the one the list file
// names), a conversion ("s ..." or "-f -w ...") writes the program.
void ActLikeALibrary(FakeLibrary& fake, Commands& seen) {
  fake.SetHook("Command", [&seen](const LibraryCall& call) {
    const std::string& line = call.args.at(0);
    seen.lines.push_back(line);
    seen.folders.push_back(fs::current_path().string() + "/");
    std::string archive = QuotedArchive(line);
    if (archive.empty()) {
      const auto list = WatchedLibrary::ReadLines(AppFolder + "kestrino.tmp");
      if (list.size() > 1) archive = list[1].substr(1, list[1].size() - 2);
    }
    const bool conversion = line.rfind("s ", 0) == 0 || line.rfind("-f -w ", 0) == 0;
    if (conversion) archive = archive.substr(0, archive.rfind('.')) + ".exe";
    std::ofstream(archive) << (conversion ? "program" : "archive");
    return seen.result;
  });
}

}  // namespace

class CompressRunTest : public QObject {
  Q_OBJECT

  PanelRun* run_ = nullptr;
  QTemporaryDir* dir_ = nullptr;
  std::string src_;

  FrmMain& Start(const std::string& settings) {
    run_->Settings(settings);
    FrmMain& panel = run_->Start();
    InstallCompressZone(&panel);
    return panel;
  }
  std::string Make(const std::string& name, bool folder = false) {
    const std::string path = src_ + name;
    if (folder)
      fs::create_directories(path);
    else
      std::ofstream(path) << "data of " << name;
    return path;
  }
  FrmInBox* Drop(const std::vector<std::string>& names, const QString& entry) {
    DropOn(run_->Find<QLabel>("lbl1"), *FileDrop(names));
    FrmInBox* box = LoadedInBox();
    if (box) ClickEntry(InBoxChild<QListWidget>("lstArc"), entry);
    run_->libraries.log->clear();
    run_->recorder.platform.Clear();
    return box;
  }
  std::vector<std::string> Calls() const { return run_->libraries.CallNames(); }
  std::vector<std::string> Folder() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(src_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  // The run stopped before making anything: the dialog is open, nothing was
  // asked of the libraries and no list file is left.
  void StoppedBeforeAnything(const std::vector<std::string>& folderBefore,
                             const std::string& storedCode = "<absent>") {
    QVERIFY(LoadedInBox() && LoadedInBox()->isVisible());
    QVERIFY(Calls().empty() || Calls() == std::vector<std::string>{"ZipGetRunning"});
    QVERIFY(!fs::exists(AppFolder + "kestrino.tmp"));
    QCOMPARE(Folder(), folderBefore);
    QCOMPARE(run_->Read("DefaultArcType"), storedCode);
  }

 private slots:
  void init() {
    run_ = new PanelRun;
    dir_ = new QTemporaryDir("/tmp/kr-XXXXXX");
    src_ = dir_->path().toStdString() + "/src/";
    fs::create_directories(src_);
    // A desktop of this test's own: other tests may run at the same time.
    run_->recorder.platform.desktop = dir_->path().toStdString() + "/desktop";
    fs::create_directories(run_->recorder.platform.desktop);
  }
  void cleanup() {
    UnloadCompressWindows();
    delete run_;
    delete dir_;
  }

  void yz1TakesTheNamesOnItsLine() {
    Start("");
    Commands yz1;
    ActLikeALibrary(run_->libraries[LibraryId::Yz1], yz1);
    const std::vector<std::string> names = {Make("a.txt"), Make("doc", true), Make(".hidden")};
    Drop(names, "Yz1");
    TypeNameAndEnter("pack");
    QCOMPARE(Calls(), (std::vector<std::string>{"Yz1GetRunning", "Yz1"}));
    QCOMPARE(yz1.lines.at(0), "c \"" + src_ + "~ks.tmp\" \"a.txt\" \"doc\" \".hidden\" ");
    QCOMPARE(yz1.folders.at(0), src_);
    QCOMPARE(Slurp(src_ + "pack.yz1"), std::string("archive"));
    QCOMPARE(run_->Read("DefaultArcType"), std::string("YZ1"));

    // With a password, right after the switch; the list file is written too.
    std::vector<std::string> list;
    run_->libraries[LibraryId::Yz1].SetHook("Command", [&](const LibraryCall& call) {
      yz1.lines.push_back(call.args.at(0));
      list = WatchedLibrary::ReadLines(AppFolder + "kestrino.tmp");
      std::ofstream(src_ + "~ks.tmp") << "archive";
      return 0;
    });
    Drop(names, "Yz1 公開鍵Password付き");
    AnswerNextModal([](QWidget* modal) {
      QTest::keyClicks(modal->findChild<QLineEdit*>("txtPass"), "p w");
      QTest::keyClick(modal->findChild<QLineEdit*>("txtPass"), Qt::Key_Return);
    });
    TypeNameAndEnter("keyed");
    QCOMPARE(yz1.lines.back(), "c -Pp w \"" + src_ + "~ks.tmp\" \"a.txt\" \"doc\" \".hidden\" ");
    // A hidden file is a file: only folders get "/*.*".
    QCOMPARE(list, (std::vector<std::string>{"\"a.txt\"", "\"doc/*.*\"", "\".hidden\""}));
    QVERIFY(fs::exists(src_ + "keyed.yz1"));
    QCOMPARE(run_->Read("DefaultArcType"), std::string("YZK"));
  }

  void bgaSelfExtractorIsConvertedInTheDestination() {
    FrmMain& panel = Start("ErrRepPac=-1\r\n");
    Commands bga;
    ActLikeALibrary(run_->libraries[LibraryId::Bga], bga);
    Drop({Make("a.txt")}, "GZA SFX");
    TypeNameAndEnter("setup.Exe");
    QCOMPARE(Calls(), (std::vector<std::string>{"BgaGetRunning", "Bga", "BgaGetRunning", "Bga"}));
    QCOMPARE(bga.lines.at(0), "a -a -m1 -r  \"" + src_ + "~ks.tmp\" \"@" + AppFolder + "kestrino.tmp\"");
    QCOMPARE(bga.lines.at(1), "s \"" + src_ + "~ks.tmp\"");
    QCOMPARE(bga.folders.at(1), src_);
    // "setup.Exe" is not a known spelling of the ending.
    QCOMPARE(Folder(), (std::vector<std::string>{"a.txt", "setup.Exe.exe"}));
    QCOMPARE(Slurp(src_ + "setup.Exe.exe"), std::string("program"));
    QCOMPARE(run_->Read("DefaultArcType"), std::string("GZS"));
    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && chk->isVisible());
    QVERIFY(chk->Lines().at(0).endsWith("     GZA     OK"));
    QVERIFY(!panel.isEnabled());
  }

  void selfExtractorsTheLibraryCannotMakeAreRefusedFirst() {
    Start("");
    run_->libraries[LibraryId::Unlha].refusal = "Windows 3.x のプログラムは作れません。";
    const std::string file = Make("a.txt");
    const auto before = Folder();
    Drop({file}, "Lzh WinSFX Win16用");
    TypeNameAndEnter("old");
    const auto boxes = run_->recorder.platform.Of("MessageBox");
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].text, std::string("「Lzh WinSFX Win16用」は作れません。\nWindows 3.x のプログラムは作れません。"));
    QCOMPARE(boxes[0].title, std::string("圧縮できません"));
    QCOMPARE(boxes[0].value, 16);
    // Nothing made or deleted; the entry is the one offered next time.
    StoppedBeforeAnything(before, "LH16");
  }

  void failedConversionsSayWhyAndLeaveNothing() {
    Start("");
    FakeLibrary& bga = run_->libraries[LibraryId::Bga];
    Commands seen;
    // The making command works; the conversion fails with its log, or
    // reports success without making the program.
    bga.SetHook("Command", [&](const LibraryCall& call) {
      const std::string& line = call.args.at(0);
      if (line.rfind("s ", 0) == 0) return seen.result;
      std::ofstream(QuotedArchive(line)) << "archive";
      return 0;
    });
    bga.outputText = "the stub sfx/win32/bgawin.exe is missing\n";
    for (int conversionResult : {0x8023, 0}) {
      seen.result = conversionResult;
      Drop({Make("a.txt")}, "GZA SFX");
      TypeNameAndEnter("prog");
      FrmChk* chk = LoadedFrmChk();
      QVERIFY(chk && chk->isVisible());
      QVERIFY2(chk->Lines().at(0).endsWith("     GZA     失敗！"), qPrintable(chk->Lines().at(0)));
      const auto boxes = run_->recorder.platform.Of("MessageBox");
      QCOMPARE(boxes.size(), std::size_t(1));
      QCOMPARE(boxes[0].text, conversionResult ? std::string("自己解凍書庫を作れませんでした。\nthe stub sfx/win32/bgawin.exe is missing")
                                               : std::string("コピーまたは移動元が存在しません"));
      QCOMPARE(Folder(), std::vector<std::string>{"a.txt"});
      QCOMPARE(run_->Read("DefaultArcType"), std::string("GZS"));
      chk->Unload();
    }
  }

  void busyLibrariesEndTheProgram() {
    Start("");
    run_->libraries[LibraryId::Zip].SetDefault("GetRunning", -1);
    FrmInBox* box = Drop({Make("a.txt")}, "Zip");
    TypeText(InBoxChild<QLineEdit>("cboArcName"), "pack");
    QVERIFY_THROWS_EXCEPTION(ProgramEnded, RunCompression(*box));
    const auto boxes = run_->recorder.platform.Of("MessageBox");
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].text, std::string("Zip32jが暴れています。いったんKestrinoを終了します。"));
    QCOMPARE(boxes[0].title, std::string("動作失敗"));
    QCOMPARE(boxes[0].value, 16);
    QCOMPARE(Calls(), std::vector<std::string>{"ZipGetRunning"});
    QCOMPARE(run_->Read("DefaultArcType"), std::string("<absent>"));
    box->Unload();

    // Busy only before the conversion: the archive is made, nothing renamed.
    Commands bga;
    ActLikeALibrary(run_->libraries[LibraryId::Bga], bga);
    run_->libraries[LibraryId::Bga].Queue("GetRunning", 0);
    run_->libraries[LibraryId::Bga].Queue("GetRunning", -1);
    box = Drop({src_ + "a.txt"}, "BZA SFX");
    TypeText(InBoxChild<QLineEdit>("cboArcName"), "pack");
    QVERIFY_THROWS_EXCEPTION(ProgramEnded, RunCompression(*box));
    QCOMPARE(run_->recorder.platform.Of("MessageBox").at(0).text,
             std::string("BGA32が暴れています。いったんKestrinoを終了します。"));
    QCOMPARE(bga.lines.size(), std::size_t(1));
    QVERIFY(!fs::exists(src_ + "pack.exe"));
    QCOMPARE(run_->Read("DefaultArcType"), std::string("<absent>"));
  }

  void emptyOrTakenNamesStopTheRun() {
    Start("");
    const std::string file = Make("a.txt");
    Make("taken.lzh");
    Make("folder.lzh", true);
    const auto before = Folder();
    std::ofstream(AppFolder + "kestrino.tmp") << "old list";
    Drop({file}, "Lha");
    for (const char* typed : {"", "   "}) {
      InBoxChild<QLineEdit>("cboArcName")->setText(typed);
      QTest::keyClick(InBoxChild<QLineEdit>("cboArcName"), Qt::Key_Return);
      QVERIFY(run_->recorder.platform.calls.empty());  // nothing shown at all
      QVERIFY(fs::exists(AppFolder + "kestrino.tmp"));  // nothing done at all
      QVERIFY(Calls().empty());
    }
    fs::remove(AppFolder + "kestrino.tmp");
    for (const char* typed : {"taken", " taken.lzh ", "folder"}) {
      auto* name = InBoxChild<QLineEdit>("cboArcName");
      name->setText(typed);
      QTest::keyClick(name, Qt::Key_Return);
      const auto boxes = run_->recorder.platform.Of("MessageBox");
      QCOMPARE(boxes.size(), std::size_t(1));
      const std::string archive = std::string(typed).find("folder") == 0 ? "folder.lzh" : "taken.lzh";
      QCOMPARE(boxes[0].text, "「" + archive + "」は既に存在しています。");
      QCOMPARE(boxes[0].title, std::string("そのファイル名は使用できません"));
      QCOMPARE(boxes[0].value, 16);
      QCOMPARE(name->text(), QString(typed));  // kept for correcting
      StoppedBeforeAnything(before);
      run_->recorder.platform.Clear();
    }
  }

  void theDesktopTakesTheArchive() {
    FrmMain& panel = Start("DeskTop=-1\r\n");
    QVERIFY(panel.DesktopChecked());
    const std::string desktop = run_->recorder.platform.desktop + "/";
    Commands lha;
    ActLikeALibrary(run_->libraries[LibraryId::Unlha], lha);
    std::vector<std::string> list;
    run_->libraries[LibraryId::Unlha].SetHook("Command", [&](const LibraryCall& call) {
      list = WatchedLibrary::ReadLines(AppFolder + "kestrino.tmp");
      lha.folders.push_back(fs::current_path().string() + "/");
      std::ofstream(desktop + "~ks.tmp") << call.args.at(0);
      return 0;
    });
    const std::vector<std::string> names = {Make("doc", true), Make("a.txt")};
    Drop(names, "Lha");
    TypeNameAndEnter("pack");
    QCOMPARE(list, (std::vector<std::string>{"a -x1 -r2", "\"" + desktop + "~ks.tmp\"", "\"doc/*.*\"",
                                             "\"a.txt\""}));
    QCOMPARE(lha.folders.at(0), src_);
    QVERIFY(fs::exists(desktop + "pack.lzh"));
    QVERIFY(!fs::exists(src_ + "pack.lzh"));

    // A file of the name on the desktop is never replaced.
    Drop(names, "Lha");
    TypeNameAndEnter("pack");
    QCOMPARE(run_->recorder.platform.Of("MessageBox").at(0).text, std::string("「pack.lzh」は既に存在しています。"));
    QVERIFY(LoadedInBox());
    QCOMPARE(Slurp(desktop + "pack.lzh"), "\"@" + AppFolder + "kestrino.tmp\"");
  }

  void namesFromSeveralFoldersAreRefused() {
    Start("");
    fs::create_directories(src_ + "deeper");
    const std::vector<std::string> names = {Make("a.txt"), Make("deeper/b.txt")};
    const auto before = Folder();
    Drop(names, "Zip");
    TypeNameAndEnter("pack");
    const auto boxes = run_->recorder.platform.Of("MessageBox");
    QCOMPARE(boxes.size(), std::size_t(1));
    QVERIFY2(boxes[0].text.find(names[0]) != std::string::npos, boxes[0].text.c_str());
    StoppedBeforeAnything(before);
  }

  void noFormatSelectedMakesNothing() {
    Start("DefaultArcType=GZS\r\n");
    run_->libraries.Missing(LibraryId::Bga);
    Start("DefaultArcType=GZS\r\n");
    const std::string file = Make("a.txt");
    DropOn(run_->Find<QLabel>("lbl1"), *FileDrop({file}));
    QCOMPARE(LoadedInBox()->SelectedEntry(), std::string());
    run_->libraries.log->clear();
    run_->recorder.platform.Clear();
    const auto before = Folder();
    TypeNameAndEnter("pack");
    QCOMPARE(run_->recorder.platform.Of("MessageBox").size(), std::size_t(1));
    StoppedBeforeAnything(before, "GZS");
  }

  void aFailedCommandLeavesNothingBehind() {
    FrmMain& panel = Start("ErrRepPac=0\r\n");
    Commands tar;
    tar.result = 0x8020;  // cancelled, with a partial archive left
    ActLikeALibrary(run_->libraries[LibraryId::Tar], tar);
    Drop({Make("a.txt")}, "Tar(bzip2)");
    TypeNameAndEnter("pack");
    QCOMPARE(tar.lines.at(0), "-cBf \"" + src_ + "~ks.tmp\" \"@" + AppFolder + "kestrino.tmp\"");
    QCOMPARE(Folder(), std::vector<std::string>{"a.txt"});
    QCOMPARE(run_->Read("DefaultArcType"), std::string("<absent>"));
    QVERIFY(LoadedInBox() == nullptr);
    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && chk->isVisible());  // shown on failure whatever the option says
    QCOMPARE(chk->windowTitle(), QString("圧縮結果"));
    QVERIFY(chk->Lines().at(0).endsWith("     Bz2     失敗！"));
    QVERIFY(!panel.isEnabled());
    QVERIFY(!fs::exists(AppFolder + "kestrino.tmp"));
  }

  void cancelledPasswordMakesNothing() {
    Start("");
    Commands zip;
    ActLikeALibrary(run_->libraries[LibraryId::Zip], zip);
    const std::string file = Make("a.txt");
    const auto before = Folder();
    Drop({file}, "Zip Password付き");
    AnswerNextModal([](QWidget* modal) {
      QTest::keyClicks(modal->findChild<QLineEdit*>("txtPass"), "secret");
      QTest::keyClick(modal->findChild<QLineEdit*>("txtPass"), Qt::Key_Escape);
    });
    TypeNameAndEnter("pack");
    StoppedBeforeAnything(before);
    QCOMPARE(InBoxChild<QLineEdit>("cboArcName")->text(), QString("pack"));

    // Confirmed the second time: the password stands unquoted.
    AnswerNextModal([](QWidget* modal) {
      QTest::keyClicks(modal->findChild<QLineEdit*>("txtPass"), "two words");
      QTest::keyClick(modal->findChild<QLineEdit*>("txtPass"), Qt::Key_Return);
    });
    QTest::keyClick(InBoxChild<QLineEdit>("cboArcName"), Qt::Key_Return);
    QCOMPARE(zip.lines.at(0), "-r -P two words \"" + src_ + "~ks.tmp\" \"@" + AppFolder + "kestrino.tmp\"");
    QVERIFY(fs::exists(src_ + "pack.zip"));
  }

  void successShowsTheResultOnlyWhenAsked() {
    for (const bool always : {false, true}) {
      FrmMain& panel = Start(std::string("TopMost=-1\r\nErrRepPac=") + (always ? "-1" : "0") + "\r\n");
      Commands cab;
      ActLikeALibrary(run_->libraries[LibraryId::Cab], cab);
      Drop({Make(always ? "b.txt" : "a.txt")}, "Cab");
      TypeNameAndEnter(always ? "second" : "first");
      QCOMPARE(cab.lines.back(), "-a \"" + src_ + "~ks.cab\" \"@" + AppFolder + "kestrino.tmp\"");
      FrmChk* chk = LoadedFrmChk();
      const auto stacking = run_->recorder.platform.Of("SetTopMost");
      QVERIFY(!stacking.empty());
      if (always) {
        QVERIFY(chk && chk->isVisible());
        QVERIFY(!panel.isEnabled());
        QCOMPARE(stacking[stacking.size() - 2].window, static_cast<WindowHandle>(&panel));
        QCOMPARE(stacking[stacking.size() - 2].value, 0);
        QCOMPARE(stacking.back().window, static_cast<WindowHandle>(static_cast<QWidget*>(chk)));
        QCOMPARE(stacking.back().value, 1);
      } else {
        QVERIFY(chk == nullptr);
        QVERIFY(panel.isEnabled());
        QCOMPARE(stacking.back().window, static_cast<WindowHandle>(&panel));
        QCOMPARE(stacking.back().value, 1);
      }
      QCOMPARE(run_->Read("DefaultArcType"), std::string("CAB"));
      UnloadFrmChk();
    }
    QVERIFY(fs::exists(src_ + "first.cab") && fs::exists(src_ + "second.cab"));
  }

  void theDialogOwnsTheCommandAndThePanelTheSplit() {
    FrmMain& panel = Start("");
    Commands zip, jack;
    ActLikeALibrary(run_->libraries[LibraryId::Zip], zip);
    run_->libraries[LibraryId::Jack].SetHook("Command", [&jack](const LibraryCall& call) {
      jack.lines.push_back(call.args.at(0));
      return 0;
    });
    FrmInBox* box = Drop({Make("a.txt")}, "Zip");
    QTest::mouseClick(InBoxChild<QCheckBox>("chkJack"), Qt::LeftButton, {}, QPoint(5, 5));
    QVERIFY(box->JackChecked());
    TypeNameAndEnter("  pack  ");
    const auto& log = *run_->libraries.log;
    QCOMPARE(Calls(), (std::vector<std::string>{"ZipGetRunning", "Zip", "Jack"}));
    QCOMPARE(log[1].owner, static_cast<WindowHandle>(static_cast<QWidget*>(box)));
    QCOMPARE(log[2].owner, static_cast<WindowHandle>(static_cast<QWidget*>(&panel)));
    // Stored defaults: self-joining pieces of 1423 KB; the name without its spaces.
    QCOMPARE(jack.lines.at(0), "-r -m1 -v:1423 \"" + src_ + "pack.zip\" \"" + src_ + "\"");
    QVERIFY(fs::exists(src_ + "pack.zip"));
  }

  void aDropDuringTheRunWaitsForItAndItsResult() {
    FrmMain& panel = Start("ErrRepPac=-1\r\n");
    InstallExtractZone(&panel);
    const std::string later = Make("later.lzh");
    bool taken = false, dialogStill = false;
    run_->libraries[LibraryId::Cab].SetHook("Command", [&](const LibraryCall& call) {
      // The dialog has disabled the panel; the drop still comes through its
      // window, and the dialog keeps still while its run goes on.
      dialogStill = !LoadedInBox()->isEnabled();
      taken = TryDropThroughWindow(run_->Find<QLabel>("lbl2"), *FileDrop({later}));
      std::ofstream(QuotedArchive(call.args.at(0))) << "archive";
      return 0;
    });
    Drop({Make("a.txt")}, "Cab");
    TypeNameAndEnter("packed");
    QVERIFY(taken && dialogStill);
    // The compression's result stays on view until the user closes it; then
    // the drop is extracted, with a result window of its own.
    QTest::qWait(300);
    QCOMPARE(LoadedFrmChk()->windowTitle(), QString("圧縮結果"));
    LoadedFrmChk()->Unload();
    QTRY_VERIFY(LoadedFrmChk() && LoadedFrmChk()->isVisible());
    QCOMPARE(LoadedFrmChk()->windowTitle(), QString("解凍結果"));
    QVERIFY(LoadedFrmChk()->Lines().at(0).contains("later.lzh"));
  }

  void aNameTakenMeanwhileKeepsTheArchive() {
    Start("");
    run_->libraries[LibraryId::Zip].SetHook("Command", [this](const LibraryCall&) {
      std::ofstream(src_ + "~ks.tmp") << "archive";
      std::ofstream(src_ + "pack.zip") << "someone else's";
      return 0;
    });
    Drop({Make("a.txt")}, "Zip");
    TypeNameAndEnter("pack");
    QCOMPARE(Slurp(src_ + "pack.zip"), std::string("someone else's"));
    QCOMPARE(Slurp(src_ + "~ks.tmp"), std::string("archive"));
    QVERIFY(run_->recorder.platform.Of("MessageBox").at(0).text.find("~ks.tmp") != std::string::npos);
    QVERIFY(LoadedFrmChk()->Lines().at(0).endsWith("失敗！"));
  }
};

QTEST_MAIN(CompressRunTest)
#include "CompressRunTest.moc"
