// The password window: masked entry, what OK accepts, and that Cancel, Esc
// and the close box never count as a password.

#include <QStyleOption>

#include "compress/CompressTestSupport.h"
#include "dialogs/FrmPass.h"
#include "ui/Twips.h"
#include "platform/RecordingPlatform.h"

using namespace ks;
using namespace ks::test;

namespace {

// Shows the window over `owner` and lets `act` work on it; returns what the
// caller would get.
std::optional<std::string> Ask(QWidget* owner, std::function<void(FrmPass*)> act) {
  AnswerNextModal([act](QWidget* modal) {
    auto* pass = qobject_cast<FrmPass*>(modal);
    QVERIFY(pass);
    act(pass);
  });
  return AskNewPassword(owner);
}

QLineEdit* Field(FrmPass* pass) { return pass->findChild<QLineEdit*>("txtPass"); }

}  // namespace

class FrmPassTest : public QObject {
  Q_OBJECT
  ScopedRecordingPlatform recorder_;
  QWidget owner_;

 private slots:
  void layoutAndMask() {
    owner_.show();
    const auto result = Ask(&owner_, [this](FrmPass* pass) {
      QCOMPARE(pass->windowTitle(), QString("Password"));
      QCOMPARE(pass->size(), QSize(TwipsToPixels(2430), TwipsToPixels(810)));
      QVERIFY(pass->isModal());
      QCOMPARE(pass->parentWidget(), &owner_);
      QLineEdit* field = Field(pass);
      QCOMPARE(field->geometry(), TwipsToPixels(QRect(120, 120, 2175, 270)));
      QCOMPARE(field->echoMode(), QLineEdit::Password);
      QStyleOptionFrame option;
      option.initFrom(field);
      QCOMPARE(field->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter, &option, field), int('*'));
      QCOMPARE(pass->focusWidget(), static_cast<QWidget*>(field));
      auto* ok = pass->findChild<QPushButton*>("cmdOk");
      QCOMPARE(ok->text(), QString("OK"));
      QVERIFY(ok->isDefault());
      QCOMPARE(ok->geometry(), TwipsToPixels(QRect(600, 480, 735, 255)));
      QCOMPARE(pass->findChild<QPushButton*>("Command1")->text(), QString("Cancel"));
      QVERIFY(!pass->findChild<QCheckBox*>("chkPass")->isVisible());
      QVERIFY(!pass->findChild<QCheckBox*>("chkPass")->isChecked());
      pass->reject();
    });
    QVERIFY(!result);
  }

  void emptyAndQuotedPasswordsAreRefused() {
    recorder_.platform.Clear();
    bool stayedOpen = false;
    const auto result = Ask(&owner_, [&](FrmPass* pass) {
      QTest::keyClick(Field(pass), Qt::Key_Return);
      QTest::keyClicks(Field(pass), "a\"b");
      QTest::keyClick(Field(pass), Qt::Key_Return);
      stayedOpen = pass->isVisible() && !pass->Confirmed() && pass->focusWidget() == Field(pass);
      Field(pass)->clear();
      QTest::keyClick(Field(pass), 'x');
      QTest::mouseClick(pass->findChild<QPushButton*>("cmdOk"), Qt::LeftButton);
    });
    QVERIFY(stayedOpen);
    const auto boxes = recorder_.platform.Of("MessageBox");
    QCOMPARE(boxes.size(), std::size_t(2));
    QCOMPARE(boxes[0].text, std::string("パスワードは１文字以上入力して下さい"));
    QCOMPARE(boxes[0].title, std::string("入力エラー"));
    QCOMPARE(boxes[0].value, 16);
    QVERIFY(boxes[1].text.find('"') != std::string::npos);
    QCOMPARE(boxes[1].title, std::string("入力エラー"));
    // A single character is enough.
    QCOMPARE(result, std::optional<std::string>("x"));
  }

  void spacesAreKept() {
    const auto result = Ask(&owner_, [](FrmPass* pass) {
      QTest::keyClicks(Field(pass), " pass word ");
      QTest::keyClick(Field(pass), Qt::Key_Enter);
    });
    QCOMPARE(result, std::optional<std::string>(" pass word "));
  }

  void cancelEscAndCloseAreNoPassword() {
    for (int way = 0; way < 3; ++way) {
      std::string leftText;
      bool flag = true;
      const auto result = Ask(&owner_, [&](FrmPass* pass) {
        QTest::keyClicks(Field(pass), "typed");
        if (way == 0) QTest::mouseClick(pass->findChild<QPushButton*>("Command1"), Qt::LeftButton);
        if (way == 1) QTest::keyClick(Field(pass), Qt::Key_Escape);
        if (way == 2) pass->close();
        leftText = pass->Password();
        flag = pass->Confirmed();
      });
      QVERIFY(!result);
      QCOMPARE(leftText, std::string("typed"));  // the text stays, unconfirmed
      QVERIFY(!flag);
    }
  }
};

QTEST_MAIN(FrmPassTest)
#include "FrmPassTest.moc"
