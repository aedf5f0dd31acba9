#pragma once
// What the operations and the windows opened over the panel need of it: the
// options they read when they start, the drop zones they answer, and the
// handshake of a window opening over the panel and closing again. The panel
// (panel/FrmMain) is the one implementation; keeping the operations on this
// narrow face lets them and the panel change apart, and tests can stand a
// panel of their own in.

#include <QWidget>
#include <functional>
#include <string>

class QMimeData;

namespace ks {

enum class Zone { Compress, Extract, Check };

class PanelWindow : public QWidget {
 public:
  using QWidget::QWidget;

  // What a drop on a zone does; a zone with no handler ignores drops.
  virtual void setDropHandler(Zone zone, std::function<void(const QMimeData*)> handler) = 0;
  // Until its opener is installed "Jack32.dllの設定" stays disabled.
  virtual void setSplitSettingsHandler(std::function<void()> handler) = 0;

  // Stacking from chkTop: top-most band when checked, normal band otherwise.
  virtual void ApplyTopMost() = 0;

  // The options other operations read when they start.
  virtual bool FolderChecked() const = 0;
  virtual bool DesktopChecked() const = 0;
  virtual bool TopMostChecked() const = 0;
  virtual bool DblFolderChecked() const = 0;
  virtual bool FolderOpenChecked() const = 0;
  virtual bool ErrRepChecked() const = 0;
  virtual bool ErrRepPacChecked() const = 0;

  // Which band a window opened over the panel goes into: the top-most band
  // when chkTop is checked, or always (the version window).
  enum class OverBand { FollowTopMost, AlwaysTopMost };
  // A window of the program opening over the panel (compression dialog,
  // split settings, result window, version window): the panel is disabled and
  // steps down to the normal band; the window is centred over the panel and
  // moved wholly onto the panel's screen, put into its band, shown without
  // blocking, brought to the front and given the keyboard focus. Whatever
  // the bands, the user sees it above the panel and can answer it with keys.
  virtual void OpenWindowOver(QWidget* window, OverBand band = OverBand::FollowTopMost) = 0;
  // That window closing: the panel is enabled and its band re-applied.
  virtual void WindowClosed() = 0;

  // The output folders of an extraction, with this panel's "Folder" option:
  // the folder the library extracts into (throws PathNotFound when it
  // cannot be prepared), and the collapse of a doubled folder level. Their
  // rules are in extract/OutputFolders.
  std::string ksExtractFolder1st(const std::string& strArcDir);
  std::string ksExtractFolder2nd(const std::string& strExDir, const std::string& strArcDir,
                                 const std::string& strOrgData);
};

}  // namespace ks
