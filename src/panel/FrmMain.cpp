#include "panel/FrmMain.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColorDialog>
#include <QDropEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include "dialogs/FrmVer.h"
#include "ui/AppIcon.h"
#include "panel/DropLabel.h"
#include "panel/Outline.h"
#include "ui/PanelFonts.h"
#include "panel/PanelSave.h"
#include "ui/RunningOperation.h"
#include "ui/ScreenPlace.h"
#include "ui/Twips.h"
#include "platform/Platform.h"

namespace ks {
namespace {

FrmMain* g_panel = nullptr;

constexpr OleColor kBlue = 0x00FF0000;
constexpr OleColor kGrey = 0x00808080;
constexpr OleColor kWhite = 0x00FFFFFF;

QCheckBox* OptionBox(const char* name, const QString& caption, const QString& tip,
                     QWidget* parent) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(QString::fromLatin1(name));
  box->setToolTip(tip);
  // The boxes are 735 twips wide and the window cuts the last 10 off: IPA's
  // Gothic runs wider than the font they were drawn with, so the caption is a
  // size smaller and the indicator slim to keep "TopMost" whole.
  box->setFont(ProportionalGothic(6.75));
  box->setStyleSheet(QStringLiteral("QCheckBox { spacing: 2px; }"
                                    "QCheckBox::indicator { width: 9px; height: 9px; }"));
  return box;
}

void SetTextColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  palette.setColor(QPalette::WindowText, colour);
  palette.setColor(QPalette::Text, colour);
  widget->setPalette(palette);
}

std::optional<QColor> AskColourDialog(QWidget* owner, FrmMain::CustomColourTable& table) {
  const QPalette palette = QApplication::palette();
  for (int i = 0; i < 16; ++i)
    QColorDialog::setCustomColor(i, OleToColor(static_cast<OleColor>(table[i]), palette));
  QColorDialog dialog(Qt::black, owner);
  if (owner && owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  for (int i = 0; i < 16; ++i)
    table[i] = static_cast<std::uint32_t>(ColorToOle(QColorDialog::customColor(i)));
  return dialog.selectedColor();
}

}  // namespace

FrmMain* MainPanel() { return g_panel; }

FrmMain::FrmMain(QWidget* parent)
    : PanelWindow(parent), queue_(this, [this](Zone zone, const QMimeData* data) {
        if (const auto& handler = zoneHandlers_[static_cast<std::size_t>(zone)]) handler(data);
      }) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QStringLiteral("Kestrino"));
  setWindowIcon(AppIcon());
  setAutoFillBackground(true);

  BuildControls();
  rects_ = DesignedPanelRects();
  ApplyRects();
  resize(TwipsToPixels(kDesignedClientTwips.width()),
         TwipsToPixels(kDesignedClientTwips.height()));

  menu_ = BuildSettingsMenu(this);
  ConnectMenu();

  // Checking chkTop by hand or from the settings both run its change
  // handling, which sets the stacking.
  connect(chkTop_, &QCheckBox::toggled, this, [this] { ApplyTopMost(); });
  connect(chkFolder_, &QCheckBox::clicked, this, [this] { update(); });
  connect(chkDesktop_, &QCheckBox::clicked, this, [this] { update(); });
  // Every key-down goes to the panel first, whichever control has the focus;
  // the same filter sees chkTop receive the focus.
  qApp->installEventFilter(this);

  queue_.onWaitingChanged = [this](std::size_t waiting) { ShowWaitingDrops(waiting); };
  chooser_ = AskColourDialog;
  end_ = [] { QCoreApplication::exit(0); };
  ApplyColours();
  g_panel = this;
}

FrmMain::~FrmMain() {
  if (g_panel == this) g_panel = nullptr;
}

