#include "check/ChkLayout.h"

#include <algorithm>

namespace ks {

ChkRects ChkLayout(const QSize& outer) {
  const int w = outer.width();
  const int h = outer.height();
  ChkRects r;
  r.lstChk = QRect(60, 60, std::max(0, w - 230), std::max(0, h - 900));
  r.cmdClose = QRect(std::max(0, w - 1185), std::max(0, h - 750), 975, 300);
  return r;
}

}  // namespace ks
