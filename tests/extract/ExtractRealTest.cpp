// The extract zone end to end: the real panel, the built-in back-ends
// behind the library names, archives made by zip, jlha, bsdtar, gcab and our
// own Jack pieces, dropped on lbl2; the folders they leave are compared with
// the expected ones.

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QWindow>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <cerrno>
#include <filesystem>

#include "archivers/Probe.h"
#include "archivers/builtin/Backends.h"
#include "check/FrmChk.h"
#include "core/AppFolder.h"
#include "core/PathText.h"
#include "extract/ExtractDriver.h"
#include "extract/ExtractTestSupport.h"
#include "panel/PanelTestSupport.h"
#include "platform/qt/QtArchiverHost.h"
#include "builtin/rar/RarWriter.h"
#include "support/QtMissingSkip.h"

using namespace ks;
using namespace ks::test;
namespace fs = std::filesystem;

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }

// Text that compresses, so the archives hold real compressed data.
std::string Sample(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i)
    text += "line " + std::to_string(i * 7919 % 1000) + " of the sample\n";
  return text;
}

// Bytes that do not compress, for archives that take a while to extract.
std::string Noise(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  return bytes;
}

// A library that passes every call to a built-in back-end and lets a test
// act when type detection asks it about a file.
class Watched : public CommonArchiver {
 public:
  Watched(std::shared_ptr<CommonArchiver> inner, std::function<bool(const std::string&)> onCheck)
      : inner_(std::move(inner)), onCheck_(std::move(onCheck)) {}
  int Command(WindowHandle owner, const std::string& line, char* out, std::size_t size) override {
    return inner_->Command(owner, line, out, size);
  }
  int GetVersion() override { return inner_->GetVersion(); }
  int GetRunning() override { return inner_->GetRunning(); }
  int CheckArchive(const std::string& file, int mode) override {
    if (onCheck_(file)) return 1;
    return inner_->CheckArchive(file, mode);
  }

 private:
  std::shared_ptr<CommonArchiver> inner_;
  std::function<bool(const std::string&)> onCheck_;
};

// A panel with the built-in back-ends and the extract zone.
class RealRun {
 public:
  explicit RealRun(const std::string& settings = "") {
    InstallBuiltinLibraries(Libraries());
    if (!settings.empty()) run.Settings(settings);
  }
  FrmMain& Start() {
    FrmMain& panel = run.Start();
    InstallExtractZone(&panel);
    QApplication::processEvents();
    run.recorder.platform.Clear();
    return panel;
  }
  void Drop(const std::vector<std::string>& names) {
    DropOn(run.Find<QLabel>("lbl2"), *FileDrop(names));
  }
  std::vector<std::string> Opened() const {
    std::vector<std::string> folders;
    for (const PlatformCall& c : run.recorder.platform.Of("OpenFolder")) folders.push_back(c.text);
    return folders;
  }

  PanelRun run;
};

}  // namespace