void FrmMain::BuildControls() {
  // Creation order is stacking order: the wallpaper lowest, then the zone
  // texts, the frame lines over them, the check boxes on top.
  imgBack_ = new QLabel(this);
  imgBack_->setObjectName(QStringLiteral("imgBack"));
  imgBack_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  const QFont zoneFont = ProportionalGothic(12);
  auto zone = [&](const char* name, const QString& caption, const QString& tip) {
    auto* label = new DropLabel(QString::fromLatin1(name), caption, this);
    label->setFont(zoneFont);
    label->setAlignment(Qt::AlignCenter);
    label->setToolTip(tip);
    return label;
  };
  lbl3_ = zone("lbl3", QStringLiteral("検査"),
               QStringLiteral("ここにファイルをドロップすると検査します"));
  lbl2_ = zone("lbl2", QStringLiteral("解凍"),
               QStringLiteral("ここにファイルをドロップすると解凍します"));
  lbl1_ = zone("lbl1", QStringLiteral("圧縮"),
               QStringLiteral("ここにファイルをドロップすると圧縮します"));

  lblDll_ = new QLabel(QStringLiteral("Supported"), this);
  lblDll_->setObjectName(QStringLiteral("lblDll"));
  lblDll_->setFont(ProportionalGothic(8.25));
  // The label reaches below the window's bottom edge (Top = height - 200,
  // 255 high): its text sits at its top so that the descenders stay inside.
  lblDll_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  lblLogo_ = new DropLabel(QStringLiteral("lblLogo"), QStringLiteral("Kestrino ver 1.46"), this);
  lblLogo_->setToolTip(QStringLiteral("Jpeg、Bmpで壁紙、Wクリックで壁紙なし"));
  lblLogo_->setFont(ProportionalGothic(7.5));
  lblLogo_->setAlignment(Qt::AlignCenter);
  lblLogo_->setWordWrap(true);
  lblLogo_->onDrop = [this](const QMimeData* data) { DropWallpaper(data); };
  lblLogo_->onDoubleClick = [this] { RemoveWallpaper(); };

  const QColor grey = OleToColor(kGrey, QPalette());
  const QColor white = OleToColor(kWhite, QPalette());
  shp3b_ = new Outline(QStringLiteral("shp3b"), white, this);
  shp3a_ = new Outline(QStringLiteral("shp3a"), grey, this);
  shp2b_ = new Outline(QStringLiteral("shp2b"), white, this);
  shp2a_ = new Outline(QStringLiteral("shp2a"), grey, this);
  shp1a_ = new Outline(QStringLiteral("shp1a"), grey, this);
  shp1b_ = new Outline(QStringLiteral("shp1b"), white, this);

  chkTop_ = OptionBox("chkTop", QStringLiteral("TopMost"),
                      QStringLiteral("ウインドウを常に表示する場合チェックして下さい"), this);
  chkFolder_ = OptionBox("chkFolder", QStringLiteral("Folder"),
                         QStringLiteral("解凍時に圧縮ファイル名のフォルダを作るならチェックして下さい"),
                         this);
  chkDesktop_ = OptionBox("chkDesktop", QStringLiteral("Desktop"),
                          QStringLiteral("圧縮、解凍先をデスクトップにする際チェックして下さい"), this);
  setTabOrder(chkTop_, chkFolder_);
  setTabOrder(chkFolder_, chkDesktop_);
  chkTop_->setFocus();
}

void FrmMain::ConnectMenu() {
  connect(menu_.mnuSetTxt, &QAction::triggered, this, [this] { ChooseColour(explainColour_); });
  connect(menu_.mnuSetLogo, &QAction::triggered, this, [this] { ChooseColour(logoColour_); });
  connect(menu_.mnuSetDll, &QAction::triggered, this, [this] { ChooseColour(dllColour_); });
  connect(menu_.mnuSetBack, &QAction::triggered, this, [this] { ChooseColour(backColour_); });
  // triggered, not toggled: restoring the stored state at start-up sets the
  // marks too, and must leave the colour entries enabled.
  connect(menu_.mnuClrLine, &QAction::triggered, this, [this](bool on) { ToggleLines(on); });
  connect(menu_.mnuClrTxt, &QAction::triggered, this, [this](bool on) { ToggleCaptions(on); });
  connect(menu_.mnuClrLogo, &QAction::triggered, this, [this](bool on) { ToggleLogo(on); });
  connect(menu_.mnuClrDll, &QAction::triggered, this, [this](bool on) { ToggleDll(on); });
  connect(menu_.mnuVer, &QAction::triggered, this, [this] { OpenVersionWindow(); });
  connect(menu_.mnuSetJack, &QAction::triggered, this, [this] {
    if (splitSettings_) splitSettings_();
  });
}

DropLabel* FrmMain::ZoneLabel(Zone zone) const {
  return zone == Zone::Compress ? lbl1_ : zone == Zone::Extract ? lbl2_ : lbl3_;
}

void FrmMain::setDropHandler(Zone zone, std::function<void(const QMimeData*)> handler) {
  DropLabel* label = ZoneLabel(zone);
  label->takesDropsWhileBusy = static_cast<bool>(handler);
  zoneHandlers_[static_cast<std::size_t>(zone)] = std::move(handler);
  label->onDrop = [this, zone](const QMimeData* data) { queue_.Take(zone, data); };
}

