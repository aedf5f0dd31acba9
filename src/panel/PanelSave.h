#pragma once
// What closing the panel writes into the settings file.

namespace ks {

class FrmMain;

// Place and size ("Top", "Left", "Height", "Width", twips) only while the
// window is smaller than the screen both ways and neither maximised nor full
// screen; then every switch and colour, in their fixed order.
void SavePanelSettings(const FrmMain& panel);

}  // namespace ks
