#include "compress/FrmInBox.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <vector>

#include "archivers/Probe.h"
#include "compress/CompressFormats.h"
#include "compress/CompressRun.h"
#include "compress/FrmJack.h"
#include "compress/SplitText.h"
#include "core/DropList.h"
#include "core/FileTests.h"
#include "core/Settings.h"
#include "dialogs/VersionText.h"
#include "ui/AppIcon.h"
#include "ui/PanelWindow.h"
#include "ui/PanelFonts.h"
#include "ui/Twips.h"

namespace ks {
namespace {

QPointer<FrmInBox> g_inBox;

constexpr std::size_t kConfigBufferSize = 65535;
constexpr int kPackConfigMode = 2;

QRect Twips(int left, int top, int width, int height) {
  return TwipsToPixels(QRect(left, top, width, height));
}

// Only one dropped file (not a folder) may be left as it is and split.
bool OfferDoNothing() {
  return DroppedCount == 1 && DroppedFiles.size() > 1 && IsOrdinaryFile(DroppedFiles[1]);
}

}  // namespace

FrmInBox::FrmInBox(PanelWindow* panel) : QDialog(nullptr), panel_(panel) {
  // No parent: a child window would be disabled along with the panel.
  setObjectName(QStringLiteral("frmInBox"));
  setWindowTitle(QStringLiteral("圧縮"));
  setWindowIcon(AppIcon());
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);
  setModal(false);
  setFont(ProportionalGothic(9));
  setFixedSize(TwipsToPixels(5340), TwipsToPixels(2490));
  BuildControls();
  Load();
}

void FrmInBox::BuildControls() {
  auto label = [this](const char* name, const QString& text, const QRect& r) {
    auto* l = new QLabel(text, this);
    l->setObjectName(QString::fromLatin1(name));
    l->setGeometry(r);
    return l;
  };
  auto button = [this](const char* name, const QString& text, const QRect& r) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QString::fromLatin1(name));
    b->setGeometry(r);
    return b;
  };
  auto box = [this](const char* name, const QString& text, const QRect& r) {
    auto* c = new QCheckBox(text, this);
    c->setObjectName(QString::fromLatin1(name));
    c->setGeometry(r);
    return c;
  };

  lblType1_ = label("lblType1", QStringLiteral("書庫の形式"), Twips(120, 240, 975, 255));
  cmdConf_ = button("cmdConf", QStringLiteral("設定"), Twips(1680, 210, 735, 285));
  lstArc_ = new QListWidget(this);
  lstArc_->setObjectName(QStringLiteral("lstArc"));
  lstArc_->setGeometry(Twips(120, 480, 2295, 1860));
  lstArc_->setSortingEnabled(false);
  lstArc_->setSelectionMode(QAbstractItemView::SingleSelection);
  chkJack_ = box("chkJack", QStringLiteral("圧縮後Jackで分割"), Twips(2640, 120, 1815, 375));
  cmdConf2_ = button("cmdConf2", QStringLiteral("設定"), Twips(4440, 150, 735, 300));
  lblJack_ = label("lblJack", QStringLiteral("Jack"), Twips(2880, 495, 1575, 180));
  chkAfterJack_ =
      box("chkAfterJack", QStringLiteral("分割後書庫ファイルは削除"), Twips(2640, 720, 2535, 375));
  chkAfterJack_->setEnabled(false);
  lblArcName_ = label("lblArcName", QStringLiteral("ファイル名"), Twips(2640, 1200, 975, 255));
  cboArcName_ = new QLineEdit(this);
  cboArcName_->setObjectName(QStringLiteral("cboArcName"));
  cboArcName_->setGeometry(Twips(2640, 1440, 2535, 255));
  cmdCompress_ = button("cmdCompress", QStringLiteral("圧縮開始"), Twips(2640, 1800, 1095, 495));
  cmdCompress_->setDefault(true);
  cmdCancel_ = button("cmdCancel", QStringLiteral("キャンセル"), Twips(4080, 1800, 1095, 495));
  lblJackSize_ = label("lblJackSize", QStringLiteral("1457152"), Twips(1200, 0, 735, 255));
  lblJackSize_->setVisible(false);

  // The name box comes first, so it has the focus when the dialog opens.
  setTabOrder(cboArcName_, cmdCompress_);
  setTabOrder(cmdCompress_, cmdCancel_);
  setTabOrder(cmdCancel_, lstArc_);
  setTabOrder(lstArc_, cmdConf_);
  setTabOrder(cmdConf_, chkJack_);
  setTabOrder(chkJack_, cmdConf2_);
  setTabOrder(cmdConf2_, chkAfterJack_);
  cboArcName_->setFocus();

  connect(lstArc_, &QListWidget::itemSelectionChanged, this, [this] { EntrySelected(); });
  connect(chkJack_, &QCheckBox::clicked, this, [this] { JackClicked(); });
  connect(cmdConf_, &QPushButton::clicked, this, [this] { ShowLibrarySettings(); });
  connect(cmdConf2_, &QPushButton::clicked, this, [this] { OpenSplitSettings(); });
  connect(cmdCompress_, &QPushButton::clicked, this, [this] { StartCompression(); });
  connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);
}

