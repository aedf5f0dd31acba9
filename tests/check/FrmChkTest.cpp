// The result window: its designed look, its layout on resize, its operations
// and how closing it gives the panel back.

#include <QFontInfo>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "check/ChkLayout.h"
#include "check/FrmChk.h"
#include "panel/PanelTestSupport.h"
#include "ui/Twips.h"

using namespace ks;
using namespace ks::test;

namespace {

QListWidget* List(FrmChk* chk) { return chk->findChild<QListWidget*>("lstChk"); }
QPushButton* Button(FrmChk* chk) { return chk->findChild<QPushButton*>("cmdClose"); }

}  // namespace

class FrmChkTest : public QObject {
  Q_OBJECT
 private slots:
  void layoutFollowsTheOuterSize() {
    ChkRects r = ChkLayout(QSize(4815, 3480));
    QCOMPARE(r.lstChk, QRect(60, 60, 4585, 2580));
    QCOMPARE(r.cmdClose, QRect(3630, 2730, 975, 300));
    r = ChkLayout(QSize(9000, 6000));
    QCOMPARE(r.lstChk.size(), QSize(8770, 5100));
    QCOMPARE(r.cmdClose.topLeft(), QPoint(7815, 5250));
    // Too small for the rules: nothing negative.
    r = ChkLayout(QSize(200, 800));
    QCOMPARE(r.lstChk, QRect(60, 60, 0, 0));
    QCOMPARE(r.cmdClose.topLeft(), QPoint(0, 50));
  }

  void designedWindow() {
    PanelRun run;
    FrmMain& panel = run.Start();
    FrmChk* chk = TheFrmChk(&panel);
    QCOMPARE(chk->objectName(), QString("frmChk"));
    QCOMPARE(chk->windowTitle(), QString("検査結果"));
    QCOMPARE(chk->size(), QSize(TwipsToPixels(4695), TwipsToPixels(3075)));
    QVERIFY(List(chk) && Button(chk));
    QCOMPARE(Button(chk)->text(), QString("閉じる"));
    QVERIFY(Button(chk)->isDefault());
    // The columns line up: every single-byte character has one width, a
    // double-byte character twice that.
    QCOMPARE(QFontInfo(List(chk)->font()).family(), QString("IPAGothic"));
    const QFontMetrics metrics(List(chk)->font());
    QCOMPARE(metrics.horizontalAdvance("i"), metrics.horizontalAdvance("W"));
    QCOMPARE(metrics.horizontalAdvance(" "), metrics.horizontalAdvance("."));
    QCOMPARE(metrics.horizontalAdvance("正"), 2 * metrics.horizontalAdvance("W"));
    QVERIFY(List(chk)->count() == 0);
    // The same window until it is closed; no parent, so a disabled panel
    // does not disable it.
    QCOMPARE(TheFrmChk(&panel), chk);
    QCOMPARE(LoadedFrmChk(), chk);
    QVERIFY(chk->parent() == nullptr);
    chk->ShowWindow();
    panel.setEnabled(false);
    QVERIFY(chk->isEnabled() && Button(chk)->isEnabled());
    UnloadFrmChk();
    QVERIFY(LoadedFrmChk() == nullptr);
    QVERIFY(panel.isEnabled());
  }

  void resizingKeepsTheMargins() {
    PanelRun run;
    FrmChk* chk = TheFrmChk(&run.Start());
    chk->ShowWindow();
    chk->resize(600, 400);
    QTRY_COMPARE(chk->size(), QSize(600, 400));
    const QSize outer = chk->frameGeometry().size();
    const ChkRects r = ChkLayout(QSize(PixelsToTwips(outer.width()), PixelsToTwips(outer.height())));
    QCOMPARE(List(chk)->geometry(), TwipsToPixels(r.lstChk));
    QCOMPARE(Button(chk)->geometry(), TwipsToPixels(r.cmdClose));
    QCOMPARE(List(chk)->width(), TwipsToPixels(PixelsToTwips(outer.width()) - 230));
    QCOMPARE(List(chk)->height(), TwipsToPixels(PixelsToTwips(outer.height()) - 900));
    QCOMPARE(Button(chk)->x(), TwipsToPixels(PixelsToTwips(outer.width()) - 1185));
    QCOMPARE(Button(chk)->y(), TwipsToPixels(PixelsToTwips(outer.height()) - 750));
    // It cannot be made smaller than what holds the list beside the button.
    chk->resize(10, 10);
    QVERIFY(chk->width() >= TwipsToPixels(kChkMinimumClient.width()));
    QVERIFY(chk->height() >= TwipsToPixels(kChkMinimumClient.height()));
    QVERIFY(List(chk)->height() > 0);
    QVERIFY(Button(chk)->x() > 0);
    UnloadFrmChk();
  }

  void linesCanBeAddedReplacedAndCleared() {
    PanelRun run;
    FrmChk* chk = TheFrmChk(&run.Start());
    chk->ReplaceLastLine("first");  // an empty list just gets the line
    chk->AddLine("name only");
    chk->ReplaceLastLine("name and word");
    QCOMPARE(chk->Lines(), QStringList({"first", "name and word"}));
    chk->SetCaption("解凍結果");
    QCOMPARE(chk->windowTitle(), QString("解凍結果"));
    chk->Clear();
    QVERIFY(chk->Lines().isEmpty());
    UnloadFrmChk();
  }

  void everyWayOfClosingGivesThePanelBack_data() {
    QTest::addColumn<int>("how");
    QTest::addColumn<bool>("topMost");
    for (bool top : {true, false}) {
      const char* band = top ? "top" : "normal";
      QTest::addRow("button %s", band) << 0 << top;
      QTest::addRow("enter %s", band) << 1 << top;
      QTest::addRow("esc %s", band) << 2 << top;
      QTest::addRow("close box %s", band) << 3 << top;
    }
  }
  void everyWayOfClosingGivesThePanelBack() {
    QFETCH(int, how);
    QFETCH(bool, topMost);
    PanelRun run;
    FrmMain& panel = run.Start();
    run.Box("chkTop")->setChecked(topMost);
    QPointer<FrmChk> chk = TheFrmChk(&panel);
    chk->AddLine("a line");
    chk->ShowWindow();
    panel.setEnabled(false);
    run.recorder.platform.Clear();
    switch (how) {
      case 0: QTest::mouseClick(Button(chk), Qt::LeftButton); break;
      case 1: QTest::keyClick(List(chk), Qt::Key_Return); break;
      case 2: QTest::keyClick(List(chk), Qt::Key_Escape); break;
      case 3: chk->close(); break;
    }
    QVERIFY(LoadedFrmChk() == nullptr);
    QVERIFY(panel.isEnabled());
    const auto stacking = run.recorder.platform.Of("SetTopMost");
    QCOMPARE(stacking.size(), std::size_t(1));
    QCOMPARE(stacking[0].window, static_cast<WindowHandle>(&panel));
    QCOMPARE(stacking[0].value, topMost ? 1 : 0);
    QTRY_VERIFY(chk.isNull());  // destroyed, not just hidden
    // The next use starts from the designed window.
    FrmChk* next = TheFrmChk(&panel);
    QCOMPARE(next->windowTitle(), QString("検査結果"));
    QVERIFY(next->Lines().isEmpty());
    UnloadFrmChk();
  }
};

QTEST_MAIN(FrmChkTest)
#include "FrmChkTest.moc"
