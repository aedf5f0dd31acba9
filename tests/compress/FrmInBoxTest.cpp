// The compression dialog over the real panel with fake libraries: its
// controls, the format list and the stored format, the enabling rules, the
// settings buttons, closing, and what the compress zone refuses.

#include <QMimeData>

#include "archivers/Probe.h"
#include "compress/CompressTestSupport.h"
#include "compress/FrmJack.h"
#include "core/DropList.h"
#include "ui/Twips.h"

using namespace ks;
using namespace ks::test;

namespace {

struct Scratch {
  QTemporaryDir dir{"/tmp/kb-XXXXXX"};
  std::string Path(const std::string& name) const { return dir.path().toStdString() + "/" + name; }
  std::string File(const std::string& name) const {
    std::ofstream(Path(name)) << "x";
    return Path(name);
  }
  std::string Folder(const std::string& name) const {
    fs::create_directories(Path(name));
    return Path(name);
  }
};

QRect Twips(int l, int t, int w, int h) { return TwipsToPixels(QRect(l, t, w, h)); }

}  // namespace

class FrmInBoxTest : public QObject {
  Q_OBJECT

  PanelRun* run_ = nullptr;
  Scratch* files_ = nullptr;

  FrmMain& Start(const std::string& settings = "") {
    run_->Settings(settings);
    FrmMain& panel = run_->Start();
    InstallCompressZone(&panel);
    run_->recorder.platform.Clear();
    return panel;
  }
  FrmInBox* Drop(const std::vector<std::string>& names) {
    DropOn(run_->Find<QLabel>("lbl1"), *FileDrop(names));
    return LoadedInBox();
  }
  QStringList Entries() { return ListTexts(InBoxChild<QListWidget>("lstArc")); }
  std::vector<std::string> ConfigCalls() {
    std::vector<std::string> calls;
    for (const auto& c : *run_->libraries.log)
      if (c.name.find("ConfigDialog") != std::string::npos) calls.push_back(c.name + " " + c.args.at(0));
    return calls;
  }

 private slots:
  void init() {
    run_ = new PanelRun;
    files_ = new Scratch;
  }
  void cleanup() {
    UnloadCompressWindows();
    delete run_;
    delete files_;
  }

  void controlsAsDesigned() {
    FrmMain& panel = Start();
    FrmInBox* box = Drop({files_->File("a.txt"), files_->File("b.txt")});
    QVERIFY(box && box->isVisible());
    QCOMPARE(box->windowTitle(), QString("圧縮"));
    QCOMPARE(box->size(), QSize(TwipsToPixels(5340), TwipsToPixels(2490)));
    QVERIFY(!panel.isEnabled());
    const struct {
      const char* name;
      const char* text;
      QRect rect;
    } controls[] = {
        {"lblType1", "書庫の形式", Twips(120, 240, 975, 255)},
        {"cmdConf", "設定", Twips(1680, 210, 735, 285)},
        {"lstArc", "", Twips(120, 480, 2295, 1860)},
        {"chkJack", "圧縮後Jackで分割", Twips(2640, 120, 1815, 375)},
        {"cmdConf2", "設定", Twips(4440, 150, 735, 300)},
        {"lblJack", "(1.44MB ノーマル)", Twips(2880, 495, 1575, 180)},
        {"chkAfterJack", "分割後書庫ファイルは削除", Twips(2640, 720, 2535, 375)},
        {"lblArcName", "ファイル名", Twips(2640, 1200, 975, 255)},
        {"cboArcName", "", Twips(2640, 1440, 2535, 255)},
        {"cmdCompress", "圧縮開始", Twips(2640, 1800, 1095, 495)},
        {"cmdCancel", "キャンセル", Twips(4080, 1800, 1095, 495)},
        {"lblJackSize", "1423", Twips(1200, 0, 735, 255)},
    };
    for (const auto& c : controls) {
      QWidget* w = box->findChild<QWidget*>(c.name);
      QVERIFY2(w, c.name);
      QCOMPARE(w->geometry(), c.rect);
      QCOMPARE(w->font().family(), QString("IPAPGothic"));
      QString text;
      if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
      if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
      if (auto* e = qobject_cast<QLineEdit*>(w)) text = e->text();
      QCOMPARE(text, QString(c.text));
    }
    QVERIFY(!box->findChild<QLabel*>("lblJackSize")->isVisible());
    QVERIFY(box->findChild<QPushButton*>("cmdCompress")->isDefault());
    QVERIFY(!box->findChild<QCheckBox*>("chkJack")->isChecked());
    QVERIFY(!box->findChild<QCheckBox*>("chkAfterJack")->isChecked());
    // The name box first, then start and cancel.
    QWidget* name = box->findChild<QWidget*>("cboArcName");
    QCOMPARE(box->focusWidget(), name);
    QCOMPARE(name->nextInFocusChain(), box->findChild<QWidget*>("cmdCompress"));
    QCOMPARE(name->nextInFocusChain()->nextInFocusChain(), box->findChild<QWidget*>("cmdCancel"));
  }

