#pragma once
// The panel: the program's one main window with its three drop zones, the
// logo corner, the option check boxes and the right-click settings menu.
// Controls carry their control names as object names (lbl1, chkTop,
// mnuErrRep ...), so findChild finds them.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "ui/OleColor.h"
#include "panel/DropQueue.h"
#include "panel/PanelLayout.h"
#include "panel/SettingsMenu.h"
#include "ui/PanelWindow.h"

class QCheckBox;
class QDropEvent;
class QLabel;
class QMimeData;

namespace ks {

class DropLabel;
class Outline;

class FrmMain : public PanelWindow {
  Q_OBJECT
 public:
  // Loads the panel hidden; the 16 custom colours start all zero.
  explicit FrmMain(QWidget* parent = nullptr);
  ~FrmMain() override;

  // --- PanelWindow -------------------------------------------------------
  // A drop that arrives while an operation runs waits its turn (DropQueue);
  // the caption counts the drops that wait.
  void setDropHandler(Zone zone, std::function<void(const QMimeData*)> handler) override;
  void setSplitSettingsHandler(std::function<void()> handler) override;
  void ApplyTopMost() override;
  bool FolderChecked() const override;
  bool DesktopChecked() const override;
  bool TopMostChecked() const override;
  bool DblFolderChecked() const override;
  bool FolderOpenChecked() const override;
  bool ErrRepChecked() const override;
  bool ErrRepPacChecked() const override;
  void OpenWindowOver(QWidget* window, OverBand band = OverBand::FollowTopMost) override;
  void WindowClosed() override;

  // --- appearance --------------------------------------------------------
  // Colour values as stored: 0x00BBGGRR or 0x800000nn (system colour).
  OleColor ExplainColour() const { return explainColour_; }  // lbl1..lbl3
  OleColor LogoColour() const { return logoColour_; }
  OleColor DllColour() const { return dllColour_; }
  OleColor BackColour() const { return backColour_; }
  void SetExplainColour(OleColor value);
  void SetLogoColour(OleColor value);
  void SetDllColour(OleColor value);
  void SetBackColour(OleColor value);

  // The hide flags are the check marks of their menu entries.
  bool LinesHidden() const;
  bool CaptionsHidden() const;
  bool LogoHidden() const;
  bool DllHidden() const;
  // The stored hidden state applied at start-up: the entry is checked and the
  // element hidden, but its colour entry stays enabled until the next toggle.
  void RestoreLinesHidden();
  void RestoreCaptionsHidden();
  void RestoreLogoHidden();
  void RestoreDllHidden();

  // The colour dialog. It gets the owner and the custom colours (changed in
  // place when a colour is chosen) and returns the chosen colour, or nullopt
  // when cancelled. Tests replace it; the default is QColorDialog.
  using CustomColourTable = std::array<std::uint32_t, 16>;
  using ColourChooser =
      std::function<std::optional<QColor>(QWidget* owner, CustomColourTable& customColours)>;
  void setColourChooser(ColourChooser chooser);
  // The colour dialog's 16 custom colours as colour values, kept for the run.
  const CustomColourTable& CustomColors() const { return customColors_; }

  // Loads a picture into imgBack at its natural size; false (and imgBack
  // unchanged) when no picture loader reads the file.
  bool LoadWallpaper(const std::string& path);
  bool HasWallpaper() const;
  // A drop on the logo: the first dropped picture becomes the wallpaper,
  // "Back" is written and the client area takes the picture's size; the
  // whole window stays within the usable part of its screen. GIF files and
  // unreadable files are ignored.
  void DropWallpaper(const QMimeData* data);
  // A double click on the logo: no wallpaper, "Back" written empty.
  void RemoveWallpaper();

  // The "Supported" list: the tooltip of lblDll.
  void SetSupported(const std::string& tooltip);

  // "バージョン情報": disables the panel and opens frmVer.
  void OpenVersionWindow();
  // Opens the settings menu as a pop-up at a screen position.
  void PopupSettingsMenu(const QPoint& globalPos);
  const SettingsMenu& Menu() const { return menu_; }

  // What happens after closing has written the settings; by default the
  // application quits.
  void setEndHandler(std::function<void()> handler);

  // Geometry in twips. Outer means the whole window frame, as the window
  // manager drew it: a place read back is the place that was set, whatever
  // the frame.
  QRect OuterTwips() const;
  QSize ClientTwips() const;
  QSize ScreenTwips() const;
  void MoveOuterTwips(int left, int top);
  void ResizeOuterTwips(int width, int height);
  // Moves the panel wholly onto the nearest screen when its title bar could
  // not be grabbed where it is (ReachablePlace). Checked again once the
  // window manager has framed the panel, as the frame's height counts.
  void KeepTitleBarReachable();

  // The rectangles (twips) the last layout gave the controls.
  const PanelRects& Rects() const { return rects_; }

 protected:
  void resizeEvent(QResizeEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void changeEvent(QEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls();
  void ConnectMenu();
  void ApplyRects();
  QRect OuterPixels() const;
  void MoveOuterPixels(const QPoint& topLeft);
  bool ApplyPendingOuter();
  void RetryPendingOuter(int triesLeft);
  void ApplyColours();
  bool OpensMenu(QWidget* hit) const;
  bool HandleKey(QKeyEvent* key);
  bool FilterWhileRunning(QObject* watched, QEvent* event);
  void TakeDragWhileDisabled(QDropEvent* drag);
  DropLabel* ZoneLabel(Zone zone) const;
  void ShowWaitingDrops(std::size_t waiting);
  void ChooseColour(OleColor& target);
  void ToggleLines(bool hidden);
  void ToggleCaptions(bool hidden);
  void ToggleLogo(bool hidden);
  void ToggleDll(bool hidden);
  void SetCaptionsShown(bool shown);

  QLabel* imgBack_ = nullptr;
  Outline* shp1a_ = nullptr;
  Outline* shp1b_ = nullptr;
  Outline* shp2a_ = nullptr;
  Outline* shp2b_ = nullptr;
  Outline* shp3a_ = nullptr;
  Outline* shp3b_ = nullptr;
  DropLabel* lbl1_ = nullptr;
  DropLabel* lbl2_ = nullptr;
  DropLabel* lbl3_ = nullptr;
  QLabel* lblDll_ = nullptr;
  DropLabel* lblLogo_ = nullptr;
  QCheckBox* chkTop_ = nullptr;
  QCheckBox* chkFolder_ = nullptr;
  QCheckBox* chkDesktop_ = nullptr;
  SettingsMenu menu_;
  std::array<std::function<void(const QMimeData*)>, 3> zoneHandlers_;
  DropQueue queue_;

  PanelRects rects_;
  OleColor explainColour_ = SystemColour(8);
  OleColor logoColour_ = SystemColour(18);
  OleColor dllColour_ = 0x00FF0000;
  OleColor backColour_ = SystemColour(15);
  CustomColourTable customColors_{};
  ColourChooser chooser_;
  std::function<void()> splitSettings_;
  std::function<void()> end_;
  // Pixels, until the window manager has framed the panel.
  std::optional<QPoint> pendingOuterPos_;
  std::optional<QSize> pendingOuterSize_;
};

// The panel of this run (nullptr before start-up or after it is gone).
FrmMain* MainPanel();

}  // namespace ks
