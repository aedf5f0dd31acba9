#pragma once
// The pieces one Windows stub is linked from: the format it reads
// (LzhFormat.cpp, CabFormat.cpp or BgaFormat.cpp), the way it talks to the
// user (WindowUi.cpp for WinSFX, MinimalUi.cpp for WinSFXM) and what they
// share (Main.cpp, Messages.cpp).

#include "sfx/core/Extractor.h"
#include "sfx/win32/ProgramFile.h"

namespace ks::sfx {

// The reader of the format this stub was built for.
Archive* MakeStubArchive(Source& source);

// Talks the user through the extraction into `folder` (the default: a
// folder named after the program, beside it); returns the exit code.
int RunWithUi(ProgramFile& program, const WideText& folder);

// The exit code of an outcome: 0 when everything was extracted.
int ExitCodeOf(Outcome outcome);
constexpr int kExitNoProgram = 7;   // the program's own file cannot be read

// What the user is told of a finished run (nothing for a complete one).
WideText OutcomeText(const Report& report, const WideText& folder);
// The text for a folder that cannot be made.
WideText FolderText(const WideText& folder);
// "「name」は既に存在します。上書きしますか？"
WideText ReplaceQuestion(const WideText& path);

// The message box title: the program's file name.
WideText Title(const ProgramFile& program);

// Asks through a message box whether an existing file is replaced.
Feedback::Answer AskReplaceBox(HWND owner, const WideText& title, const WideText& path);

}  // namespace ks::sfx
