#pragma once
// Colour values as the settings file stores them: 0x00BBGGRR for a fixed
// colour, 0x800000nn for system colour nn. The controls keep the value itself,
// so a system colour nobody touched is written back unchanged and follows the
// desktop theme.

#include <QColor>
#include <QPalette>
#include <cstdint>

namespace ks {

using OleColor = std::int32_t;

constexpr OleColor kSystemColourBit = static_cast<OleColor>(0x80000000u);
constexpr OleColor SystemColour(int index) {
  return static_cast<OleColor>(0x80000000u | static_cast<std::uint32_t>(index & 0xFF));
}
constexpr bool IsSystemColour(OleColor value) { return (value & kSystemColourBit) != 0; }

// Where a system colour lives in a Qt palette.
struct PaletteSlot {
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
};
// The palette slot of system colour `index` (COLOR_WINDOWTEXT = 8 ->
// Text, COLOR_BTNFACE = 15 -> Button, ...). Indices without a meaning give
// WindowText.
PaletteSlot SystemColourSlot(int index);

// The colour a value stands for, system colours looked up in `palette`.
QColor OleToColor(OleColor value, const QPalette& palette);
// The fixed colour value of a colour (alpha is dropped).
OleColor ColorToOle(const QColor& colour);

}  // namespace ks
