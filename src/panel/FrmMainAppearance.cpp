// The panel's appearance: hiding frames, captions, logo and "Supported", and
// the wallpaper behind everything.

#include <QAction>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>

#include "core/FileTests.h"
#include "core/Settings.h"
#include "panel/DropLabel.h"
#include "ui/DropReader.h"
#include "panel/FrmMain.h"
#include "panel/Outline.h"
#include "ui/Twips.h"

namespace ks {

bool FrmMain::LinesHidden() const { return menu_.mnuClrLine->isChecked(); }
bool FrmMain::CaptionsHidden() const { return menu_.mnuClrTxt->isChecked(); }
bool FrmMain::LogoHidden() const { return menu_.mnuClrLogo->isChecked(); }
bool FrmMain::DllHidden() const { return menu_.mnuClrDll->isChecked(); }

void FrmMain::SetCaptionsShown(bool shown) {
  lbl1_->setText(shown ? QStringLiteral("圧縮") : QString());
  lbl2_->setText(shown ? QStringLiteral("解凍") : QString());
  lbl3_->setText(shown ? QStringLiteral("検査") : QString());
}

void FrmMain::ToggleLines(bool hidden) {
  for (Outline* o : {shp1a_, shp1b_, shp2a_, shp2b_, shp3a_, shp3b_}) o->setVisible(!hidden);
}

void FrmMain::ToggleCaptions(bool hidden) {
  SetCaptionsShown(!hidden);
  menu_.mnuSetTxt->setEnabled(!hidden);
}

void FrmMain::ToggleLogo(bool hidden) {
  lblLogo_->setVisible(!hidden);
  menu_.mnuSetLogo->setEnabled(!hidden);
}

void FrmMain::ToggleDll(bool hidden) {
  lblDll_->setVisible(!hidden);
  menu_.mnuSetDll->setEnabled(!hidden);
}

void FrmMain::RestoreLinesHidden() {
  menu_.mnuClrLine->setChecked(true);
  ToggleLines(true);
}

void FrmMain::RestoreCaptionsHidden() {
  menu_.mnuClrTxt->setChecked(true);
  SetCaptionsShown(false);
}

void FrmMain::RestoreLogoHidden() {
  menu_.mnuClrLogo->setChecked(true);
  lblLogo_->setVisible(false);
}

void FrmMain::RestoreDllHidden() {
  menu_.mnuClrDll->setChecked(true);
  lblDll_->setVisible(false);
}

bool FrmMain::LoadWallpaper(const std::string& path) {
  QImageReader reader(QString::fromStdString(path));
  const QImage image = reader.read();
  if (image.isNull()) return false;
  imgBack_->setPixmap(QPixmap::fromImage(image));
  // The picture shows at its natural size: one picture pixel, one pixel.
  rects_.imgBack = QRect(0, 0, PixelsToTwips(image.width()), PixelsToTwips(image.height()));
  imgBack_->setGeometry(TwipsToPixels(rects_.imgBack));
  return true;
}

bool FrmMain::HasWallpaper() const { return !imgBack_->pixmap().isNull(); }

void FrmMain::DropWallpaper(const QMimeData* data) {
  const auto names = DroppedNames(data);
  if (!names) return;
  const std::string& picture = names->front();
  if (IsGifFile(picture)) return;
  if (!LoadWallpaper(picture)) return;
  WriteIni("Main", "Back", picture);

  // The client area takes the picture's size. A picture larger than the
  // screen leaves the window no larger than the usable part of its screen,
  // and a window that would then reach past that part moves back into it:
  // a top-most panel must never cover what is beside it on the screen with
  // its frame and controls out of reach.
  const QMargins frame = FrameMarginsOf(this);
  const QRect area = AvailableAreaOf(this);
  QSize client = imgBack_->pixmap().size();
  if (!area.isEmpty())
    client = client.boundedTo(area.size().shrunkBy(frame).expandedTo(QSize(1, 1)));
  resize(client);
  if (area.isEmpty()) return;
  const QRect outer = OuterPixels();
  const QPoint inside = KeepInside(area, outer.topLeft(), outer.size());
  if (inside != outer.topLeft()) MoveOuterPixels(inside);
}

void FrmMain::RemoveWallpaper() {
  imgBack_->clear();
  WriteIni("Main", "Back", "");
}

}  // namespace ks
