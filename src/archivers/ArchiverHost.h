#pragma once
// What a back-end may ask of the program while a command runs: show progress
// (with Cancel), ask for a password, ask whether to replace an existing file.
// The window layer implements it with small windows owned by the command's
// owner window; tests and the command-line tool install their own.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Platform.h"

namespace ks {

// One long piece of work. Destroying it closes the progress window.
class Progress {
 public:
  virtual ~Progress() = default;
  // Reports how far the work is; returns false when the user pressed Cancel.
  // `total` is 0 when unknown.
  virtual bool Update(const std::string& currentName, std::uint64_t done,
                      std::uint64_t total) = 0;
};

// The "All" answers hold for the rest of the command: a large
// re-extraction needs one answer.
enum class OverwriteAnswer { Replace, Skip, ReplaceAll, SkipAll, Cancel };

// What the user started, for the caption of the progress windows of the
// library calls made while it lives: "解凍中 — a.zip" names the operation and
// the archive, where the back-end alone could only name itself. The
// innermost one holds; without one a progress window takes the back-end's
// title.
class RunCaption {
 public:
  // `operation` as the user reads it ("解凍中"), `archive` a path or name.
  RunCaption(const std::string& operation, const std::string& archive);
  ~RunCaption();
  RunCaption(const RunCaption&) = delete;
  RunCaption& operator=(const RunCaption&) = delete;

 private:
  std::string previous_;
};

// The caption of the innermost RunCaption alive; empty when there is none.
const std::string& CurrentRunCaption();

// A back-end's own settings dialog: one setting chosen from a list.
struct SettingChoices {
  std::string title;  // the window's caption
  std::string label;  // what is being chosen
  std::vector<std::pair<std::string, std::string>> choices;  // stored value, text shown
  std::string current;  // the stored value selected when the dialog opens
};

class ArchiverHost {
 public:
  virtual ~ArchiverHost() = default;
  virtual std::unique_ptr<Progress> BeginProgress(WindowHandle owner, const std::string& title) = 0;
  // The password for an encrypted entry; nullopt when the user cancelled.
  // `wrongBefore`: the password given last for this entry was wrong, and
  // the user is asked again.
  virtual std::optional<std::string> AskPassword(WindowHandle owner, const std::string& archive,
                                                 const std::string& entry, bool wrongBefore) = 0;
  virtual OverwriteAnswer AskOverwrite(WindowHandle owner, const std::string& path) = 0;
  // The value chosen in a back-end's settings dialog; nullopt when cancelled
  // or when this host shows no dialogs (the default).
  virtual std::optional<std::string> AskSetting(WindowHandle owner, const SettingChoices& choices);
};

// The host back-ends use. Until one is installed: silent progress, no
// password (cancel), and existing files are skipped, never replaced.
ArchiverHost& TheArchiverHost();
void SetArchiverHost(ArchiverHost* host);  // not owned; nullptr restores the default

}  // namespace ks
