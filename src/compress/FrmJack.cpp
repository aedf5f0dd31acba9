#include "compress/FrmJack.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>

#include "compress/FrmInBox.h"
#include "compress/SplitText.h"
#include "core/Settings.h"
#include "ui/AppIcon.h"
#include "ui/PanelWindow.h"
#include "ui/PanelFonts.h"
#include "ui/Twips.h"
#include "platform/Platform.h"

namespace ks {
namespace {

QPointer<FrmJack> g_frmJack;

constexpr const char* kFromInBox = "inbox";
constexpr const char* kFromMain = "main";

QRect Twips(int left, int top, int width, int height) {
  return TwipsToPixels(QRect(left, top, width, height));
}

}  // namespace

FrmJack::FrmJack(PanelWindow* panel, FrmInBox* inBox) : QDialog(nullptr), panel_(panel), inBox_(inBox) {
  // No parent: a child window would be disabled along with its opener.
  setObjectName(QStringLiteral("frmJack"));
  setWindowTitle(QStringLiteral("Jack32の切り裂き設定"));
  setWindowIcon(AppIcon());
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
  setModal(false);
  setFont(ProportionalGothic(9));
  setFixedSize(TwipsToPixels(2775), TwipsToPixels(2850));
  BuildControls();
  Load();
}

void FrmJack::BuildControls() {
  lstJack_ = new QListWidget(this);
  lstJack_->setObjectName(QStringLiteral("lstJack"));
  lstJack_->setGeometry(Twips(120, 120, 2535, 960));
  lstJack_->setSelectionMode(QAbstractItemView::SingleSelection);
  for (const SplitPreset& preset : SplitPresets()) lstJack_->addItem(QString::fromUtf8(preset.entry));

  auto* label1 = new QLabel(QStringLiteral("サイズ指定（1KB=1024Byte換算）"), this);
  label1->setObjectName(QStringLiteral("Label1"));
  label1->setGeometry(Twips(120, 1200, 2655, 255));
  txtJackSize_ = new QLineEdit(this);
  txtJackSize_->setObjectName(QStringLiteral("txtJackSize"));
  txtJackSize_->setGeometry(Twips(1320, 1440, 975, 270));
  auto* label2 = new QLabel(QStringLiteral("KB"), this);
  label2->setObjectName(QStringLiteral("Label2"));
  label2->setGeometry(Twips(2400, 1500, 375, 255));
  chkSfx_ = new QCheckBox(QStringLiteral("自己結合形式"), this);
  chkSfx_->setObjectName(QStringLiteral("chkSfx"));
  chkSfx_->setGeometry(Twips(120, 1920, 1575, 255));
  txtFrom_ = new QLineEdit(this);
  txtFrom_->setObjectName(QStringLiteral("txtFrom"));
  txtFrom_->setGeometry(Twips(2160, 1920, 495, 270));
  txtFrom_->setVisible(false);
  cmdOk_ = new QPushButton(QStringLiteral("O K"), this);
  cmdOk_->setObjectName(QStringLiteral("cmdOk"));
  cmdOk_->setGeometry(Twips(120, 2400, 1095, 375));
  cmdCancel_ = new QPushButton(QStringLiteral("キャンセル"), this);
  cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
  cmdCancel_->setGeometry(Twips(1560, 2400, 1095, 375));

  connect(lstJack_, &QListWidget::itemSelectionChanged, this, [this] { PresetSelected(); });
  connect(cmdOk_, &QPushButton::clicked, this, [this] { Confirm(); });
  connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void FrmJack::Load() {
  const QString caption = QString::fromStdString(ReadIni("Jack", "JackRipSizeCap", "True"));
  const QList<QListWidgetItem*> found = lstJack_->findItems(caption, Qt::MatchExactly);
  if (!found.isEmpty()) {
    lstJack_->setCurrentItem(found.first());
    found.first()->setSelected(true);
  }
  chkSfx_->setChecked(SelfJoiningType(ReadIni("Jack", "JackRipType", "-1")));
}

void FrmJack::SetOpener(SplitOpener opener) {
  txtFrom_->setText(QString::fromLatin1(opener == SplitOpener::InBox ? kFromInBox : kFromMain));
}

void FrmJack::PresetSelected() {
  const QList<QListWidgetItem*> selected = lstJack_->selectedItems();
  if (selected.isEmpty()) return;
  if (const auto size = PresetSize(selected.first()->text().toStdString()))
    txtJackSize_->setText(QString::fromStdString(*size));
}

void FrmJack::Confirm() {
  const std::string size = txtJackSize_->text().toStdString();
  if (size.empty()) {
    ThePlatform().MessageBox("分割サイズを入力してください。", "Jack32", MessageStyle::Critical);
    txtJackSize_->setFocus();
    return;
  }
  const QList<QListWidgetItem*> selected = lstJack_->selectedItems();
  const std::string caption = selected.isEmpty() ? std::string() : selected.first()->text().toStdString();
  const bool selfJoining = chkSfx_->isChecked();
  WriteIni("Jack", "JackRipSizeCap", caption);
  WriteIni("Jack", "JackRipSize", size);
  WriteIni("Jack", "JackRipType", RipTypeText(selfJoining));
  if (txtFrom_->text() == QLatin1String(kFromInBox) && inBox_)
    inBox_->SetSplitSummary(SplitSummary(caption, selfJoining), size);
  accept();
}

void FrmJack::done(int result) {
  QDialog::done(result);
  if (unloaded_) return;
  unloaded_ = true;
  if (g_frmJack == this) g_frmJack = nullptr;
  if (txtFrom_->text() == QLatin1String(kFromInBox)) {
    if (inBox_) {
      inBox_->setEnabled(true);
      // The panel stays below, disabled, while the compression dialog is open.
      if (panel_ && panel_->TopMostChecked()) {
        ThePlatform().SetTopMost(panel_.data(), false);
        ThePlatform().SetTopMost(static_cast<QWidget*>(inBox_.data()), true);
      }
      ThePlatform().ActivateWindow(static_cast<QWidget*>(inBox_.data()));
    }
  } else if (panel_) {
    panel_->WindowClosed();
  }
  deleteLater();
}

FrmJack* OpenFrmJack(PanelWindow* panel, SplitOpener opener, FrmInBox* inBox) {
  if (g_frmJack) g_frmJack->reject();
  g_frmJack = new FrmJack(panel, opener == SplitOpener::InBox ? inBox : nullptr);
  if (panel) {
    panel->OpenWindowOver(g_frmJack);
    if (opener == SplitOpener::InBox && inBox && panel->TopMostChecked())
      ThePlatform().SetTopMost(static_cast<QWidget*>(inBox), false);
  } else {
    g_frmJack->show();
  }
  g_frmJack->SetOpener(opener);
  return g_frmJack;
}

FrmJack* LoadedFrmJack() { return g_frmJack; }

}  // namespace ks
