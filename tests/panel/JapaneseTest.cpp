// Qt's own windows speak Japanese like the rest of the program: the buttons
// of a message box and the colour dialog.

#include <QAbstractButton>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QtTest>

#include "platform/qt/QtJapanese.h"

using namespace ks;

namespace {

QStringList Texts(const QList<QAbstractButton*>& buttons) {
  QStringList out;
  for (const QAbstractButton* b : buttons) out << b->text().remove(QLatin1Char('&'));
  return out;
}

}  // namespace

class JapaneseTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    QVERIFY2(InstallQtJapanese(*QCoreApplication::instance()),
             "Qt's Japanese translation is missing: install qt6-translations-l10n");
  }

  void messageBoxButtons() {
    QMessageBox box(QMessageBox::Critical, "title", "text",
                    QMessageBox::Ok | QMessageBox::Cancel | QMessageBox::Yes | QMessageBox::No |
                        QMessageBox::Close);
    QCOMPARE(box.button(QMessageBox::Cancel)->text().remove('&'), QStringLiteral("キャンセル"));
    QCOMPARE(box.button(QMessageBox::Yes)->text().remove('&'), QStringLiteral("はい(Y)"));
    QCOMPARE(box.button(QMessageBox::No)->text().remove('&'), QStringLiteral("いいえ(N)"));
    QCOMPARE(box.button(QMessageBox::Close)->text().remove('&'), QStringLiteral("閉じる"));
  }

  void colourDialog() {
    QColorDialog dialog;
    auto* buttons = dialog.findChild<QDialogButtonBox*>();
    QVERIFY(buttons);
    QVERIFY(Texts(buttons->buttons()).contains(QStringLiteral("キャンセル")));
    // Its own labels too, not only the standard buttons.
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>()) labels << label->text().remove('&');
    QVERIFY2(labels.contains(QStringLiteral("基本カラー(B)")), qPrintable(labels.join(" | ")));
    QVERIFY2(labels.contains(QStringLiteral("カスタムカラー(C)")), qPrintable(labels.join(" | ")));
  }
};

QTEST_MAIN(JapaneseTest)
#include "JapaneseTest.moc"
