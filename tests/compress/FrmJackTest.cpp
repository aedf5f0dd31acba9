// The split settings window: its controls, the presets, what OK stores and
// in which order, and how it gives its opener back.

#include <QAction>

#include "compress/CompressTestSupport.h"
#include "compress/FrmJack.h"
#include "ui/Twips.h"

using namespace ks;
using namespace ks::test;

class FrmJackTest : public QObject {
  Q_OBJECT

  PanelRun* run_ = nullptr;
  QTemporaryDir* files_ = nullptr;

  FrmMain& Start() {
    FrmMain& panel = run_->Start();
    InstallCompressZone(&panel);
    run_->recorder.platform.Clear();
    return panel;
  }
  FrmJack* FromMenu(FrmMain& panel) {
    panel.Menu().mnuSetJack->trigger();
    return LoadedFrmJack();
  }
  FrmJack* FromInBox() {
    const std::string file = files_->path().toStdString() + "/a.txt";
    std::ofstream(file) << "x";
    DropOn(run_->Find<QLabel>("lbl1"), *FileDrop({file}));
    QTest::mouseClick(InBoxChild<QPushButton>("cmdConf2"), Qt::LeftButton);
    return LoadedFrmJack();
  }
  std::string JackSection() {
    std::ifstream in(run_->Ini(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t at = text.find("[Jack]");
    return at == std::string::npos ? std::string() : text.substr(at);
  }

 private slots:
  void init() {
    run_ = new PanelRun;
    files_ = new QTemporaryDir("/tmp/kj-XXXXXX");
    run_->Settings("");
  }
  void cleanup() {
    UnloadCompressWindows();
    delete run_;
    delete files_;
  }

  void firstOpeningFromTheMenu() {
    FrmMain& panel = Start();
    FrmJack* jack = FromMenu(panel);
    QVERIFY(jack && jack->isVisible());
    QCOMPARE(jack->windowTitle(), QString("Jack32の切り裂き設定"));
    QCOMPARE(jack->size(), QSize(TwipsToPixels(2775), TwipsToPixels(2850)));
    auto* list = jack->findChild<QListWidget*>("lstJack");
    QCOMPARE(ListTexts(list), QStringList({"720KB", "1.44MB", "128MB", "230MB", "その他"}));
    QCOMPARE(list->geometry(), TwipsToPixels(QRect(120, 120, 2535, 960)));
    QCOMPARE(jack->findChild<QLabel*>("Label1")->text(), QString("サイズ指定（1KB=1024Byte換算）"));
    QCOMPARE(jack->findChild<QLabel*>("Label2")->text(), QString("KB"));
    QCOMPARE(jack->findChild<QPushButton*>("cmdOk")->text(), QString("O K"));
    QCOMPARE(jack->findChild<QPushButton*>("cmdCancel")->text(), QString("キャンセル"));
    QVERIFY(!jack->findChild<QLineEdit*>("txtFrom")->isVisible());
    // Nothing stored: no preset, an empty size, self-joining pieces.
    QVERIFY(list->selectedItems().isEmpty());
    QCOMPARE(jack->findChild<QLineEdit*>("txtJackSize")->text(), QString());
    QVERIFY(jack->findChild<QCheckBox*>("chkSfx")->isChecked());
    QVERIFY(!panel.isEnabled());
  }

  void presetsAndTheEmptySize() {
    FrmMain& panel = Start();
    FrmJack* jack = FromMenu(panel);
    auto* list = jack->findChild<QListWidget*>("lstJack");
    auto* size = jack->findChild<QLineEdit*>("txtJackSize");
    const std::pair<const char*, const char*> presets[] = {
        {"230MB", "220948"}, {"720KB", "711"}, {"128MB", "122622"}, {"1.44MB", "1423"}, {"その他", ""}};
    for (const auto& [entry, text] : presets) {
      ClickEntry(list, entry);
      QCOMPARE(size->text(), QString(text));
    }
    QTest::mouseClick(jack->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
    const auto boxes = run_->recorder.platform.Of("MessageBox");
    QCOMPARE(boxes.size(), std::size_t(1));
    QCOMPARE(boxes[0].text, std::string("分割サイズを入力してください。"));
    QCOMPARE(boxes[0].title, std::string("Jack32"));
    QCOMPARE(boxes[0].value, 16);
    QVERIFY(LoadedFrmJack() == jack);
    QCOMPARE(JackSection(), std::string());
  }

  void okFromTheDialogStoresInOrderAndUpdatesIt() {
    WriteIniFile(run_->Ini(), "Main", "TopMost", "-1");
    FrmMain& panel = Start();
    FrmJack* jack = FromInBox();
    QVERIFY(jack);
    FrmInBox* box = LoadedInBox();
    QCOMPARE(InBoxChild<QLabel>("lblJack")->text(), QString("(1.44MB ノーマル)"));
    ClickEntry(jack->findChild<QListWidget*>("lstJack"), "1.44MB");
    auto* sfx = jack->findChild<QCheckBox*>("chkSfx");
    QTest::mouseClick(sfx, Qt::LeftButton, {}, QPoint(5, sfx->height() / 2));
    QVERIFY(!sfx->isChecked());
    run_->recorder.platform.Clear();
    QTest::mouseClick(jack->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);

    QVERIFY(LoadedFrmJack() == nullptr);
    QCOMPARE(JackSection(), std::string("[Jack]\r\nJackRipSizeCap=1.44MB\r\nJackRipSize=1423\r\nJackRipType=0\r\n"));
    QCOMPARE(InBoxChild<QLabel>("lblJack")->text(), QString("(1.44MB ノーマル)"));
    QCOMPARE(box->JackSizeText(), std::string("1423"));
    QVERIFY(box->isEnabled());
    QVERIFY(!panel.isEnabled());
    const auto stacking = run_->recorder.platform.Of("SetTopMost");
    QCOMPARE(stacking.size(), std::size_t(2));
    QCOMPARE(stacking[1].window, static_cast<WindowHandle>(static_cast<QWidget*>(box)));
    QCOMPARE(stacking[1].value, 1);

    // The next opening starts from what was stored; a typed size is kept as typed.
    jack = FromInBoxAgain();
    QCOMPARE(jack->findChild<QListWidget*>("lstJack")->selectedItems().at(0)->text(), QString("1.44MB"));
    QVERIFY(!jack->findChild<QCheckBox*>("chkSfx")->isChecked());
    ClickEntry(jack->findChild<QListWidget*>("lstJack"), "その他");
    TypeText(jack->findChild<QLineEdit*>("txtJackSize"), "5x");
    QTest::mouseClick(jack->findChild<QCheckBox*>("chkSfx"), Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseClick(jack->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
    QCOMPARE(InBoxChild<QLabel>("lblJack")->text(), QString("(その他 自己結合)"));
    QCOMPARE(box->JackSizeText(), std::string("5x"));
    QCOMPARE(ReadIniFile(run_->Ini(), "Jack", "JackRipType", ""), std::string("-1"));
  }

  void okFromTheMenuChangesOnlyTheSettings() {
    WriteIniFile(run_->Ini(), "Jack", "JackRipSizeCap", "128MB");
    WriteIniFile(run_->Ini(), "Jack", "JackRipSize", "999");
    WriteIniFile(run_->Ini(), "Jack", "JackRipType", "0");
    FrmMain& panel = Start();
    FrmJack* jack = FromMenu(panel);
    // The stored caption's preset, not the stored size, fills the box.
    QCOMPARE(jack->findChild<QLineEdit*>("txtJackSize")->text(), QString("122622"));
    QVERIFY(!jack->findChild<QCheckBox*>("chkSfx")->isChecked());
    ClickEntry(jack->findChild<QListWidget*>("lstJack"), "720KB");
    QTest::mouseClick(jack->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
    QVERIFY(LoadedFrmJack() == nullptr);
    QVERIFY(panel.isEnabled());
    QCOMPARE(ReadIniFile(run_->Ini(), "Jack", "JackRipSizeCap", ""), std::string("720KB"));
    QCOMPARE(ReadIniFile(run_->Ini(), "Jack", "JackRipSize", ""), std::string("711"));
    QCOMPARE(ReadIniFile(run_->Ini(), "Jack", "JackRipType", ""), std::string("0"));
  }

  void cancelEscAndCloseStoreNothing() {
    FrmMain& panel = Start();
    for (int way = 0; way < 3; ++way) {
      FrmJack* jack = FromMenu(panel);
      ClickEntry(jack->findChild<QListWidget*>("lstJack"), "230MB");
      if (way == 0) QTest::mouseClick(jack->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
      if (way == 1) QTest::keyClick(jack->findChild<QLineEdit*>("txtJackSize"), Qt::Key_Escape);
      if (way == 2) jack->close();
      QVERIFY(LoadedFrmJack() == nullptr);
      QVERIFY(panel.isEnabled());
    }
    QCOMPARE(JackSection(), std::string());
    // From the dialog: the dialog is given back, the panel stays with it.
    FrmJack* jack = FromInBox();
    jack->close();
    QVERIFY(LoadedInBox()->isEnabled());
    QVERIFY(!panel.isEnabled());
  }

 private:
  FrmJack* FromInBoxAgain() {
    QTest::mouseClick(InBoxChild<QPushButton>("cmdConf2"), Qt::LeftButton);
    return LoadedFrmJack();
  }
};

QTEST_MAIN(FrmJackTest)
#include "FrmJackTest.moc"
