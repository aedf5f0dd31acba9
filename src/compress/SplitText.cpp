#include "compress/SplitText.h"

#include "core/SettingValues.h"

namespace ks {

const std::vector<SplitPreset>& SplitPresets() {
  static const std::vector<SplitPreset> presets = {
      {"720KB", "711"}, {"1.44MB", "1423"}, {"128MB", "122622"}, {"230MB", "220948"}, {"その他", ""},
  };
  return presets;
}

std::optional<std::string> PresetSize(const std::string& entry) {
  for (const SplitPreset& p : SplitPresets())
    if (entry == p.entry) return std::string(p.size);
  return std::nullopt;
}

bool SelfJoiningType(const std::string& ripType) { return ParseSettingInt(ripType) == -1; }

std::string RipTypeText(bool selfJoining) { return selfJoining ? "-1" : "0"; }

std::string SplitSummary(const std::string& sizeCaption, bool selfJoining) {
  return "(" + sizeCaption + " " + (selfJoining ? "自己結合" : "ノーマル") + ")";
}

std::string JackCommandLine(bool selfJoining, const std::string& sizeText,
                            const std::string& source, const std::string& destinationFolder) {
  return std::string(selfJoining ? "-r -m1 -v:" : "-r -m0 -v:") + sizeText + " \"" + source +
         "\" \"" + destinationFolder + "\"";
}

}  // namespace ks
