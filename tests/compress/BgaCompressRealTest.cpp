// GZA and BZA through the real panel: names dropped on 圧縮 are packed by
// the built-in Bga32 with the program's command line, and the archive
// dropped on 解凍 gives back exactly what was dropped. (The self-extracting
// entries have their own tests: tests/sfx.)

#include "archivers/Probe.h"
#include "check/FrmChk.h"
#include "compress/RealCompressSupport.h"
#include "core/DropList.h"
#include "extract/ExtractDriver.h"

using namespace ks;
using namespace ks::test;

namespace {

// The panel with both zones and Bga32 (watched) as its only library.
struct BgaPanel {
  explicit BgaPanel(const std::string& code) {
    run.libraries.AllMissing();
    Libraries().Replace(LibraryId::Bga,
                        std::make_shared<WatchedLibrary>(
                            MakeBuiltinLibrary(LibraryId::Bga),
                            [this](const std::string& line, const std::vector<std::string>& list) {
                              commands.push_back(line);
                              lists.push_back(list);
                            }));
    run.Settings("DefaultArcType=" + code + "\r\nErrRepPac=-1\r\n");
    panel = &run.Start();
    InstallCompressZone(panel);
    InstallExtractZone(panel);
  }
  PanelRun run;
  FrmMain* panel = nullptr;
  std::vector<std::string> commands;
  std::vector<std::vector<std::string>> lists;
};

}  // namespace

class BgaCompressRealTest : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { UnloadFrmChk(); }

  void packedOnTheCompressZoneAndExtractedOnTheExtractZone_data() {
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("switches");
    QTest::addColumn<QString>("extension");
    QTest::newRow("GZA") << "GZA" << "a -a -m1 -r  " << ".gza";
    QTest::newRow("BZA") << "BZA" << "a -a -m2 -r  " << ".bza";
  }

  void packedOnTheCompressZoneAndExtractedOnTheExtractZone() {
    QFETCH(QString, code);
    QFETCH(QString, switches);
    QFETCH(QString, extension);
    Fixture fx;
    BgaPanel p(code.toStdString());
    QVERIFY(HasBga);

    DropOn(p.run.Find<QLabel>("lbl1"), *FileDrop(fx.dropped));
    QVERIFY(LoadedInBox());
    QCOMPARE(ListTexts(InBoxChild<QListWidget>("lstArc")),
             QStringList({"GZA", "GZA SFX", "BZA", "BZA SFX"}));
    QCOMPARE(QString::fromStdString(LoadedInBox()->SelectedEntry()), code);
    TypeNameAndEnter("書庫");

    const fs::path archive = fx.src / ("書庫" + extension.toStdString());
    QVERIFY2(fs::is_regular_file(archive), archive.c_str());
    QCOMPARE(LeftOvers(fx.Src()), std::vector<std::string>());
    QCOMPARE(p.commands.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(p.commands[0]),
             switches + "\"" + QString::fromStdString(fx.Src()) + "~ks.tmp\" \"@" +
                 QString::fromStdString(AppFolder) + "kestrino.tmp\"");
    QCOMPARE(p.lists[0], (std::vector<std::string>{"\"a file.txt\"", "\"日本語の名前.txt\"",
                                                   "\"doc/*.*\"", "\"空フォルダ/*.*\""}));
    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && chk->isVisible());
    QCOMPARE(chk->Lines().size(), 1);
    QVERIFY2(chk->Lines().at(0).endsWith("     " + code + "     OK"), qPrintable(chk->Lines().at(0)));
    chk->Unload();
    QCOMPARE(QString::fromStdString(p.run.Read("DefaultArcType")), code);

    // The archive dropped on 解凍 comes out in a folder named after it.
    DropOn(p.run.Find<QLabel>("lbl2"), *FileDrop({archive.string()}));
    QVERIFY(LoadedFrmChk() == nullptr);  // all went well: no result window
    QVERIFY(TreeOf(fx.src / "書庫") == fx.expected);
    QCOMPARE(QString::fromStdString(p.commands.back()).left(9), QString("x -a -r \""));
  }
};

QTEST_MAIN(BgaCompressRealTest)
#include "BgaCompressRealTest.moc"
