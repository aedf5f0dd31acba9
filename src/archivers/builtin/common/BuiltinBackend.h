#pragma once
// Common ground of the built-in back-ends: the busy state, the log in the
// output buffer, the refusal of a command entered again while one runs, and
// of a check asked meanwhile.

#include <string>

#include "archivers/ArchiverInterface.h"
#include "archivers/builtin/common/OutputLog.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks {

class BuiltinBackend : public CommonArchiver {
 public:
  explicit BuiltinBackend(int version) : version_(version) {}

  int GetVersion() override { return version_; }
  int GetRunning() override { return running_ ? -1 : 0; }
  // Runs Execute with the busy state set and copies the log into `output`.
  // A command entered again while one runs (from an event handler during a
  // progress update) fails with kArcAlreadyRunning.
  int Command(WindowHandle owner, const std::string& commandLine, char* output,
              std::size_t size) final;

 protected:
  // One command of this back-end. Returns 0 or an ArcResult.
  virtual int Execute(WindowHandle owner, const std::string& commandLine, OutputLog& log) = 0;
  bool running() const { return running_; }

  // Runs `check` (a check of the archive, returning the check entry point's
  // answer) with the busy state set. A check asked while a command of this
  // library runs (from an event handler during a progress update) answers
  // "not sound" rather than read the file beside the running command.
  template <typename Check>
  int CheckWhenIdle(Check&& check) {
    if (running_) return 0;
    RunningScope scope(*this);
    return check();
  }

  // The answer to a command line this back-end does not know.
  static int UnknownCommand(OutputLog& log, const std::string& commandLine) {
    log.Line("unknown command: " + commandLine);
    return kArcCommandName;
  }

  // Marks the back-end busy for a scope (also for check calls that take long).
  class RunningScope {
   public:
    explicit RunningScope(BuiltinBackend& b) : b_(b) { b_.running_ = true; }
    ~RunningScope() { b_.running_ = false; }
    RunningScope(const RunningScope&) = delete;
    RunningScope& operator=(const RunningScope&) = delete;

   private:
    BuiltinBackend& b_;
  };

 private:
  int version_;
  bool running_ = false;
};

}  // namespace ks
