// WinSFXM: no window of its own. It extracts at once into the folder named
// after the program and speaks up only to ask before replacing a file or
// to say what went wrong.
#include "sfx/win32/Stub.h"
#include "sfx/win32/WinFiles.h"

namespace ks::sfx {
namespace {

class BoxFeedback : public Feedback {
 public:
  explicit BoxFeedback(const WideText& title) : title_(title) {}
  Answer AskReplace(const WideText& path) override { return AskReplaceBox(nullptr, title_, path); }
  bool Progress(const WideText&, std::uint64_t, std::uint64_t) override { return true; }

 private:
  const WideText& title_;
};

}  // namespace

int RunWithUi(ProgramFile& program, const WideText& folder) {
  const WideText title = Title(program);
  WinFiles files;
  if (!files.Open(folder)) {
    MessageBoxW(nullptr, W(FolderText(folder)), W(title), MB_OK | MB_ICONERROR);
    return ExitCodeOf(Outcome::WriteFailed);
  }
  BoxFeedback feedback(title);
  const Report report = Extract(MakeStubArchive, program, files, feedback);
  if (report.outcome != Outcome::Done)
    MessageBoxW(nullptr, W(OutcomeText(report, files.folder())), W(title), MB_OK | MB_ICONERROR);
  return ExitCodeOf(report.outcome);
}

}  // namespace ks::sfx
