// Start-up against a settings file, and what closing writes back.

#include <QAction>
#include <QImage>
#include <QScreen>

#include "panel/PanelSize.h"
#include "panel/PanelTestSupport.h"
#include "ui/Twips.h"

using namespace ks;
using namespace ks::test;

class StartupTest : public QObject {
  Q_OBJECT
 private slots:
  void emptySettingsGiveTheDefaultPanel() {
    PanelRun run;
    run.Settings("");
    FrmMain& panel = run.Start();
    QVERIFY(panel.isVisible());
    QCOMPARE(panel.windowTitle(), QString("Kestrino"));
    QCOMPARE(panel.OuterTwips(), QRect(0, 0, 4050, 2805));
    QCOMPARE(AppFolder, run.Folder());
    QVERIFY(run.Box("chkTop")->isChecked());
    QVERIFY(run.Box("chkFolder")->isChecked());
    QVERIFY(!run.Box("chkDesktop")->isChecked());
    QVERIFY(panel.DblFolderChecked());
    QVERIFY(panel.FolderOpenChecked());
    QVERIFY(!panel.ErrRepChecked());
    QVERIFY(!panel.ErrRepPacChecked());
    QVERIFY(!panel.LinesHidden() && !panel.CaptionsHidden() && !panel.LogoHidden() &&
            !panel.DllHidden());
    QCOMPARE(panel.ExplainColour(), -2147483640);
    QCOMPARE(panel.LogoColour(), -2147483630);
    QCOMPARE(panel.DllColour(), 16711680);
    QCOMPARE(panel.BackColour(), -2147483633);
    QVERIFY(!panel.HasWallpaper());
    // Checking chkTop put the panel on top.
    const auto stacking = run.recorder.platform.Of("SetTopMost");
    QVERIFY(!stacking.empty());
    QCOMPARE(stacking.front().window, static_cast<WindowHandle>(&panel));
    QCOMPARE(stacking.front().value, 1);
    // The layout followed the client area inside that frame.
    const int lbl2Left = panel.ClientTwips().width() / 2 + 100;
    QCOMPARE(panel.Rects().lbl2.left(), lbl2Left);
    QCOMPARE(run.Find<QLabel>("lbl2")->geometry().left(), TwipsToPixels(lbl2Left));
    // Reading created nothing but the settings it had to.
    QCOMPARE(run.Read("Top"), std::string("<absent>"));
  }

  void probeFillsTheSupportedTooltip() {
    {
      PanelRun run;
      run.libraries.AllMissing();
      run.Start();
      QCOMPARE(run.Find<QLabel>("lblDll")->toolTip(), QString());
      QCOMPARE(run.Find<QLabel>("lblDll")->text(), QString("Supported"));
    }
    {
      PanelRun run;
      for (const auto& info : AllLibraries())
        if (info.id != LibraryId::UnZip) run.libraries.Missing(info.id);
      run.libraries.MissingUnrar();
      run.Start();
      QCOMPARE(run.Find<QLabel>("lblDll")->toolTip(), QString(" Zip"));
    }
    {
      PanelRun run;
      run.libraries.unrar().version = 5;
      run.Start();
      QCOMPARE(run.Find<QLabel>("lblDll")->toolTip(),
               QString("Lzh Zip(j) Cab Rar Jack Tar Arj Gca Yz1 Ish Bga"));
    }
  }

  void onlyMinusOneIsOn() {
    PanelRun run;
    run.Settings("TopMost=1\r\nFolder=0\r\nDblFolder=1\r\nErrRep=-1\r\nErrRepPac=-1\r\n"
                 "DeskTop=-1\r\nFolderOpen=abc\r\n");
    FrmMain& panel = run.Start();
    QVERIFY(!panel.TopMostChecked());
    QVERIFY(run.recorder.platform.Of("SetTopMost").empty());
    QVERIFY(!panel.FolderChecked());
    QVERIFY(!panel.DblFolderChecked());
    QVERIFY(panel.ErrRepChecked());
    QVERIFY(panel.ErrRepPacChecked());
    QVERIFY(panel.DesktopChecked());
    QVERIFY(panel.FolderOpenChecked());  // unreadable: its default "-1"
  }

