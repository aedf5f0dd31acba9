#include "compress/CompressRun.h"

#include <QWidget>
#include <cstring>
#include <filesystem>
#include <vector>

#include "archivers/ArchiverHost.h"
#include "archivers/LibrarySet.h"
#include "archivers/WorkNames.h"
#include "check/FrmChk.h"
#include "compress/CompressFormats.h"
#include "compress/CompressList.h"
#include "compress/CompressSteps.h"
#include "compress/FrmInBox.h"
#include "compress/SplitText.h"
#include "core/AppFolder.h"
#include "core/DropList.h"
#include "core/FileTests.h"
#include "core/PathText.h"
#include "core/Settings.h"
#include "core/ShellOps.h"
#include "dialogs/FrmPass.h"
#include "ui/PanelWindow.h"
#include "ui/RunningOperation.h"
#include "platform/Platform.h"

namespace ks {
namespace fs = std::filesystem;

std::string ArchiveName;

namespace {

constexpr std::size_t kOutputSize = 65535;

// Failures of a run that no library reported.
enum RunFailure : int {
  kRunLibraryUnreachable = 0x7F01,  // the library or its entry point is not there
  kRunRenameFailed = 0x7F02,        // the new archive could not take its name
};

// Tells the user why the run stops; an empty refusal stops it silently.
void Refuse(const Refusal& refusal) {
  if (!refusal.text.empty()) ThePlatform().MessageBox(refusal.text, refusal.title, MessageStyle::Critical);
}

void EndIfBusy(LibraryId id, const char* message) {
  bool busy = false;
  try {
    busy = IsBusy(Libraries().Get(id).GetRunning(), ResultWidth::Bits32);
  } catch (const LibraryError&) {
    // A library without the busy entry point cannot be asked; the command
    // itself will tell.
  }
  if (!busy) return;
  ThePlatform().MessageBox(message, "動作失敗", MessageStyle::Critical);
  ThePlatform().EndProgram();
}

// Runs `line`; what the library wrote into the output buffer goes to `log`
// when one is given.
int CallCommand(LibraryId id, WindowHandle owner, const std::string& line, std::string* log = nullptr) {
  std::vector<char> output(kOutputSize, '\0');
  int result = kRunLibraryUnreachable;
  try {
    result = Libraries().Get(id).Command(owner, line, output.data(), kOutputSize);
  } catch (const LibraryError& e) {
    if (log) *log = e.what();
    return result;
  }
  if (log) *log = std::string(output.data(), strnlen(output.data(), kOutputSize));
  return result;
}

// Why the format's self-extractor cannot be made here at all ("" when it
// may be): asked of its library before the run makes or deletes anything.
std::string ConversionRefusal(const CompressionFormat& format, const CommandValues& v) {
  if (!IsSelfExtracting(format)) return std::string();
  return Libraries().Get(*format.library).CommandRefusal(ConversionCommandLine(format, v));
}

// A library that failed may have left a partial archive under our free
// temporary name: nobody else's file, so it goes.
void RemoveLeftover(const std::string& path) {
  std::error_code ec;
  if (fs::is_regular_file(fs::symlink_status(path, ec))) fs::remove(path, ec);
}

void ShowOrUnloadResult(FrmChk* chk, PanelWindow* panel, bool failed) {
  if (panel && (failed || panel->ErrRepPacChecked())) {
    panel->OpenWindowOver(chk);
    chk->ShowWindow();
    return;
  }
  if (panel) panel->ApplyTopMost();
  chk->Unload();
}

// The format step of an archive-making format. Returns the run's result and
// whether the run goes on to the split (a failed making command skips it).
struct FormatOutcome {
  int result = 0;
  bool continues = false;
};

FormatOutcome MakeArchive(const CompressionFormat& format, CommandValues& v, WindowHandle owner) {
  const LibraryId library = *format.library;
  const RunCaption caption("圧縮中", ArchiveName);
  FormatOutcome outcome;
  outcome.result = CallCommand(library, owner, MakeCommandLine(format, v));
  if (outcome.result != 0) {
    RemoveLeftover(v.destination + v.archive);
    return outcome;
  }
  const std::string target = v.destination + ArchiveName;
  std::string made = v.destination + v.archive;
  if (IsSelfExtracting(format)) {
    EndIfBusy(library, format.conversionBusyMessage);
    std::error_code ec;
    fs::current_path(v.destination, ec);
    std::string log;
    outcome.result = CallCommand(library, owner, ConversionCommandLine(format, v), &log);
    RemoveLeftover(made);
    made = ConvertedProgram(v);
    if (outcome.result != 0) {
      // Nothing of a failed conversion stays, and the user learns why.
      RemoveLeftover(made);
      Refuse(FailedConversion(log));
      WriteIni("Main", "DefaultArcType", format.code);
      return outcome;
    }
  }
  if (RenameFile(owner, made, target, "", true)) {
    outcome.continues = true;
  } else {
    outcome.result = kRunRenameFailed;
    // A missing program was reported by RenameFile itself.
    std::error_code ec;
    if (fs::exists(made, ec)) Refuse(Refusal{UnnamedArchiveText(ArchiveName, made)});
  }
  WriteIni("Main", "DefaultArcType", format.code);
  return outcome;
}

int Split(FrmInBox& box, const std::string& source, const std::string& destination) {
  const bool selfJoining = SelfJoiningType(ReadIni("Jack", "JackRipType", "-1"));
  const std::string line = JackCommandLine(selfJoining, box.JackSizeText(), source, destination);
  const RunCaption caption("分割中", source);
  // The pieces' progress window belongs to the panel, as the split does.
  return CallCommand(LibraryId::Jack, static_cast<QWidget*>(box.Panel()), line);
}

class RunGuard {
 public:
  RunGuard() : busy_(running_) { running_ = true; }
  ~RunGuard() {
    if (!busy_) running_ = false;
  }
  bool AlreadyRunning() const { return busy_; }

