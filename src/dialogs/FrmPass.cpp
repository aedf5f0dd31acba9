#include "dialogs/FrmPass.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "ui/PanelFonts.h"
#include "ui/Twips.h"
#include "platform/Platform.h"

namespace ks {
namespace {

QRect Twips(int left, int top, int width, int height) {
  return TwipsToPixels(QRect(left, top, width, height));
}

}  // namespace

FrmPass::FrmPass(QWidget* owner) : QDialog(owner) {
  setObjectName(QStringLiteral("frmPass"));
  setWindowTitle(QStringLiteral("Password"));
  // A fixed dialog frame: no minimize or maximize box, no task bar button.
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  setFont(ProportionalGothic(9));
  setFixedSize(TwipsToPixels(2430), TwipsToPixels(810));

  txtPass_ = new QLineEdit(this);
  txtPass_->setObjectName(QStringLiteral("txtPass"));
  txtPass_->setGeometry(Twips(120, 120, 2175, 270));
  txtPass_->setEchoMode(QLineEdit::Password);
  // Every typed character shows as "*", whatever the style's own mask.
  txtPass_->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));

  cmdOk_ = new QPushButton(QStringLiteral("OK"), this);
  cmdOk_->setObjectName(QStringLiteral("cmdOk"));
  cmdOk_->setGeometry(Twips(600, 480, 735, 255));
  cmdOk_->setDefault(true);
  command1_ = new QPushButton(QStringLiteral("Cancel"), this);
  command1_->setObjectName(QStringLiteral("Command1"));
  command1_->setGeometry(Twips(1440, 480, 855, 255));
  command1_->setAutoDefault(false);
  chkPass_ = new QCheckBox(QStringLiteral("Check1"), this);
  chkPass_->setObjectName(QStringLiteral("chkPass"));
  chkPass_->setGeometry(Twips(120, 480, 255, 255));
  chkPass_->setVisible(false);
  chkPass_->setChecked(false);

  setTabOrder(txtPass_, cmdOk_);
  setTabOrder(cmdOk_, command1_);
  txtPass_->setFocus();

  connect(cmdOk_, &QPushButton::clicked, this, [this] { Confirm(); });
  connect(command1_, &QPushButton::clicked, this, [this] { Cancel(); });
  // Esc and the close box end here too: not confirmed.
  connect(this, &QDialog::rejected, this, [this] { chkPass_->setChecked(false); });
}

std::string FrmPass::Password() const { return txtPass_->text().toStdString(); }
bool FrmPass::Confirmed() const { return chkPass_->isChecked(); }

void FrmPass::Confirm() {
  const QString text = txtPass_->text();
  const char* problem = nullptr;
  if (text.isEmpty())
    problem = "パスワードは１文字以上入力して下さい";
  else if (text.contains(QLatin1Char('"')))
    // The password stands unquoted on the library's command line, where a
    // double quote would end it early.
    problem = "パスワードに \" (ダブルクォーテーション) は使えません";
  if (problem) {
    ThePlatform().MessageBox(problem, "入力エラー", MessageStyle::Critical);
    txtPass_->setFocus();
    return;
  }
  chkPass_->setChecked(true);
  accept();
}

void FrmPass::Cancel() {
  chkPass_->setChecked(false);
  reject();
}

std::optional<std::string> AskNewPassword(QWidget* owner) {
  FrmPass dialog(owner);
  // Over a top-most owner it must be top-most too, or the owner hides it.
  if (owner && owner->window()->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  dialog.setWindowModality(Qt::ApplicationModal);
  dialog.exec();
  if (!dialog.Confirmed()) return std::nullopt;
  return dialog.Password();
}

}  // namespace ks
