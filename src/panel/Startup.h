#pragma once
// Start-up: builds the panel hidden, finds the usable libraries, restores the
// panel from the settings file and shows it.

#include <functional>
#include <string>

namespace ks {

class FrmMain;
class LibrarySet;

struct StartupOptions {
  // The executable's folder; AppFolder is chosen from it.
  std::string programFolder;
  // Puts the back-ends behind the library names before they are probed;
  // left empty when the library set is already prepared (tests).
  std::function<void(LibrarySet&)> installLibraries;
};

// Runs the start-up steps in their fixed order and returns the shown panel
// (owned by the caller). Runs once per program.
FrmMain* Main(const StartupOptions& options);

// The separate steps, in the order Main runs them after the probe.
void PlacePanel(FrmMain& panel);
void SizePanel(FrmMain& panel);
void RestoreWallpaper(FrmMain& panel);
void RestoreSwitches(FrmMain& panel);
void RestoreColours(FrmMain& panel);

// Where a stored wallpaper name is read from: a bare file name lives in the
// program folder, anything with a separator is a full path.
std::string WallpaperPath(const std::string& stored, const std::string& appFolder);

}  // namespace ks
