// The settings menu, where a right click opens it, the appearance commands
// and the wallpaper gestures on the logo.

#include <QAction>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QScreen>

#include "panel/PanelTestSupport.h"
#include "ui/Twips.h"

using namespace ks;
using namespace ks::test;

namespace {

QStringList Entries(const QMenu* menu) {
  QStringList out;
  for (const QAction* a : menu->actions())
    out << a->objectName() + (a->isSeparator() ? QString() : "=" + a->text());
  return out;
}

void DropOn(QWidget* target, const QMimeData& data) {
  const QPointF at(target->width() / 2.0, target->height() / 2.0);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
}

QMimeData* FileDrop(const std::string& path) {
  auto* data = new QMimeData;
  data->setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  return data;
}

}  // namespace

class MenuTest : public QObject {
  Q_OBJECT
 private slots:
  void menuTreeInDisplayOrder() {
    PanelRun run;
    FrmMain& panel = run.Start();
    QMenu* top = run.Find<QMenu>("mnuSetup");
    QVERIFY(top);
    QCOMPARE(top->title(), QString("設定"));
    QCOMPARE(Entries(top),
             (QStringList{"mnuSetPanel=簡易設定", "mnuSep", "mnuVer=バージョン情報"}));
    QCOMPARE(Entries(run.Find<QMenu>("mnuSetPanel")),
             (QStringList{"mnuDblFolder=解凍時重複フォルダ抑制", "mnuFolderOpen=解凍後フォルダ開く",
                          "mnuErrRep=常に解凍結果を表示", "mnuErrRepPac=常に圧縮結果を表示",
                          "mnuSep3", "mnuClrLine=境界線を消す", "mnuClrTxt=説明を消す",
                          "mnuSetTxt=説明の色", "mnuClrLogo=ロゴを消す", "mnuSetLogo=ロゴの色設定",
                          "mnuClrDll=使用可能DLLを消す", "mnuSetDll=使用可能DLLの色",
                          "mnuSetBack=ウインドウの色", "mnuSep2", "mnuSetJack=Jack32.dllの設定"}));
    for (const char* option : {"mnuDblFolder", "mnuFolderOpen", "mnuErrRep", "mnuErrRepPac"})
      QVERIFY(run.Find<QAction>(option)->isCheckable());
    // The split settings window is not there yet: its entry waits for it.
    QAction* jack = run.Find<QAction>("mnuSetJack");
    QVERIFY(!jack->isEnabled());
    int opened = 0;
    panel.setSplitSettingsHandler([&] { ++opened; });
    QVERIFY(jack->isEnabled());
    jack->trigger();
    QCOMPARE(opened, 1);
  }

  void optionsToggleTheirMarks() {
    PanelRun run;
    FrmMain& panel = run.Start();
    QAction* errRep = panel.Menu().mnuErrRep;
    errRep->trigger();
    QVERIFY(panel.ErrRepChecked());
    errRep->trigger();
    QVERIFY(!panel.ErrRepChecked());
    panel.Menu().mnuDblFolder->trigger();
    QVERIFY(!panel.DblFolderChecked());
    run.Close();
    QCOMPARE(run.Read("ErrRep"), std::string("0"));
    QCOMPARE(run.Read("DblFolder"), std::string("0"));
  }

