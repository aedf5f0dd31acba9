#include "panel/PanelLayout.h"

#include <algorithm>
#include <cmath>

namespace ks {

PanelRects DesignedPanelRects() {
  PanelRects r;
  r.chkFolder = QRect(3000, 1800, 735, 255);
  r.chkDesktop = QRect(3000, 2040, 735, 255);
  r.chkTop = QRect(3000, 1560, 735, 255);
  r.shp3b = QRect(15, 1205, 1815, 1095);
  r.shp3a = QRect(0, 1190, 1815, 1095);
  r.shp2b = QRect(1935, 15, 1815, 1095);
  r.shp2a = QRect(1920, 0, 1815, 1095);
  r.shp1a = QRect(0, 0, 1815, 1095);
  r.shp1b = QRect(15, 15, 1815, 1095);
  r.lbl3 = QRect(50, 1250, 1765, 1045);
  r.lbl2 = QRect(1970, 50, 1765, 1045);
  r.lbl1 = QRect(50, 50, 1765, 1045);
  r.lblDll = QRect(2040, 2040, 855, 255);
  r.lblLogo = QRect(3000, 1200, 735, 375);
  r.imgBack = QRect(0, 0, 3735, 2295);
  return r;
}

namespace {

// Half of an odd twips size is fractional; round the way a pixel grid would.
int Round(double v) { return static_cast<int>(std::lround(v)); }
int NonNegative(double v) { return std::max(0, Round(v)); }

void SetSize(QRect& r, int width, int height) {
  r.setWidth(width);
  r.setHeight(height);
}

}  // namespace

PanelRects LayoutPanel(const PanelRects& current, QSize client) {
  const int sw = client.width();
  const int sh = client.height();
  if (sh <= 100 || sw <= 100) return current;

  PanelRects r = current;
  const double halfW = sw / 2.0;
  const double halfH = sh / 2.0;

  const int labelW = NonNegative(halfW - 100), labelH = NonNegative(halfH - 100);
  const int outlineW = NonNegative(halfW - 50), outlineH = NonNegative(halfH - 50);
  for (QRect* label : {&r.lbl1, &r.lbl2, &r.lbl3}) SetSize(*label, labelW, labelH);
  for (QRect* outline : {&r.shp1a, &r.shp1b, &r.shp2a, &r.shp2b, &r.shp3a, &r.shp3b})
    SetSize(*outline, outlineW, outlineH);

  r.lbl2.moveLeft(Round(halfW + 100));
  r.shp2a.moveLeft(Round(halfW + 50));
  r.shp2b.moveLeft(Round(halfW + 65));

  // The grey outline of the check zone is the one moved up by 15.
  r.lbl3.moveTop(Round(halfH + 100));
  r.shp3a.moveTop(Round(halfH + 35));
  r.shp3b.moveTop(Round(halfH + 50));

  r.lblLogo.moveTo(sw - 775, sh - 1170);
  r.chkTop.moveTo(sw - 725, sh - 765);
  r.chkFolder.moveTo(sw - 725, sh - 510);
  r.chkDesktop.moveTo(sw - 725, sh - 255);
  r.lblDll.moveTo(sw - 1695, sh - 200);
  return r;
}

}  // namespace ks