  void placeComesBackOnScreen() {
    PanelRun run;
    run.Settings("Top=300\r\nLeft=450\r\nHeight=3000\r\nWidth=4500\r\n");
    QCOMPARE(run.Start().OuterTwips(), QRect(450, 300, 4500, 3000));

    // Below or right of the screen less 300 twips: back to the corner,
    // whatever the other value was.
    const QSize screen = run.panel->ScreenTwips();
    run.Settings("Top=" + std::to_string(screen.height() - 299) + "\r\nLeft=450\r\n");
    QCOMPARE(run.Start().OuterTwips().topLeft(), QPoint(0, 0));
    run.Settings("Top=30000\r\nLeft=30000\r\n");
    QCOMPARE(run.Start().OuterTwips().topLeft(), QPoint(0, 0));
    run.Settings("Top=600\r\nLeft=" + std::to_string(screen.width() - 299) + "\r\n");
    QCOMPARE(run.Start().OuterTwips().topLeft(), QPoint(0, 0));

    // Partly off the left stays while the title bar can be grabbed; a title
    // bar above the screen, or a panel off every screen, comes back onto
    // the screen's usable part.
    run.Settings("Top=300\r\nLeft=-600\r\n");
    QCOMPARE(run.Start().OuterTwips().topLeft(), QPoint(-600, 300));
    for (const char* place : {"Top=-300\r\nLeft=-600\r\n", "Top=-48000\r\nLeft=-48000\r\n"}) {
      run.Settings(place);
      const QRect outer = run.Start().OuterTwips();
      const QRect area = run.panel->screen()->availableGeometry();
      QCOMPARE(outer.topLeft(), QPoint(PixelsToTwips(area.left()), PixelsToTwips(area.top())));
    }

    // Text that is no number counts as the default.
    run.Settings("Top=abc\r\nLeft=1.5e3\r\nHeight=xyz\r\nWidth=\r\n");
    QCOMPARE(run.Start().OuterTwips(), QRect(0, 0, 4050, 2805));
  }

  void badSizesAreReadAsTheirDefaults_data() {
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("width");
    QTest::addColumn<QSize>("expected");  // width x height, twips
    QTest::newRow("zero") << "0" << "0" << QSize(4050, 2805);
    QTest::newRow("negative") << "-2805" << "-1" << QSize(4050, 2805);
    QTest::newRow("not a number") << "tall" << "4e3" << QSize(4050, 2805);
    QTest::newRow("too small to use") << "1485" << "300" << QSize(4050, 2805);
    QTest::newRow("huge") << "90000000" << "90000000" << QSize(4050, 2805);
    QTest::newRow("only one bad") << "0" << "4500" << QSize(4500, 2805);
    QTest::newRow("the smallest usable") << "1500" << "1500" << QSize(1500, 1500);
  }

  void badSizesAreReadAsTheirDefaults() {
    QFETCH(QString, height);
    QFETCH(QString, width);
    QFETCH(QSize, expected);
    PanelRun run;
    run.Settings("Height=" + height.toStdString() + "\r\nWidth=" + width.toStdString() + "\r\n");
    FrmMain& panel = run.Start();
    QCOMPARE(panel.OuterTwips().size(), expected);
    // The layout keeps the zones apart, each with room for its caption.
    const auto zones = {panel.Rects().lbl1, panel.Rects().lbl2, panel.Rects().lbl3};
    for (const QRect& zone : zones) QVERIFY(zone.width() >= 600 && zone.height() >= 360);
    QVERIFY(!panel.Rects().lbl1.intersects(panel.Rects().lbl2));
    QVERIFY(!panel.Rects().lbl1.intersects(panel.Rects().lbl3));
    // Closing writes a size the next start takes as it is.
    run.Close();
    QCOMPARE(run.Read("Height"), std::to_string(expected.height()));
    QCOMPARE(run.Read("Width"), std::to_string(expected.width()));
  }