void FrmMain::ShowWaitingDrops(std::size_t waiting) {
  // The user sees that the drop was taken, though nothing happens yet.
  setWindowTitle(waiting == 0 ? QStringLiteral("Kestrino")
                              : QStringLiteral("Kestrino — 待機 %1 件").arg(waiting));
}

void FrmMain::ApplyTopMost() { ThePlatform().SetTopMost(this, chkTop_->isChecked()); }

bool FrmMain::FolderChecked() const { return chkFolder_->isChecked(); }
bool FrmMain::DesktopChecked() const { return chkDesktop_->isChecked(); }
bool FrmMain::TopMostChecked() const { return chkTop_->isChecked(); }
bool FrmMain::DblFolderChecked() const { return menu_.mnuDblFolder->isChecked(); }
bool FrmMain::FolderOpenChecked() const { return menu_.mnuFolderOpen->isChecked(); }
bool FrmMain::ErrRepChecked() const { return menu_.mnuErrRep->isChecked(); }
bool FrmMain::ErrRepPacChecked() const { return menu_.mnuErrRepPac->isChecked(); }

void FrmMain::SetSupported(const std::string& tooltip) {
  lblDll_->setToolTip(QString::fromStdString(tooltip));
}

void FrmMain::setSplitSettingsHandler(std::function<void()> handler) {
  splitSettings_ = std::move(handler);
  menu_.mnuSetJack->setEnabled(static_cast<bool>(splitSettings_));
}

void FrmMain::OpenWindowOver(QWidget* window, OverBand band) {
  if (!window) return;
  setEnabled(false);
  window->winId();  // the frame is known once the native window exists
  CentreOver(window, this);
  // The bands are set before the window shows, so it appears in its band
  // at once rather than first behind a top-most panel.
  const bool topMost = band == OverBand::AlwaysTopMost || TopMostChecked();
  ThePlatform().SetTopMost(this, false);
  if (topMost) ThePlatform().SetTopMost(window, true);
  window->show();
  ThePlatform().ActivateWindow(window);
}

void FrmMain::WindowClosed() {
  setEnabled(true);
  ApplyTopMost();
}

void FrmMain::OpenVersionWindow() { OpenWindowOver(new FrmVer(this), OverBand::AlwaysTopMost); }

void FrmMain::PopupSettingsMenu(const QPoint& globalPos) { menu_.mnuSetup->popup(globalPos); }

void FrmMain::setEndHandler(std::function<void()> handler) { end_ = std::move(handler); }

// --- geometry ---------------------------------------------------------------

QRect FrmMain::OuterPixels() const {
  // The native window's frame is current; the widget's own copy is renewed
  // only when the window moves or is resized.
  return geometry().marginsAdded(FrameMarginsOf(this));
}

QRect FrmMain::OuterTwips() const {
  const QRect outer = OuterPixels();
  return QRect(PixelsToTwips(outer.left()), PixelsToTwips(outer.top()),
               PixelsToTwips(outer.width()), PixelsToTwips(outer.height()));
}

QSize FrmMain::ClientTwips() const {
  return QSize(PixelsToTwips(width()), PixelsToTwips(height()));
}

QSize FrmMain::ScreenTwips() const {
  const QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
  const QSize px = s ? s->geometry().size() : QSize(1024, 768);
  return QSize(PixelsToTwips(px.width()), PixelsToTwips(px.height()));
}

void FrmMain::MoveOuterTwips(int left, int top) {
  MoveOuterPixels(QPoint(TwipsToPixels(left), TwipsToPixels(top)));
}

void FrmMain::MoveOuterPixels(const QPoint& topLeft) {
  pendingOuterPos_.reset();
  const QMargins frame = FrameMarginsOf(this);
  if (!frame.isNull()) {
    // The client area goes inside the frame the window manager drew.
    setGeometry(QRect(topLeft + QPoint(frame.left(), frame.top()), size()));
    return;
  }
  // Before its native window exists, a window's position is its frame's:
  // Qt asks the window manager to put the frame's corner there. (The native
  // window is therefore never made before the panel is shown: one made
  // earlier takes the position as the client area's, and every restart
  // would move the panel by the height of its title bar.) Once framed, the
  // place is checked again.
  move(topLeft);
  if (!isVisible()) pendingOuterPos_ = topLeft;
}

