// ARJ archives dropped on the extract zone with the built-in UnArj32j: the
// files come out in a folder named after the archive, a damaged archive is a
// failure line, and the current folder is the program's own afterwards.

#include <QLabel>
#include <cstdlib>
#include <filesystem>

#include "archivers/Probe.h"
#include "archivers/builtin/Backends.h"
#include "check/FrmChk.h"
#include "extract/ExtractDriver.h"
#include "extract/ExtractTestSupport.h"
#include "panel/PanelTestSupport.h"

using namespace ks;
using namespace ks::test;
namespace fs = std::filesystem;

namespace {

bool HaveArj() { return std::system("command -v arj >/dev/null 2>&1") == 0; }

void Arj(const std::string& folder, const std::string& arguments) {
  const std::string line = "cd '" + folder + "' && arj a -y " + arguments + " >/dev/null 2>&1";
  QCOMPARE(std::system(line.c_str()), 0);
}

std::string Sample(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i) text += "line " + std::to_string(i * 7919 % 1000) + " of an ARJ sample\n";
  return text;
}

}  // namespace

class ArjExtractRealTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    if (!HaveArj()) QSKIP("arj is not installed");
  }
  void cleanup() { UnloadFrmChk(); }

  void droppedArchivesComeOutAndTheCurrentFolderIsTheProgramsOwn() {
    DropFolder f;
    f.Write("stage/a.txt", Sample(300));
    f.Write("stage/sub/b.txt", Sample(500));
    f.Write("stage/only/c.txt", Sample(50));
    Arj(f.Path("stage"), "-r -m1 ../good.arj a.txt sub/b.txt");
    Arj(f.Path("stage"), "-m4 ../one.arj only/c.txt");
    // The same bytes with one flipped far inside the data of b.txt.
    std::string bad = ReadFile(f.Path("good.arj"));
    bad[bad.size() - 200] = static_cast<char>(bad[bad.size() - 200] ^ 0x21);
    f.Write("bad.arj", bad);

    PanelRun run;
    InstallBuiltinLibraries(Libraries());
    FrmMain& panel = run.Start();
    QVERIFY(HasUnarj);
    InstallExtractZone(&panel);
    QApplication::processEvents();
    fs::current_path("/");

    DropOn(run.Find<QLabel>("lbl2"), *FileDrop({f.Path("good.arj"), f.Path("one.arj")}));
    QVERIFY(LoadedFrmChk() == nullptr);  // all fine: no result window
    QCOMPARE(Tree(f.Path("good")), (std::set<std::string>{"a.txt", "sub/", "sub/b.txt"}));
    QCOMPARE(ReadFile(f.Path("good/sub/b.txt")), Sample(500));
    // One folder of another name inside moves up in place of "one".
    QCOMPARE(ReadFile(f.Path("only/c.txt")), Sample(50));
    QVERIFY(!fs::exists(f.Path("one")));
    // The library ran in the extraction folder; the program's folder is
    // current again afterwards.
    QCOMPARE(fs::current_path(), fs::path(run.Folder()).parent_path());

    DropOn(run.Find<QLabel>("lbl2"), *FileDrop({f.Path("bad.arj")}));
    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && chk->isVisible());
    QCOMPARE(chk->Lines(), QStringList({ExtractedLine(f.Path("bad.arj"), "ARJ", "失敗！")}));
    // The damaged file was not written anywhere (a.txt before it may be).
    for (const std::string& name : Tree(f.Dl())) {
      const bool ours = name.rfind("stage/", 0) == 0 || name.rfind("good/", 0) == 0;
      QVERIFY2(ours || name.find("b.txt") == std::string::npos, name.c_str());
    }
  }
};

QTEST_MAIN(ArjExtractRealTest)
#include "ArjExtractRealTest.moc"
