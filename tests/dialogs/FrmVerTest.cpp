// The version window: its library lines and its life over the panel.

#include <QCheckBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include "archivers/Probe.h"
#include "dialogs/FrmVer.h"
#include "dialogs/HelpPage.h"
#include "dialogs/VersionText.h"
#include "panel/FrmMain.h"
#include "platform/RecordingPlatform.h"
#include "support/FakeLibrary.h"

using namespace ks;
using namespace ks::test;

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  if (start != text.size()) lines.push_back("<unterminated>" + text.substr(start));
  return lines;
}

}  // namespace

class FrmVerTest : public QObject {
  Q_OBJECT
 private slots:
  void versionPattern() {
    QCOMPARE(FormatVersion(185), std::string("1.85"));
    QCOMPARE(FormatVersion(1000), std::string("10.00"));
    QCOMPARE(FormatVersion(5), std::string("0.05"));
    QCOMPARE(FormatVersion(255), std::string("2.55"));
    QCOMPARE(FormatVersion(0), std::string("0.00"));
    // Read as a signed 16-bit number.
    QCOMPARE(FormatVersion(-5), std::string("-0.05"));
    QCOMPARE(FormatVersion(65535), std::string("-0.01"));
    QCOMPARE(FormatVersion(65536 + 120), std::string("1.20"));
  }

  void nothingUsable() {
    FakeLibrarySet libs;
    const std::string text = VersionText(ProbeResult{}, Libraries());
    QCOMPARE(Lines(text), (std::vector<std::string>{
                              "UnArj32J.dll not", "Bga32.dll    not", "Cab32.dll    not",
                              "UnGCA32.dll  not", "Ish32.dll    not", "Jack32.dll   not",
                              "UnLha32.dll  not", "UnRar32.dll  not", "Tar32.dll    not",
                              "Yz1.dll      not", "UnZip32.dll  not", "Zip32j.dll   not"}));
    // No version entry point is called for a library that is not usable.
    QVERIFY(libs.log->empty());
  }

  void onlyUnlhaAndRar() {
    FakeLibrarySet libs;
    libs[LibraryId::Unlha].SetDefault("GetVersion", 255);
    libs.unrar().version = 4;
    ProbeResult flags;
    flags.HasUnlha = true;
    flags.HasRar = true;
    const auto lines = Lines(VersionText(flags, Libraries()));
    QCOMPARE(lines.size(), std::size_t(12));
    QCOMPARE(lines[6], std::string("UnLha32.dll  v2.55"));
    QCOMPARE(lines[7], std::string("UnRar.dll    v4"));
    QCOMPARE(lines[0], std::string("UnArj32J.dll not"));
    QCOMPARE(libs.CallNames(), (std::vector<std::string>{"UnlhaGetVersion", "RARGetDllVersion"}));
  }

  void everyLibraryInItsPlace() {
    FakeLibrarySet libs;
    ProbeResult f;
    f.HasUnarj = f.HasBga = f.HasCab = f.HasUnGCA = f.HasIsh = f.HasJack = f.HasUnlha = f.HasRar =
        f.HasTar = f.HasYz1 = f.HasUnZip = f.HasZip = true;
    libs[LibraryId::Zip].SetDefault("GetVersion", 5);
    libs[LibraryId::Tar].SetDefault("GetVersion", 1000);
    libs.unrar().version = 7;
    const auto lines = Lines(VersionText(f, Libraries()));
    QCOMPARE(lines, (std::vector<std::string>{
                        "UnArj32J.dll v1.00", "Bga32.dll    v1.00", "Cab32.dll    v1.00",
                        "UnGCA32.dll  v1.00", "Ish32.dll    v1.00", "Jack32.dll   v1.00",
                        "UnLha32.dll  v1.00", "UnRar.dll    v7", "Tar32.dll    v10.00",
                        "Yz1.dll      v1.00", "UnZip32.dll  v1.00", "Zip32j.dll   v0.05"}));
  }

  void libraryGoneSinceStartUpShowsAsNotUsable() {
    FakeLibrarySet libs;
    libs[LibraryId::Cab].Lack("GetVersion");
    ProbeResult flags;
    flags.HasCab = true;
    QCOMPARE(Lines(VersionText(flags, Libraries()))[2], std::string("Cab32.dll    not"));
  }