 private:
  static inline bool running_ = false;
  bool busy_;
};

}  // namespace

void RunCompression(FrmInBox& box) {
  // A second click while a library works (its progress window lets events
  // through) must not start a second run over the first.
  RunGuard guard;
  if (guard.AlreadyRunning()) return;
  // Drops on the panel meanwhile wait for the end of the run.
  const RunningOperation operation;
  PanelWindow* panel = box.Panel();

  const CompressionFormat* format = FindCompressionFormat(box.SelectedEntry());
  const auto name = ArchiveNameFor(box.ArcNameText(), box.ArcNameEnabled(), format);
  if (const auto* refusal = std::get_if<Refusal>(&name)) return Refuse(*refusal);
  ArchiveName = std::get<std::string>(name);
  const bool doNothing = format->namesBy == NamesBy::Nothing;

  const std::vector<std::string> names = DroppedEntries(DroppedFiles, DroppedCount);
  const std::string source = LongestDropFolder();
  if (const auto refusal = RefuseUnlistable(names, source)) return Refuse(*refusal);
  const bool toDesktop = panel && panel->DesktopChecked();
  const auto where = DestinationFor(toDesktop, toDesktop ? DesktopFolder() : std::string(), source);
  if (const auto* refusal = std::get_if<Refusal>(&where)) return Refuse(*refusal);
  const std::string destination = std::get<std::string>(where);

  const std::string listFile = AppFolder + kListFileName;
  const std::string tempName = TempFileName(source, destination);
  if (tempName.empty()) return Refuse(NoTemporaryName(destination));
  PackTexts texts = PackTextsFor(*format, names, source, destination, tempName, listFile);
  CommandValues& values = texts.values;
  if (const std::string why = ConversionRefusal(*format, values); !why.empty()) {
    // Refused before anything is made; the entry stays the one offered next time.
    WriteIni("Main", "DefaultArcType", format->code);
    return Refuse(UnmakeableEntry(format->entry, why));
  }

  std::error_code ec;
  fs::remove(listFile, ec);
  if (!doNothing)
    if (const auto refusal = RefuseTakenName(ArchiveName, source, destination)) return Refuse(*refusal);

  if (!WriteListFile(listFile, texts.listLines)) {
    fs::remove(listFile, ec);
    return Refuse(ListFileUnwritable(listFile));
  }
  fs::current_path(source, ec);

  if (!doNothing) {
    EndIfBusy(*format->library, format->busyMessage);
    if (format->password) {
      const auto password = AskNewPassword(&box);
      if (!password) {
        // Nothing made, nothing left: the user may pick another format.
        fs::remove(listFile, ec);
        return;
      }
      values.password = *password;
    }
  }

  // The progress windows block no window, so the dialog keeps itself still
  // (and open) until the run unloads it.
  box.setEnabled(false);
  FrmChk* chk = PrepareFrmChk(panel, "圧縮結果");
  FormatOutcome outcome;
  std::string resultPath = destination + ArchiveName;
  std::string splitSource = resultPath;
  if (doNothing) {
    ArchiveName = FileNamePart(names.front());
    resultPath = splitSource = names.front();
    WriteIni("Main", "DefaultArcType", format->code);
    outcome.continues = true;
  } else {
    outcome = MakeArchive(*format, values, static_cast<QWidget*>(&box));
  }

  if (outcome.continues && box.JackChecked()) {
    outcome.result = Split(box, splitSource, destination);
    // Only an archive made now may go, and only once its pieces exist.
    if (outcome.result == 0 && !doNothing && box.AfterJackEnabledAndChecked())
      DelFile(static_cast<QWidget*>(panel), splitSource, "", true);
  }
  chk->AddLine(CompressResultLine(resultPath, format->label, outcome.result == 0));

  fs::remove(listFile, ec);
  box.ClearArcName();
  box.Unload();
  if (panel) panel->setEnabled(true);
  ShowOrUnloadResult(chk, panel, outcome.result != 0);
}

}  // namespace ks
