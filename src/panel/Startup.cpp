#include "panel/Startup.h"

#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QScreen>

#include "archivers/LibrarySet.h"
#include "archivers/Probe.h"
#include "core/AppFolder.h"
#include "core/FileTests.h"
#include "core/PathText.h"
#include "core/Settings.h"
#include "panel/FrmMain.h"
#include "panel/PanelSize.h"
#include "core/SettingValues.h"
#include "ui/Twips.h"

namespace ks {
namespace {

QCheckBox* Box(FrmMain& panel, const char* name) {
  return panel.findChild<QCheckBox*>(QString::fromLatin1(name));
}

// The largest width and the largest height among the screens (they may
// belong to different screens); 0 where no screen is known.
QSize LargestScreenTwips() {
  QSize largest(0, 0);
  for (const QScreen* screen : QGuiApplication::screens())
    largest = largest.expandedTo(screen->geometry().size());
  return QSize(PixelsToTwips(largest.width()), PixelsToTwips(largest.height()));
}

}  // namespace

std::string WallpaperPath(const std::string& stored, const std::string& appFolder) {
  if (stored.find(kPathSeparator) == std::string::npos) return appFolder + stored;
  return stored;
}

void PlacePanel(FrmMain& panel) {
  const QSize screen = panel.ScreenTwips();
  const int top = ReadMainInt("Top", "0");
  const int left = ReadMainInt("Left", "0");
  if (top > screen.height() - 300 || left > screen.width() - 300)
    panel.MoveOuterTwips(0, 0);
  else
    panel.MoveOuterTwips(left, top);
}

void SizePanel(FrmMain& panel) {
  const QSize largest = LargestScreenTwips();
  const int height = StoredPanelSize(ReadIni("Main", "Height", "2805"), 2805, largest.height());
  const int width = StoredPanelSize(ReadIni("Main", "Width", "4050"), 4050, largest.width());
  panel.ResizeOuterTwips(width, height);
  // The stored place has no lower bound: a place stored for a screen that
  // is gone, or with the title bar dragged above the screen, would open the
  // panel where nobody can grab it. Its size is known now.
  panel.KeepTitleBarReachable();
}

void RestoreWallpaper(FrmMain& panel) {
  const std::string back = ReadIni("Main", "Back", "");
  if (!back.empty()) {
    // The file tested is the file loaded, so a bare name is tested in the
    // program folder too and not wherever the program was started from.
    const std::string path = WallpaperPath(back, AppFolder);
    if (IsOrdinaryFile(path) && !IsGifFile(path)) panel.LoadWallpaper(path);
    return;
  }
  if (ReadMainInt("FirstBoot", "-1") == 0) return;
  const std::string logo = AppFolder + "logo.jpg";
  if (!IsOrdinaryFile(logo) || IsGifFile(logo)) return;
  // A logo no loader can read is not offered; the next start tries again.
  if (!panel.LoadWallpaper(logo)) return;
  WriteIni("Main", "Back", logo);
  WriteIni("Main", "FirstBoot", "0");
}

void RestoreSwitches(FrmMain& panel) {
  const SettingsMenu& menu = panel.Menu();
  if (ReadMainSwitch("LineClr", "0")) panel.RestoreLinesHidden();
  if (ReadMainSwitch("TxtClr", "0")) panel.RestoreCaptionsHidden();
  if (ReadMainSwitch("LogoClr", "0")) panel.RestoreLogoHidden();
  // The box starts unchecked, so checking it runs its change handling and
  // puts the panel on top; leaving it unchecked changes nothing.
  Box(panel, "chkTop")->setChecked(ReadMainSwitch("TopMost", "-1"));
  Box(panel, "chkFolder")->setChecked(ReadMainSwitch("Folder", "-1"));
  menu.mnuDblFolder->setChecked(ReadMainSwitch("DblFolder", "-1"));
  menu.mnuFolderOpen->setChecked(ReadMainSwitch("FolderOpen", "-1"));
  menu.mnuErrRep->setChecked(ReadMainSwitch("ErrRep", "0"));
  menu.mnuErrRepPac->setChecked(ReadMainSwitch("ErrRepPac", "0"));
  Box(panel, "chkDesktop")->setChecked(ReadMainSwitch("DeskTop", "0"));
  if (ReadMainSwitch("DllClr", "0")) panel.RestoreDllHidden();
}

void RestoreColours(FrmMain& panel) {
  panel.SetExplainColour(ReadMainInt("ClExplain", "-2147483640"));
  panel.SetLogoColour(ReadMainInt("ClLogo", "-2147483630"));
  panel.SetDllColour(ReadMainInt("ClDll", std::to_string(0xFF0000)));
  panel.SetBackColour(ReadMainInt("ClBack", "-2147483633"));
}

FrmMain* Main(const StartupOptions& options) {
  auto* panel = new FrmMain();

  LibrarySet& libraries = Libraries();
  if (options.installLibraries) options.installLibraries(libraries);
  const ProbeResult probe = ProbeLibraries(libraries);
  ApplyProbe(probe);
  panel->SetSupported(probe.supported);

  AppFolder = ChooseAppFolder(AddBackslash(options.programFolder));

  PlacePanel(*panel);
  SizePanel(*panel);
  RestoreWallpaper(*panel);
  RestoreSwitches(*panel);
  RestoreColours(*panel);
  panel->show();
  return panel;
}

}  // namespace ks
