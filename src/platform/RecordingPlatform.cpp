#include "platform/RecordingPlatform.h"

namespace ks {

void RecordingPlatform::MessageBox(const std::string& text, const std::string& title,
                                   MessageStyle style) {
  calls.push_back({"MessageBox", text, title, static_cast<int>(style), nullptr});
  if (onMessageBox) onMessageBox(calls.back());
}

void RecordingPlatform::Beep() { calls.push_back({"Beep", "", "", 0, nullptr}); }

void RecordingPlatform::EndProgram() {
  calls.push_back({"EndProgram", "", "", 0, nullptr});
  throw ProgramEnded();
}

void RecordingPlatform::SetTopMost(WindowHandle window, bool topMost) {
  calls.push_back({"SetTopMost", "", "", topMost ? 1 : 0, window});
}

void RecordingPlatform::ActivateWindow(WindowHandle window) {
  calls.push_back({"ActivateWindow", "", "", 0, window});
}

void RecordingPlatform::OpenFolder(const std::string& folder) {
  calls.push_back({"OpenFolder", folder, "", 0, nullptr});
}

void RecordingPlatform::OpenAddress(const std::string& address) {
  calls.push_back({"OpenAddress", address, "", 0, nullptr});
}

std::string RecordingPlatform::DesktopFolder() { return desktop; }

std::string RecordingPlatform::ShortPathName(const std::string& path) { return path; }

std::vector<PlatformCall> RecordingPlatform::Of(const std::string& what) const {
  std::vector<PlatformCall> out;
  for (const auto& c : calls)
    if (c.what == what) out.push_back(c);
  return out;
}

}  // namespace ks
