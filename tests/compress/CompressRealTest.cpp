// The compress zone end to end: files and folders dropped on lbl1 of the
// real panel, the built-in back-ends behind the library names, and every
// archive opened again by a peer tool (lhasa and jlha, unzip, bsdtar,
// cabextract).

#include "archivers/Probe.h"
#include "check/FrmChk.h"
#include "compress/RealCompressSupport.h"
#include "core/DropList.h"

using namespace ks;
using namespace ks::test;


class CompressRealTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    if (!HaveTools()) QSKIP("lhasa, jlha, unzip, bsdtar or cabextract is not installed");
  }

  void everyFormatDroppedNamedAndChecked_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("code");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("archiveName");
    QTest::addColumn<bool>("byClick");
    const QList<QStringList> rows = {
        {"Lha", "LHA", "LZH", "pack", "pack.lzh"},
        {"Zip", "ZIP", "Zip", "  書庫 テスト  ", "書庫 テスト.zip"},
        {"Zip Password付き", "ZIE", "ZipP", "secret", "secret.zip"},
        {"Tar", "TAR", "Tar", "pack", "pack.tar"},
        {"Tar(gzip)", "TAG", "TGZ", "pack.TGZ", "pack.TGZ"},
        {"Tar(bzip2)", "TAB", "Bz2", "pack", "pack.bz2"},
        {"Cab", "CAB", "Cab", "pack", "pack.cab"},
        {"GZA", "GZA", "GZA", "pack", "pack.gza"},
        {"BZA", "BZA", "BZA", "pack.bza", "pack.bza"},
    };
    for (const QStringList& r : rows) {
      QTest::newRow(qPrintable(r[1] + " by code")) << r[0] << r[1] << r[2] << r[3] << r[4] << false;
      QTest::newRow(qPrintable(r[1] + " by click")) << r[0] << r[1] << r[2] << r[3] << r[4] << true;
    }
  }

  void everyFormatDroppedNamedAndChecked() {
    QFETCH(QString, entry);
    QFETCH(QString, code);
    QFETCH(QString, label);
    QFETCH(QString, typed);
    QFETCH(QString, archiveName);
    QFETCH(bool, byClick);
    Fixture fx;
    // By click: another format is stored, and the result window only shows
    // on failure. By code: it is shown always.
    RealPanel real(std::string("DefaultArcType=") +
                   (byClick ? (code == "TAR" ? "ZIP" : "TAR") : code.toStdString()) +
                   "\r\nErrRepPac=" + (byClick ? "0" : "-1") + "\r\n");
    PanelRun& run = real.run;
    const Seen& seen = real.seen;
    FrmMain& panel = *real.panel;
    QVERIFY(HasUnlha && HasZip && HasCab && HasTar && HasJack && HasBga);

    real.Drop(fx.dropped);
    QVERIFY(LoadedInBox());
    QVERIFY(!panel.isEnabled());
    QCOMPARE(DroppedCount, 4);
    if (byClick) {
      QVERIFY(LoadedInBox()->SelectedEntry() != entry.toStdString());
      ClickEntry(InBoxChild<QListWidget>("lstArc"), entry);
    }
    QCOMPARE(QString::fromStdString(LoadedInBox()->SelectedEntry()), entry);

    const std::string password = "pass word";
    if (code == "ZIE") {
      AnswerNextModal([&password](QWidget* modal) {
        QCOMPARE(modal->objectName(), QString("frmPass"));
        QTest::keyClicks(modal->findChild<QLineEdit*>("txtPass"), QString::fromStdString(password));
        QTest::keyClick(modal->findChild<QLineEdit*>("txtPass"), Qt::Key_Return);
      });
    }
    TypeNameAndEnter(typed);

    const std::string src = fx.Src();
    const fs::path archive = fx.src / archiveName.toStdString();
    QVERIFY2(fs::is_regular_file(archive), archive.c_str());
    QVERIFY(LoadedInBox() == nullptr);
    QCOMPARE(LeftOvers(src), std::vector<std::string>());
    QVERIFY(!fs::exists(AppFolder + "kestrino.tmp"));
    QCOMPARE(QString::fromStdString(run.Read("DefaultArcType")), code);

    // The command and the list file the library was given.
    QCOMPARE(seen.commands.size(), std::size_t(1));
    const std::string list = "\"@" + AppFolder + "kestrino.tmp\"";
    const std::string temp = "\"" + src + (code == "CAB" ? "~ks.cab" : "~ks.tmp") + "\"";
    const std::map<QString, std::string> commands = {
        {"LHA", list}, {"ZIP", "-r " + temp + " " + list},
        {"ZIE", "-r -P pass word " + temp + " " + list}, {"TAR", "-cvf " + temp + " " + list},
        {"TAG", "-czf " + temp + " " + list}, {"TAB", "-cBf " + temp + " " + list},
        {"CAB", "-a " + temp + " " + list}, {"GZA", "a -a -m1 -r  " + temp + " " + list},
        {"BZA", "a -a -m2 -r  " + temp + " " + list}};
    QCOMPARE(QString::fromStdString(seen.commands[0]), QString::fromStdString(commands.at(code)));
    std::vector<std::string> lines = {"\"a file.txt\"", "\"日本語の名前.txt\"", "\"doc/*.*\"",
                                      "\"空フォルダ/*.*\""};
    if (code == "LHA") lines.insert(lines.begin(), {"a -x1 -r2", temp});
    QCOMPARE(seen.lists[0], lines);

    // The result line, when the window shows.
    FrmChk* chk = LoadedFrmChk();
    if (byClick) {
      QVERIFY(chk == nullptr);
      QVERIFY(panel.isEnabled());
    } else {
      QVERIFY(chk && chk->isVisible());
      QCOMPARE(chk->windowTitle(), QString("圧縮結果"));
      QCOMPARE(chk->Lines().size(), 1);
      const QString line = chk->Lines().at(0);
      QVERIFY2(line.endsWith("     " + label + "     OK"), qPrintable(line));
      QVERIFY(line.startsWith("..."));
      QVERIFY(!panel.isEnabled());
      chk->Unload();
      QVERIFY(panel.isEnabled());
    }

    // A peer tool tests the archive and gives back exactly what was dropped.
    const fs::path out = fx.Out("out");
    fs::create_directories(out);
    const QString a = Q(archive.string()), o = Q(out.string());
    ToolResult test, unpack;
    Tree got;
    if (code == "LHA") {
      test = Tool("lhasa -t " + a);
      unpack = Tool("cd " + o + " && jlha xy " + a);
    } else if (code == "ZIP" || code == "ZIE") {
      const QString pw = code == "ZIE" ? "-P 'pass word' " : "";
      test = Tool("unzip -t " + pw + a);
      unpack = Tool("unzip -q " + pw + a + " -d " + o);
      if (code == "ZIE") QVERIFY(Tool("unzip -t -P wrong " + a).exitCode != 0);
    } else if (code == "GZA" || code == "BZA") {
      // No other tool reads GZA or BZA: our Bga32 tests it and gives it back.
      test.exitCode = Libraries().Get(LibraryId::Bga).CheckArchive(archive.string(), 2) ? 0 : 1;
      std::vector<char> log(65535, '\0');
      unpack.exitCode = Libraries().Get(LibraryId::Bga).Command(
          nullptr, "x \"" + archive.string() + "\" \"" + out.string() + "/\"", log.data(), log.size());
      unpack.output = QString::fromUtf8(log.data());
    } else if (code == "CAB") {
      test = Tool("cabextract -t " + a);
      unpack = Tool("cabextract -q -d " + o + " " + a);
    } else {
      test = Tool("bsdtar -tf " + a);
      unpack = Tool("bsdtar -xf " + a + " -C " + o);
    }
    QVERIFY2(test.exitCode == 0, qPrintable(test.output));
    QVERIFY2(unpack.exitCode == 0, qPrintable(unpack.output));
    if (code == "CAB")
      QVERIFY(TreeOf(out, false) == FilesOnly(fx.expected));
    else
      QVERIFY2(TreeOf(out) == fx.expected, qPrintable(unpack.output));
  }
};

QTEST_MAIN(CompressRealTest)
#include "CompressRealTest.moc"
