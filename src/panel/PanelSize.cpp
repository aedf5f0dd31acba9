#include "panel/PanelSize.h"

#include "core/SettingValues.h"

namespace ks {

int StoredPanelSize(const std::string& stored, int defaultValue, int largestScreen) {
  const std::optional<int> value = ParseSettingInt(stored);
  if (!value || *value < kMinimumPanelTwips) return defaultValue;
  if (largestScreen > 0 && *value > largestScreen) return defaultValue;
  return *value;
}

}  // namespace ks