  void formatListFollowsTheDropAndTheLibraries() {
    Start();
    // Two names: no "何もしない".
    Drop({files_->File("a.txt"), files_->File("b.txt")});
    QStringList all = Entries();
    QCOMPARE(all.size(), 20);
    QCOMPARE(all.first(), QString("Lha"));
    QCOMPARE(all.at(6), QString("Cab"));
    QCOMPARE(all.last(), QString("Yz1 公開鍵Password付き"));
    LoadedInBox()->Unload();
    // One file: "何もしない" first.
    Drop({files_->File("a.txt")});
    QCOMPARE(Entries().first(), QString("何もしない"));
    QCOMPARE(Entries().size(), 21);
    LoadedInBox()->Unload();
    // One folder, or a hidden file: not a file by a directory lookup.
    Drop({files_->Folder("doc")});
    QCOMPARE(Entries().first(), QString("Lha"));
    LoadedInBox()->Unload();
    Drop({files_->File(".hidden")});
    QCOMPARE(Entries().first(), QString("Lha"));
    LoadedInBox()->Unload();

    // Zip32j without UnZip32, and no Bga32 or Yz1.
    run_->libraries.Missing(LibraryId::UnZip);
    run_->libraries.Missing(LibraryId::Bga);
    run_->libraries.Missing(LibraryId::Yz1);
    Start();
    QVERIFY(!HasZip);
    Drop({files_->File("a.txt"), files_->File("b.txt")});
    QCOMPARE(Entries(), QStringList({"Lha", "Lzh DosSFX DOS用", "Lzh WinSFX Win16用", "Lzh WinSFXM Win16用",
                                     "Lzh WinSFX Win32用", "Lzh WinSFXM Win32用", "Cab", "Cab SFX", "Tar",
                                     "Tar(gzip)", "Tar(bzip2)"}));
  }

  void storedFormatIsSelected() {
    Start();
    const std::string two[] = {files_->File("a.txt"), files_->File("b.txt")};
    // Nothing stored: "Lha", and the delete option enabled by the selection.
    Drop({two[0], two[1]});
    QCOMPARE(LoadedInBox()->SelectedEntry(), std::string("Lha"));
    QVERIFY(InBoxChild<QCheckBox>("chkAfterJack")->isEnabled());
    LoadedInBox()->Unload();

    const std::pair<std::string, std::string> cases[] = {
        {"GZS", "GZA SFX"}, {"lha", "Lha"}, {"XYZ", "Lha"}, {"ZIE", "Zip Password付き"},
        {"TAB", "Tar(bzip2)"}, {"YZK", "Yz1 公開鍵Password付き"},
        {"NOT", ""},  // not offered for two files
    };
    for (const auto& [code, entry] : cases) {
      Start("DefaultArcType=" + code + "\r\n");
      Drop({two[0], two[1]});
      QCOMPARE(LoadedInBox()->SelectedEntry(), entry);
      LoadedInBox()->Unload();
    }
    run_->libraries.Missing(LibraryId::Bga);
    Start("DefaultArcType=GZS\r\n");
    Drop({two[0], two[1]});
    QCOMPARE(LoadedInBox()->SelectedEntry(), std::string());
    LoadedInBox()->Unload();

    // "何もしない" for one file: the name box and the delete option go off.
    Start("DefaultArcType=NOT\r\n");
    Drop({two[0]});
    QCOMPARE(LoadedInBox()->SelectedEntry(), std::string("何もしない"));
    QVERIFY(!InBoxChild<QLineEdit>("cboArcName")->isEnabled());
    QVERIFY(!InBoxChild<QLabel>("lblArcName")->isEnabled());
    QVERIFY(!InBoxChild<QCheckBox>("chkAfterJack")->isEnabled());
  }

  void splitSummaryFromTheSettings() {
    run_->Settings("");
    WriteIniFile(run_->Ini(), "Jack", "JackRipType", "-1");
    WriteIniFile(run_->Ini(), "Jack", "JackRipSizeCap", "230MB");
    WriteIniFile(run_->Ini(), "Jack", "JackRipSize", "220948");
    FrmMain& panel = run_->Start();
    InstallCompressZone(&panel);
    Drop({files_->File("a.txt")});
    QCOMPARE(InBoxChild<QLabel>("lblJack")->text(), QString("(230MB 自己結合)"));
    QCOMPARE(LoadedInBox()->JackSizeText(), std::string("220948"));
  }

