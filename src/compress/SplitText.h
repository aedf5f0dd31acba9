#pragma once
// The texts of the split settings and the split step: the size presets, the
// summary the compression dialog shows, and Jack32's command line.

#include <optional>
#include <string>
#include <vector>

namespace ks {

struct SplitPreset {
  const char* entry;  // "1.44MB"
  const char* size;   // KB: "1423"; "" for "その他"
};
// The presets in list order.
const std::vector<SplitPreset>& SplitPresets();
// The size a preset puts into the size box; nullopt for an unknown entry.
std::optional<std::string> PresetSize(const std::string& entry);

// A stored "JackRipType" means self-joining pieces when it reads as -1.
bool SelfJoiningType(const std::string& ripType);
// How "JackRipType" is stored.
std::string RipTypeText(bool selfJoining);
// "(" + size caption + " " + "自己結合" or "ノーマル" + ")".
std::string SplitSummary(const std::string& sizeCaption, bool selfJoining);

// "-r -m1 -v:" (self-joining) or "-r -m0 -v:" + size, then the quoted source
// and the quoted destination folder.
std::string JackCommandLine(bool selfJoining, const std::string& sizeText,
                            const std::string& source, const std::string& destinationFolder);

}  // namespace ks
