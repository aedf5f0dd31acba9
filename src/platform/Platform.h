#pragma once
// The stand-in for the operating system's user-interface services. Everything
// the program asks of the desktop (message boxes, beeps, stacking, opening a
// folder or an address, the desktop folder) goes through this one interface, so
// the Qt build and the tests can each plug in their own.

#include <stdexcept>
#include <string>

namespace ks {

// Style values of a message box: the icon and its single OK button.
enum class MessageStyle : int {
  OkOnly = 0,
  Critical = 16,
  Information = 64,
};

// An opaque window handle: a QWidget* in the Qt build, anything in tests.
using WindowHandle = void*;

class Platform {
 public:
  virtual ~Platform() = default;

  virtual void MessageBox(const std::string& text, const std::string& title,
                          MessageStyle style) = 0;
  virtual void Beep() = 0;
  // Ends the program at once. No settings are written, no window closes first.
  [[noreturn]] virtual void EndProgram() = 0;
  // Puts a window into the top-most band or the normal band without
  // activating it.
  virtual void SetTopMost(WindowHandle window, bool topMost) = 0;
  // Brings a shown window to the front of its band and gives it the keyboard
  // focus, so the user's Enter and Esc reach the window that just opened.
  virtual void ActivateWindow(WindowHandle window) = 0;
  // Opens a folder with the desktop's file manager; does not wait.
  virtual void OpenFolder(const std::string& folder) = 0;
  // Opens an address with the desktop's browser; does not wait.
  virtual void OpenAddress(const std::string& address) = 0;
  // The user's desktop folder, without a trailing separator; empty when unknown.
  virtual std::string DesktopFolder() = 0;
  // The short form of a path; this platform has none, so the path itself.
  virtual std::string ShortPathName(const std::string& path) = 0;
};

// The program-wide platform. Until one is installed, a silent fallback that
// shows nothing and ends the program with std::_Exit is used.
Platform& ThePlatform();
// Installs a platform (not owned); nullptr restores the fallback.
void SetPlatform(Platform* platform);

// The XDG rule for the desktop folder: XDG_DESKTOP_DIR from user-dirs.dirs
// (under $XDG_CONFIG_HOME, default ~/.config), else $HOME/Desktop. Shared by
// every implementation so they agree on where the desktop is.
std::string XdgDesktopFolder();

}  // namespace ks
