#include "core/ShellOps.h"

#include "core/PathText.h"

namespace ks {
namespace fs = std::filesystem;
namespace {

constexpr const char* kTitle = "DelFile";
constexpr const char* kNoDeleteSource = "削除対象が存在しません";
constexpr const char* kNoSource = "コピーまたは移動元が存在しません";

RenameFunction& Renamer() {
  static RenameFunction rename;
  return rename;
}

void Rename(const fs::path& from, const fs::path& to, std::error_code& ec) {
  if (Renamer()) Renamer()(from, to, ec);
  else fs::rename(from, to, ec);
}

// Trailing separators dropped (the root excepted), so "x/" names the entry x
// itself — and a link to a folder stays the link, not the folder behind it.
fs::path Clean(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == kPathSeparator) p.pop_back();
  return fs::path(p);
}

// A dangling link is an entry too: it can be moved and deleted.
bool Exists(const fs::path& p) {
  std::error_code ec;
  const fs::file_type type = fs::symlink_status(p, ec).type();
  return !ec && type != fs::file_type::not_found && type != fs::file_type::none;
}

bool ReportMissing(const std::string& path, const char* message) {
  if (!path.empty() && Exists(Clean(path))) return false;
  ThePlatform().Beep();
  ThePlatform().MessageBox(message, kTitle, MessageStyle::Information);
  return true;
}

// True when `inner` is `outer` or lies below it: a folder cannot be copied or
// moved into itself.
bool IsWithin(const fs::path& inner, const fs::path& outer) {
  std::error_code ec;
  const fs::path absInner = fs::absolute(inner, ec);
  const fs::path absOuter = ec ? fs::path() : fs::absolute(outer, ec);
  std::string a = ec ? std::string() : fs::weakly_canonical(absInner, ec).string();
  std::string b = ec ? std::string() : fs::weakly_canonical(absOuter, ec).string();
  if (ec) return true;  // cannot tell: refuse rather than risk copying into itself
  a = AddBackslash(a);
  b = AddBackslash(b);
  return a.compare(0, b.size(), b) == 0;
}

void KeepTime(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  const auto time = fs::last_write_time(from, ec);
  if (!ec) fs::last_write_time(to, time, ec);
}

// Copies one entry to a name that does not exist yet: links as links, folders
// with everything in them, regular files with their times. Anything else
// (devices, pipes, sockets) cannot be copied and fails the copy.
bool CopyTree(const fs::path& from, const fs::path& to, std::error_code& ec) {
  const fs::file_status status = fs::symlink_status(from, ec);
  if (ec) return false;
  switch (status.type()) {
    case fs::file_type::symlink:
      fs::copy_symlink(from, to, ec);
      return !ec;
    case fs::file_type::regular:
      fs::copy_file(from, to, fs::copy_options::none, ec);
      if (!ec) KeepTime(from, to);
      return !ec;
    case fs::file_type::directory: {
      if (!fs::create_directory(to, ec) || ec) {
        if (!ec) ec = std::make_error_code(std::errc::file_exists);
        return false;
      }
      for (fs::directory_iterator it(from, ec), end; !ec && it != end; it.increment(ec))
        if (!CopyTree(it->path(), to / it->path().filename(), ec)) return false;
      if (ec) return false;
      // Permissions last: a read-only folder must still take its contents.
      fs::permissions(to, status.permissions(), ec);
      ec.clear();
      KeepTime(from, to);
      return true;
    }
    default:
      ec = std::make_error_code(std::errc::not_supported);
      return false;
  }
}

// Copies to a free name; a copy that fails half-way is taken away again.
bool CopyEntry(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (CopyTree(from, to, ec)) return true;
  fs::remove_all(to, ec);
  return false;
}

// Renames where it can. Across file systems it copies, and only a complete
// copy lets the source be removed.
bool MoveEntry(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  Rename(from, to, ec);
  if (!ec) return true;
  if (ec != std::errc::cross_device_link) return false;
  if (!CopyEntry(from, to)) return false;
  fs::remove_all(from, ec);
  return !ec;
}

// Folders on the way to the destination are made without asking, as the
// silent shell operation did.
void MakeParents(const fs::path& to) {
  std::error_code ec;
  if (to.has_parent_path()) fs::create_directories(to.parent_path(), ec);
}

}  // namespace

void SetRenameFunctionForTesting(RenameFunction rename) { Renamer() = std::move(rename); }

bool DelFile(WindowHandle, const std::string& path, const std::string&, bool) {
  try {
    if (ReportMissing(path, kNoDeleteSource)) return false;
    const fs::path target = Clean(path);
    // Never the root, and never "." or "..": remove_all would empty the
    // current folder before it failed on the name itself.
    const fs::path name = target.filename();
    if (target == target.root_path() || name == "." || name == "..") return false;
    std::error_code ec;
    fs::remove_all(target, ec);
    return !ec;
  } catch (const std::exception&) {
    return false;
  }
}

bool CopyMoveFile(const std::string& source, const std::string& destination,
                  const std::string&, WindowHandle, bool move, bool) {
  try {
    if (ReportMissing(source, kNoSource)) return false;
    if (destination.empty()) return false;
    const fs::path from = Clean(source);
    fs::path to = Clean(destination);
    std::error_code ec;
    // A folder (or a name written as one, with a trailing separator) takes
    // the source inside it under its own name.
    if (destination.back() == kPathSeparator || fs::is_directory(to, ec)) to /= from.filename();
    if (Exists(to) || IsWithin(to, from)) return false;
    MakeParents(to);
    return move ? MoveEntry(from, to) : CopyEntry(from, to);
  } catch (const std::exception&) {
    return false;
  }
}

bool RenameFile(WindowHandle, const std::string& source, const std::string& destination,
                const std::string&, bool) {
  try {
    if (ReportMissing(source, kNoSource)) return false;
    if (destination.empty()) return false;
    const fs::path from = Clean(source);
    const fs::path to = Clean(destination);
    if (Exists(to)) return false;  // a rename never replaces what is there
    if (IsWithin(to, from)) return false;
    return MoveEntry(from, to);
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace ks
