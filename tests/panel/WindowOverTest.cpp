// Windows opened over the panel: where they go, which band they are in, and
// that they come up in front with the keyboard focus whether "TopMost" is on
// or off. Also: drops are always answered as copies.

#include <QDialog>
#include <QDropEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

#include "check/ArchiveCheck.h"
#include "check/FrmChk.h"
#include "dialogs/FrmVer.h"
#include "panel/PanelTestSupport.h"
#include "ui/ScreenPlace.h"
#include "ui/Twips.h"

using namespace ks;
using namespace ks::test;

namespace {

QWidget* TopLevel(const char* objectName) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == QLatin1String(objectName) && w->isVisible()) return w;
  return nullptr;
}

std::string Who(const PlatformCall& c, const QWidget* panel, const QWidget* window) {
  if (c.window == static_cast<WindowHandle>(const_cast<QWidget*>(panel))) return "panel";
  if (c.window == static_cast<WindowHandle>(const_cast<QWidget*>(window))) return "window";
  return "other";
}

// The stacking and activation calls, as "what who value".
std::vector<std::string> Order(const RecordingPlatform& p, const QWidget* panel,
                               const QWidget* window) {
  std::vector<std::string> out;
  for (const auto& c : p.calls)
    if (c.what == "SetTopMost" || c.what == "ActivateWindow")
      out.push_back(c.what + " " + Who(c, panel, window) + " " + std::to_string(c.value));
  return out;
}

}  // namespace

class WindowOverTest : public QObject {
  Q_OBJECT
 private slots:
  void keepInsideMovesTheLeastDistance() {
    const QRect area(0, 0, 800, 600);
    // Already inside: unchanged.
    QCOMPARE(KeepInside(area, QPoint(10, 20), QSize(100, 50)), QPoint(10, 20));
    QCOMPARE(KeepInside(area, QPoint(700, 550), QSize(100, 50)), QPoint(700, 550));
    // Sticking out right and below: pulled in to the far edges.
    QCOMPARE(KeepInside(area, QPoint(750, 580), QSize(100, 50)), QPoint(700, 550));
    // Left of and above the area.
    QCOMPARE(KeepInside(area, QPoint(-30, -5), QSize(100, 50)), QPoint(0, 0));
    // An area that does not start at 0 (a second screen, a top panel).
    const QRect second(1024, 24, 640, 456);
    QCOMPARE(KeepInside(second, QPoint(1600, 0), QSize(100, 50)), QPoint(1564, 24));
    // Larger than the area: the title bar and left edge stay reachable.
    QCOMPARE(KeepInside(area, QPoint(-50, 300), QSize(900, 700)), QPoint(0, 0));
    QCOMPARE(KeepInside(area, QPoint(200, 100), QSize(900, 50)), QPoint(0, 100));
  }

  void aTitleBarOffEveryScreenComesBack_data() {
    QTest::addColumn<QRect>("outer");
    QTest::addColumn<QPoint>("expected");
    // Two screens side by side; the right one has a 24-pixel top panel.
    QTest::newRow("inside") << QRect(100, 100, 270, 187) << QPoint(100, 100);
    QTest::newRow("partly off the left, bar grabbable") << QRect(-240, 100, 270, 187) << QPoint(-240, 100);
    QTest::newRow("only 19 pixels of bar") << QRect(-251, 100, 270, 187) << QPoint(0, 100);
    QTest::newRow("bar one pixel above") << QRect(100, -1, 270, 187) << QPoint(100, 0);
    QTest::newRow("bar at the bottom edge") << QRect(100, 580, 270, 187) << QPoint(100, 580);
    QTest::newRow("bar below the screen") << QRect(100, 590, 270, 187) << QPoint(100, 413);
    QTest::newRow("under the second's top panel") << QRect(900, 10, 270, 187) << QPoint(900, 24);
    QTest::newRow("across both, bar on the first") << QRect(700, 100, 270, 187) << QPoint(700, 100);
    QTest::newRow("far off: nearest screen") << QRect(5000, -3000, 270, 187) << QPoint(1370, 24);
    QTest::newRow("larger than any screen: corner on the nearest")
        << QRect(-50, -50, 2000, 900) << QPoint(800, 24);
  }
  void aTitleBarOffEveryScreenComesBack() {
    QFETCH(QRect, outer);
    QFETCH(QPoint, expected);
    const QList<QRect> areas{QRect(0, 0, 800, 600), QRect(800, 24, 840, 576)};
    QCOMPARE(ReachablePlace(outer, 20, areas), expected);
  }

