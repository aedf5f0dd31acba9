#include "ui/PanelFonts.h"

#include <cmath>

namespace ks {
namespace {

QFont DesignFont(const QString& family, QFont::StyleHint hint, double points) {
  QFont font(family);
  font.setStyleHint(hint);
  font.setPixelSize(std::max(1, static_cast<int>(std::lround(points * 20.0 / 15.0))));
  return font;
}

}  // namespace

QFont ProportionalGothic(double points) {
  return DesignFont(QStringLiteral("IPAPGothic"), QFont::SansSerif, points);
}

QFont FixedGothic(double points) {
  QFont font = DesignFont(QStringLiteral("IPAGothic"), QFont::Monospace, points);
  font.setFixedPitch(true);
  return font;
}

}  // namespace ks
