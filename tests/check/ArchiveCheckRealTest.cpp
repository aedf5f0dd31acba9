// The check zone end to end: the real panel, the built-in back-ends behind
// the library names, archives made by the peer tools, and drops on lbl3.

#include <QDir>
#include <QFile>
#include <QListWidget>

#include "archivers/Probe.h"
#include "archivers/builtin/Backends.h"
#include "check/ArchiveCheck.h"
#include "check/CheckTestSupport.h"
#include "check/FrmChk.h"
#include "panel/PanelTestSupport.h"

using namespace ks;
using namespace ks::test;

namespace {

void WriteFile(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

// Text that compresses, so the archives hold real compressed data.
QByteArray Sample() {
  QByteArray text;
  for (int i = 0; i < 400; ++i) text += "line " + QByteArray::number(i * 7919 % 1000) + " of the sample\n";
  return text;
}

}  // namespace

class ArchiveCheckRealTest : public QObject {
  Q_OBJECT
 private slots:
  void realArchivesDroppedOnTheCheckZone() {
    QTemporaryDir dir("/tmp/kr-XXXXXX");
    const QString d = dir.path();
    QVERIFY(d.size() == 14);  // keeps "<dir>/s.lzh" inside 25 columns
    WriteFile(d + "/a.txt", Sample());
    WriteFile(d + "/b.txt", Sample().repeated(3));
    Run(d, "lha", {"a", "s.lzh", "a.txt", "b.txt"});
    Run(d, "zip", {"-q", "s.zip", "a.txt", "b.txt"});
    Run(d, "zip", {"-q", "bad.zip", "b.txt"});
    DamageFirstZipEntry(d + "/bad.zip");
    Run(d, "tar", {"czf", "s.tgz", "a.txt", "b.txt"});
    QVERIFY(QDir(d).mkdir("sub"));
    WriteFile(d + "/p.gif", QByteArray("GIF89a\x01\x00\x01\x00\x80\x00\x00", 13) + QByteArray(20, 0));
    const QString wide = d + "/日本語のとても長いファイル名.lzh";
    QVERIFY(QFile::copy(d + "/s.lzh", wide));

    PanelRun run;
    InstallBuiltinLibraries(Libraries());
    FrmMain& panel = run.Start();
    QVERIFY(HasUnlha && HasUnZip && HasTar);
    QVERIFY(panel.TopMostChecked());
    InstallCheckZone(&panel);
    run.recorder.platform.Clear();

    const auto p = [&](const char* name) { return (d + "/" + name).toStdString(); };
    const auto drop = FileDrop({p("s.lzh"), p("s.zip"), p("bad.zip"), p("s.tgz"), p("a.txt"),
                                p("sub"), p("p.gif"), wide.toStdString()});
    DropOn(run.Find<QLabel>("lbl3"), *drop);

    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && chk->isVisible());
    QCOMPARE(chk->windowTitle(), QString("検査結果"));
    const QStringList expected = {
        AsciiLine(p("s.lzh"), "LZH", "正常"),
        AsciiLine(p("s.zip"), "ZIP", "正常"),
        AsciiLine(p("bad.zip"), "ZIP", "異常！"),
        AsciiLine(p("s.tgz"), "TAR", "正常"),
        AsciiLine(p("a.txt"), "UnKnown", ""),
        AsciiLine(p("p.gif"), "GIF", "Skip"),
        // 22 columns after the dots: "ても長いファイル名.lzh" exactly.
        QString("...ても長いファイル名.lzh") + QString(5, ' ') + "LZH" + QString(6, ' ') + "正常",
    };
    QCOMPARE(chk->findChild<QListWidget*>("lstChk")->count(), expected.size());
    for (int i = 0; i < expected.size(); ++i) QCOMPARE(chk->Lines().at(i), expected.at(i));
    QVERIFY(!panel.isEnabled());
    QVERIFY(run.recorder.platform.Of("MessageBox").empty());

    run.recorder.platform.Clear();
    QTest::keyClick(chk->findChild<QListWidget*>("lstChk"), Qt::Key_Escape);
    QVERIFY(LoadedFrmChk() == nullptr);
    QVERIFY(panel.isEnabled());
    const auto stacking = run.recorder.platform.Of("SetTopMost");
    QCOMPARE(stacking.size(), std::size_t(1));
    QCOMPARE(stacking[0].window, static_cast<WindowHandle>(&panel));
    QCOMPARE(stacking[0].value, 1);
  }
};

QTEST_MAIN(ArchiveCheckRealTest)
#include "ArchiveCheckRealTest.moc"