  void windowOverAPanelInAScreenCornerStaysOnTheScreen() {
    PanelRun run;
    FrmMain& panel = run.Start();
    const QRect area = AvailableAreaOf(&panel);
    QVERIFY(!area.isEmpty());
    for (const QPoint& corner : {area.bottomRight(), area.topLeft()}) {
      const QSize outer = panel.frameGeometry().size();
      panel.move(corner == area.topLeft() ? corner
                                          : corner - QPoint(outer.width() - 1, outer.height() - 1));
      QDialog dialog;
      dialog.resize(400, 300);  // larger than the panel: centring alone sticks out
      panel.OpenWindowOver(&dialog);
      const QRect frame = dialog.frameGeometry();
      QVERIFY2(area.contains(frame), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                    .arg(frame.x())
                                                    .arg(frame.y())
                                                    .arg(frame.width())
                                                    .arg(frame.height())));
      // Where it fits it stays centred over the panel.
      panel.move(area.center() - QPoint(outer.width() / 2, outer.height() / 2));
      panel.OpenWindowOver(&dialog);
      const QPoint off = dialog.frameGeometry().center() - panel.frameGeometry().center();
      QVERIFY(off.manhattanLength() <= 2);
      panel.WindowClosed();
    }
  }

  void everyWindowOverThePanelComesUpInFrontWithTheFocus_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("topMost");
    for (const char* kind : {"result", "version", "dialog"}) {
      QTest::addRow("%s, TopMost on", kind) << QString::fromLatin1(kind) << true;
      QTest::addRow("%s, TopMost off", kind) << QString::fromLatin1(kind) << false;
    }
  }

  void everyWindowOverThePanelComesUpInFrontWithTheFocus() {
    QFETCH(QString, kind);
    QFETCH(bool, topMost);
    PanelRun run;
    FrmMain& panel = run.Start();
    run.Box("chkTop")->setChecked(topMost);
    panel.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&panel));
    run.recorder.platform.Clear();

    QPointer<QWidget> window;
    QPointer<QWidget> button;  // the one Enter and Esc press
    QDialog dialog;
    bool alwaysTop = false;
    if (kind == "result") {
      CheckArchives(&panel, {});
      window = LoadedFrmChk();
      QVERIFY(window);
      button = window->findChild<QPushButton*>("cmdClose");
    } else if (kind == "version") {
      panel.Menu().mnuVer->trigger();
      window = TopLevel("frmVer");
      QVERIFY(window);
      button = window->findChild<QPushButton*>("cmdOk");
      alwaysTop = true;
    } else {
      auto* ok = new QPushButton("OK", &dialog);
      ok->setDefault(true);
      connect(ok, &QPushButton::clicked, &dialog, &QDialog::accept);
      connect(&dialog, &QDialog::finished, &panel, [&panel] { panel.WindowClosed(); });
      window = &dialog;
      button = ok;
      panel.OpenWindowOver(&dialog);
    }
    QVERIFY(!panel.isEnabled());
    QVERIFY(window->isVisible());

    std::vector<std::string> expected{"SetTopMost panel 0"};
    if (topMost || alwaysTop) expected.push_back("SetTopMost window 1");
    expected.push_back("ActivateWindow window 0");
    QCOMPARE(Order(run.recorder.platform, &panel, window), expected);

    // The window really is the active one and the keys go to its button.
    QTRY_COMPARE(QApplication::activeWindow(), window.data());
    QCOMPARE(QApplication::focusWidget(), button.data());

    run.recorder.platform.Clear();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    if (window) QTRY_VERIFY(!window->isVisible());
    QVERIFY(panel.isEnabled());
    const auto stacking = run.recorder.platform.Of("SetTopMost");
    QCOMPARE(stacking.size(), std::size_t(1));
    QCOMPARE(stacking[0].window, static_cast<WindowHandle>(&panel));
    QCOMPARE(stacking[0].value, topMost ? 1 : 0);
  }

  void enterClosesTheVersionWindow() {
    PanelRun run;
    FrmMain& panel = run.Start();
    panel.OpenVersionWindow();
    QPointer<QWidget> ver = TopLevel("frmVer");
    QVERIFY(ver);
    // From the button and from the text box alike.
    QTest::keyClick(ver->findChild<QPlainTextEdit*>("txtVer"), Qt::Key_Return);
    QVERIFY(panel.isEnabled());
    QTRY_VERIFY(ver.isNull());
    panel.OpenVersionWindow();
    ver = TopLevel("frmVer");
    QVERIFY(ver);
    QTest::keyClick(ver->findChild<QPushButton*>("cmdOk"), Qt::Key_Enter);
    QVERIFY(panel.isEnabled());
    QTRY_VERIFY(ver.isNull());
  }

  void dropsAreAnsweredAsCopies_data() {
    QTest::addColumn<QString>("target");
    for (const char* name : {"lbl1", "lbl2", "lbl3", "lblLogo"})
      QTest::newRow(name) << QString::fromLatin1(name);
  }

  void dropsAreAnsweredAsCopies() {
    QFETCH(QString, target);
    PanelRun run;
    FrmMain& panel = run.Start();
    int drops = 0;
    panel.setDropHandler(Zone::Compress, [&drops](const QMimeData*) { ++drops; });
    panel.setDropHandler(Zone::Extract, [&drops](const QMimeData*) { ++drops; });
    panel.setDropHandler(Zone::Check, [&drops](const QMimeData*) { ++drops; });
    QWidget* label = run.Find<QWidget>(target.toLatin1().constData());
    QVERIFY(label);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/tmp/kestrino-not-there.lzh")});
    const QPoint at(label->width() / 2, label->height() / 2);
    // A file manager proposing a move (Shift held, or its default between
    // folders) must still be told the files were copied.
    const Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    enter.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(label, &enter);
    QVERIFY(enter.isAccepted());
    QCOMPARE(enter.dropAction(), Qt::CopyAction);
    QDragMoveEvent move(at, offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    move.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(label, &move);
    QVERIFY(move.isAccepted());
    QCOMPARE(move.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(at), offered, &data, Qt::LeftButton, Qt::ShiftModifier);
    drop.setDropAction(Qt::MoveAction);
    QApplication::sendEvent(label, &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(drop.dropAction(), Qt::CopyAction);
    if (target != "lblLogo") QCOMPARE(drops, 1);
    // A source that offers nothing but a move: its files are still read, but
    // it is never told that they were moved.
    QDragEnterEvent enterMoveOnly(at, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(label, &enterMoveOnly);
    QVERIFY(enterMoveOnly.isAccepted());
    QDropEvent moveOnly(QPointF(at), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(label, &moveOnly);
    QVERIFY(!(moveOnly.isAccepted() && moveOnly.dropAction() == Qt::MoveAction));
    if (target != "lblLogo") QCOMPARE(drops, 2);
  }
};

QTEST_MAIN(WindowOverTest)
#include "WindowOverTest.moc"
