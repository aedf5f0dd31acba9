#include "check/FrmChk.h"

#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>

#include "check/ChkLayout.h"
#include "ui/PanelWindow.h"
#include "ui/PanelFonts.h"
#include "ui/Twips.h"

namespace ks {
namespace {

QPointer<FrmChk> g_frmChk;

QSize TwipsToPixels(const QSize& twips) {
  return QSize(ks::TwipsToPixels(twips.width()), ks::TwipsToPixels(twips.height()));
}

}  // namespace

FrmChk::FrmChk(PanelWindow* panel) : QDialog(nullptr), panel_(panel) {
  // No parent: a child window would be disabled along with the panel.
  setObjectName(QStringLiteral("frmChk"));
  setWindowTitle(QStringLiteral("検査結果"));
  setSizeGripEnabled(false);
  setModal(false);

  lstChk_ = new QListWidget(this);
  lstChk_->setObjectName(QStringLiteral("lstChk"));
  // A fixed-pitch font lines up the columns of the result lines.
  lstChk_->setFont(FixedGothic(9));
  lstChk_->setSelectionMode(QAbstractItemView::SingleSelection);

  cmdClose_ = new QPushButton(QStringLiteral("閉じる"), this);
  cmdClose_->setObjectName(QStringLiteral("cmdClose"));
  // Enter presses it (default button); Esc and the close box reject the
  // dialog, which ends in the same done().
  cmdClose_->setDefault(true);
  cmdClose_->setAutoDefault(true);
  connect(cmdClose_, &QPushButton::clicked, this, &QDialog::reject);

  const ChkRects designed{QRect(60, 60, 4590, 2580), QRect(3660, 2730, 975, 300)};
  lstChk_->setGeometry(ks::TwipsToPixels(designed.lstChk));
  cmdClose_->setGeometry(ks::TwipsToPixels(designed.cmdClose));
  setMinimumSize(TwipsToPixels(kChkMinimumClient));
  resize(TwipsToPixels(kChkDesignedClient));
  // Keys go to the close button however the window is shown.
  cmdClose_->setFocus();
}

void FrmChk::SetCaption(const std::string& caption) {
  setWindowTitle(QString::fromStdString(caption));
}

void FrmChk::Clear() { lstChk_->clear(); }

void FrmChk::AddLine(const std::string& line) {
  lstChk_->addItem(QString::fromStdString(line));
  lstChk_->scrollToBottom();
}

void FrmChk::ReplaceLastLine(const std::string& line) {
  const int last = lstChk_->count() - 1;
  if (last < 0) {
    AddLine(line);
    return;
  }
  lstChk_->item(last)->setText(QString::fromStdString(line));
}

QStringList FrmChk::Lines() const {
  QStringList lines;
  for (int i = 0; i < lstChk_->count(); ++i) lines << lstChk_->item(i)->text();
  return lines;
}

void FrmChk::ShowWindow() {
  show();
  cmdClose_->setFocus();
}

void FrmChk::Unload() { done(QDialog::Rejected); }

void FrmChk::done(int result) {
  QDialog::done(result);
  if (unloaded_) return;
  unloaded_ = true;
  if (g_frmChk == this) g_frmChk = nullptr;
  if (panel_) panel_->WindowClosed();
  deleteLater();
}

void FrmChk::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  ApplyLayout();
}

void FrmChk::ApplyLayout() {
  // The rules are about the outer size; before the window manager has
  // framed the window that is the client size.
  const QSize outer = frameGeometry().size();
  const ChkRects r = ChkLayout(QSize(PixelsToTwips(outer.width()), PixelsToTwips(outer.height())));
  lstChk_->setGeometry(ks::TwipsToPixels(r.lstChk));
  cmdClose_->setGeometry(ks::TwipsToPixels(r.cmdClose));
}

FrmChk* TheFrmChk(PanelWindow* panel) {
  if (!g_frmChk) g_frmChk = new FrmChk(panel);
  // A window left open by an operation over a panel that is gone serves the
  // new panel, so closing it gives that one back.
  if (!g_frmChk->panel_ && panel) g_frmChk->panel_ = panel;
  return g_frmChk;
}

FrmChk* LoadedFrmChk() { return g_frmChk; }

void UnloadFrmChk() {
  if (g_frmChk) g_frmChk->Unload();
}

FrmChk* PrepareFrmChk(PanelWindow* panel, const std::string& caption) {
  FrmChk* chk = TheFrmChk(panel);
  chk->hide();
  chk->SetCaption(caption);
  chk->Clear();
  chk->winId();  // the frame is known once the native window exists
  CentreOver(chk, panel);
  return chk;
}

}  // namespace ks
