#include "extract/OutputFolders.h"

#include <unistd.h>

#include <filesystem>
#include <optional>

#include "archivers/WorkNames.h"
#include "core/PathText.h"
#include "core/ShellOps.h"

namespace ks {
namespace fs = std::filesystem;
namespace {

// Letter case is ignored the way the file systems that do ignore it
// compare names: ASCII letters only, other characters as they are.
std::string UpperAscii(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

bool Taken(const std::string& path) {
  std::error_code ec;
  const fs::file_type type = fs::symlink_status(path, ec).type();
  return type != fs::file_type::not_found && type != fs::file_type::none;
}

// The name of the one entry of `folder`, hidden entries counted; nullopt
// when it holds none, more than one, or cannot be read.
std::optional<std::string> OnlyEntry(const std::string& folder) {
  std::error_code ec;
  std::optional<std::string> only;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (only) return std::nullopt;
    only = it->path().filename().string();
  }
  if (ec) return std::nullopt;
  return only;
}

// A folder that may be moved up a level as it is: a real folder (a link to
// one would take its target's place), not hidden, and one we may write
// into — a read-only folder is kept exactly where the archive put it.
bool PlainWritableFolder(const std::string& path) {
  std::error_code ec;
  const fs::file_status status = fs::symlink_status(path, ec);
  if (ec || !fs::is_directory(status)) return false;
  const std::string name = FileNamePart(path);
  if (name.empty() || name[0] == '.') return false;
  // Marked read-only by its owner counts even for a user the system lets
  // write anyway.
  if ((status.permissions() & fs::perms::owner_write) == fs::perms::none) return false;
  return ::access(path.c_str(), W_OK) == 0;
}

void EnterFolder(const std::string& folder) {
  if (folder.empty()) return;
  std::error_code ec;
  fs::current_path(folder, ec);
}

// Removes the folder only when it is empty: whatever is still in it stays.
bool RemoveIfEmpty(const std::string& folder) {
  std::error_code ec;
  return fs::remove(RemoveBackslash(folder), ec) && !ec;
}

}  // namespace

PathNotFound::PathNotFound(std::string path, std::string reason)
    : std::runtime_error("パスが見つかりません。"), path_(std::move(path)), reason_(std::move(reason)) {}

std::string NotWritableMessage(const PathNotFound& error) {
  std::string text = "そこにはファイルの書き込みが出来ないようですな。\n\n" + error.path();
  if (!error.reason().empty()) text += "\n" + error.reason();
  return text;
}

std::string ArchiveFolderName(const std::string& archive) {
  const std::string base = BaseName(archive);
  return base.empty() ? FileNamePart(archive) : base;
}

std::string ExtractFolder1st(const std::string& strArcDir, bool folderOn) {
  if (!folderOn) return AddBackslash(strArcDir);
  try {
    return MakeWorkFolder(strArcDir);
  } catch (const fs::filesystem_error& e) {
    throw PathNotFound(strArcDir, e.code().message());
  }
}

bool RemoveIfNothingExtracted(const std::string& extractionFolder) {
  const fs::path folder(RemoveBackslash(extractionFolder));
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
    if (it->symlink_status(ec).type() != fs::file_type::directory) return false;
  if (ec) return false;
  return fs::remove_all(folder, ec) != static_cast<std::uintmax_t>(-1) && !ec;
}

std::string PlaceResult(WindowHandle owner, const std::string& strArcDir,
                        const std::string& extractionFolder, const std::string& archive) {
  const std::string name = FreeFolderName(strArcDir, ArchiveFolderName(archive));
  const std::string strExDir = AddBackslash(strArcDir) + name + kPathSeparator;
  if (!RenameFile(owner, RemoveBackslash(extractionFolder), strExDir, "", true))
    return AddBackslash(extractionFolder);
  return strExDir;
}

std::string ExtractFolder2nd(WindowHandle owner, const std::string& strExDir,
                             const std::string& strArcDir, const std::string& strOrgData,
                             const std::string& appFolder) {
  const std::optional<std::string> inner = OnlyEntry(strExDir);
  if (!inner || !PlainWritableFolder(strExDir + *inner)) return strExDir;
  const std::string arcDir = AddBackslash(strArcDir);
  const bool sameName = UpperAscii(*inner) == UpperAscii(strOrgData);

  // An inner folder named like the archive collides with the folder made
  // for it (on a file system that ignores case it is the same name), so it
  // always travels under a free name and takes the outer folder's place at
  // the end.
  std::string name = *inner;
  if (sameName || Taken(arcDir + *inner)) {
    name = FreeFolderName(arcDir, *inner);
    if (name != *inner && !RenameFile(owner, strExDir + *inner, strExDir + name, "", true))
      return strExDir;
  }
  if (!CopyMoveFile(strExDir + name, arcDir, "", owner, true, true)) {
    if (name != *inner) RenameFile(owner, strExDir + name, strExDir + *inner, "", true);
    return strExDir;
  }
  EnterFolder(appFolder);
  const bool emptied = RemoveIfEmpty(strExDir);
  if (sameName && emptied &&
      RenameFile(owner, arcDir + name, RemoveBackslash(strExDir), "", true))
    return strExDir;
  return arcDir + name;
}

}  // namespace ks