void FrmMain::ResizeOuterTwips(int width, int height) {
  const QSize outer(TwipsToPixels(width), TwipsToPixels(height));
  const QMargins frame = FrameMarginsOf(this);
  resize(std::max(1, outer.width() - frame.left() - frame.right()),
         std::max(1, outer.height() - frame.top() - frame.bottom()));
  // A window manager frames the window only once it is shown; until then
  // its border is unknown, so the outer size is applied again after showing.
  pendingOuterSize_.reset();
  if (!isVisible() && frame.isNull()) pendingOuterSize_ = outer;
}

void FrmMain::KeepTitleBarReachable() {
  const QRect outer = OuterPixels();
  const int title = std::max(FrameMarginsOf(this).top(), kTitleGripPixels);
  const QPoint place = ReachablePlace(outer, title, AvailableAreas());
  if (place != outer.topLeft()) MoveOuterPixels(place);
}

bool FrmMain::ApplyPendingOuter() {
  if (!pendingOuterPos_ && !pendingOuterSize_) return true;
  const QMargins frame = FrameMarginsOf(this);
  if (frame.isNull()) return false;
  const std::optional<QPoint> place = pendingOuterPos_;
  const std::optional<QSize> outer = pendingOuterSize_;
  pendingOuterPos_.reset();
  pendingOuterSize_.reset();
  if (isMaximized() || isFullScreen()) return true;
  if (outer)
    resize(std::max(1, outer->width() - frame.left() - frame.right()),
           std::max(1, outer->height() - frame.top() - frame.bottom()));
  if (place && OuterPixels().topLeft() != *place) MoveOuterPixels(*place);
  KeepTitleBarReachable();
  return true;
}

void FrmMain::RetryPendingOuter(int triesLeft) {
  // The frame extents arrive from the window manager a little later, later
  // still on a busy machine; a window without any frame keeps its place.
  QTimer::singleShot(100, this, [this, triesLeft] {
    if (ApplyPendingOuter()) return;
    if (triesLeft > 1) {
      RetryPendingOuter(triesLeft - 1);
    } else {
      pendingOuterPos_.reset();
      pendingOuterSize_.reset();
    }
  });
}

void FrmMain::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  if (ApplyPendingOuter()) return;
  RetryPendingOuter(10);
}

void FrmMain::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  rects_ = LayoutPanel(rects_, ClientTwips());
  ApplyRects();
}

void FrmMain::ApplyRects() {
  imgBack_->setGeometry(TwipsToPixels(rects_.imgBack));
  lbl1_->setGeometry(TwipsToPixels(rects_.lbl1));
  lbl2_->setGeometry(TwipsToPixels(rects_.lbl2));
  lbl3_->setGeometry(TwipsToPixels(rects_.lbl3));
  shp1a_->setGeometry(TwipsToPixels(rects_.shp1a));
  shp1b_->setGeometry(TwipsToPixels(rects_.shp1b));
  shp2a_->setGeometry(TwipsToPixels(rects_.shp2a));
  shp2b_->setGeometry(TwipsToPixels(rects_.shp2b));
  shp3a_->setGeometry(TwipsToPixels(rects_.shp3a));
  shp3b_->setGeometry(TwipsToPixels(rects_.shp3b));
  lblDll_->setGeometry(TwipsToPixels(rects_.lblDll));
  lblLogo_->setGeometry(TwipsToPixels(rects_.lblLogo));
  chkTop_->setGeometry(TwipsToPixels(rects_.chkTop));
  chkFolder_->setGeometry(TwipsToPixels(rects_.chkFolder));
  chkDesktop_->setGeometry(TwipsToPixels(rects_.chkDesktop));
}

// --- mouse and keys ---------------------------------------------------------

bool FrmMain::OpensMenu(QWidget* hit) const {
  // The check boxes and the frame lines are the only places without a menu.
  return hit == nullptr || hit == imgBack_ || hit == lbl1_ || hit == lbl2_ || hit == lbl3_ ||
         hit == lblDll_ || hit == lblLogo_;
}

void FrmMain::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::RightButton &&
      OpensMenu(childAt(e->position().toPoint()))) {
    e->accept();
    PopupSettingsMenu(e->globalPosition().toPoint());
    return;
  }
  QWidget::mouseReleaseEvent(e);
}

