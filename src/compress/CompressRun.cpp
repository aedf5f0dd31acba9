#include "compress/CompressRun.h"

#include <QWidget>
#include <filesystem>
#include <vector>

#include "archivers/LibrarySet.h"
#include "archivers/WorkNames.h"
#include "check/FrmChk.h"
#include "compress/CompressFormats.h"
#include "compress/CompressList.h"
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

constexpr const char* kRefusalTitle = "圧縮できません";

void Refuse(const std::string& text, const std::string& title = kRefusalTitle) {
  ThePlatform().MessageBox(text, title, MessageStyle::Critical);
}

// Anything at all under that name: a file, a folder, a hidden file, a link.
// A new archive must not be renamed onto any of them.
bool NameTaken(const std::string& path) {
  std::error_code ec;
  const fs::file_type type = fs::symlink_status(path, ec).type();
  return type != fs::file_type::not_found && type != fs::file_type::none;
}

// A folder is listed with everything below it; anything else as a file,
// hidden files included.
bool ListAsFile(const std::string& path) {
  std::error_code ec;
  return !fs::is_directory(path, ec);
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

int CallCommand(LibraryId id, WindowHandle owner, const std::string& line) {
  std::vector<char> output(kOutputSize, '\0');
  try {
    return Libraries().Get(id).Command(owner, line, output.data(), kOutputSize);
  } catch (const LibraryError&) {
    return kRunLibraryUnreachable;
  }
}

// A library that failed may have left a partial archive under our free
// temporary name: nobody else's file, so it goes.
void RemoveLeftover(const std::string& path) {
  std::error_code ec;
  if (fs::is_regular_file(fs::symlink_status(path, ec))) fs::remove(path, ec);
}

std::vector<std::string> DroppedEntries() {
  const std::size_t count = std::min<std::size_t>(DroppedCount < 0 ? 0 : DroppedCount,
                                                  DroppedFiles.empty() ? 0 : DroppedFiles.size() - 1);
  return std::vector<std::string>(DroppedFiles.begin() + 1,
                                  DroppedFiles.begin() + 1 + static_cast<long>(count));
}

// Step checks that need no disk writes. False (after telling the user) when
// the run must stop with the dialog open.
bool NamesListable(const std::vector<std::string>& names, const std::string& source) {
  if (names.empty()) return false;
  const Unlistable bad = FindUnlistable(names, source);
  switch (bad.reason) {
    case UnlistableReason::None:
      return true;
    case UnlistableReason::OutsideSource:
      Refuse("「" + bad.name + "」は「" + source +
             "」の中にありません。\n圧縮するファイルやフォルダは同じフォルダからドロップして下さい。");
      return false;
    case UnlistableReason::BadCharacter:
      Refuse("「" + bad.name + "」は名前に \" か改行を含むため圧縮できません。");
      return false;
  }
  return false;
}

// The folder the archive goes to; "" (after telling the user) when the
// desktop is wanted but cannot be found.
std::string Destination(const PanelWindow* panel, const std::string& source) {
  if (!panel || !panel->DesktopChecked()) return source;
  const std::string desktop = DesktopFolder();
  std::error_code ec;
  if (desktop.empty() || !fs::is_directory(desktop, ec)) {
    Refuse("デスクトップのフォルダが見つかりません: " + desktop);
    return std::string();
  }
  return AddBackslash(desktop);
}

bool NameFree(const std::string& source, const std::string& destination) {
  for (const std::string& folder : {source, destination}) {
    if (NameTaken(folder + ArchiveName)) {
      Refuse("「" + ArchiveName + "」は既に存在しています。", "そのファイル名は使用できません");
      return false;
    }
  }
  return true;
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
  FormatOutcome outcome;
  outcome.result = CallCommand(library, owner, MakeCommandLine(format, v));
  if (outcome.result != 0) {
    RemoveLeftover(v.destination + v.archive);
    return outcome;
  }
  const std::string target = v.destination + ArchiveName;
  if (IsSelfExtracting(format)) {
    EndIfBusy(library, format.conversionBusyMessage);
    std::error_code ec;
    fs::current_path(v.destination, ec);
    outcome.result = CallCommand(library, owner, ConversionCommandLine(format, v));
    RenameFile(owner, ConvertedProgram(v), target, "", true);
    RemoveLeftover(v.destination + v.archive);
    outcome.continues = true;
  } else if (RenameFile(owner, v.destination + v.archive, target, "", true)) {
    outcome.continues = true;
  } else {
    outcome.result = kRunRenameFailed;
    Refuse("書庫を「" + ArchiveName + "」と名付けられませんでした。\n書庫は「" + v.destination +
           v.archive + "」のまま残してあります。");
  }
  WriteIni("Main", "DefaultArcType", format.code);
  return outcome;
}

int Split(FrmInBox& box, const std::string& source, const std::string& destination) {
  const bool selfJoining = SelfJoiningType(ReadIni("Jack", "JackRipType", "-1"));
  const std::string line = JackCommandLine(selfJoining, box.JackSizeText(), source, destination);
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
  PanelWindow* panel = box.Panel();

  // Spaces around the typed name are never part of it.
  const std::string typed = TrimSpaces(box.ArcNameText());
  if (box.ArcNameEnabled() && typed.empty()) return;
  const CompressionFormat* format = FindCompressionFormat(box.SelectedEntry());
  if (!format) {
    Refuse("書庫の形式を選んで下さい。", "圧縮");
    return;
  }
  const bool doNothing = format->namesBy == NamesBy::Nothing;
  if (!doNothing && typed.find(kPathSeparator) != std::string::npos) {
    Refuse("ファイル名に \"" + std::string(1, kPathSeparator) + "\" は使えません。");
    return;
  }
  ArchiveName = WithExtension(typed, format);

  const std::vector<std::string> names = DroppedEntries();
  const std::string source = LongestDropFolder();
  if (!NamesListable(names, source)) return;
  const std::string destination = Destination(panel, source);
  if (destination.empty()) return;

  const std::string listFile = AppFolder + kListFileName;
  std::error_code ec;
  fs::remove(listFile, ec);
  const std::string tempName = TempFileName(source, destination);
  if (tempName.empty()) {
    Refuse("「" + destination + "」に一時ファイルの名前が作れません。");
    return;
  }
  if (!doNothing && !NameFree(source, destination)) return;

  CommandValues values;
  values.destination = destination;
  values.archive = TempArchive(*format, tempName);
  values.listFile = listFile;
  const ListText list = MakeListText(names, source, HeaderLines(*format, values), ListAsFile);
  values.nameList = list.nameList;
  if (!WriteListFile(listFile, list.lines)) {
    fs::remove(listFile, ec);
    Refuse("リストファイル「" + listFile + "」を書けません。");
    return;
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
