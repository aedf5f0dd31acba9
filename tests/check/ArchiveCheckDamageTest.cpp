// The check zone with archives damaged where the back-ends used to look
// away: a RAR 5 archive cut between entries, a stored RAR 5 entry with a
// flipped byte, a small damaged tar.gz, and a gzip file whose second member
// lost its start. Each is "異常！" under its own type; sound ones, folders
// inside included, are "正常".

#include <QFile>
#include <QListWidget>

#include "archivers/Probe.h"
#include "archivers/builtin/Backends.h"
#include "builtin/common/CompressSupport.h"
#include "builtin/rar/RarWriter.h"
#include "check/ArchiveCheck.h"
#include "check/CheckTestSupport.h"
#include "check/FrmChk.h"
#include "panel/PanelTestSupport.h"

using namespace ks;
using namespace ks::test;

namespace {

void Write(const QString& path, const std::string& bytes) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::WriteOnly));
  f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

std::string Text(int lines) {
  std::string t;
  for (int i = 0; i < lines; ++i) t += "line " + std::to_string(i * 7919 % 1000) + " of the sample\n";
  return t;
}

}  // namespace

class ArchiveCheckDamageTest : public QObject {
  Q_OBJECT
 private slots:
  void damagedArchivesAreNeverSound() {
    QTemporaryDir dir("/tmp/kd-XXXXXX");
    const QString d = dir.path();
    const std::vector<RarEntry> entries = {{"dir", "", true}, {"dir/a.txt", Text(50)}, {"b.txt", Text(20)}};
    const std::string rar = MakeRar5(entries);
    Write(d + "/ok.rar", rar);
    Write(d + "/cut.rar", rar.substr(0, rar.find("b.txt") - 8));
    std::string flipped = rar;
    flipped[rar.find(Text(20)) + 100] ^= 0x02;
    Write(d + "/flip.rar", flipped);
    std::string tgz = TarOf({{"a.txt", Text(300)}}, Compression::Gzip);
    tgz[tgz.size() / 2] ^= 0x40;
    Write(d + "/bad.tgz", tgz);
    std::string second = GzipMember(Text(100));
    second[0] = 'x';
    Write(d + "/two.gz", GzipMember(Text(10)) + second);
    Write(d + "/ok.gz", GzipMember(Text(10)) + GzipMember(Text(100)));

    PanelRun run;
    InstallBuiltinLibraries(Libraries());
    FrmMain& panel = run.Start();
    QVERIFY(HasRar && HasTar);
    InstallCheckZone(&panel);

    const auto p = [&](const char* name) { return (d + "/" + name).toStdString(); };
    const auto drop = FileDrop({p("ok.rar"), p("cut.rar"), p("flip.rar"), p("bad.tgz"), p("two.gz"), p("ok.gz")});
    DropOn(run.Find<QLabel>("lbl3"), *drop);

    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && chk->isVisible());
    const QStringList expected = {
        AsciiLine(p("ok.rar"), "RAR", "正常"),   AsciiLine(p("cut.rar"), "RAR", "異常！"),
        AsciiLine(p("flip.rar"), "RAR", "異常！"), AsciiLine(p("bad.tgz"), "TAR", "異常！"),
        AsciiLine(p("two.gz"), "TAR", "異常！"),  AsciiLine(p("ok.gz"), "TAR", "正常"),
    };
    QCOMPARE(chk->findChild<QListWidget*>("lstChk")->count(), expected.size());
    for (int i = 0; i < expected.size(); ++i) QCOMPARE(chk->Lines().at(i), expected.at(i));
    QTest::keyClick(chk->findChild<QListWidget*>("lstChk"), Qt::Key_Escape);
  }
};

QTEST_MAIN(ArchiveCheckDamageTest)
#include "ArchiveCheckDamageTest.moc"
