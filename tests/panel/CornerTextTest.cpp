// The "Supported" label and the option check boxes show their whole text,
// descenders included, at the default panel size and at the smallest size
// the panel is restored at.

#include <QCheckBox>
#include <QLabel>
#include <QStyleOptionButton>

#include "panel/PanelSize.h"
#include "panel/PanelTestSupport.h"

using namespace ks;
using namespace ks::test;

namespace {

// Where a widget's text is drawn, in the panel's coordinates.
QRect TextRect(QWidget* widget) {
  const QFontMetrics fm(widget->font());
  if (auto* box = qobject_cast<QCheckBox*>(widget)) {
    QStyleOptionButton option;
    option.initFrom(box);
    option.text = box->text();
    const QRect contents = box->style()->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    // The text is centred in the contents rectangle, which the box clips.
    QRect text(contents.left(), contents.center().y() - fm.height() / 2,
               fm.horizontalAdvance(box->text()), fm.height());
    return QRect(box->mapToParent(text.topLeft()), text.size());
  }
  auto* label = qobject_cast<QLabel*>(widget);
  const QRect text = QStyle::alignedRect(Qt::LeftToRight, label->alignment(),
                                         QSize(fm.horizontalAdvance(label->text()), fm.height()),
                                         label->contentsRect());
  return QRect(label->mapToParent(text.topLeft()), text.size());
}

}  // namespace

class CornerTextTest : public QObject {
  Q_OBJECT
 private slots:
  void wholeText_data() {
    QTest::addColumn<QString>("size");  // the stored Width and Height
    QTest::newRow("default") << QString();
    QTest::newRow("smallest") << QString::number(kMinimumPanelTwips);
  }

  void wholeText() {
    QFETCH(QString, size);
    PanelRun run;
    if (!size.isEmpty())
      run.Settings("Width=" + size.toStdString() + "\r\nHeight=" + size.toStdString() + "\r\n");
    FrmMain& panel = run.Start();
    const QRect client = panel.rect();
    for (const char* name : {"lblDll", "chkTop", "chkFolder", "chkDesktop"}) {
      QWidget* widget = run.Find<QWidget>(name);
      QVERIFY(widget);
      const QRect text = TextRect(widget);
      // Inside its own control and inside the window, top to bottom.
      const QRect visible = widget->geometry().intersected(client);
      QVERIFY2(visible.top() <= text.top() && text.bottom() <= visible.bottom(),
               qPrintable(QStringLiteral("%1: text %2..%3, shown %4..%5")
                              .arg(name)
                              .arg(text.top())
                              .arg(text.bottom())
                              .arg(visible.top())
                              .arg(visible.bottom())));
    }
  }
};

QTEST_MAIN(CornerTextTest)
#include "CornerTextTest.moc"
