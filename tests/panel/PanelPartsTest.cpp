// The panel's plain parts: layout arithmetic, colour values, setting texts
// and reading drops.

#include <QMimeData>
#include <QUrl>
#include <QtTest>

#include "ui/DropReader.h"
#include "ui/OleColor.h"
#include "panel/PanelLayout.h"
#include "core/SettingValues.h"

using namespace ks;

class PanelPartsTest : public QObject {
  Q_OBJECT
 private slots:
  void layoutOfA4000By3000Client() {
    const PanelRects r = LayoutPanel(DesignedPanelRects(), QSize(4000, 3000));
    QCOMPARE(r.lbl2.left(), 2100);
    QCOMPARE(r.shp2a.left(), 2050);
    QCOMPARE(r.shp2b.left(), 2065);
    QCOMPARE(r.lbl3.top(), 1600);
    QCOMPARE(r.shp3a.top(), 1535);
    QCOMPARE(r.shp3b.top(), 1550);
    for (const QRect& label : {r.lbl1, r.lbl2, r.lbl3}) QCOMPARE(label.size(), QSize(1900, 1400));
    for (const QRect& o : {r.shp1a, r.shp1b, r.shp2a, r.shp2b, r.shp3a, r.shp3b})
      QCOMPARE(o.size(), QSize(1950, 1450));
    QCOMPARE(r.lblLogo.topLeft(), QPoint(3225, 1830));
    QCOMPARE(r.chkTop.topLeft(), QPoint(3275, 2235));
    QCOMPARE(r.chkFolder.topLeft(), QPoint(3275, 2490));
    QCOMPARE(r.chkDesktop.topLeft(), QPoint(3275, 2745));
    QCOMPARE(r.lblDll.topLeft(), QPoint(2305, 2800));
    // The compress zone and the rest of the check zone stay where designed.
    QCOMPARE(r.lbl1.topLeft(), QPoint(50, 50));
    QCOMPARE(r.shp1a.topLeft(), QPoint(0, 0));
    QCOMPARE(r.shp1b.topLeft(), QPoint(15, 15));
    QCOMPARE(r.lbl3.left(), 50);
    QCOMPARE(r.lbl2.top(), 50);
    // Sizes of the controls in the corner are not the layout's business.
    QCOMPARE(r.chkTop.size(), QSize(735, 255));
    QCOMPARE(r.imgBack, DesignedPanelRects().imgBack);
  }

  void tinyClientChangesNothing() {
    const PanelRects before = LayoutPanel(DesignedPanelRects(), QSize(4000, 3000));
    QCOMPARE(LayoutPanel(before, QSize(4000, 100)), before);
    QCOMPARE(LayoutPanel(before, QSize(100, 3000)), before);
    QCOMPARE(LayoutPanel(before, QSize(0, 0)), before);
    QVERIFY(!(LayoutPanel(before, QSize(4000, 101)) == before));
  }

  void smallClientClampsSizesAtZero() {
    const PanelRects r200 = LayoutPanel(DesignedPanelRects(), QSize(4000, 200));
    QCOMPARE(r200.lbl1.height(), 0);
    QCOMPARE(r200.shp1a.height(), 50);
    const PanelRects r150 = LayoutPanel(DesignedPanelRects(), QSize(150, 150));
    for (const QRect& label : {r150.lbl1, r150.lbl2, r150.lbl3}) {
      QCOMPARE(label.width(), 0);
      QCOMPARE(label.height(), 0);
    }
    QCOMPARE(r150.shp2b.size(), QSize(25, 25));
    // Positions still follow the client, even when they fall outside it.
    QCOMPARE(r150.lblDll.left(), 150 - 1695);
  }

  void oddClientSizesRound() {
    const PanelRects r = LayoutPanel(DesignedPanelRects(), QSize(4005, 3005));
    QCOMPARE(r.lbl2.left(), 2103);  // 2002.5 + 100 rounds up
    QCOMPARE(r.lbl1.width(), 1903);
  }

  void fixedColoursAreBgr() {
    const QPalette palette;
    QCOMPARE(OleToColor(0x000000FF, palette), QColor(255, 0, 0));
    QCOMPARE(OleToColor(0x00FF0000, palette), QColor(0, 0, 255));
    QCOMPARE(OleToColor(0x00C00000, palette), QColor(0, 0, 0xC0));
    QCOMPARE(ColorToOle(QColor(255, 0, 0)), 0x000000FF);
    QCOMPARE(ColorToOle(QColor(0x12, 0x34, 0x56)), 0x00563412);
    QCOMPARE(ColorToOle(OleToColor(0x00808080, palette)), 0x00808080);
  }

