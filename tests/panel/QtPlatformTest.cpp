// The Qt platform layer's stacking: the hint follows the request and a
// shown window stays shown, without being activated.

#include <QtTest>
#include <QWidget>

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
    platform.SetTopMost(&window, true);
    QVERIFY(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.testAttribute(Qt::WA_ShowWithoutActivating));
    QVERIFY(window.isVisible());
    platform.SetTopMost(&window, true);  // already there: nothing re-created
    QVERIFY(window.isVisible());
    platform.SetTopMost(&window, false);
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(window.isVisible());
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
