#pragma once
// Fonts of the windows. The Japanese fonts the windows were drawn with are
// replaced by their IPA stand-ins: "ＭＳ Ｐゴシック" (proportional) by IPAPGothic
// and "ＭＳ ゴシック" (fixed pitch) by IPAGothic. Sizes are given in points
// at the design resolution (20 twips a point, 15 twips a pixel), so text keeps
// its size relative to the twips geometry whatever the screen reports.

#include <QFont>

namespace ks {

QFont ProportionalGothic(double points);  // "ＭＳ Ｐゴシック"
QFont FixedGothic(double points);         // "ＭＳ ゴシック"

}  // namespace ks
