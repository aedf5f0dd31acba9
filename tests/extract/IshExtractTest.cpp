// ISH files dropped on 解凍 with the built-in back-ends: type detection
// calls them "ISH", Ish32 restores the encoded file beside them (in a
// folder named after them, or loose when "Folder" is off), and a file too
// damaged to mend fails its line and leaves nothing behind.

#include <QLabel>
#include <filesystem>

#include "archivers/Probe.h"
#include "archivers/builtin/Backends.h"
#include "builtin/ish/IshTestSupport.h"
#include "check/FrmChk.h"
#include "extract/ExtractDriver.h"
#include "extract/ExtractTestSupport.h"
#include "panel/PanelTestSupport.h"
#include "support/QtMissingSkip.h"

using namespace ks;
using namespace ks::test;
namespace fs = std::filesystem;

namespace {

std::string Bytes(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (char& c : bytes) {
    seed = seed * 1103515245u + 12345u;
    c = static_cast<char>(seed >> 16);
  }
  return bytes;
}

IshWriteOptions Report() {
  IshWriteOptions o;
  o.encoding = IshEncoding::ShiftJis;
  o.shortField = "REPORT  TXT";
  o.title = std::string("report.txt");
  return o;
}

// The panel with the built-in back-ends and its extract zone.
struct IshRun {
  explicit IshRun(const std::string& settings = "") {
    InstallBuiltinLibraries(Libraries());
    if (!settings.empty()) run.Settings(settings);
    FrmMain& panel = run.Start();
    InstallExtractZone(&panel);
    QApplication::processEvents();
  }
  void Drop(const std::vector<std::string>& names) {
    DropOn(run.Find<QLabel>("lbl2"), *FileDrop(names));
  }
  PanelRun run;
};

}  // namespace

class IshExtractTest : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { UnloadFrmChk(); }

  void anIshFileIsRestoredBesideIt() {
    DropFolder f;
    const std::string data = Bytes(9000, 1);
    f.Write("mail.ish", "Subject: the report\n\n" + WriteIsh(data, Report()).Text());
    const std::optional<fs::path> samples = IshSamples();
    if (samples) fs::copy_file(*samples / "numbers-jis7.ish", f.Path("numbers-jis7.ish"));

    IshRun real;
    QVERIFY(HasIsh);
    real.Drop(samples ? std::vector<std::string>{f.Path("mail.ish"), f.Path("numbers-jis7.ish")}
                      : std::vector<std::string>{f.Path("mail.ish")});
    QVERIFY(LoadedFrmChk() == nullptr);  // every name went well: no result window
    QCOMPARE(Tree(f.Path("mail")), (std::set<std::string>{"report.txt"}));
    QCOMPARE(ReadFile(f.Path("mail/report.txt")), data);
    if (!samples) KS_SKIP_WITHOUT_SAMPLES(kNoSamples);
    QCOMPARE(Tree(f.Path("numbers-jis7")), (std::set<std::string>{"numbers.txt"}));
    QCOMPARE(ReadFile(f.Path("numbers-jis7/numbers.txt")),
             ReadFile((*samples / "numbers.txt").string()));
  }

  void withoutFolderTheFileLandsNextToTheIshFile() {
    DropFolder f;
    const std::string data = Bytes(3000, 2);
    f.Write("in a folder/mail 2.ish", WriteIsh(data, Report()).Text());
    IshRun real("Folder=0\r\n");
    real.Drop({f.Path("in a folder/mail 2.ish")});
    QVERIFY(LoadedFrmChk() == nullptr);
    QCOMPARE(Tree(f.Path("in a folder")), (std::set<std::string>{"mail 2.ish", "report.txt"}));
    QCOMPARE(ReadFile(f.Path("in a folder/report.txt")), data);
  }

  void aFileTooDamagedToMendFailsItsLine() {
    DropFolder f;
    IshText text = WriteIsh(Bytes(9000, 3), Report());
    for (std::size_t n : {2, 3, 4}) Damage(text.lines[text.blocks[0][n]]);
    f.Write("bad.ish", text.Text());
    IshRun real;
    real.Drop({f.Path("bad.ish")});
    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && chk->isVisible());
    QCOMPARE(chk->Lines(), QStringList({ExtractedLine(f.Path("bad.ish"), "ISH", "失敗！")}));
    QCOMPARE(Tree(f.Path("bad")), (std::set<std::string>{}));
    QVERIFY(!fs::exists(f.Path("report.txt")));
  }
};

KS_QTEST_MAIN_NOTING_MISSING(IshExtractTest)
#include "IshExtractTest.moc"