  void enablingRules() {
    Start();
    Drop({files_->File("a.txt")});
    auto* list = InBoxChild<QListWidget>("lstArc");
    auto* name = InBoxChild<QLineEdit>("cboArcName");
    auto* jack = InBoxChild<QCheckBox>("chkJack");
    auto* after = InBoxChild<QCheckBox>("chkAfterJack");
    TypeText(name, "kept");
    ClickEntry(list, "何もしない");
    QVERIFY(!name->isEnabled());
    QCOMPARE(name->text(), QString("kept"));  // disabled, not emptied
    QVERIFY(!after->isEnabled());
    QTest::mouseClick(jack, Qt::LeftButton, {}, QPoint(5, jack->height() / 2));
    QVERIFY(jack->isChecked());
    QVERIFY(!after->isEnabled());  // nothing made, nothing to delete
    ClickEntry(list, "Zip");
    QVERIFY(name->isEnabled() && after->isEnabled());
    QTest::mouseClick(jack, Qt::LeftButton, {}, QPoint(5, jack->height() / 2));
    QVERIFY(!jack->isChecked());
    QVERIFY(!after->isEnabled());
    QTest::mouseClick(jack, Qt::LeftButton, {}, QPoint(5, jack->height() / 2));
    QVERIFY(after->isEnabled());
  }

  void withoutJack32() {
    run_->libraries.Missing(LibraryId::Jack);
    Start();
    Drop({files_->File("a.txt")});
    QVERIFY(!InBoxChild<QCheckBox>("chkJack")->isEnabled());
    QVERIFY(!InBoxChild<QPushButton>("cmdConf2")->isEnabled());
    QVERIFY(!InBoxChild<QLabel>("lblJack")->isEnabled());
    ClickEntry(InBoxChild<QListWidget>("lstArc"), "何もしない");
    QVERIFY(InBoxChild<QLineEdit>("cboArcName")->isEnabled());
  }

  void settingsButtonCallsTheLibrary() {
    Start();
    Drop({files_->File("a.txt")});
    auto* list = InBoxChild<QListWidget>("lstArc");
    auto* conf = InBoxChild<QPushButton>("cmdConf");
    const std::pair<const char*, const char*> cases[] = {
        {"Lha", "UnlhaConfigDialog 2"}, {"Lzh WinSFXM Win16用", "UnlhaConfigDialog 2"},
        {"Cab SFX", "CabConfigDialog 2"}, {"Zip Password付き", "ZipConfigDialog 2"},
        {"Tar(gzip)", ""}, {"BZA", ""}, {"Yz1", ""}, {"何もしない", ""}};
    for (const auto& [entry, call] : cases) {
      run_->libraries.log->clear();
      ClickEntry(list, entry);
      QTest::mouseClick(conf, Qt::LeftButton);
      const std::vector<std::string> expected = *call ? std::vector<std::string>{call} : std::vector<std::string>{};
      QCOMPARE(ConfigCalls(), expected);
    }
    // No selection: nothing either; a library lacking the entry point is no error.
    run_->libraries.log->clear();
    list->clearSelection();
    QTest::mouseClick(conf, Qt::LeftButton);
    QVERIFY(ConfigCalls().empty());
    run_->libraries[LibraryId::Cab].Lack("ConfigDialog");
    ClickEntry(list, "Cab");
    QTest::mouseClick(conf, Qt::LeftButton);
    QVERIFY(LoadedInBox()->isVisible());
  }

  void splitSettingsFromTheDialog() {
    FrmMain& panel = Start("TopMost=-1\r\n");
    QVERIFY(panel.TopMostChecked());
    FrmInBox* box = Drop({files_->File("a.txt")});
    auto stacking = run_->recorder.platform.Of("SetTopMost");
    QCOMPARE(stacking.size(), std::size_t(2));
    QCOMPARE(stacking[0].window, static_cast<WindowHandle>(&panel));
    QCOMPARE(stacking[0].value, 0);
    QCOMPARE(stacking[1].window, static_cast<WindowHandle>(static_cast<QWidget*>(box)));
    QCOMPARE(stacking[1].value, 1);

    run_->recorder.platform.Clear();
    QTest::mouseClick(InBoxChild<QPushButton>("cmdConf2"), Qt::LeftButton);
    FrmJack* jack = LoadedFrmJack();
    QVERIFY(jack && jack->isVisible());
    QCOMPARE(jack->findChild<QLineEdit*>("txtFrom")->text(), QString("inbox"));
    QVERIFY(!box->isEnabled());
    QVERIFY(!panel.isEnabled());
    bool jackOnTop = false, boxDown = false;
    for (const auto& c : run_->recorder.platform.Of("SetTopMost")) {
      if (c.window == static_cast<WindowHandle>(static_cast<QWidget*>(jack)) && c.value == 1) jackOnTop = true;
      if (c.window == static_cast<WindowHandle>(static_cast<QWidget*>(box)) && c.value == 0) boxDown = true;
    }
    QVERIFY(jackOnTop && boxDown);
    // The dialog cannot be closed while the split settings are open.
    box->close();
    QVERIFY(LoadedInBox() == box);

    run_->recorder.platform.Clear();
    QTest::keyClick(jack->findChild<QListWidget*>("lstJack"), Qt::Key_Escape);
    QVERIFY(LoadedFrmJack() == nullptr);
    QVERIFY(box->isEnabled());
    QVERIFY(!panel.isEnabled());
    stacking = run_->recorder.platform.Of("SetTopMost");
    QCOMPARE(stacking.size(), std::size_t(2));
    QCOMPARE(stacking[0].window, static_cast<WindowHandle>(&panel));
    QCOMPARE(stacking[0].value, 0);
    QCOMPARE(stacking[1].window, static_cast<WindowHandle>(static_cast<QWidget*>(box)));
    QCOMPARE(stacking[1].value, 1);
  }

