#pragma once
// The panel's geometry in twips: the designed rectangles and the layout that
// follows every resize. Pure functions; FrmMain applies the result.

#include <QRect>
#include <QSize>

namespace ks {

struct PanelRects {
  QRect chkFolder, chkDesktop, chkTop;
  QRect shp3b, shp3a, shp2b, shp2a, shp1a, shp1b;
  QRect lbl3, lbl2, lbl1;
  QRect lblDll, lblLogo;
  QRect imgBack;

  bool operator==(const PanelRects&) const = default;
};

// The rectangles as designed for the 3765 x 2295 twips client area.
PanelRects DesignedPanelRects();
constexpr QSize kDesignedClientTwips{3765, 2295};

// The rectangles after the client area became `client` (twips). A client of
// 100 twips or less in either direction (a minimised window) leaves `current`
// as it is. Between 101 and 199 twips the zone sizes would come out negative;
// they are clamped to 0 so the zones simply vanish. Only the values the
// layout owns change; imgBack is never touched.
PanelRects LayoutPanel(const PanelRects& current, QSize client);

}  // namespace ks
