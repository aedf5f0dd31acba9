#include "dialogs/FrmVer.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>

#include "archivers/LibrarySet.h"
#include "dialogs/HelpPage.h"
#include "dialogs/VersionText.h"
#include "ui/AppIcon.h"
#include "ui/PanelWindow.h"
#include "ui/OleColor.h"
#include "ui/PanelFonts.h"
#include "ui/Twips.h"
#include "platform/Platform.h"

namespace ks {
namespace {

QRect Twips(int left, int top, int width, int height) {
  return TwipsToPixels(QRect(left, top, width, height));
}

}  // namespace

FrmVer::FrmVer(PanelWindow* panel) : QWidget(nullptr), panel_(panel) {
  // No parent: a child window would be disabled along with the panel.
  setObjectName(QStringLiteral("frmVer"));
  setWindowTitle(QStringLiteral("Infomation"));
  setWindowIcon(AppIcon());
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
  setAttribute(Qt::WA_DeleteOnClose);
  setFixedSize(TwipsToPixels(2655), TwipsToPixels(2640));

  lblVer_ = new QLabel(this);
  lblVer_->setObjectName(QStringLiteral("lblVer"));
  lblVer_->setGeometry(Twips(120, 240, 2175, 255));
  lblVer_->setFont(ProportionalGothic(9));

  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("imgIcon"));
  picture->setGeometry(Twips(2040, 0, 480, 480));
  picture->setPixmap(AppIconPixmap(TwipsToPixels(480)));

  txtVer_ = new QPlainTextEdit(this);
  txtVer_->setObjectName(QStringLiteral("txtVer"));
  txtVer_->setGeometry(Twips(120, 600, 2415, 1455));
  txtVer_->setFont(FixedGothic(9.75));
  txtVer_->setReadOnly(true);
  txtVer_->setLineWrapMode(QPlainTextEdit::NoWrap);
  // The text box would keep Esc and Enter for itself; the window wants them.
  txtVer_->installEventFilter(this);

  cmdOk_ = new QPushButton(QStringLiteral("閉じる"), this);
  cmdOk_->setObjectName(QStringLiteral("cmdOk"));
  cmdOk_->setGeometry(Twips(1440, 2160, 1095, 375));
  connect(cmdOk_, &QPushButton::clicked, this, &QWidget::close);

  lblForward_ = new QLabel(QStringLiteral("ホームページへ"), this);
  lblForward_->setObjectName(QStringLiteral("lblForward"));
  lblForward_->setGeometry(Twips(120, 2280, 1215, 195));
  QFont linkFont = ProportionalGothic(9);
  linkFont.setUnderline(true);
  lblForward_->setFont(linkFont);
  QPalette linkPalette = lblForward_->palette();
  linkPalette.setColor(QPalette::WindowText, OleToColor(0x00C00000, linkPalette));
  lblForward_->setPalette(linkPalette);
  lblForward_->setCursor(Qt::PointingHandCursor);
  helpPage_ = FindHelpPage(QCoreApplication::applicationDirPath().toStdString());
  lblForward_->setToolTip(helpPage_.empty() ? QStringLiteral("ヘルプページ")
                                            : QString::fromStdString(helpPage_));
  lblForward_->installEventFilter(this);

  // Load: the library lines, the program's name, the place, the stacking.
  const std::string text = VersionText(CurrentLibraryFlags(), Libraries());
  txtVer_->setPlainText(QString::fromStdString(text).replace(QStringLiteral("\r\n"),
                                                             QStringLiteral("\n")));
  if (panel_) {
    if (auto* logo = panel_->findChild<QLabel*>(QStringLiteral("lblLogo")))
      lblVer_->setText(logo->text());
  }
  // The panel places it, puts it into the top-most band and gives it the
  // focus when it opens the window (PanelWindow::OpenWindowOver).
  cmdOk_->setFocus();
}

namespace {

// Enter and Esc both press "閉じる": the window has nothing else to confirm.
bool PressesClose(const QKeyEvent* key) {
  return key->key() == Qt::Key_Escape || key->key() == Qt::Key_Return ||
         key->key() == Qt::Key_Enter;
}

}  // namespace

bool FrmVer::eventFilter(QObject* watched, QEvent* event) {
  if (watched == txtVer_ && event->type() == QEvent::KeyPress &&
      PressesClose(static_cast<QKeyEvent*>(event))) {
    cmdOk_->click();
    return true;
  }
  if (watched == lblForward_ && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton &&
      lblForward_->rect().contains(static_cast<QMouseEvent*>(event)->position().toPoint())) {
    if (helpPage_.empty())
      ThePlatform().MessageBox("ヘルプページが見つかりません。Kestrinoをインストールし直して下さい。",
                               "ホームページへ", MessageStyle::Critical);
    else
      ThePlatform().OpenAddress(FileAddress(helpPage_));
    return true;
  }
  return QWidget::eventFilter(watched, event);
}

void FrmVer::keyPressEvent(QKeyEvent* e) {
  if (PressesClose(e)) {
    cmdOk_->click();
    return;
  }
  QWidget::keyPressEvent(e);
}

void FrmVer::closeEvent(QCloseEvent* e) {
  if (panel_) panel_->WindowClosed();
  e->accept();
}

}  // namespace ks