  void rightReleaseOpensTheMenuOverBackgroundAndLabels_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("opens");
    for (const char* name : {"imgBack", "lbl1", "lbl2", "lbl3", "lblDll", "lblLogo"})
      QTest::newRow(name) << QString(name) << true;
    for (const char* name : {"chkTop", "chkFolder", "chkDesktop"})
      QTest::newRow(name) << QString(name) << false;
  }
  void rightReleaseOpensTheMenuOverBackgroundAndLabels() {
    QFETCH(QString, control);
    QFETCH(bool, opens);
    PanelRun run;
    run.Start();
    QMenu* menu = run.Find<QMenu>("mnuSetup");
    QWidget* target = run.Find<QWidget>(control.toLatin1().constData());
    QVERIFY(target);
    // imgBack lies under everything; reach it where nothing covers it.
    QPoint at = target->rect().center();
    if (control == "imgBack") {
      target = run.panel.get();
      at = QPoint(run.panel->width() / 2 + 4, run.panel->height() / 2 + 20);
      QCOMPARE(run.panel->childAt(at), run.Find<QWidget>("imgBack"));
    }
    QTest::mouseClick(target, Qt::RightButton, {}, at);
    QCOMPARE(menu->isVisible(), opens);
    menu->hide();
    // Other buttons do nothing.
    QTest::mouseClick(target, Qt::MiddleButton, {}, at);
    QVERIFY(!menu->isVisible());
  }

  void frameLinesAndBareBackground() {
    PanelRun run;
    FrmMain& panel = run.Start();
    QMenu* menu = run.Find<QMenu>("mnuSetup");
    // A right click on a frame line is taken by the frame.
    QWidget* frame = run.Find<QWidget>("shp2a");
    QCOMPARE(panel.childAt(frame->geometry().topRight()), frame);
    QTest::mouseClick(frame, Qt::RightButton, {}, QPoint(frame->width() - 1, 5));
    QVERIFY(!menu->isVisible());
    // Inside the frame it is the zone's click.
    const QPoint inside = frame->geometry().center();
    QCOMPARE(panel.childAt(inside), run.Find<QWidget>("lbl2"));
    // The bare window opens it too.
    run.Find<QLabel>("imgBack")->resize(0, 0);
    const QPoint bare(panel.width() / 2 + 4, panel.height() / 2 + 20);
    QCOMPARE(panel.childAt(bare), nullptr);
    QTest::mouseClick(&panel, Qt::RightButton, {}, bare);
    QVERIFY(menu->isVisible());
    menu->hide();
    // A disabled panel opens no menu.
    panel.setEnabled(false);
    QTest::mouseClick(run.Find<QWidget>("lbl1"), Qt::RightButton);
    QVERIFY(!menu->isVisible());
  }

  void colourCommandsAndCustomColours() {
    PanelRun run;
    FrmMain& panel = run.Start();
    std::optional<QColor> answer;
    int asked = 0;
    panel.setColourChooser([&](QWidget* owner, FrmMain::CustomColourTable& table) {
      ++asked;
      [&] { QCOMPARE(owner, static_cast<QWidget*>(&panel)); }();
      table[3] = 0x00112233;
      return answer;
    });
    QVERIFY(panel.CustomColors() == FrmMain::CustomColourTable{});

    // Cancelled: nothing changes, not even the custom colours.
    panel.Menu().mnuSetLogo->trigger();
    QCOMPARE(asked, 1);
    QCOMPARE(panel.LogoColour(), -2147483630);
    QCOMPARE(panel.CustomColors()[3], 0u);

    answer = QColor(0, 128, 0);
    panel.Menu().mnuSetLogo->trigger();
    QCOMPARE(panel.LogoColour(), 0x00008000);
    QCOMPARE(run.Find<QLabel>("lblLogo")->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    QCOMPARE(panel.CustomColors()[3], 0x00112233u);

    answer = QColor(0x10, 0x20, 0x30);
    panel.Menu().mnuSetDll->trigger();
    QCOMPARE(panel.DllColour(), 0x00302010);
    panel.Menu().mnuSetBack->trigger();
    QCOMPARE(panel.BackColour(), 0x00302010);
    QCOMPARE(panel.palette().color(QPalette::Window), QColor(0x10, 0x20, 0x30));
    run.Close();
    QCOMPARE(run.Read("ClLogo"), std::to_string(0x00008000));
    QCOMPARE(run.Read("ClBack"), std::to_string(0x00302010));
    QCOMPARE(run.Read("ClExplain"), std::string("-2147483640"));
  }

  void hideTogglesGreyTheirColourEntries() {
    PanelRun run;
    FrmMain& panel = run.Start();
    const SettingsMenu& m = panel.Menu();
    int dropped = 0;
    panel.setDropHandler(Zone::Extract, [&](const QMimeData*) { ++dropped; });

    m.mnuClrTxt->trigger();
    for (const char* zone : {"lbl1", "lbl2", "lbl3"})
      QCOMPARE(run.Find<QLabel>(zone)->text(), QString());
    QVERIFY(!m.mnuSetTxt->isEnabled());
    std::unique_ptr<QMimeData> data(FileDrop("/tmp/a.lzh"));
    DropOn(run.Find<QWidget>("lbl2"), *data);
    QCOMPARE(dropped, 1);  // blank zones still take drops
    m.mnuClrTxt->trigger();
    QCOMPARE(run.Find<QLabel>("lbl1")->text(), QString("圧縮"));
    QCOMPARE(run.Find<QLabel>("lbl3")->text(), QString("検査"));
    QVERIFY(m.mnuSetTxt->isEnabled());

    m.mnuClrLogo->trigger();
    QVERIFY(!run.Find<QWidget>("lblLogo")->isVisible());
    QVERIFY(!m.mnuSetLogo->isEnabled());
    m.mnuClrLogo->trigger();
    QVERIFY(run.Find<QWidget>("lblLogo")->isVisible());
    QVERIFY(m.mnuSetLogo->isEnabled());

    m.mnuClrDll->trigger();
    QVERIFY(!run.Find<QWidget>("lblDll")->isVisible());
    QVERIFY(!m.mnuSetDll->isEnabled());

    m.mnuClrLine->trigger();
    QVERIFY(!run.Find<QWidget>("shp1b")->isVisible());
    m.mnuClrLine->trigger();
    QVERIFY(run.Find<QWidget>("shp1b")->isVisible());
  }

  void zoneDropsGoToTheirHandlers() {
    PanelRun run;
    FrmMain& panel = run.Start();
    std::vector<std::string> seen;
    panel.setDropHandler(Zone::Compress, [&](const QMimeData*) { seen.push_back("compress"); });
    panel.setDropHandler(Zone::Check, [&](const QMimeData*) { seen.push_back("check"); });
    std::unique_ptr<QMimeData> data(FileDrop("/tmp/x.zip"));
    DropOn(run.Find<QWidget>("lbl3"), *data);
    DropOn(run.Find<QWidget>("lbl1"), *data);
    DropOn(run.Find<QWidget>("lbl2"), *data);  // no handler: nothing happens
    QCOMPARE(seen, (std::vector<std::string>{"check", "compress"}));
  }

  void pictureDroppedOnTheLogoBecomesTheWallpaper() {
    PanelRun run;
    FrmMain& panel = run.Start();
    const std::string bmp = run.Folder() + "wall paper.bmp";
    QVERIFY(QImage(300, 200, QImage::Format_RGB32).save(QString::fromStdString(bmp), "BMP"));
    std::unique_ptr<QMimeData> data(FileDrop(bmp));
    DropOn(run.Find<QWidget>("lblLogo"), *data);
    QVERIFY(panel.HasWallpaper());
    QCOMPARE(run.Read("Back"), bmp);
    QCOMPARE(panel.ClientTwips(), QSize(4500, 3000));
    QCOMPARE(run.Find<QWidget>("imgBack")->size(), QSize(300, 200));
    // The zones followed the new size.
    QCOMPARE(panel.Rects().lbl2.left(), 2350);
    QCOMPARE(panel.Rects().lbl3.top(), 1600);

    // A double click removes it and keeps the size.
    QTest::mouseDClick(run.Find<QWidget>("lblLogo"), Qt::LeftButton);
    QVERIFY(!panel.HasWallpaper());
    QCOMPARE(run.Read("Back"), std::string(""));
    QCOMPARE(panel.ClientTwips(), QSize(4500, 3000));
  }

  void gifsAndNonPicturesAreIgnored() {
    PanelRun run;
    run.Settings("Back=/old/wall.jpg\r\n");
    FrmMain& panel = run.Start();
    const QSize client = panel.ClientTwips();
    const std::string gif = run.Folder() + "anim.gif";
    // A real one-pixel GIF: the picture loader could read it, the panel won't.
    const char kGif[] =
        "GIF89a\x01\x00\x01\x00\x80\x00\x00\x00\x00\x00\xff\xff\xff!\xf9\x04\x01\x00"
        "\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;";
    std::ofstream(gif, std::ios::binary).write(kGif, sizeof kGif - 1);
    QVERIFY(!QImage(QString::fromStdString(gif)).isNull());
    const std::string fake = run.Folder() + "notes.jpg";
    std::ofstream(fake, std::ios::binary) << "a text file, not a picture";
    for (const std::string& file : {gif, fake, run.Folder() + "missing.bmp", run.Folder()}) {
      std::unique_ptr<QMimeData> data(FileDrop(file));
      DropOn(run.Find<QWidget>("lblLogo"), *data);
      QVERIFY(!panel.HasWallpaper());
      QCOMPARE(run.Read("Back"), std::string("/old/wall.jpg"));
      QCOMPARE(panel.ClientTwips(), client);
    }
    QMimeData text;
    text.setText("no files here");
    DropOn(run.Find<QWidget>("lblLogo"), text);
    QCOMPARE(run.Read("Back"), std::string("/old/wall.jpg"));
  }

  void hugePictureKeepsTheWindowOnTheScreen() {
    PanelRun run;
    FrmMain& panel = run.Start();
    const QRect area = panel.screen()->availableGeometry();
    const QSize available = area.size();
    panel.MoveOuterTwips(PixelsToTwips(area.center().x()), PixelsToTwips(area.center().y()));
    const std::string big = run.Folder() + "big.bmp";
    QVERIFY(QImage(available.width() * 2, available.height() + 300, QImage::Format_RGB32)
                .save(QString::fromStdString(big), "BMP"));
    std::unique_ptr<QMimeData> data(FileDrop(big));
    DropOn(run.Find<QWidget>("lblLogo"), *data);
    QVERIFY(panel.HasWallpaper());
    // No larger than the usable part of the screen, and wholly inside it.
    QVERIFY(area.contains(panel.frameGeometry()));
    // The picture itself keeps its natural size behind the controls.
    QCOMPARE(run.Find<QWidget>("imgBack")->width(), available.width() * 2);
  }

  void windowsOpenedOverThePanel() {
    PanelRun run;
    FrmMain& panel = run.Start();
    auto& calls = run.recorder.platform;
    for (bool top : {true, false}) {
      run.Box("chkTop")->setChecked(top);
      calls.Clear();
      QWidget dialog;
      dialog.resize(90, 60);
      panel.OpenWindowOver(&dialog);
      QVERIFY(!panel.isEnabled());
      QVERIFY(dialog.isVisible());
      QVERIFY(std::abs(dialog.frameGeometry().center().x() -
                       panel.frameGeometry().center().x()) <= 1);
      // The panel steps down, the window goes into its band, then comes to
      // the front with the focus: the same order with and without TopMost.
      std::vector<std::string> order;
      for (const auto& c : calls.calls) {
        const char* who = c.window == static_cast<WindowHandle>(&panel)    ? "panel"
                          : c.window == static_cast<WindowHandle>(&dialog) ? "dialog"
                                                                            : "other";
        order.push_back(c.what + " " + who + " " + std::to_string(c.value));
      }
      std::vector<std::string> expected{"SetTopMost panel 0"};
      if (top) expected.push_back("SetTopMost dialog 1");
      expected.push_back("ActivateWindow dialog 0");
      QCOMPARE(order, expected);
      auto stacking = calls.Of("SetTopMost");
      calls.Clear();
      panel.WindowClosed();
      QVERIFY(panel.isEnabled());
      stacking = calls.Of("SetTopMost");
      QCOMPARE(stacking.size(), std::size_t(1));
      QCOMPARE(stacking[0].value, top ? 1 : 0);
    }
  }

  void versionWindowDisablesThePanelUntilClosed() {
    PanelRun run;
    FrmMain& panel = run.Start();
    run.recorder.platform.Clear();
    panel.Menu().mnuVer->trigger();
    QVERIFY(!panel.isEnabled());
    QPointer<QWidget> ver;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->objectName() == "frmVer") ver = w;
    QVERIFY(ver);
    QVERIFY(ver->isVisible());
    QTest::keyClick(ver, Qt::Key_Escape);
    QVERIFY(panel.isEnabled());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(ver.isNull());
    // On top while open; afterwards the panel's band from chkTop again.
    const auto stacking = run.recorder.platform.Of("SetTopMost");
    QVERIFY(stacking.size() >= 3);
    QCOMPARE(stacking.back().window, static_cast<WindowHandle>(&panel));
    QCOMPARE(stacking.back().value, 1);
  }
};

QTEST_MAIN(MenuTest)
#include "MenuTest.moc"
