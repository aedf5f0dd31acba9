#pragma once
// The platform layer on Qt: message boxes, beeps, stacking and opening things
// with the desktop's own programs.

#include "platform/Platform.h"

namespace ks {

class QtPlatform : public Platform {
 public:
  void MessageBox(const std::string& text, const std::string& title,
                  MessageStyle style) override;
  void Beep() override;
  [[noreturn]] void EndProgram() override;
  // `window` is a QWidget*. The band of its existing native window changes
  // (the window manager's "above" state); the window is neither re-created
  // nor activated.
  void SetTopMost(WindowHandle window, bool topMost) override;
  void ActivateWindow(WindowHandle window) override;
  void OpenFolder(const std::string& folder) override;
  void OpenAddress(const std::string& address) override;
  std::string DesktopFolder() override;
  std::string ShortPathName(const std::string& path) override;
};

}  // namespace ks
