#include "extract/ExtractCommands.h"

#include <filesystem>

#include "archivers/TypeDetect.h"
#include "core/FileTests.h"
#include "core/PathText.h"

namespace ks {
namespace {

// Tried in this order; the first branch whose type matches decides.
constexpr LibraryId kBranchOrder[] = {
    LibraryId::Unlha, LibraryId::Cab,   LibraryId::Ish, LibraryId::UnZip,
    LibraryId::UnRar32, LibraryId::Tar, LibraryId::Unarj, LibraryId::UnGCA,
    LibraryId::Bga,   LibraryId::Yz1,   LibraryId::Jack,
};

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
  for (const LibraryId id : kBranchOrder) {
    const ExtractBranch& branch = DescriptorOf(id);
    if (type == branch.type || (branch.extractAlsoType && type == branch.extractAlsoType)) return &branch;
  }
  return nullptr;
}

const char* MissingLibrary(const ExtractBranch& branch) {
  const bool rar = branch.id == LibraryId::UnRar32;
  // HasRar stands for unrar.dll, which the start-up probe asks.
  if (!*branch.available) return rar ? "unrar.dll" : branch.fileName;
  if (rar && !Libraries().Get(LibraryId::UnRar32).present()) return branch.fileName;
  return nullptr;
}

std::string ExtractCommandLine(const ExtractBranch& branch, const std::string& archive,
                               const std::string& folder) {
  const std::string prefix = branch.extract.prefix;
  switch (branch.extract.form) {
    case CommandForm::Quoted:
      return prefix + Quoted(archive) + ' ' + Quoted(folder);
    case CommandForm::QuotedFolderTwice:
      return prefix + Quoted(archive) + ' ' + Quoted(folder + kPathSeparator);
    case CommandForm::ShortPaths:
      return prefix + ShortPathName(archive) + " /f=" + ShortPathName(folder);
  }
  return std::string();
}

bool BranchBusy(const ExtractBranch& branch) {
  if (!branch.extract.busyWidth) return false;
  return IsBusy(Libraries().Get(branch.id).GetRunning(), *branch.extract.busyWidth);
}

int CallExtractBranch(const ExtractBranch& branch, WindowHandle owner,
                      const std::string& commandLine, std::string& output,
                      const std::string& folder, const std::string& destination,
                      const std::string& appFolder) {
  Library& library = Libraries().Get(branch.id);
  const bool arj = branch.id == LibraryId::Unarj;
  if (arj) EnterFolder(folder);
  int result = 0;
  try {
    if (branch.extract.form == CommandForm::ShortPaths) {
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
  if (branch.id == LibraryId::Unlha) EnterFolder(destination);
  return ReadResult(result, branch.extract.resultWidth);
}

}  // namespace ks
