#pragma once
// The panel's right-click menu: the tree of entries with their captions,
// order, separators and check marks. Building only; FrmMain connects the
// entries to what they do.

#include <QString>

class QAction;
class QMenu;
class QWidget;

namespace ks {

struct SettingsMenu {
  QMenu* mnuSetup = nullptr;     // "設定": its entries form the pop-up
  QMenu* mnuSetPanel = nullptr;  // "簡易設定"
  // Options (check marks the operations read).
  QAction* mnuDblFolder = nullptr;
  QAction* mnuFolderOpen = nullptr;
  QAction* mnuErrRep = nullptr;
  QAction* mnuErrRepPac = nullptr;
  QAction* mnuSep3 = nullptr;
  // Appearance.
  QAction* mnuClrLine = nullptr;
  QAction* mnuClrTxt = nullptr;
  QAction* mnuSetTxt = nullptr;
  QAction* mnuClrLogo = nullptr;
  QAction* mnuSetLogo = nullptr;
  QAction* mnuClrDll = nullptr;
  QAction* mnuSetDll = nullptr;
  QAction* mnuSetBack = nullptr;
  QAction* mnuSep2 = nullptr;
  QAction* mnuSetJack = nullptr;
  QAction* mnuSep = nullptr;
  QAction* mnuVer = nullptr;
};

// Builds the whole tree as children of `owner`, every entry named by its
// control name so findChild finds it. The options and hide entries are
// checkable and start unchecked; the split settings entry starts disabled
// until a handler for it is installed.
SettingsMenu BuildSettingsMenu(QWidget* owner);

}  // namespace ks
