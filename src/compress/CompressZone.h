#pragma once
// The compress zone "圧縮" of the panel: a drop fills the dropped-file list
// and opens the compression dialog over the disabled panel. Also the panel
// menu's "Jack32.dllの設定", which opens the split settings.

#include <string>
#include <vector>

class QMimeData;

namespace ks {

class PanelWindow;

// The most names one drop may carry.
inline constexpr std::size_t kMaxDroppedNames = 32767;

// True for a first dropped name the compression cannot start from: the
// root "/" or a share root "//server/share".
bool IsRefusedDropRoot(const std::string& name);

// The names as the dropped-file list keeps them: a folder's trailing
// separator dropped (the root keeps its one), so that every name has a
// folder and a last part.
std::vector<std::string> NormalisedDropNames(const std::vector<std::string>& names);

// The compress zone's drop handler.
void CompressDrop(PanelWindow* panel, const QMimeData* data);

// Makes drops on lbl1 start a compression and enables "Jack32.dllの設定".
void InstallCompressZone(PanelWindow* panel);

}  // namespace ks