  void storedSizeBounds() {
    QCOMPARE(StoredPanelSize("1500", 2805, 11520), 1500);
    QCOMPARE(StoredPanelSize("1499", 2805, 11520), 2805);
    QCOMPARE(StoredPanelSize("11520", 2805, 11520), 11520);  // as large as the screen
    QCOMPARE(StoredPanelSize("11521", 2805, 11520), 2805);
    QCOMPARE(StoredPanelSize(" 3000 ", 2805, 11520), 3000);
    QCOMPARE(StoredPanelSize("99999999999", 2805, 11520), 2805);
    QCOMPARE(StoredPanelSize("50000", 2805, 0), 50000);  // no screen known: no upper bound
  }

  void closeWritesPlaceSwitchesAndColours() {
    PanelRun run;
    run.Settings("Top=300\r\nLeft=450\r\n");
    FrmMain& panel = run.Start();
    panel.ResizeOuterTwips(4500, 3000);
    run.Box("chkDesktop")->click();
    panel.Menu().mnuErrRep->trigger();
    panel.Menu().mnuClrLine->trigger();
    run.Close();
    QCOMPARE(run.Read("Top"), std::string("300"));
    QCOMPARE(run.Read("Left"), std::string("450"));
    QCOMPARE(run.Read("Height"), std::string("3000"));
    QCOMPARE(run.Read("Width"), std::string("4500"));
    QCOMPARE(run.Read("TopMost"), std::string("-1"));
    QCOMPARE(run.Read("Folder"), std::string("-1"));
    QCOMPARE(run.Read("DblFolder"), std::string("-1"));
    QCOMPARE(run.Read("FolderOpen"), std::string("-1"));
    QCOMPARE(run.Read("ErrRep"), std::string("-1"));
    QCOMPARE(run.Read("ErrRepPac"), std::string("0"));
    QCOMPARE(run.Read("DeskTop"), std::string("-1"));
    QCOMPARE(run.Read("DllClr"), std::string("0"));
    QCOMPARE(run.Read("LineClr"), std::string("-1"));
    QCOMPARE(run.Read("LogoClr"), std::string("0"));
    QCOMPARE(run.Read("TxtClr"), std::string("0"));
    // Untouched system colours go back as the same negative numbers.
    QCOMPARE(run.Read("ClExplain"), std::string("-2147483640"));
    QCOMPARE(run.Read("ClLogo"), std::string("-2147483630"));
    QCOMPARE(run.Read("ClDll"), std::string("16711680"));
    QCOMPARE(run.Read("ClBack"), std::string("-2147483633"));
    // The wallpaper key is not the closing's business.
    QCOMPARE(run.Read("Back"), std::string("<absent>"));
  }

  void closeAsLargeAsTheScreenKeepsThePlace() {
    PanelRun run;
    run.Settings("Top=300\r\nLeft=450\r\nHeight=3000\r\nWidth=4500\r\nErrRepPac=-1\r\n");
    FrmMain& panel = run.Start();
    const QRect screen = panel.screen()->geometry();
    panel.setGeometry(screen);
    panel.Menu().mnuErrRepPac->trigger();
    run.Close();
    QCOMPARE(run.Read("Top"), std::string("300"));
    QCOMPARE(run.Read("Left"), std::string("450"));
    QCOMPARE(run.Read("Height"), std::string("3000"));
    QCOMPARE(run.Read("Width"), std::string("4500"));
    QCOMPARE(run.Read("ErrRepPac"), std::string("0"));
    QCOMPARE(run.Read("ClBack"), std::string("-2147483633"));

    // Maximised: the normal place is kept even if the window manager left
    // room for a task bar.
    run.Start().showMaximized();
    QTRY_VERIFY(run.panel->isMaximized());
    run.Close();
    QCOMPARE(run.Read("Top"), std::string("300"));
    QCOMPARE(run.Read("Width"), std::string("4500"));
    QCOMPARE(run.Read("TopMost"), std::string("-1"));
  }

