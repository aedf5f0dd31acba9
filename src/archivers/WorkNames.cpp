#include "archivers/WorkNames.h"

#include <cstdlib>
#include <filesystem>

#include "core/PathText.h"
#include "platform/Platform.h"

namespace ks {
namespace fs = std::filesystem;
namespace {

constexpr int kMaxVariant = 9999;

std::string Join(const std::string& folder, const std::string& name) {
  return folder.empty() ? name : AddBackslash(folder) + name;
}

// Taken means anything at all is there: a file, a folder, even a dangling link.
// A name the system cannot look up (too long, a folder without search
// permission) is not taken: it is handed back, and creating it then fails in
// the caller, which can report that, instead of every variant failing alike and
// ending the program.
bool Taken(const std::string& path) {
  std::error_code ec;
  const fs::file_type type = fs::symlink_status(path, ec).type();
  return type != fs::file_type::not_found && type != fs::file_type::none;
}

[[noreturn]] void GiveUp(const char* text, const char* title) {
  ThePlatform().MessageBox(text, title, MessageStyle::Critical);
  ThePlatform().EndProgram();
  std::abort();  // a platform whose EndProgram returned must not go on
}

// Creates the folder when nothing is there; mkdir itself is the test, so a
// name someone takes at the same moment is not shared. False when the name is
// taken; an error that is not about the name (no permission, no parent
// folder) is thrown for the caller.
bool CreateIfFree(const std::string& path) {
  std::error_code ec;
  if (fs::create_directory(path, ec)) return true;
  if (!ec || ec == std::errc::file_exists) return false;
  throw fs::filesystem_error("cannot create the working folder", fs::path(path), ec);
}

// The temporary archive is written under the ".tmp" name, and the compression
// also makes the bare stem's ".exe" (self-extractors) and ".cab" (Cab32 names
// its own output) beside it. A user's file under any of them must be safe.
bool TempNameFree(const std::string& folder, const std::string& stem) {
  for (const char* ending : {"", ".tmp", ".exe", ".cab"})
    if (Taken(Join(folder, stem + ending))) return false;
  return true;
}

}  // namespace

std::string MakeWorkFolder(const std::string& folder) {
  const std::string first = Join(folder, "~kstmp");
  if (CreateIfFree(first)) return AddBackslash(first);
  for (int n = 1; n <= kMaxVariant; ++n) {
    const std::string candidate = first + "_" + std::to_string(n);
    if (CreateIfFree(candidate)) return AddBackslash(candidate);
  }
  GiveUp("フォルダが作れませぬ", "予期できたエラー（笑）");
}

std::string FreeFolderName(const std::string& parent, const std::string& name) {
  if (!Taken(Join(parent, name))) return name;
  for (int n = 1; n <= kMaxVariant; ++n) {
    const std::string candidate = name + "_" + std::to_string(n);
    if (!Taken(Join(parent, candidate))) return candidate;
  }
  GiveUp("フォルダ名が付けれられません", "予期できたエラー・・・");
}

std::string TempFileName(const std::string& folder) { return TempFileName(folder, folder); }

std::string TempFileName(const std::string& folder, const std::string& alsoFreeIn) {
  const auto free = [&](const std::string& stem) {
    return TempNameFree(folder, stem) && (alsoFreeIn == folder || TempNameFree(alsoFreeIn, stem));
  };
  if (free("~ks")) return "~ks.tmp";
  for (int n = 1; n <= kMaxVariant; ++n) {
    const std::string stem = "~ks" + std::to_string(n);
    if (free(stem)) return stem + ".tmp";
  }
  return std::string();
}

}  // namespace ks