class ExtractRealTest : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() {
    UnloadFrmChk();
    SetArchiverHost(nullptr);
  }

  void theSixOutcomesOfTheFolderRules() {
    DropFolder f;
    const std::string stage = f.Folder("stage") + "/";
    f.Write("stage/a.txt", Sample(200));
    f.Write("stage/b.txt", Sample(300));
    f.Write("stage/foo/a.txt", Sample(100));
    f.Write("stage/bar/a.txt", Sample(150));
    for (const char* row : {"r1", "r2", "r3", "r4", "r5", "r6"}) f.Folder(row);
    Run(Q(stage), "zip", {"-q", "../r1/foo.zip", "a.txt", "b.txt"});
    Run(Q(stage), "jlha", {"a", "../r2/foo.lzh", "foo"});
    Run(Q(stage), "bsdtar", {"-czf", "../r3/foo.tgz", "bar"});
    Run(Q(stage), "gcab", {"-c", "../r4/foo.cab", "bar/a.txt"});
    Run(Q(stage), "zip", {"-qr", "../r6/foo.zip", "foo"});
    f.Write("r4/bar/mine.txt", "mine");
    f.Write("r5/foo/mine.txt", "mine");
    f.Write("r6/foo/mine.txt", "mine");

    RealRun real;
    FrmMain& panel = real.Start();
    QVERIFY(HasUnZip && HasUnlha && HasTar && HasCab && HasJack);
    // Jack pieces of a 3 KB file, made by our own splitter.
    f.Write("jack/foo", Sample(100));
    std::string out(65535, '\0');
    QCOMPARE(Libraries().Get(LibraryId::Jack).Command(
                 nullptr, "-r -m0 -v:1 \"" + f.Path("jack/foo") + "\" \"" + f.Path("r5") + "/\"",
                 out.data(), out.size()),
             0);
    QVERIFY(fs::exists(f.Path("r5/foo.002")));

    for (const char* archive :
         {"r1/foo.zip", "r2/foo.lzh", "r3/foo.tgz", "r4/foo.cab", "r5/foo.001", "r6/foo.zip"}) {
      real.Drop({f.Path(archive)});
      QVERIFY2(LoadedFrmChk() == nullptr, archive);  // all fine, no window
      QVERIFY(panel.isEnabled());
    }
    const std::string text100 = Sample(100), text150 = Sample(150);
    // Files go into a folder named after the archive.
    QCOMPARE(Tree(f.Path("r1")), (std::set<std::string>{"foo.zip", "foo/", "foo/a.txt", "foo/b.txt"}));
    QCOMPARE(ReadFile(f.Path("r1/foo/b.txt")), Sample(300));
    // One folder of the archive's name: the doubled level is gone.
    QCOMPARE(Tree(f.Path("r2")), (std::set<std::string>{"foo.lzh", "foo/", "foo/a.txt"}));
    QCOMPARE(ReadFile(f.Path("r2/foo/a.txt")), text100);
    // One folder of another name moves up; no folder of the archive's name.
    QCOMPARE(Tree(f.Path("r3")), (std::set<std::string>{"foo.tgz", "bar/", "bar/a.txt"}));
    QCOMPARE(ReadFile(f.Path("r3/bar/a.txt")), text150);
    // ... and takes a number when its name is taken.
    QCOMPARE(Tree(f.Path("r4")), (std::set<std::string>{"foo.cab", "bar/", "bar/mine.txt",
                                                        "bar_1/", "bar_1/a.txt"}));
    QCOMPARE(ReadFile(f.Path("r4/bar_1/a.txt")), text150);
    // A taken archive name: the contents go to the numbered folder.
    QCOMPARE(Tree(f.Path("r5")),
             (std::set<std::string>{"foo.001", "foo.002", "foo.003", "foo/", "foo/mine.txt",
                                    "foo_1/", "foo_1/foo"}));
    QCOMPARE(ReadFile(f.Path("r5/foo_1/foo")), text100);
    // Its inner folder of the archive's name collapses into that one.
    QCOMPARE(Tree(f.Path("r6")), (std::set<std::string>{"foo.zip", "foo/", "foo/mine.txt",
                                                        "foo_1/", "foo_1/a.txt"}));
    QCOMPARE(ReadFile(f.Path("r6/foo_1/a.txt")), text100);

    const std::vector<std::string> opened = {f.Path("r1/foo/"), f.Path("r2/foo/"),
                                             f.Path("r3/bar/"), f.Path("r4/bar_1/"),
                                             f.Path("r5/foo_1/"), f.Path("r6/foo_1/")};
    QCOMPARE(real.Opened(), opened);
    QVERIFY(real.run.recorder.platform.Of("MessageBox").empty());
  }

  void arjIshAndBgaFilesToo() {
    DropFolder f;
    f.Write("stage/foo/a.txt", Sample(100));
    f.Write("stage/b.txt", Sample(50));
    Run(Q(f.Path("stage")), "arj", {"a", "-r", "../foo.arj", "foo"});
    Run(Q(f.Path("stage")), "arj", {"a", "../two.arj", "b.txt"});
    RealRun real;
    FrmMain& panel = real.Start();
    QVERIFY(HasUnarj);
    real.Drop({f.Path("foo.arj"), f.Path("two.arj")});
    QVERIFY(LoadedFrmChk() == nullptr);
    QCOMPARE(Tree(f.Path("foo")), (std::set<std::string>{"a.txt"}));
    QCOMPARE(ReadFile(f.Path("foo/a.txt")), Sample(100));
    QCOMPARE(Tree(f.Path("two")), (std::set<std::string>{"b.txt"}));
    // The library ran inside its folder; the program's folder is current again.
    QCOMPARE(fs::current_path(), fs::path(RemoveBackslash(AppFolder)));

    const QString fixtures = qEnvironmentVariable("KS_SOURCE_DIR") + "/../shared/fixtures";
    if (!QDir(fixtures).exists())
      KS_SKIP_WITHOUT_SAMPLES("the sample ISH and BGA files are not there (../shared/fixtures)");
    const std::string ish = f.Path("n s.ish");
    QVERIFY(QFile::copy(fixtures + "/ish/numbers-sjis.ish", Q(ish)));
    real.Drop({ish});
    QVERIFY(LoadedFrmChk() == nullptr);
    QCOMPARE(Tree(f.Path("n s")), (std::set<std::string>{"numbers.txt"}));
    QCOMPARE(ReadFile(f.Path("n s/numbers.txt")),
             ReadFile((fixtures + "/ish/numbers.txt").toStdString()));
    QVERIFY(panel.isEnabled());

    // Archives written by the original Bga32, each holding one folder "dir".
    QVERIFY(HasBga);
    QVERIFY(QFile::copy(fixtures + "/bga/test.gza", Q(f.Path("g.gza"))));
    QVERIFY(QFile::copy(fixtures + "/bga/test.bza", Q(f.Path("b.bza"))));
    real.Drop({f.Path("g.gza"), f.Path("b.bza")});
    QVERIFY(LoadedFrmChk() == nullptr);
    const std::set<std::string> dir = {"empty/", "test.txt", "テスト.txt"};
    QCOMPARE(Tree(f.Path("dir")), dir);
    QCOMPARE(Tree(f.Path("dir_1")), dir);
    QVERIFY(!fs::exists(f.Path("g")) && !fs::exists(f.Path("b")));
  }

  void aFolderBesideHiddenFilesIsNotCollapsed() {
    DropFolder f;
    f.Write("stage/bar/a.txt", Sample(10));
    f.Write("stage/.hidden", "keep me");
    Run(Q(f.Path("stage")), "bsdtar", {"-czf", "../pkg.tgz", "bar", ".hidden"});
    RealRun real;
    real.Start();
    real.Drop({f.Path("pkg.tgz")});
    QCOMPARE(Tree(f.Path("pkg")), (std::set<std::string>{".hidden", "bar/", "bar/a.txt"}));
    QCOMPARE(ReadFile(f.Path("pkg/.hidden")), std::string("keep me"));
    QVERIFY(!fs::exists(f.Path("bar")));
  }

  void withoutFolderExistingFilesAreReplacedOnlyWhenTheUserSaysSo() {
    DropFolder f;
    f.Write("stage/a.txt", "theirs");
    f.Write("stage/b.txt", "new");
    Run(Q(f.Path("stage")), "zip", {"-q", "../z.zip", "a.txt", "b.txt"});
    RealRun real("Folder=0\r\n");
    FrmMain& panel = real.Start();
    QtArchiverHost host;
    SetArchiverHost(&host);
    QStringList asked;
    QPoint offCentre;
    const char* answer = "cmdSkip";
    host.onWindowShown = [&](QDialog* window) {
      if (window->objectName() != "frmOverwrite") return;
      auto* box = qobject_cast<QMessageBox*>(window);
      asked << box->windowTitle() + "|" + box->text();
      offCentre = box->frameGeometry().center() - panel.frameGeometry().center();
      box->findChild<QPushButton*>(answer)->click();
    };

    f.Write("a.txt", "mine");
    real.Drop({f.Path("z.zip")});
    QCOMPARE(asked.size(), 1);
    QVERIFY(asked[0].startsWith("上書きの確認|同じ名前のファイルが既にあります。上書きしますか？"));
    QVERIFY(asked[0].endsWith(Q(f.Path("a.txt"))));
    // The question stands over the panel it was asked for.
    QVERIFY2(offCentre.manhattanLength() <= 40, qPrintable(QString::number(offCentre.x())));
    QCOMPARE(ReadFile(f.Path("a.txt")), std::string("mine"));
    QCOMPARE(ReadFile(f.Path("b.txt")), std::string("new"));
    QCOMPARE(Tree(f.Dl()), (std::set<std::string>{"stage/", "stage/a.txt", "stage/b.txt",
                                                  "z.zip", "a.txt", "b.txt"}));
    QVERIFY(real.Opened().empty());

    answer = "cmdReplace";
    real.Drop({f.Path("z.zip")});
    // b.txt is the same name too now: asked for both, replaced both.
    QCOMPARE(asked.size(), 3);
    QCOMPARE(ReadFile(f.Path("a.txt")), std::string("theirs"));
  }

  void onTheDesktopAndWithErrRep() {
    DropFolder f;
    f.Write("stage/a.txt", Sample(20));
    Run(Q(f.Path("stage")), "zip", {"-q", "../s.zip", "a.txt"});
    RealRun real("DeskTop=-1\r\nErrRep=-1\r\n");
    real.run.recorder.platform.desktop = f.Folder("Desktop");
    FrmMain& panel = real.Start();
    real.Drop({f.Path("s.zip")});
    QCOMPARE(Tree(f.Path("Desktop")), (std::set<std::string>{"s/", "s/a.txt"}));
    QVERIFY(!fs::exists(f.Path("s")));
    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && chk->isVisible());
    QCOMPARE(chk->Lines(), QStringList({ExtractedLine(f.Path("s.zip"), "ZIP", "OK")}));
    QVERIFY(!panel.isEnabled());
    QCOMPARE(real.Opened(), std::vector<std::string>{f.Path("Desktop/s/")});
  }

  void failuresAmongGoodArchivesLeaveNoEmptyFolder() {
    DropFolder f;
    f.Write("stage/a.txt", Sample(300));
    f.Write("stage/b.txt", Sample(500));
    Run(Q(f.Path("stage")), "zip", {"-q", "../a.zip", "a.txt"});
    Run(Q(f.Path("stage")), "zip", {"-q", "../b.zip", "b.txt"});
    DamageFirstZipEntry(Q(f.Path("b.zip")));
    Run(Q(f.Path("stage")), "zip", {"-q", "../d.zip", "a.txt", "b.txt"});
    DamageZipEntry(Q(f.Path("d.zip")), 1);
    Run(Q(f.Path("stage")), "bsdtar", {"-czf", "../c.tgz", "a.txt", "b.txt"});
    RealRun real;
    FrmMain& panel = real.Start();
    real.Drop({f.Path("a.zip"), f.Path("b.zip"), f.Path("d.zip"), f.Path("c.tgz")});
    QCOMPARE(Tree(f.Path("a")), (std::set<std::string>{"a.txt"}));
    QCOMPARE(Tree(f.Path("c")), (std::set<std::string>{"a.txt", "b.txt"}));
    // The archive that gave nothing leaves no folder; the one that gave a
    // file before its damage keeps it, whole, and nothing half-written.
    QVERIFY(!fs::exists(f.Path("b")));
    QCOMPARE(Tree(f.Path("d")), (std::set<std::string>{"a.txt"}));
    QCOMPARE(ReadFile(f.Path("d/a.txt")), Sample(300));
    QVERIFY(!fs::exists(f.Path("~kstmp")));
    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && chk->isVisible());
    QCOMPARE(chk->Lines(), QStringList({ExtractedLine(f.Path("a.zip"), "ZIP", "OK"),
                                        ExtractedLine(f.Path("b.zip"), "ZIP", "失敗！"),
                                        ExtractedLine(f.Path("d.zip"), "ZIP", "失敗！"),
                                        ExtractedLine(f.Path("c.tgz"), "TAR", "OK")}));
    // Only folders that hold something open.
    QCOMPARE(real.Opened(),
             (std::vector<std::string>{f.Path("a/"), f.Path("d/"), f.Path("c/")}));
    QVERIFY(!panel.isEnabled());
    const auto stacking = Stacking(real.run.recorder.platform, &panel);
    QCOMPARE(stacking.front(), std::string("panel:0"));
    QCOMPARE(stacking.back(), std::string("chk:1"));
  }

  void anErrorWhilePreparingTheSecondOfThree() {
    DropFolder f;
    f.Write("stage/a.txt", Sample(30));
    f.Folder("in");
    Run(Q(f.Path("stage")), "zip", {"-q", "../in/a.zip", "a.txt"});
    Run(Q(f.Path("stage")), "bsdtar", {"-czf", "../in/b.tgz", "a.txt"});
    Run(Q(f.Path("stage")), "zip", {"-q", "../in/c.zip", "a.txt"});
    RealRun real;
    // The destination goes away (an unplugged disk) while the second name
    // is being looked at.
    const std::string b = f.Path("in/b.tgz");
    Libraries().Replace(LibraryId::Tar,
                        std::make_shared<Watched>(MakeTarBackend(), [&](const std::string& file) {
                          if (file != b) return false;
                          fs::rename(f.Path("in"), f.Path("gone"));
                          return true;
                        }));
    FrmMain& panel = real.Start();
    real.Drop({f.Path("in/a.zip"), b, f.Path("in/c.zip")});
    const auto messages = real.run.recorder.platform.Of("MessageBox");
    QCOMPARE(messages.size(), std::size_t(2));
    QCOMPARE(messages[0].text, std::string("TARパスが見つかりません。"));
    QCOMPARE(messages[0].title, std::string("Kestrino"));
    // The folder and the system's reason follow, so the user can act.
    QCOMPARE(messages[1].text, "そこにはファイルの書き込みが出来ないようですな。\n\n" + f.Path("in/") +
                                   "\n" + std::generic_category().message(ENOENT));
    QCOMPARE(messages[1].title, std::string("解凍失敗"));
    QCOMPARE(Tree(f.Path("gone")),
             (std::set<std::string>{"a.zip", "b.tgz", "c.zip", "a/", "a/a.txt"}));
    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && !chk->isVisible());
    QVERIFY(panel.isEnabled());
    QCOMPARE(Stacking(real.run.recorder.platform, &panel), std::vector<std::string>{"panel:0"});
  }

  void aWrongPasswordIsAskedForAgainAndTheNextTryKeepsTheName() {
    DropFolder f;
    f.Write("stage/s.txt", Sample(40));
    Run(Q(f.Path("stage")), "zip", {"-q", "-P", "s3cret", "../z.zip", "s.txt"});
    RealRun real;
    FrmMain& panel = real.Start();
    QtArchiverHost host;
    SetArchiverHost(&host);
    QStringList answers;
    QStringList prompts;
    host.onWindowShown = [&](QDialog* window) {
      if (window->objectName() != "frmEntryPass") return;
      prompts << window->findChild<QLabel*>("lblPrompt")->text();
      // Over the panel it was asked for, owned by it.
      QCOMPARE(window->windowHandle()->transientParent(), panel.windowHandle());
      const QString answer = answers.takeFirst();
      if (answer.isEmpty()) {
        window->findChild<QPushButton*>("cmdCancel")->click();
        return;
      }
      window->findChild<QLineEdit*>("txtPassword")->setText(answer);
      window->findChild<QPushButton*>("cmdOk")->click();
    };
    const QString wrong = "z.zip の s.txt はパスワードで保護されています。\n"
                          "パスワードが違います。\nもう一度入力して下さい。";

    answers = {"guess", ""};
    real.Drop({f.Path("z.zip")});
    QCOMPARE(prompts.size(), 2);
    QCOMPARE(prompts[1], wrong);
    QCOMPARE(LoadedFrmChk()->Lines(), QStringList({ExtractedLine(f.Path("z.zip"), "ZIP", "失敗！")}));
    QVERIFY(!fs::exists(f.Path("z")));
    QVERIFY(real.Opened().empty());
    UnloadFrmChk();

    prompts.clear();
    answers = {"guess", "s3cret"};
    real.Drop({f.Path("z.zip")});
    QCOMPARE(prompts.size(), 2);
    QCOMPARE(prompts[1], wrong);
    QCOMPARE(Tree(f.Path("z")), (std::set<std::string>{"s.txt"}));
    QCOMPARE(ReadFile(f.Path("z/s.txt")), Sample(40));
    QVERIFY(LoadedFrmChk() == nullptr);
    QCOMPARE(real.Opened(), std::vector<std::string>{f.Path("z/")});
  }

  void anEncryptedRarSaysWhyItFailed() {
    DropFolder f;
    f.Write("locked.rar", MakeRar5({{"locked.bin", "secret", false, true}}));
    RealRun real;
    real.Start();
    real.Drop({f.Path("locked.rar")});
    QCOMPARE(LoadedFrmChk()->Lines(),
             QStringList({ExtractedLine(f.Path("locked.rar"), "RAR",
                                        "失敗！ 暗号化されていて解凍できません")}));
    QVERIFY(!fs::exists(f.Path("locked")));
  }

  void oddDropsAreFailuresTheUserSees() {
    DropFolder f;
    f.Write("stage/a.txt", Sample(20));
    Run(Q(f.Path("stage")), "zip", {"-q", "../pack.zip", "a.txt"});
    fs::rename(f.Path("pack.zip"), f.Path("pack"));
    const std::string sub = f.Folder("sub") + "/";
    const std::string gca = f.Write("g.gca", "GCA0 and more");
    const std::string yz1 = f.Write("y.yz1", "not a signature we know");
    // Not even its first bytes can be read, whoever runs the test.
    const std::string unreadable = "/proc/self/mem";
    RealRun real;
    real.Start();
    QVERIFY(!HasUnGCA && !HasYz1 && !real.run.panel->ErrRepChecked());
    real.Drop({sub, f.Path("pack"), unreadable, gca, yz1});
    // A name without an extension is the folder's whole name; the folder
    // with its trailing separator lies in the drop folder, where the
    // archive is extracted.
    QCOMPARE(Tree(f.Path("pack_1")), (std::set<std::string>{"a.txt"}));
    QVERIFY(Tree(sub).empty());
    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && chk->isVisible());
    QCOMPARE(chk->Lines(),
             QStringList({ExtractedLine(sub, "Folder", "Skip"),
                          ExtractedLine(f.Path("pack"), "ZIP", "OK"),
                          ExtractedLine(unreadable, "UnKnown", "失敗！ 読めません"),
                          ExtractedLine(gca, "GCA", "失敗！ UnGCA32.DLLがありません"),
                          ExtractedLine(yz1, "Yz1", "失敗！ Yz1.DLLがありません")}));
  }

  void cancelFailsThatArchiveAndTheRunGoesOn() {
    DropFolder f;
    QStringList zipBig = {"-q", "-0", "../../big.zip"};
    for (int i = 0; i < 12; ++i) {
      const std::string name = "n" + std::to_string(i) + ".bin";
      f.Write("stage/big/" + name, Noise(400 * 1024, i + 1));
      zipBig << Q(name);
    }
    f.Write("stage/a.txt", Sample(30));
    Run(Q(f.Path("stage/big")), "zip", zipBig);
    Run(Q(f.Path("stage")), "zip", {"-q", "../small.zip", "a.txt"});
    RealRun real;
    real.Start();
    QtArchiverHost host;
    host.setProgressDelay(0);
    SetArchiverHost(&host);
    int cancelled = 0;
    host.onWindowShown = [&](QDialog* window) {
      auto* progress = qobject_cast<QProgressDialog*>(window);
      if (!progress || cancelled++ > 0) return;
      QTest::mouseClick(progress->findChild<QPushButton*>(), Qt::LeftButton);
    };
    real.Drop({f.Path("big.zip"), f.Path("small.zip")});
    QCOMPARE(cancelled, 2);  // the second archive's window was left alone
    FrmChk* chk = LoadedFrmChk();

    QVERIFY(chk && chk->isVisible());
    QCOMPARE(chk->Lines(), QStringList({ExtractedLine(f.Path("big.zip"), "ZIP", "失敗！"),
                                        ExtractedLine(f.Path("small.zip"), "ZIP", "OK")}));
    // Whatever stands in the cancelled archive's folder is whole and under
    // its own name; nothing is left in the working folder.
    for (const std::string& name : Tree(f.Path("big"))) {
      QVERIFY2(name.size() > 1 && name[0] == 'n', name.c_str());
      QCOMPARE(ReadFile(f.Path("big/" + name)), ReadFile(f.Path("stage/big/" + name)));
    }
    QVERIFY(Tree(f.Path("big")).size() < 12);
    QCOMPARE(Tree(f.Path("small")), (std::set<std::string>{"a.txt"}));
    QVERIFY(!fs::exists(f.Path("~kstmp")));
  }
};

KS_QTEST_MAIN_NOTING_MISSING(ExtractRealTest)
#include "ExtractRealTest.moc"