  void windowOverThePanel() {
    FakeLibrarySet libs;
    ScopedRecordingPlatform recorder;
    HasUnlha = true;
    libs[LibraryId::Unlha].SetDefault("GetVersion", 255);
    FrmMain panel;
    panel.move(200, 150);
    panel.show();
    panel.findChild<QCheckBox*>("chkTop")->setChecked(true);
    recorder.platform.Clear();

    panel.OpenVersionWindow();
    QVERIFY(!panel.isEnabled());
    QPointer<FrmVer> ver;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* v = qobject_cast<FrmVer*>(w)) ver = v;
    QVERIFY(ver);
    QCOMPARE(ver->windowTitle(), QString("Infomation"));
    QCOMPARE(ver->findChild<QLabel*>("lblVer")->text(), QString("Kestrino ver 1.46"));
    const QString text = ver->findChild<QPlainTextEdit*>("txtVer")->toPlainText();
    QCOMPARE(text.split('\n').at(6), QString("UnLha32.dll  v2.55"));
    QCOMPARE(ver->findChild<QPushButton*>("cmdOk")->text(), QString("閉じる"));
    QLabel* link = ver->findChild<QLabel*>("lblForward");
    QCOMPARE(link->text(), QString("ホームページへ"));
    // The program's own help page, found beside this build.
    const std::string page = FindHelpPage(QCoreApplication::applicationDirPath().toStdString());
    QVERIFY(!page.empty());
    QCOMPARE(link->toolTip(), QString::fromStdString(page));
    // Centred over the panel.
    const QPoint panelCentre = panel.frameGeometry().center();
    const QPoint verCentre = ver->frameGeometry().center();
    QVERIFY(std::abs(panelCentre.x() - verCentre.x()) <= 1);
    QVERIFY(std::abs(panelCentre.y() - verCentre.y()) <= 1);
    // Always on top; a top-most panel steps down beneath it; the window
    // takes the focus.
    auto stacking = recorder.platform.Of("SetTopMost");
    QCOMPARE(stacking.size(), std::size_t(2));
    QCOMPARE(stacking[0].window, static_cast<WindowHandle>(&panel));
    QCOMPARE(stacking[0].value, 0);
    QCOMPARE(stacking[1].window, static_cast<WindowHandle>(ver.data()));
    QCOMPARE(stacking[1].value, 1);
    const auto activated = recorder.platform.Of("ActivateWindow");
    QCOMPARE(activated.size(), std::size_t(1));
    QCOMPARE(activated[0].window, static_cast<WindowHandle>(ver.data()));

    // The link opens the home page and leaves the window open.
    QTest::mouseClick(link, Qt::LeftButton);
    QCOMPARE(recorder.platform.Of("OpenAddress").size(), std::size_t(1));
    QCOMPARE(recorder.platform.Of("OpenAddress")[0].text, FileAddress(page));
    QVERIFY(ver->isVisible());

    recorder.platform.Clear();
    QTest::mouseClick(ver->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
    QVERIFY(panel.isEnabled());
    stacking = recorder.platform.Of("SetTopMost");
    QCOMPARE(stacking.size(), std::size_t(1));
    QCOMPARE(stacking[0].window, static_cast<WindowHandle>(&panel));
    QCOMPARE(stacking[0].value, 1);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(ver.isNull());
    HasUnlha = false;
  }

  void escClosesAndLeavesAnUncheckedPanelInTheNormalBand() {
    FakeLibrarySet libs;
    ScopedRecordingPlatform recorder;
    FrmMain panel;
    panel.show();
    panel.OpenVersionWindow();
    QPointer<FrmVer> ver;
    for (QWidget* w : QApplication::topLevelWidgets())
      if (auto* v = qobject_cast<FrmVer*>(w)) ver = v;
    QVERIFY(ver);
    // chkTop unchecked: the version window still goes on top, with the focus.
    auto opened = recorder.platform.Of("SetTopMost");
    QCOMPARE(opened.back().window, static_cast<WindowHandle>(ver.data()));
    QCOMPARE(opened.back().value, 1);
    QCOMPARE(recorder.platform.Of("ActivateWindow").size(), std::size_t(1));
    QTest::keyClick(ver->findChild<QPlainTextEdit*>("txtVer"), Qt::Key_Escape);
    QVERIFY(panel.isEnabled());
    const auto stacking = recorder.platform.Of("SetTopMost");
    QCOMPARE(stacking.back().window, static_cast<WindowHandle>(&panel));
    QCOMPARE(stacking.back().value, 0);
  }
};

QTEST_MAIN(FrmVerTest)
#include "FrmVerTest.moc"
