#include "extract/ExtractCommands.h"

#include <array>
#include <filesystem>

#include "archivers/Probe.h"
#include "archivers/TypeDetect.h"
#include "core/FileTests.h"
#include "core/PathText.h"

namespace ks {
namespace {

constexpr auto kBits16 = ResultWidth::Bits16;
constexpr auto kBits32 = ResultWidth::Bits32;

// Tried in this order; the first branch whose type matches decides.
const std::array<ExtractBranch, 11> kBranches = {{
    {kTypeLzh, nullptr, LibraryId::Unlha, &HasUnlha, kBits32,
     "UnLhaが暴れています。いったんKestrinoを終了します。", CommandForm::Quoted, "x ", kBits32},
    {kTypeCab, nullptr, LibraryId::Cab, &HasCab, kBits16,
     "Cab32が暴れています。いったんKestrinoを終了します。", CommandForm::Quoted, "-x ", kBits16},
    {kTypeIsh, nullptr, LibraryId::Ish, &HasIsh, kBits32,
     "Ish32が暴れています。いったんKestrinoを終了します。", CommandForm::ShortPaths, "", kBits32},
    {kTypeZip, nullptr, LibraryId::UnZip, &HasUnZip, kBits16,
     "UnZipが暴れています。いったんKestrinoを終了します。", CommandForm::Quoted, "-x -q ",
     kBits16},
    {kTypeRar, nullptr, LibraryId::UnRar32, &HasRar, std::nullopt, nullptr,
     CommandForm::QuotedFolderTwice, "-x ", kBits16},
    {kTypeTar, nullptr, LibraryId::Tar, &HasTar, kBits16,
     "Tar32が暴れています。いったんKestrinoを終了します。", CommandForm::Quoted, "-xvaf ",
     kBits16},
    {kTypeArj, nullptr, LibraryId::Unarj, &HasUnarj, kBits32,
     "UnArj32が暴れています。いったんKestrinoを終了します。", CommandForm::Quoted,
     "x -hk -jyc ", kBits32},
    {kTypeGca, nullptr, LibraryId::UnGCA, &HasUnGCA, kBits16,
     "UnGCA32が暴れています。いったんKestrinoを終了します。", CommandForm::Quoted, "e -sx1 ",
     kBits16},
    {"GZA", kTypeBga, LibraryId::Bga, &HasBga, kBits16,
     "Bga32が暴れています。いったんKestrinoを終了します。", CommandForm::Quoted, "x -a -r ",
     kBits16},
    {kTypeYz1, nullptr, LibraryId::Yz1, &HasYz1, kBits16,
     "Yz1が暴れています。いったんKestrinoを終了します。", CommandForm::Quoted, "x ", kBits16},
    {kTypeJack, nullptr, LibraryId::Jack, &HasJack, kBits16,
     "Jackが暴れています。いったんKestrinoを終了します。", CommandForm::Quoted, "-c ", kBits16},
}};

std::string Quoted(const std::string& text) { return '"' + text + '"'; }

// The current folder is a process-wide setting the libraries may rely on;
// a folder that cannot be entered leaves it where it was.
void EnterFolder(const std::string& folder) {
  if (folder.empty()) return;
  std::error_code ec;
  std::filesystem::current_path(folder, ec);
}

}  // namespace

const ExtractBranch* FindExtractBranch(const std::string& type) {
  for (const ExtractBranch& branch : kBranches)
    if (type == branch.type || (branch.otherType && type == branch.otherType)) return &branch;
  return nullptr;
}

const char* MissingLibrary(const ExtractBranch& branch) {
  const bool rar = branch.library == LibraryId::UnRar32;
  // HasRar stands for unrar.dll, which the start-up probe asks.
  if (!*branch.available) return rar ? "unrar.dll" : InfoOf(branch.library).fileName;
  if (rar && !Libraries().Get(LibraryId::UnRar32).present()) return InfoOf(branch.library).fileName;
  return nullptr;
}

std::string ExtractCommandLine(const ExtractBranch& branch, const std::string& archive,
                               const std::string& folder) {
  switch (branch.form) {
    case CommandForm::Quoted:
      return branch.prefix + Quoted(archive) + ' ' + Quoted(folder);
    case CommandForm::QuotedFolderTwice:
      return branch.prefix + Quoted(archive) + ' ' + Quoted(folder + kPathSeparator);
    case CommandForm::ShortPaths:
      return branch.prefix + ShortPathName(archive) + " /f=" + ShortPathName(folder);
  }
  return std::string();
}

bool BranchBusy(const ExtractBranch& branch) {
  if (!branch.busyWidth) return false;
  return IsBusy(Libraries().Get(branch.library).GetRunning(), *branch.busyWidth);
}

int CallExtractBranch(const ExtractBranch& branch, WindowHandle owner,
                      const std::string& commandLine, std::string& output,
                      const std::string& folder, const std::string& destination,
                      const std::string& appFolder) {
  Library& library = Libraries().Get(branch.library);
  const bool arj = branch.library == LibraryId::Unarj;
  if (arj) EnterFolder(folder);
  int result = 0;
  try {
    if (branch.form == CommandForm::ShortPaths) {
      result = library.Command(owner, commandLine);
    } else {
      output.assign(kOutputBufferSize, '\0');
      result = library.Command(owner, commandLine, output.data(), kOutputBufferSize);
    }
  } catch (...) {
    if (arj) EnterFolder(appFolder);
    throw;
  }
  if (arj) EnterFolder(appFolder);
  if (branch.library == LibraryId::Unlha) EnterFolder(destination);
  return ReadResult(result, branch.resultWidth);
}

}  // namespace ks