void FrmInBox::Load() {
  const std::string ripType = ReadIni("Jack", "JackRipType", "1");
  const std::string sizeCaption = ReadIni("Jack", "JackRipSizeCap", "1.44MB");
  lblJack_->setText(QString::fromStdString(SplitSummary(sizeCaption, SelfJoiningType(ripType))));
  lblJackSize_->setText(QString::fromStdString(ReadIni("Jack", "JackRipSize", "1423")));

  for (const std::string& entry : FormatEntries(CurrentLibraryFlags(), OfferDoNothing()))
    lstArc_->addItem(QString::fromStdString(entry));

  if (!HasJack) {
    lblJack_->setEnabled(false);
    chkJack_->setEnabled(false);
    cmdConf2_->setEnabled(false);
  }
  SelectEntry(EntryOfCode(ReadIni("Main", "DefaultArcType", "LHA")));
}

void FrmInBox::SelectEntry(const std::string& entry) {
  const QList<QListWidgetItem*> found =
      lstArc_->findItems(QString::fromStdString(entry), Qt::MatchExactly);
  if (found.isEmpty()) {
    lstArc_->clearSelection();
    return;
  }
  lstArc_->setCurrentItem(found.first());
  found.first()->setSelected(true);
}

std::string FrmInBox::SelectedEntry() const {
  const QList<QListWidgetItem*> selected = lstArc_->selectedItems();
  return selected.isEmpty() ? std::string() : selected.first()->text().toStdString();
}

void FrmInBox::EntrySelected() {
  // Without Jack32 nothing can be split, and "何もしない" keeps the box as is.
  if (!HasJack) return;
  const std::string entry = SelectedEntry();
  if (entry.empty()) return;
  const bool makesArchive = entry != kDoNothingEntry;
  chkAfterJack_->setEnabled(makesArchive);
  cboArcName_->setEnabled(makesArchive);
  lblArcName_->setEnabled(makesArchive);
}

void FrmInBox::JackClicked() {
  chkAfterJack_->setEnabled(chkJack_->isChecked() && SelectedEntry() != kDoNothingEntry);
}

void FrmInBox::ShowLibrarySettings() {
  const CompressionFormat* format = FindCompressionFormat(SelectedEntry());
  // Only libraries with a settings dialog of their own have one to show.
  if (!format || !format->library || !(DescriptorOf(*format->library).entryPoints & kEpConfigDialog))
    return;
  std::vector<char> buffer(kConfigBufferSize, '\0');
  try {
    Libraries().Get(*format->library).ConfigDialog(static_cast<QWidget*>(this), buffer.data(),
                                                   kPackConfigMode);
  } catch (const LibraryError&) {
    // A library without a settings dialog simply has nothing to show.
  }
}

void FrmInBox::OpenSplitSettings() {
  setEnabled(false);
  OpenFrmJack(panel_, SplitOpener::InBox, this);
}

void FrmInBox::StartCompression() { RunCompression(*this); }

std::string FrmInBox::ArcNameText() const { return cboArcName_->text().toStdString(); }
// The controls' own states, whatever the dialog's: the dialog keeps still
// (disabled) while its compression runs, and the run still reads them.
bool FrmInBox::ArcNameEnabled() const { return cboArcName_->isEnabledTo(this); }
bool FrmInBox::JackChecked() const { return chkJack_->isChecked(); }
bool FrmInBox::AfterJackEnabledAndChecked() const {
  return chkAfterJack_->isEnabledTo(this) && chkAfterJack_->isChecked();
}
std::string FrmInBox::JackSizeText() const { return lblJackSize_->text().toStdString(); }
void FrmInBox::ClearArcName() { cboArcName_->clear(); }

void FrmInBox::SetSplitSummary(const std::string& summary, const std::string& sizeText) {
  lblJack_->setText(QString::fromStdString(summary));
  lblJackSize_->setText(QString::fromStdString(sizeText));
}

void FrmInBox::Unload() { done(QDialog::Rejected); }

void FrmInBox::done(int result) {
  QDialog::done(result);
  if (unloaded_) return;
  unloaded_ = true;
  if (g_inBox == this) g_inBox = nullptr;
  if (panel_) panel_->WindowClosed();
  deleteLater();
}

void FrmInBox::closeEvent(QCloseEvent* e) {
  // While the split settings window is open this dialog waits for it, as a
  // disabled window does.
  if (!isEnabled()) {
    e->ignore();
    return;
  }
  QDialog::closeEvent(e);
}

FrmInBox* OpenInBox(PanelWindow* panel) {
  if (g_inBox) g_inBox->Unload();
  g_inBox = new FrmInBox(panel);
  if (panel)
    panel->OpenWindowOver(g_inBox);
  else
    g_inBox->show();
  return g_inBox;
}

FrmInBox* LoadedInBox() { return g_inBox; }

}  // namespace ks
