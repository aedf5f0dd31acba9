#include "check/ArchiveCheck.h"

#include <QCoreApplication>
#include <QPointer>

#include "archivers/LibraryFailure.h"
#include "archivers/TypeDetect.h"
#include "check/ArchiveTest.h"
#include "check/CheckLines.h"
#include "check/FrmChk.h"
#include "ui/DropReader.h"
#include "ui/PanelWindow.h"
#include "ui/RunningOperation.h"
#include "ui/Twips.h"
#include "platform/Platform.h"

namespace ks {
namespace {

// Lets the window paint what was just added before a library blocks the
// thread; user input waits, so nothing new can start in between.
void PaintNow() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

}  // namespace

void CheckArchives(PanelWindow* panel, const std::vector<std::string>& names) {
  RunningOperation operation;
  QPointer<FrmChk> chk = TheFrmChk(panel);
  // The window is shared with extraction, which may have left it loaded.
  chk->SetCaption("検査結果");
  chk->Clear();
  if (panel) {
    panel->OpenWindowOver(chk);
  } else {
    chk->ShowWindow();
  }
  PaintNow();

  // Closing unloads the window at once, though Qt deletes it later.
  const auto closed = [&chk] { return !chk || LoadedFrmChk() != chk; };
  for (const std::string& name : names) {
    if (closed()) return;
    std::string type;
    if (const auto failure = TryLibraryWork([&] { type = ArcType(name); })) {
      // Type detection asks the libraries too; one that fails there leaves
      // this name untested, not the whole check stopped.
      chk->AddLine(ResultLine(name, kTypeUnknown, UntestedWord(*failure)));
      continue;
    }
    if (type == kTypeFolder) continue;
    chk->AddLine(CheckNameLine(name));
    PaintNow();
    const std::string word = TestWord(name, type);
    if (closed()) return;
    chk->ReplaceLastLine(CheckLine(name, type, word));
  }
}

void CheckDrop(PanelWindow* panel, const QMimeData* data) {
  const auto names = DroppedNames(data);
  if (!names) {
    RefuseDropWithoutNames();
    return;
  }
  CheckArchives(panel, *names);
}

void InstallCheckZone(PanelWindow* panel) {
  QPointer<PanelWindow> guarded(panel);
  panel->setDropHandler(Zone::Check, [guarded](const QMimeData* data) {
    if (guarded) CheckDrop(guarded, data);
  });
}

}  // namespace ks
