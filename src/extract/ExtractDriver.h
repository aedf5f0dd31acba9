#pragma once
// The extract zone: every dropped archive is extracted by its library into
// the dropped files' folder (or onto the desktop), optionally into a folder
// named after it, and listed in the result window, which is shown when
// something failed, nothing could be extracted, or "ErrRep" asks for it.
// The whole run happens inside the drop event.

#include <string>
#include <vector>

class QMimeData;

namespace ks {

class PanelWindow;

// Extracts `names` in order over `panel` (not null). Fills DroppedFiles.
// A folder or a file of no archive type we extract is listed with "Skip";
// a file that cannot be read, an archive whose library is missing, and a
// library that fails or throws fail only their own name. A failed name
// that left nothing behind leaves no folder either, and none is opened.
// The run stops early only when an extraction folder cannot be prepared
// (two messages, the result window stays hidden) or a library is busy (its
// message, then the program ends).
void ExtractArchives(PanelWindow* panel, const std::vector<std::string>& names);

// The extract zone's drop handler: a drop without file names is refused
// with a message and nothing else happens; otherwise the names are
// extracted.
void ExtractDrop(PanelWindow* panel, const QMimeData* data);

// Makes drops on the panel's extract zone run the extraction.
void InstallExtractZone(PanelWindow* panel);

}  // namespace ks
