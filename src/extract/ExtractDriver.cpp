#include "extract/ExtractDriver.h"

#include <QCoreApplication>
#include <QPointer>
#include <cstdlib>
#include <optional>

#include "archivers/ArchiverHost.h"
#include "archivers/LibraryFailure.h"
#include "archivers/TypeDetect.h"
#include "check/CheckLines.h"
#include "check/FrmChk.h"
#include "core/AppFolder.h"
#include "core/DropList.h"
#include "core/FileTests.h"
#include "core/PathText.h"
#include "extract/ExtractCommands.h"
#include "extract/ExtractLines.h"
#include "extract/OutputFolders.h"
#include "ui/DropReader.h"
#include "ui/PanelWindow.h"
#include "ui/RunningOperation.h"
#include "ui/Twips.h"
#include "platform/Platform.h"

namespace ks {
namespace {

constexpr const char* kFailedTitle = "解凍失敗";

WindowHandle Handle(PanelWindow* panel) { return static_cast<QWidget*>(panel); }

// What became of one dropped name.
struct NameOutcome {
  std::string verdict;
  bool libraryCalled = false;
  bool failed = false;
  // Where its contents are, with "Folder" on; empty when there is no
  // folder to show.
  std::string finalFolder;
};

// Hidden, captioned for this run, emptied and centred over the panel; it is
// shown, or unloaded, when the run ends.
FrmChk* PrepareResultWindow(PanelWindow* panel) { return PrepareFrmChk(panel, "解凍結果"); }

// Where this run extracts to, with a trailing separator; nullopt when the
// desktop is asked for but the desktop cannot tell where it is.
std::optional<std::string> Destination(const PanelWindow& panel) {
  if (!panel.DesktopChecked()) return LongestDropFolder();
  const std::string desktop = DesktopFolder();
  if (desktop.empty()) return std::nullopt;
  return AddBackslash(desktop);
}

[[noreturn]] void EndForBusyLibrary(const ExtractBranch& branch) {
  ThePlatform().MessageBox(branch.busyMessage, "動作失敗", MessageStyle::Critical);
  ThePlatform().EndProgram();
  std::abort();  // a platform whose EndProgram returned must not go on
}

// The library call of one archive: the busy test (a busy library ends the
// program, as a second command inside it would corrupt its work), the
// command line of its branch, the call with the panel as owner.
NameOutcome CallLibrary(PanelWindow& panel, const ExtractBranch& branch, const std::string& name,
                        const std::string& folder, const std::string& destination,
                        std::string& output) {
  NameOutcome out;
  int result = 0;
  const RunCaption caption("解凍中", name);
  const auto failure = TryLibraryWork([&] {
    if (BranchBusy(branch)) EndForBusyLibrary(branch);
    result = CallExtractBranch(branch, Handle(&panel), ExtractCommandLine(branch, name, folder),
                               output, folder, destination, AppFolder);
  });
  if (failure) {
    out.verdict = FailedVerdict(*failure);
    out.failed = true;
    return out;
  }
  out.libraryCalled = true;
  out.verdict = ResultVerdict(result);
  out.failed = result != 0;
  return out;
}

// One dropped name, start to end. `type` receives its type as soon as it is
// known. Throws PathNotFound when its extraction folder cannot be made.
NameOutcome ExtractOne(PanelWindow& panel, const std::string& name, const std::string& destination,
                       std::string& output, std::string& type) {
  NameOutcome out;
  if (const auto failure = TryLibraryWork([&] { type = ArcType(name); })) {
    type = kTypeUnknown;
    out.verdict = FailedVerdict(*failure);
    out.failed = true;
    return out;
  }
  // A file the user dropped but we could not even look at, and an archive
  // we know but cannot open for want of its library, are failures: the
  // user must not take them for extracted.
  if (type == kTypeUnreadable) {
    out.verdict = FailedVerdict(kWordUnreadable);
    out.failed = true;
    return out;
  }
  const ExtractBranch* branch = FindExtractBranch(type);
  if (!branch) {
    out.verdict = kVerdictSkip;
    return out;
  }
  if (const char* missing = MissingLibrary(*branch)) {
    out.verdict = FailedVerdict(std::string(missing) + "がありません");
    out.failed = true;
    return out;
  }

  const std::string folder = panel.ksExtractFolder1st(destination);
  out = CallLibrary(panel, *branch, name, folder, destination, output);
  if (!panel.FolderChecked()) return out;
  // A failed run that left nothing in the folder it made takes the folder
  // away again, so no empty folder misleads the user and the next try gets
  // the archive's own name. What a failed run did extract is the user's:
  // it is placed under the archive's name like any other.
  if (out.failed && RemoveIfNothingExtracted(folder)) return out;
  out.finalFolder = PlaceResult(Handle(&panel), destination, folder, name);
  if (panel.DblFolderChecked())
    out.finalFolder = panel.ksExtractFolder2nd(out.finalFolder, destination, ArchiveFolderName(name));
  return out;
}

// The run could not go on: the type, then what went wrong; for a folder
// that could not be made, a second message saying so. The result window
// stays hidden; the lines so far are not shown.
void ReportRunError(const std::string& type, const std::string& description,
                    const PathNotFound* folderError) {
  ThePlatform().MessageBox(type + description, "Kestrino", MessageStyle::OkOnly);
  if (folderError)
    ThePlatform().MessageBox(NotWritableMessage(*folderError), kFailedTitle, MessageStyle::Critical);
}

// Lets the panel repaint between archives; user input waits.
void PaintNow() { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

}  // namespace

void ExtractArchives(PanelWindow* panel, const std::vector<std::string>& names) {
  RunningOperation operation;
  QPointer<FrmChk> chk = PrepareResultWindow(panel);
  ThePlatform().SetTopMost(Handle(panel), false);
  std::string output(kOutputBufferSize, '\0');
  SetDroppedFiles(names);

  const std::optional<std::string> destination = Destination(*panel);
  if (!destination) {
    // An empty desktop would make the file system's root the destination.
    ThePlatform().MessageBox("デスクトップのフォルダが分かりません。", kFailedTitle,
                             MessageStyle::Critical);
    chk->Unload();
    return;
  }

  bool failed = false;
  bool anyLibraryCalled = false;
  std::string type;
  try {
    for (const std::string& name : names) {
      type.clear();
      const NameOutcome out = ExtractOne(*panel, name, *destination, output, type);
      failed = failed || out.failed;
      anyLibraryCalled = anyLibraryCalled || out.libraryCalled;
      if (chk) chk->AddLine(ExtractLine(name, type, out.verdict));
      if (out.libraryCalled && !out.finalFolder.empty() && panel->FolderOpenChecked() &&
          panel->FolderChecked())
        ThePlatform().OpenFolder(AddBackslash(out.finalFolder));
      PaintNow();
    }
  } catch (const PathNotFound& e) {
    ReportRunError(type, e.what(), &e);
    return;
  } catch (...) {
    // Anything else stops the run with its description; the end of the
    // program, which TryLibraryWork lets through, still ends it.
    const std::exception_ptr error = std::current_exception();
    ReportRunError(type, *TryLibraryWork([error] { std::rethrow_exception(error); }), nullptr);
    return;
  }

  if (!chk) return;
  // Shown when the user asked for it, when something failed, and when
  // nothing at all was extracted, so the user learns why nothing happened.
  if (panel->ErrRepChecked() || failed || !anyLibraryCalled) {
    panel->OpenWindowOver(chk);
    chk->ShowWindow();
  } else {
    chk->Unload();
  }
}

void ExtractDrop(PanelWindow* panel, const QMimeData* data) {
  const auto names = DroppedNames(data);
  if (!names) {
    RefuseDropWithoutNames();
    return;
  }
  ExtractArchives(panel, *names);
}

void InstallExtractZone(PanelWindow* panel) {
  QPointer<PanelWindow> guarded(panel);
  panel->setDropHandler(Zone::Extract, [guarded](const QMimeData* data) {
    if (guarded) ExtractDrop(guarded, data);
  });
}

}  // namespace ks
