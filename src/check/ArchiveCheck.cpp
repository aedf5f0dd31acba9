#include "check/ArchiveCheck.h"

#include <QCoreApplication>
#include <QPointer>

#include "archivers/TypeDetect.h"
#include "check/ArchiveTest.h"
#include "check/CheckLines.h"
#include "check/FrmChk.h"
#include "panel/DropReader.h"
#include "panel/FrmMain.h"
#include "panel/Twips.h"
#include "platform/Platform.h"

namespace ks {
namespace {

// Lets the window paint what was just added before a library blocks the
// thread; user input waits, so nothing new can start in between.
void PaintNow() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

}  // namespace

void CheckArchives(FrmMain* panel, const std::vector<std::string>& names) {
  QPointer<FrmChk> chk = TheFrmChk(panel);
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
    const std::string type = ArcType(name);
    if (type == kTypeFolder) continue;
    chk->AddLine(CheckNameLine(name));
    PaintNow();
    const std::string word = TestWord(name, type);
    if (closed()) return;
    chk->ReplaceLastLine(CheckLine(name, type, word));
  }
}

void CheckDrop(FrmMain* panel, const QMimeData* data) {
  const auto names = DroppedNames(data);
  if (!names) {
    ThePlatform().MessageBox("マイコンピュータやごみ箱はドロップしないでね(^-^;",
                             "そのアイコンはあかんわ", MessageStyle::Critical);
    return;
  }
  CheckArchives(panel, *names);
}

void InstallCheckZone(FrmMain* panel) {
  QPointer<FrmMain> guarded(panel);
  panel->setDropHandler(Zone::Check, [guarded](const QMimeData* data) {
    if (guarded) CheckDrop(guarded, data);
  });
}

}  // namespace ks