  void coloursSurviveARestart() {
    PanelRun run;
    FrmMain& panel = run.Start();
    panel.setColourChooser([](QWidget*, FrmMain::CustomColourTable&) {
      return std::optional<QColor>(QColor(255, 0, 0));
    });
    panel.Menu().mnuSetTxt->trigger();
    run.Close();
    QCOMPARE(run.Read("ClExplain"), std::string("255"));
    QCOMPARE(run.Read("ClLogo"), std::string("-2147483630"));

    FrmMain& again = run.Start();
    QCOMPARE(again.ExplainColour(), 255);
    for (const char* zone : {"lbl1", "lbl2", "lbl3"})
      QCOMPARE(run.Find<QLabel>(zone)->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(run.Find<QLabel>("lblDll")->palette().color(QPalette::WindowText),
             QColor(0, 0, 255));
  }

  void unreadableColoursUseTheirDefaults() {
    PanelRun run;
    run.Settings("ClExplain=xyz\r\nClLogo=99999999999\r\nClDll=\r\nClBack=-2147483643\r\n");
    FrmMain& panel = run.Start();
    QCOMPARE(panel.ExplainColour(), -2147483640);
    QCOMPARE(panel.LogoColour(), -2147483630);
    QCOMPARE(panel.DllColour(), 16711680);
    QCOMPARE(panel.BackColour(), -2147483643);
    QCOMPARE(panel.palette().color(QPalette::Window),
             QApplication::palette().color(QPalette::Active, QPalette::Base));
  }

  void storedHiddenStatesComeBack() {
    PanelRun run;
    run.Settings("LineClr=-1\r\nTxtClr=-1\r\nLogoClr=-1\r\nDllClr=-1\r\n");
    FrmMain& panel = run.Start();
    for (const char* shp : {"shp1a", "shp1b", "shp2a", "shp2b", "shp3a", "shp3b"})
      QVERIFY(!run.Find<QWidget>(shp)->isVisible());
    for (const char* zone : {"lbl1", "lbl2", "lbl3"})
      QCOMPARE(run.Find<QLabel>(zone)->text(), QString());
    QVERIFY(!run.Find<QLabel>("lblLogo")->isVisible());
    QVERIFY(!run.Find<QLabel>("lblDll")->isVisible());
    QVERIFY(panel.LinesHidden() && panel.CaptionsHidden() && panel.LogoHidden() &&
            panel.DllHidden());
    // The colour entries stay usable until the hide entry is next toggled.
    QVERIFY(panel.Menu().mnuSetTxt->isEnabled());
    QVERIFY(panel.Menu().mnuSetLogo->isEnabled());
    QVERIFY(panel.Menu().mnuSetDll->isEnabled());
    // Unchecking the frames draws them again, after a restart too.
    panel.Menu().mnuClrLine->trigger();
    QVERIFY(run.Find<QWidget>("shp2a")->isVisible());
    panel.Menu().mnuClrTxt->trigger();
    QCOMPARE(run.Find<QLabel>("lbl2")->text(), QString("解凍"));
    run.Close();
    QCOMPARE(run.Read("LineClr"), std::string("0"));
    QCOMPARE(run.Read("TxtClr"), std::string("0"));
    QCOMPARE(run.Read("LogoClr"), std::string("-1"));
  }

  void firstStartTakesTheLogo() {
    PanelRun run;
    const std::string logo = run.Folder() + "logo.jpg";
    QVERIFY(QImage(40, 30, QImage::Format_RGB32).save(QString::fromStdString(logo), "JPG"));
    QVERIFY(run.Start().HasWallpaper());
    QCOMPARE(run.Read("Back"), logo);
    QCOMPARE(run.Read("FirstBoot"), std::string("0"));
    // Not resized to the picture at start-up.
    QCOMPARE(run.panel->OuterTwips().size(), QSize(4050, 2805));
    run.Close();

    // The next start takes the wallpaper from "Back".
    QVERIFY(run.Start().HasWallpaper());
    // Cleared by a double click: gone for good, even with the logo there.
    run.panel->RemoveWallpaper();
    QCOMPARE(run.Read("Back"), std::string(""));
    run.Close();
    QVERIFY(!run.Start().HasWallpaper());
    QCOMPARE(run.Read("FirstBoot"), std::string("0"));
  }

  void logoThatIsAGifOrNoPictureIsNotTaken() {
    PanelRun run;
    std::ofstream(run.Folder() + "logo.jpg", std::ios::binary) << "GIF89a....";
    QVERIFY(!run.Start().HasWallpaper());
    QCOMPARE(run.Read("FirstBoot"), std::string("<absent>"));
    QCOMPARE(run.Read("Back"), std::string("<absent>"));
    std::ofstream(run.Folder() + "logo.jpg", std::ios::binary) << "just some text";
    QVERIFY(!run.Start().HasWallpaper());
    QCOMPARE(run.Read("FirstBoot"), std::string("<absent>"));
  }

  void storedWallpaperThatIsGoneOrAGif() {
    PanelRun run;
    const std::string gone = run.Folder() + "gone.bmp";
    run.Settings("Back=" + gone + "\r\n");
    QVERIFY(!run.Start().HasWallpaper());
    QCOMPARE(run.Read("Back"), gone);
    const std::string gif = run.Folder() + "pic.bmp";
    std::ofstream(gif, std::ios::binary) << "GIF87a";
    run.Settings("Back=" + gif + "\r\n");
    QVERIFY(!run.Start().HasWallpaper());
    // A bare name is looked for in the program folder.
    QVERIFY(QImage(20, 10, QImage::Format_RGB32)
                .save(QString::fromStdString(run.Folder() + "wall.bmp"), "BMP"));
    run.Settings("Back=wall.bmp\r\n");
    QVERIFY(run.Start().HasWallpaper());
    QCOMPARE(WallpaperPath("wall.bmp", "/opt/k/"), std::string("/opt/k/wall.bmp"));
    QCOMPARE(WallpaperPath("/pics/w.jpg", "/opt/k/"), std::string("/pics/w.jpg"));
  }

  void escAndCtrlWClose() {
    PanelRun run;
    run.Start();
    QTest::keyClick(run.Box("chkFolder"), Qt::Key_Escape);
    QVERIFY(run.ended);
    QCOMPARE(run.Read("TopMost"), std::string("-1"));

    run.Start();
    QTest::keyClick(run.panel.get(), Qt::Key_W, Qt::ControlModifier);
    QVERIFY(run.ended);

    // Every other key is swallowed, whichever control has the focus.
    run.Start();
    QCheckBox* folder = run.Box("chkFolder");
    QTest::keyClick(folder, Qt::Key_Space);
    QTest::keyClick(folder, Qt::Key_W);
    QVERIFY(folder->isChecked());
    QVERIFY(!run.ended);
  }

  void disabledPanelDoesNotClose() {
    PanelRun run;
    FrmMain& panel = run.Start();
    panel.setEnabled(false);
    QVERIFY(!panel.close());
    QVERIFY(!run.ended);
    QCOMPARE(run.Read("TopMost"), std::string("<absent>"));
  }

  void topMostFollowsTheBox() {
    PanelRun run;
    FrmMain& panel = run.Start();
    auto& calls = run.recorder.platform;
    calls.Clear();
    QCheckBox* top = run.Box("chkTop");
    top->click();
    top->click();
    auto stacking = calls.Of("SetTopMost");
    QCOMPARE(stacking.size(), std::size_t(2));
    QCOMPARE(stacking[0].value, 0);
    QCOMPARE(stacking[1].value, 1);
    QCOMPARE(stacking[1].window, static_cast<WindowHandle>(&panel));
    // Focus arriving on the box re-applies the current state.
    calls.Clear();
    QFocusEvent focus(QEvent::FocusIn, Qt::TabFocusReason);
    QApplication::sendEvent(top, &focus);
    stacking = calls.Of("SetTopMost");
    QCOMPARE(stacking.size(), std::size_t(1));
    QCOMPARE(stacking[0].value, 1);
  }
};

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
