#pragma once
// The compression run behind 圧縮開始: the dropped names become one archive of
// the selected format beside them (or on the desktop), optionally cut into
// pieces by Jack32, and the outcome goes to the result window "圧縮結果".
// Runs on the GUI thread; every library call blocks until it returns, with
// the library's own progress window over the compression dialog.

#include <string>

namespace ks {

class FrmInBox;

// The archive's file name of the last run, without folder. Kept after it.
extern std::string ArchiveName;

// The run of `box`. It stops with the dialog still open when the name is
// empty or taken or a check refuses it; otherwise it unloads the dialog.
void RunCompression(FrmInBox& box);

}  // namespace ks