  void closingGivesThePanelBack() {
    const std::string file = files_->File("a.txt");
    for (int way = 0; way < 3; ++way) {
      FrmMain& panel = Start("TopMost=-1\r\n");
      FrmInBox* box = Drop({file});
      QVERIFY(!panel.isEnabled());
      run_->recorder.platform.Clear();
      if (way == 0) QTest::mouseClick(InBoxChild<QPushButton>("cmdCancel"), Qt::LeftButton);
      if (way == 1) QTest::keyClick(InBoxChild<QLineEdit>("cboArcName"), Qt::Key_Escape);
      if (way == 2) box->close();
      QVERIFY(LoadedInBox() == nullptr);
      QVERIFY(panel.isEnabled());
      const auto stacking = run_->recorder.platform.Of("SetTopMost");
      QCOMPARE(stacking.size(), std::size_t(1));
      QCOMPARE(stacking[0].window, static_cast<WindowHandle>(&panel));
      QCOMPARE(stacking[0].value, 1);
      // Nothing was written or called.
      QCOMPARE(run_->Read("DefaultArcType"), std::string("<absent>"));
    }
    for (const auto& c : *run_->libraries.log) QVERIFY2(c.name.find("Version") != std::string::npos, c.name.c_str());
  }

  void dropsTheZoneRefuses() {
    FrmMain& panel = Start();
    const auto refusedWith = [&] {
      const auto boxes = run_->recorder.platform.Of("MessageBox");
      QCOMPARE(boxes.size(), std::size_t(1));
      QCOMPARE(boxes[0].text, std::string("そのアイコンは処理できません(^-^;"));
      QCOMPARE(boxes[0].title, std::string("そのアイコンはあかんわ"));
      QCOMPARE(boxes[0].value, 16);
      QVERIFY(LoadedInBox() == nullptr);
      QVERIFY(panel.isEnabled());
      run_->recorder.platform.Clear();
    };
    const std::string file = files_->File("a.txt");
    Drop({"/", file});
    refusedWith();
    // The list was replaced all the same.
    QCOMPARE(DroppedCount, 2);
    QCOMPARE(DroppedFiles[1], std::string("/"));
    Drop({"//server/share"});
    refusedWith();

    QMimeData text;
    text.setText("no files here");
    DropOn(run_->Find<QLabel>("lbl1"), text);
    refusedWith();

    std::vector<std::string> many(32768, file);
    Drop(many);
    refusedWith();

    // Only the first name is tested.
    QVERIFY(Drop({file, "/"}));
    QVERIFY(!panel.isEnabled());
    LoadedInBox()->Unload();
    const std::string three[] = {files_->File("c.txt"), files_->File("b.txt"), files_->Folder("d")};
    QVERIFY(Drop({three[0], three[1], three[2] + "/"}));
    QCOMPARE(DroppedCount, 3);
    QCOMPARE(DroppedFiles, (std::vector<std::string>{"", three[0], three[1], three[2]}));
  }

  void menuEntryOpensTheSplitSettings() {
    FrmMain& panel = Start();
    QVERIFY(panel.Menu().mnuSetJack->isEnabled());
    panel.Menu().mnuSetJack->trigger();
    FrmJack* jack = LoadedFrmJack();
    QVERIFY(jack && jack->isVisible());
    QCOMPARE(jack->findChild<QLineEdit*>("txtFrom")->text(), QString("main"));
    QVERIFY(!panel.isEnabled());
    jack->close();
    QVERIFY(LoadedFrmJack() == nullptr);
    QVERIFY(panel.isEnabled());
  }
};

QTEST_MAIN(FrmInBoxTest)
#include "FrmInBoxTest.moc"
