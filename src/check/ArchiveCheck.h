#pragma once
// The check zone: every dropped archive is tested by its library and listed
// in the result window, one line per file. Runs inside the drop event; the
// panel stays disabled until the result window is closed.

#include <string>
#include <vector>

class QMimeData;

namespace ks {

class PanelWindow;

// Tests `names` in order over `panel`. Folders get no line. When the user
// closes the result window while a long test runs, the names after it are
// not tested: there is nowhere left to show them.
void CheckArchives(PanelWindow* panel, const std::vector<std::string>& names);

// The check zone's drop handler: a drop without file names is refused with a
// message and nothing else happens; otherwise the dropped names are checked.
void CheckDrop(PanelWindow* panel, const QMimeData* data);

// Makes drops on the panel's check zone run the check.
void InstallCheckZone(PanelWindow* panel);

}  // namespace ks
