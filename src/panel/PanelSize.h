#pragma once
// Which stored panel sizes are taken. A hand-edited or damaged settings file
// must never give a panel that cannot be used or that is larger than any
// screen: such a size is read as the key's default.

#include <string>

namespace ks {

// The smallest outer size (twips) the panel is restored at, in both
// directions: 1500 twips are 100 pixels, which leaves each of the three
// zones about 40 x 30 pixels with its caption inside, apart from the others.
inline constexpr int kMinimumPanelTwips = 1500;

// The stored "Height" or "Width" as a size in twips: `stored` when it is a
// whole number from kMinimumPanelTwips up to `largestScreen` (the largest
// screen's extent in that direction, twips; 0 when unknown, no upper bound
// then), otherwise `defaultValue`.
int StoredPanelSize(const std::string& stored, int defaultValue, int largestScreen);

}  // namespace ks
