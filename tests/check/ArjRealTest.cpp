// UnArj32j as the program sees it with the built-in back-end: the start-up
// probe makes it usable, type detection asks its check, the check zone tests
// ARJ archives with it, and the version window lists it.

#include <QFile>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <cstdlib>

#include "archivers/Probe.h"
#include "archivers/TypeDetect.h"
#include "archivers/builtin/Backends.h"
#include "check/ArchiveCheck.h"
#include "check/CheckTestSupport.h"
#include "check/FrmChk.h"
#include "dialogs/FrmVer.h"
#include "panel/PanelTestSupport.h"

using namespace ks;
using namespace ks::test;

namespace {

bool HaveArj() { return std::system("command -v arj >/dev/null 2>&1") == 0; }

// Makes an ARJ archive of `files` in `folder` with Debian's arj.
void MakeArj(const QString& folder, const QString& archive, const QString& options, const QString& files) {
  const QString line = "cd '" + folder + "' && arj a -y " + options + " " + archive + " " + files + " >/dev/null 2>&1";
  QCOMPARE(std::system(line.toLocal8Bit().constData()), 0);
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

}  // namespace

class ArjRealTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    if (!HaveArj()) QSKIP("arj is not installed");
  }

  void probeTypeDetectionCheckAndVersionWindow() {
    QTemporaryDir dir("/tmp/kj-XXXXXX");
    const QString d = dir.path();
    QByteArray text;
    for (int i = 0; i < 2000; ++i) text += "line " + QByteArray::number(i * 7919 % 1000) + " of a sample\n";
    Write(d + "/a.txt", text);
    Write(d + "/b.txt", text.repeated(3));
    MakeArj(d, "s.arj", "-m1", "a.txt b.txt");
    MakeArj(d, "f.arj", "-m4", "a.txt");
    // The same archive under a name that says nothing: only the check can tell.
    QVERIFY(QFile::copy(d + "/s.arj", d + "/s.dat"));
    QFile good(d + "/s.arj");
    QVERIFY(good.open(QIODevice::ReadOnly));
    QByteArray bytes = good.readAll();
    bytes[bytes.size() * 3 / 4] = static_cast<char>(bytes[bytes.size() * 3 / 4] ^ 0x55);
    Write(d + "/bad.arj", bytes);

    PanelRun run;
    InstallBuiltinLibraries(Libraries());
    FrmMain& panel = run.Start();
    QVERIFY(HasUnarj);
    const QStringList supported = run.Find<QLabel>("lblDll")->toolTip().split(' ');
    QVERIFY2(supported.contains("Arj"), qPrintable(run.Find<QLabel>("lblDll")->toolTip()));
    QVERIFY(supported.indexOf("Arj") > supported.indexOf("Tar"));

    const auto p = [&](const char* name) { return (d + "/" + name).toStdString(); };
    QCOMPARE(ArcType(p("s.dat")), std::string(kTypeArj));
    QCOMPARE(ArcType(p("bad.arj")), std::string(kTypeArj));
    QCOMPARE(ArcType(p("a.txt")), std::string(kTypeUnknown));

    InstallCheckZone(&panel);
    const auto drop = FileDrop({p("s.arj"), p("s.dat"), p("bad.arj"), p("f.arj")});
    DropOn(run.Find<QLabel>("lbl3"), *drop);
    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && chk->isVisible());
    const QStringList expected = {
        AsciiLine(p("s.arj"), "ARJ", "正常"),
        AsciiLine(p("s.dat"), "ARJ", "正常"),
        AsciiLine(p("bad.arj"), "ARJ", "異常！"),
        AsciiLine(p("f.arj"), "ARJ", "正常"),
    };
    QCOMPARE(chk->Lines(), expected);
    QTest::keyClick(chk->findChild<QListWidget*>("lstChk"), Qt::Key_Escape);
    QVERIFY(LoadedFrmChk() == nullptr);

    panel.OpenVersionWindow();
    QPointer<FrmVer> ver;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* v = qobject_cast<FrmVer*>(w)) ver = v;
    QVERIFY(ver);
    const QString lines = ver->findChild<QPlainTextEdit*>("txtVer")->toPlainText();
    QCOMPARE(lines.split('\n').at(0), QString("UnArj32J.dll v1.00"));
    ver->close();
  }
};

QTEST_MAIN(ArjRealTest)
#include "ArjRealTest.moc"
