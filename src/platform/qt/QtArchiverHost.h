#pragma once
// What the back-ends may ask of the user while a command runs, on Qt: a
// progress window with Cancel, a password prompt and the question whether to
// replace an existing file. Every window is placed over the command's owner
// window and stays above it.

#include <QPointer>
#include <functional>

#include "archivers/ArchiverHost.h"

class QDialog;

namespace ks {

class QtArchiverHost : public ArchiverHost {
 public:
  // The progress window ("frmProgress") appears only when the work is still
  // running after the delay, so quick commands do not flash a window. Its
  // caption is the current RunCaption ("解凍中 — a.zip"), else `title`; it
  // shows the share of the work done and the name being worked on. Each
  // Update lets the program repaint; while the window shows, it also takes
  // the user's clicks, and Update returns false once Cancel was pressed.
  std::unique_ptr<Progress> BeginProgress(WindowHandle owner, const std::string& title) override;
  // A modal prompt ("frmEntryPass") with a masked field; nullopt on cancel.
  // It belongs to the window in front of the owner (the progress window of
  // the running command, when one shows) and stays above it; asked again,
  // it says the password was wrong.
  std::optional<std::string> AskPassword(WindowHandle owner, const std::string& archive,
                                         const std::string& entry, bool wrongBefore) override;
  // A modal question ("frmOverwrite"): replace, skip, replace all, skip all
  // or cancel. Esc and the close box cancel.
  OverwriteAnswer AskOverwrite(WindowHandle owner, const std::string& path) override;
  // A modal settings window ("frmConfig") with the choices in a list box
  // ("cboSetting"); nullopt on cancel, Esc or the close box.
  std::optional<std::string> AskSetting(WindowHandle owner, const SettingChoices& choices) override;

  // Milliseconds of work before the progress window shows; 500 unless set.
  void setProgressDelay(int milliseconds) { progressDelay_ = milliseconds; }
  // Called with every prompt and progress window right after it is shown,
  // from inside its own event loop, so a test can answer it without blocking.
  std::function<void(QDialog*)> onWindowShown;

 private:
  int progressDelay_ = 500;
};

}  // namespace ks
