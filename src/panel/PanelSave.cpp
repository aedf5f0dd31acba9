#include "panel/PanelSave.h"

#include <string>

#include "core/Settings.h"
#include "panel/FrmMain.h"
#include "core/SettingValues.h"

namespace ks {
namespace {

void Write(const char* key, const std::string& value) { WriteIni("Main", key, value); }
void WriteSwitch(const char* key, bool on) { Write(key, SwitchText(on)); }

}  // namespace

void SavePanelSettings(const FrmMain& panel) {
  const QRect outer = panel.OuterTwips();
  const QSize screen = panel.ScreenTwips();
  // A maximised window on a desktop with a task bar can be smaller than the
  // screen; its size is still not the one to restore next time.
  const bool normal = !panel.isMaximized() && !panel.isFullScreen();
  if (normal && outer.height() < screen.height() && outer.width() < screen.width()) {
    Write("Top", std::to_string(outer.top()));
    Write("Left", std::to_string(outer.left()));
    Write("Height", std::to_string(outer.height()));
    Write("Width", std::to_string(outer.width()));
  }
  WriteSwitch("TopMost", panel.TopMostChecked());
  WriteSwitch("Folder", panel.FolderChecked());
  WriteSwitch("DblFolder", panel.DblFolderChecked());
  WriteSwitch("FolderOpen", panel.FolderOpenChecked());
  WriteSwitch("ErrRep", panel.ErrRepChecked());
  WriteSwitch("ErrRepPac", panel.ErrRepPacChecked());
  WriteSwitch("DeskTop", panel.DesktopChecked());
  WriteSwitch("DllClr", panel.DllHidden());
  WriteSwitch("LineClr", panel.LinesHidden());
  WriteSwitch("LogoClr", panel.LogoHidden());
  WriteSwitch("TxtClr", panel.CaptionsHidden());
  Write("ClExplain", std::to_string(panel.ExplainColour()));
  Write("ClLogo", std::to_string(panel.LogoColour()));
  Write("ClDll", std::to_string(panel.DllColour()));
  Write("ClBack", std::to_string(panel.BackColour()));
}

}  // namespace ks
