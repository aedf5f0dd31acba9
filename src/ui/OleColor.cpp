#include "ui/OleColor.h"

#include <array>

namespace ks {

PaletteSlot SystemColourSlot(int index) {
  using P = QPalette;
  // Indexed by the system colour number; the closest Qt role for each.
  static const std::array<PaletteSlot, 31> kSlots = {{
      {P::Active, P::Button},           // 0 scroll bar
      {P::Active, P::Window},           // 1 desktop
      {P::Active, P::Highlight},        // 2 active caption
      {P::Inactive, P::Highlight},      // 3 inactive caption
      {P::Active, P::Window},           // 4 menu
      {P::Active, P::Base},             // 5 window
      {P::Active, P::Shadow},           // 6 window frame
      {P::Active, P::WindowText},       // 7 menu text
      {P::Active, P::Text},             // 8 window text
      {P::Active, P::HighlightedText},  // 9 caption text
      {P::Active, P::Window},           // 10 active border
      {P::Inactive, P::Window},         // 11 inactive border
      {P::Active, P::Dark},             // 12 application workspace
      {P::Active, P::Highlight},        // 13 highlight
      {P::Active, P::HighlightedText},  // 14 highlight text
      {P::Active, P::Button},           // 15 button face
      {P::Active, P::Dark},             // 16 button shadow
      {P::Disabled, P::Text},           // 17 grey text
      {P::Active, P::ButtonText},       // 18 button text
      {P::Inactive, P::HighlightedText},// 19 inactive caption text
      {P::Active, P::Light},            // 20 button highlight
      {P::Active, P::Shadow},           // 21 3D dark shadow
      {P::Active, P::Midlight},         // 22 3D light
      {P::Active, P::ToolTipText},      // 23 tooltip text
      {P::Active, P::ToolTipBase},      // 24 tooltip background
      {P::Active, P::WindowText},       // 25 unused
      {P::Active, P::Link},             // 26 hot-tracked item
      {P::Active, P::Highlight},        // 27 gradient of the active caption
      {P::Inactive, P::Highlight},      // 28 gradient of the inactive caption
      {P::Active, P::Highlight},        // 29 highlighted menu item
      {P::Active, P::Window},           // 30 menu bar
  }};
  if (index < 0 || index >= static_cast<int>(kSlots.size())) return {P::Active, P::WindowText};
  return kSlots[static_cast<std::size_t>(index)];
}

QColor OleToColor(OleColor value, const QPalette& palette) {
  if (IsSystemColour(value)) {
    const PaletteSlot slot = SystemColourSlot(value & 0xFF);
    return palette.color(slot.group, slot.role);
  }
  const auto v = static_cast<std::uint32_t>(value);
  return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                static_cast<int>((v >> 16) & 0xFF));
}

OleColor ColorToOle(const QColor& colour) {
  const QColor rgb = colour.toRgb();
  return static_cast<OleColor>(static_cast<std::uint32_t>(rgb.blue()) << 16 |
                               static_cast<std::uint32_t>(rgb.green()) << 8 |
                               static_cast<std::uint32_t>(rgb.red()));
}

}  // namespace ks
