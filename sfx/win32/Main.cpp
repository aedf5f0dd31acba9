// The entry point of every Windows stub. There is no C runtime: Windows
// starts here, and the program ends with ExitProcess.
//
//   name.exe               extracts the archive appended to the program,
//                          through the stub's window (WinSFX) or without
//                          one (WinSFXM)
//   name.exe /s [folder]   extracts without any window, replacing files
//                          that exist, into `folder` or the default folder;
//                          the exit code tells the outcome (ExitCodeOf)

#include "sfx/win32/Stub.h"
#include "sfx/win32/WinFiles.h"

namespace ks::sfx {
namespace {

struct Options {
  bool silent = false;
  WideText folder;  // empty: the default
};

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t'; }

// The words after the program's own name; quotes group spaces.
Options ParseCommandLine(const wchar_t* line) {
  Options o;
  bool first = true;
  while (*line) {
    while (IsSpace(*line)) ++line;
    if (!*line) break;
    WideText word;
    bool quoted = false;
    for (; *line && (quoted || !IsSpace(*line)); ++line) {
      if (*line == L'"') quoted = !quoted;
      else word.push_back(static_cast<char16_t>(*line));
    }
    word.push_back(0);
    if (first) {
      first = false;
    } else if (word.size() == 3 && (word[0] == u'/' || word[0] == u'-') && (word[1] | 0x20) == u's') {
      o.silent = true;
    } else if (o.folder.empty()) {
      o.folder = word;
    }
  }
  return o;
}

// "C:\dir\name.exe" -> "C:\dir\name".
WideText DefaultFolder(const WideText& program) {
  std::size_t end = program.size() - 1;
  std::size_t dot = end;
  while (dot > 0 && program[dot - 1] != u'.' && program[dot - 1] != u'\\') --dot;
  if (dot > 1 && program[dot - 1] == u'.') end = dot - 1;
  WideText folder(program.begin(), program.begin() + static_cast<long>(end));
  folder.push_back(0);
  return folder;
}

class SilentFeedback : public Feedback {
 public:
  Answer AskReplace(const WideText&) override { return Answer::Replace; }
  bool Progress(const WideText&, std::uint64_t, std::uint64_t) override { return true; }
};

int RunSilent(ProgramFile& program, const WideText& folder) {
  WinFiles files;
  if (!files.Open(folder)) return ExitCodeOf(Outcome::WriteFailed);
  SilentFeedback feedback;
  return ExitCodeOf(Extract(MakeStubArchive, program, files, feedback).outcome);
}

int StubMain() {
  const Options options = ParseCommandLine(GetCommandLineW());
  ProgramFile program;
  if (!program.Open()) {
    if (!options.silent)
      MessageBoxW(nullptr, L"このプログラム自身のファイルを読めません。", L"自己展開書庫", MB_OK | MB_ICONERROR);
    return kExitNoProgram;
  }
  const WideText folder = options.folder.empty() ? DefaultFolder(program.path()) : options.folder;
  return options.silent ? RunSilent(program, folder) : RunWithUi(program, folder);
}

}  // namespace
}  // namespace ks::sfx

extern "C" __attribute__((force_align_arg_pointer)) void WinMainCRTStartup() {
  ExitProcess(static_cast<UINT>(ks::sfx::StubMain()));
}