bool FrmMain::HandleKey(QKeyEvent* key) {
  // Tab and Shift+Tab still move the focus between the check boxes: giving
  // chkTop the focus that way re-applies the stacking.
  if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) return false;
  const bool ctrlW = key->key() == Qt::Key_W && (key->modifiers() & Qt::ControlModifier);
  if (key->key() == Qt::Key_Escape || ctrlW) close();
  return true;
}

void FrmMain::TakeDragWhileDisabled(QDropEvent* drag) {
  const QPoint at = drag->position().toPoint();
  for (Zone zone : {Zone::Compress, Zone::Extract, Zone::Check}) {
    if (ZoneLabel(zone)->geometry().contains(at)) {
      ZoneLabel(zone)->TakeDragWhileDisabled(drag);
      return;
    }
  }
  drag->setDropAction(Qt::IgnoreAction);
  drag->ignore();
}

bool FrmMain::FilterWhileRunning(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      // A disabled window takes no drag, yet the window a check or a
      // compression opens over the panel disables it while the run goes on:
      // its zones still take drops for later. The drag reaches the native
      // window first, in the panel's own coordinates.
      if (watched != windowHandle() || isEnabled()) return false;
      TakeDragWhileDisabled(static_cast<QDropEvent*>(event));
      return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::ContextMenu: {
      // Nothing else of the panel answers the user meanwhile: no menu, no
      // option changing under the run (the progress window blocks no window,
      // so that drops get through).
      auto* widget = qobject_cast<QWidget*>(watched);
      return widget && widget->window() == this;
    }
    default:
      return false;
  }
}

bool FrmMain::eventFilter(QObject* watched, QEvent* event) {
  if (OperationRunning() && FilterWhileRunning(watched, event)) return true;
  if (watched == chkTop_ && event->type() == QEvent::FocusIn) {
    ApplyTopMost();
    return false;
  }
  if (event->type() == QEvent::KeyPress) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && widget->window() == this) return HandleKey(static_cast<QKeyEvent*>(event));
  }
  return QWidget::eventFilter(watched, event);
}

void FrmMain::changeEvent(QEvent* e) {
  QWidget::changeEvent(e);
  // System colours follow the desktop theme.
  if (e->type() == QEvent::ApplicationPaletteChange) ApplyColours();
}

void FrmMain::closeEvent(QCloseEvent* e) {
  // While a dialog is open over it the panel cannot be closed, as a disabled
  // window cannot; the dialog has to close first. Nor while an extraction or
  // a check runs: it ends first.
  if (!isEnabled() || OperationRunning()) {
    e->ignore();
    return;
  }
  SavePanelSettings(*this);
  e->accept();
  if (end_) end_();
}

// --- colours ----------------------------------------------------------------

void FrmMain::ApplyColours() {
  const QPalette base = QApplication::palette();
  const QColor zoneText = OleToColor(explainColour_, base);
  for (QWidget* label : {static_cast<QWidget*>(lbl1_), static_cast<QWidget*>(lbl2_),
                         static_cast<QWidget*>(lbl3_)})
    SetTextColour(label, zoneText);
  SetTextColour(lblLogo_, OleToColor(logoColour_, base));
  SetTextColour(lblDll_, OleToColor(dllColour_, base));
  const QColor blue = OleToColor(kBlue, base);
  for (QWidget* box : {static_cast<QWidget*>(chkTop_), static_cast<QWidget*>(chkFolder_),
                       static_cast<QWidget*>(chkDesktop_)})
    SetTextColour(box, blue);
  QPalette own = palette();
  own.setColor(QPalette::Window, OleToColor(backColour_, base));
  setPalette(own);
}

void FrmMain::SetExplainColour(OleColor value) {
  explainColour_ = value;
  ApplyColours();
}
void FrmMain::SetLogoColour(OleColor value) {
  logoColour_ = value;
  ApplyColours();
}
void FrmMain::SetDllColour(OleColor value) {
  dllColour_ = value;
  ApplyColours();
}
void FrmMain::SetBackColour(OleColor value) {
  backColour_ = value;
  ApplyColours();
}

void FrmMain::setColourChooser(ColourChooser chooser) { chooser_ = std::move(chooser); }

void FrmMain::ChooseColour(OleColor& target) {
  if (!chooser_) return;
  CustomColourTable table = customColors_;
  const std::optional<QColor> chosen = chooser_(this, table);
  if (!chosen || !chosen->isValid()) return;
  target = ColorToOle(*chosen);
  customColors_ = table;
  ApplyColours();
}

}  // namespace ks
