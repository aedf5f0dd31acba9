#pragma once
// Where the result window's list and close button go for a window size. All
// in twips; the sizes are the window's outer size, frame included.

#include <QRect>
#include <QSize>

namespace ks {

struct ChkRects {
  QRect lstChk;
  QRect cmdClose;
};

// The designed client area of frmChk.
inline constexpr QSize kChkDesignedClient{4695, 3075};
// The smallest client area that still holds the list beside the button:
// the button 60 twips in from the left, the list at least 300 twips high.
inline constexpr QSize kChkMinimumClient{1245, 1200};

// The list keeps 230 twips narrower and 900 lower than the window, the button
// 1185 twips left of its right edge and 750 above its bottom. A window too
// small for that gives sizes and positions of zero rather than negative ones,
// which Qt would treat as "no size" inconsistently.
ChkRects ChkLayout(const QSize& outerTwips);

}  // namespace ks
