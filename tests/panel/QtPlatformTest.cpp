// The Qt platform layer's stacking: the hint follows the request and a
// shown window stays shown, without being activated.

#include <QtTest>
#include <QWidget>
#include <QWindow>

#include "platform/qt/QtPlatform.h"

using namespace ks;

class QtPlatformTest : public QObject {
  Q_OBJECT
 private slots:
  void stackingTogglesTheHintAndKeepsTheWindowShown() {
    QtPlatform platform;
    QWidget window;
    window.move(40, 30);
    window.show();
    // The native window is the same before and after: its band changes in
    // place, so the taskbar entry does not flicker and nothing pops up again.
    const WId native = window.winId();
    const QWindow* handle = window.windowHandle();
    platform.SetTopMost(&window, true);
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.isVisible());
    platform.SetTopMost(&window, true);  // already there: nothing changes
    QVERIFY(window.isVisible());
    platform.SetTopMost(&window, false);
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!window.windowHandle()->flags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.isVisible());
    QCOMPARE(window.winId(), native);
    QCOMPARE(window.windowHandle(), handle);
  }

  void activatingBringsAShownWindowToTheKeyboard() {
    QtPlatform platform;
    QWidget first, second;
    first.show();
    second.show();
    first.activateWindow();
    QTRY_COMPARE(QApplication::activeWindow(), &first);
    platform.ActivateWindow(&second);
    QTRY_COMPARE(QApplication::activeWindow(), &second);
    QWidget hidden;
    platform.ActivateWindow(&hidden);  // hidden: left alone
    QVERIFY(!hidden.isVisible());
    platform.ActivateWindow(nullptr);
    QCOMPARE(QApplication::activeWindow(), &second);
    // Stacking alone never activates.
    platform.SetTopMost(&first, true);
    platform.SetTopMost(&first, false);
    QCoreApplication::processEvents();
    QCOMPARE(QApplication::activeWindow(), &second);
  }

  void hiddenWindowStaysHidden() {
    QtPlatform platform;
    QWidget window;
    platform.SetTopMost(&window, true);
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(!window.isVisible());
    platform.SetTopMost(nullptr, true);  // no window: nothing to do
  }

  void pathsAsTheyAre() {
    QtPlatform platform;
    QCOMPARE(platform.ShortPathName("/a b/c.lzh"), std::string("/a b/c.lzh"));
    QCOMPARE(platform.DesktopFolder(), XdgDesktopFolder());
  }
};

QTEST_MAIN(QtPlatformTest)
#include "QtPlatformTest.moc"
