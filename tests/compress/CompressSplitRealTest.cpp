// Compressing and splitting through the real panel: pieces made by our
// Jack32 back-end, joined again by Jack32 and by the joiner script, the
// archive deleted after a split only when asked and only when the split
// worked, and "何もしない" splitting the dropped file itself.

#include "archivers/Probe.h"
#include "check/FrmChk.h"
#include "compress/FrmJack.h"
#include "compress/RealCompressSupport.h"
#include "core/Settings.h"

using namespace ks;
using namespace ks::test;

namespace {

std::string FileBytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Joins a set with our Jack32 into `folder`; returns the library's result.
int JoinWithJack(const fs::path& firstPiece, const fs::path& folder) {
  fs::create_directories(folder);
  std::vector<char> out(65535, '\0');
  return Libraries().Get(LibraryId::Jack).Command(
      nullptr, "-c \"" + firstPiece.string() + "\" \"" + folder.string() + "/\"", out.data(), out.size());
}

// Copies the pieces and the script of `name` into `folder` and runs the script there.
ToolResult JoinWithScript(const fs::path& from, const std::string& name, const fs::path& folder) {
  fs::create_directories(folder);
  for (const auto& e : fs::directory_iterator(from)) {
    const std::string n = e.path().filename().string();
    if (n.rfind(name + ".", 0) == 0 && n != name) fs::copy_file(e.path(), folder / n);
  }
  return Tool("cd " + Q(folder.string()) + " && sh " + Q(name + ".join.sh"));
}

void CheckBox(const char* name, bool checked) {
  auto* box = InBoxChild<QCheckBox>(name);
  QVERIFY(box && box->isEnabled());
  if (box->isChecked() != checked) QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(5, box->height() / 2));
  QCOMPARE(box->isChecked(), checked);
}

}  // namespace

class CompressSplitRealTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    if (!HaveTools()) QSKIP("lhasa, jlha, unzip, bsdtar or cabextract is not installed");
  }

  void selfJoiningPiecesAndTheArchiveDeleted() {
    Fixture fx;
    // Nothing stored in "Jack" but the size: the split makes self-joining pieces.
    RealPanel real("DefaultArcType=LHA\r\n", "12");
    Seen& seen = real.seen;
    real.Drop(fx.dropped);
    QVERIFY(LoadedInBox());
    QCOMPARE(LoadedInBox()->JackSizeText(), std::string("12"));
    CheckBox("chkJack", true);
    CheckBox("chkAfterJack", true);
    TypeNameAndEnter("pack");

    const std::string src = fx.Src();
    QCOMPARE(seen.commands.back(), "-r -m1 -v:12 \"" + src + "pack.lzh\" \"" + src + "\"");
    // The archive went once its pieces were there.
    QVERIFY(!fs::exists(fx.src / "pack.lzh"));
    QVERIFY(fs::exists(fx.src / "pack.lzh.001"));
    QVERIFY(fs::exists(fx.src / "pack.lzh.003"));
    QVERIFY(fs::exists(fx.src / "pack.lzh.join.sh"));
    QCOMPARE(LeftOvers(src), std::vector<std::string>());
    QVERIFY(LoadedFrmChk() == nullptr);  // all went well, nothing to show

    const fs::path byJack = fx.Out("by-jack");
    QCOMPARE(JoinWithJack(fx.src / "pack.lzh.001", byJack), 0);
    const fs::path byScript = fx.Out("by-script");
    const ToolResult script = JoinWithScript(fx.src, "pack.lzh", byScript);
    QVERIFY2(script.exitCode == 0, qPrintable(script.output));
    QVERIFY(FileBytes(byJack / "pack.lzh") == FileBytes(byScript / "pack.lzh"));
    const fs::path out = fx.Out("out");
    fs::create_directories(out);
    QCOMPARE(Tool("lhasa -t " + Q((byJack / "pack.lzh").string())).exitCode, 0);
    const ToolResult x = Tool("cd " + Q(out.string()) + " && jlha xy " + Q((byScript / "pack.lzh").string()));
    QVERIFY2(x.exitCode == 0, qPrintable(x.output));
    QVERIFY(TreeOf(out) == fx.expected);
  }

  void plainPiecesSetInTheDialogKeepTheArchive() {
    Fixture fx;
    RealPanel real("DefaultArcType=ZIP\r\n");
    Seen& seen = real.seen;
    real.Drop(fx.dropped);
    QVERIFY(LoadedInBox());

    // The split settings from the dialog: plain pieces of 9 KB.
    QTest::mouseClick(InBoxChild<QPushButton>("cmdConf2"), Qt::LeftButton);
    FrmJack* jack = LoadedFrmJack();
    QVERIFY(jack);
    QVERIFY(!LoadedInBox()->isEnabled());
    ClickEntry(jack->findChild<QListWidget*>("lstJack"), "その他");
    TypeText(jack->findChild<QLineEdit*>("txtJackSize"), "9");
    auto* sfx = jack->findChild<QCheckBox*>("chkSfx");
    if (sfx->isChecked()) QTest::mouseClick(sfx, Qt::LeftButton, {}, QPoint(5, sfx->height() / 2));
    QTest::mouseClick(jack->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
    QVERIFY(LoadedFrmJack() == nullptr);
    QVERIFY(LoadedInBox()->isEnabled());
    QCOMPARE(InBoxChild<QLabel>("lblJack")->text(), QString("(その他 ノーマル)"));
    QCOMPARE(LoadedInBox()->JackSizeText(), std::string("9"));

    CheckBox("chkJack", true);
    CheckBox("chkAfterJack", false);
    TypeNameAndEnter("pack");

    const std::string src = fx.Src();
    QCOMPARE(seen.commands.back(), "-r -m0 -v:9 \"" + src + "pack.zip\" \"" + src + "\"");
    QVERIFY(fs::exists(fx.src / "pack.zip"));
    QVERIFY(fs::exists(fx.src / "pack.zip.001"));
    QVERIFY(!fs::exists(fx.src / "pack.zip.join.sh"));
    const fs::path byJack = fx.Out("by-jack");
    QCOMPARE(JoinWithJack(fx.src / "pack.zip.001", byJack), 0);
    QVERIFY(FileBytes(byJack / "pack.zip") == FileBytes(fx.src / "pack.zip"));
    QCOMPARE(Tool("unzip -t " + Q((byJack / "pack.zip").string())).exitCode, 0);
  }

  void aFailedSplitNeverDeletesTheArchive() {
    Fixture fx;
    // Stored as typed in the split settings; Jack32 refuses it.
    RealPanel real("DefaultArcType=TAG\r\n", "big");
    PanelRun& run = real.run;
    FrmMain& panel = *real.panel;
    real.Drop(fx.dropped);
    CheckBox("chkJack", true);
    CheckBox("chkAfterJack", true);
    TypeNameAndEnter("pack");

    QVERIFY(fs::is_regular_file(fx.src / "pack.tgz"));
    QCOMPARE(Tool("bsdtar -tf " + Q((fx.src / "pack.tgz").string())).exitCode, 0);
    FrmChk* chk = LoadedFrmChk();
    QVERIFY(chk && chk->isVisible());
    QVERIFY2(chk->Lines().at(0).endsWith("     TGZ     失敗！"), qPrintable(chk->Lines().at(0)));
    QVERIFY(!panel.isEnabled());
    // The format step itself went well.
    QCOMPARE(run.Read("DefaultArcType"), std::string("TAG"));
    chk->Unload();
  }

  void doNothingSplitsTheDroppedFile() {
    Fixture fx;
    RealPanel real("DefaultArcType=NOT\r\n", "10");
    PanelRun& run = real.run;
    Seen& seen = real.seen;
    const fs::path file = fx.src / "a file.txt";
    real.Drop({file.string()});
    QVERIFY(LoadedInBox());
    QCOMPARE(LoadedInBox()->SelectedEntry(), std::string("何もしない"));
    QVERIFY(!InBoxChild<QLineEdit>("cboArcName")->isEnabled());
    CheckBox("chkJack", true);
    // Nothing was made, so nothing may be deleted.
    QVERIFY(!InBoxChild<QCheckBox>("chkAfterJack")->isEnabled());
    QTest::mouseClick(InBoxChild<QPushButton>("cmdCompress"), Qt::LeftButton);

    QCOMPARE(seen.commands.size(), std::size_t(1));
    QCOMPARE(seen.commands[0], "-r -m1 -v:10 \"" + file.string() + "\" \"" + fx.Src() + "\"");
    QVERIFY(fs::exists(file));
    QVERIFY(fs::exists(fx.src / "a file.txt.002"));
    QCOMPARE(run.Read("DefaultArcType"), std::string("NOT"));
    QVERIFY(LoadedFrmChk() == nullptr);
    const ToolResult script = JoinWithScript(fx.src, "a file.txt", fx.Out("joined"));
    QVERIFY2(script.exitCode == 0, qPrintable(script.output));
    QVERIFY(FileBytes(fx.Out("joined") / "a file.txt") == FileBytes(file));
    QCOMPARE(LeftOvers(fx.Src()), std::vector<std::string>());
  }
};

QTEST_MAIN(CompressSplitRealTest)
#include "CompressSplitRealTest.moc"
