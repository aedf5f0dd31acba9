#pragma once
// The platform layer's test double: records every call in order and never
// blocks. Its EndProgram throws ProgramEnded so a test can see what happened
// before the program would have ended.

#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace ks {

struct ProgramEnded : std::runtime_error {
  ProgramEnded() : std::runtime_error("program ended") {}
};

struct PlatformCall {
  std::string what;  // "MessageBox", "Beep", "EndProgram", "SetTopMost", "ActivateWindow", ...
  std::string text;  // message text, folder, address, ...
  std::string title;
  int value = 0;  // message style, or 1/0 for top-most
  WindowHandle window = nullptr;
};

class RecordingPlatform : public Platform {
 public:
  void MessageBox(const std::string& text, const std::string& title,
                  MessageStyle style) override;
  void Beep() override;
  [[noreturn]] void EndProgram() override;
  void SetTopMost(WindowHandle window, bool topMost) override;
  void ActivateWindow(WindowHandle window) override;
  void OpenFolder(const std::string& folder) override;
  void OpenAddress(const std::string& address) override;
  std::string DesktopFolder() override;
  std::string ShortPathName(const std::string& path) override;

  std::vector<PlatformCall> calls;
  std::string desktop = "/tmp/kestrino-test-desktop";
  // Called after a message box is recorded, e.g. to answer it in a test.
  std::function<void(const PlatformCall&)> onMessageBox;

  // Calls of one kind, in order.
  std::vector<PlatformCall> Of(const std::string& what) const;
  void Clear() { calls.clear(); }
};

// Installs a RecordingPlatform for the lifetime of this object.
class ScopedRecordingPlatform {
 public:
  ScopedRecordingPlatform() { SetPlatform(&platform); }
  ~ScopedRecordingPlatform() { SetPlatform(nullptr); }
  ScopedRecordingPlatform(const ScopedRecordingPlatform&) = delete;
  ScopedRecordingPlatform& operator=(const ScopedRecordingPlatform&) = delete;
  RecordingPlatform platform;
};

}  // namespace ks