  void systemColoursComeFromThePalette() {
    QPalette palette;
    palette.setColor(QPalette::Active, QPalette::Text, QColor(1, 2, 3));
    palette.setColor(QPalette::Active, QPalette::Button, QColor(4, 5, 6));
    palette.setColor(QPalette::Active, QPalette::ButtonText, QColor(7, 8, 9));
    QCOMPARE(SystemColour(8), static_cast<OleColor>(-2147483640));
    QCOMPARE(OleToColor(-2147483640, palette), QColor(1, 2, 3));  // window text
    QCOMPARE(OleToColor(-2147483633, palette), QColor(4, 5, 6));  // button face
    QCOMPARE(OleToColor(-2147483630, palette), QColor(7, 8, 9));  // button text
    QVERIFY(IsSystemColour(-2147483633));
    QVERIFY(!IsSystemColour(0x00FFFFFF));
    // An index without a meaning still gives a colour rather than failing.
    QVERIFY(OleToColor(SystemColour(200), palette).isValid());
  }

  void settingTexts() {
    QCOMPARE(ParseSettingInt("-1"), std::optional<int>(-1));
    QCOMPARE(ParseSettingInt(" 42 "), std::optional<int>(42));
    QCOMPARE(ParseSettingInt("+7"), std::optional<int>(7));
    QCOMPARE(ParseSettingInt("-2147483640"), std::optional<int>(-2147483640));
    QCOMPARE(ParseSettingInt("40000"), std::optional<int>(40000));
    QVERIFY(!ParseSettingInt("abc"));
    QVERIFY(!ParseSettingInt(""));
    QVERIFY(!ParseSettingInt("12x"));
    QVERIFY(!ParseSettingInt("+-3"));
    QVERIFY(!ParseSettingInt("2147483648"));
    QCOMPARE(SettingIntOr("xyz", "2805"), 2805);
    QCOMPARE(SettingIntOr("xyz", "nonsense"), 0);
    // Only -1 is on; "1" (a true value elsewhere) is off.
    QVERIFY(SettingSwitchOn("-1", "0"));
    QVERIFY(!SettingSwitchOn("1", "-1"));
    QVERIFY(!SettingSwitchOn("0", "-1"));
    QVERIFY(SettingSwitchOn("yes", "-1"));  // unreadable: the default
    QCOMPARE(SwitchText(true), std::string("-1"));
    QCOMPARE(SwitchText(false), std::string("0"));
  }

  void dropOfLocalFilesKeepsOrderAndForm() {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/tmp/b file.txt"), QUrl::fromLocalFile("/tmp/a/"),
                  QUrl::fromLocalFile("/tmp/日本語.lzh")});
    const auto names = DroppedNames(&data);
    QVERIFY(names);
    QCOMPARE(names->size(), std::size_t(3));
    QCOMPARE(names->at(0), std::string("/tmp/b file.txt"));
    QCOMPARE(names->at(1), std::string("/tmp/a/"));
    QCOMPARE(names->at(2), std::string("/tmp/日本語.lzh"));
  }

  void dropOfEncodedUriList() {
    // What a file manager sends: percent-encoded file addresses, CR LF.
    QMimeData data;
    data.setData("text/uri-list", "file:///home/u/My%20Docs/x.zip\r\nfile:///home/u/y.lzh\r\n");
    const auto names = DroppedNames(&data);
    QVERIFY(names);
    QCOMPARE(*names, (std::vector<std::string>{"/home/u/My Docs/x.zip", "/home/u/y.lzh"}));
  }

  void dropWithoutLocalFilesIsNoFileList() {
    QMimeData text;
    text.setText("/tmp/not-a-drop-of-files");
    QVERIFY(!DroppedNames(&text));
    QMimeData remote;
    remote.setUrls({QUrl("https://example.org/a.zip"), QUrl("trash:/")});
    QVERIFY(!DroppedNames(&remote));
    QMimeData empty;
    QVERIFY(!DroppedNames(&empty));
    QVERIFY(!DroppedNames(nullptr));
    QMimeData mixed;
    mixed.setUrls({QUrl("https://example.org/a.zip"), QUrl::fromLocalFile("/tmp/c.cab")});
    QCOMPARE(*DroppedNames(&mixed), std::vector<std::string>{"/tmp/c.cab"});
  }
};

QTEST_MAIN(PanelPartsTest)
#include "PanelPartsTest.moc"
