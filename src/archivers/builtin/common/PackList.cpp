#include "archivers/builtin/common/PackList.h"

#include <algorithm>
#include <set>
#include <system_error>

#include "archivers/builtin/common/ResultCodes.h"

namespace ks {
namespace fs = std::filesystem;

namespace {

// Compares two paths as the same file on disk, tolerating paths that do not
// exist yet (the archive being written usually does not).
bool SamePlace(const fs::path& a, const fs::path& b) {
  if (a.empty() || b.empty()) return false;
  std::error_code ec1, ec2;
  const fs::path ca = fs::weakly_canonical(fs::absolute(a, ec1), ec1);
  const fs::path cb = fs::weakly_canonical(fs::absolute(b, ec2), ec2);
  return !ec1 && !ec2 && ca == cb;
}

class Collector {
 public:
  Collector(const fs::path& exclude, PackPlan& plan, OutputLog& log)
      : exclude_(exclude), plan_(plan), log_(log) {}

  int Entry(const ListEntry& entry) {
    const fs::path source(entry.name);
    std::error_code ec;
    const fs::file_status status = fs::status(source, ec);
    if (ec || !fs::exists(status)) {
      log_.Line("not found: " + entry.name);
      return kArcNotExist;
    }
    std::string name = ArchiveNameOf(entry.name);
    if (fs::is_directory(status)) {
      // A folder without a name of its own (".", "/") packs only what it holds.
      if (!name.empty() && !Add(source, name, true)) return kArcOk;
      return Folder(source, name);
    }
    if (name.empty()) {
      log_.Line("not a name that can be packed: " + entry.name);
      return kArcNotExist;
    }
    if (!fs::is_regular_file(status)) {
      log_.Line("not an ordinary file: " + entry.name);
      return kArcFileOpen;
    }
    Add(source, name, false);
    return kArcOk;
  }

 private:
  // Adds one item unless its name is taken already (a name listed twice, or
  // a file listed beside its folder). Returns false when it was not added.
  bool Add(const fs::path& source, const std::string& name, bool folder) {
    if (SamePlace(source, exclude_)) return false;
    if (!names_.insert(name).second) return false;
    PackItem item;
    item.source = source;
    item.archiveName = name;
    item.isFolder = folder;
    std::error_code ec;
    item.modified = fs::last_write_time(source, ec);
    if (!folder) {
      const auto size = fs::file_size(source, ec);
      item.size = ec ? 0 : size;
      plan_.totalBytes += item.size;
    }
    plan_.items.push_back(std::move(item));
    return true;
  }

  int Folder(const fs::path& folder, const std::string& name) {
    std::vector<fs::path> children;
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) children.push_back(it->path());
    if (ec) {
      log_.Line("cannot list folder " + folder.string() + ": " + ec.message());
      return kArcFileOpen;
    }
    std::sort(children.begin(), children.end());
    for (const fs::path& child : children) {
      const std::string childName =
          name.empty() ? child.filename().string() : name + "/" + child.filename().string();
      const fs::file_status link = fs::symlink_status(child, ec);
      const fs::file_status status = fs::status(child, ec);
      if (ec || !fs::exists(status)) {
        log_.Line("not found (broken link?): " + child.string());
        return kArcNotExist;
      }
      if (fs::is_directory(status)) {
        if (!Add(child, childName, true)) continue;
        // A linked folder is kept as a folder but not entered: links can
        // loop, and their contents belong somewhere else.
        if (fs::is_symlink(link)) {
          log_.Line("linked folder packed without its contents: " + child.string());
          continue;
        }
        if (int r = Folder(child, childName); r != kArcOk) return r;
      } else if (fs::is_regular_file(status)) {
        Add(child, childName, false);
      } else {
        log_.Line("skipped (not an ordinary file): " + child.string());
      }
    }
    return kArcOk;
  }

  fs::path exclude_;
  PackPlan& plan_;
  OutputLog& log_;
  std::set<std::string> names_;
};

}  // namespace

std::string ArchiveNameOf(const std::string& listedName) {
  std::string result;
  const fs::path path = fs::path(listedName).lexically_normal();
  for (const fs::path& part : path.relative_path()) {
    const std::string step = part.string();
    if (step.empty() || step == "." || step == "..") continue;
    if (!result.empty()) result += '/';
    result += step;
  }
  return result;
}

int CollectPackItems(const std::vector<ListEntry>& entries, const fs::path& exclude,
                     PackPlan& plan, OutputLog& log) {
  if (entries.empty()) {
    log.Line("the list names nothing to pack");
    return kArcNotExist;
  }
  Collector collector(exclude, plan, log);
  for (const ListEntry& entry : entries)
    if (int r = collector.Entry(entry); r != kArcOk) return r;
  return kArcOk;
}

int CollectPackList(const std::string& listArgument, const fs::path& exclude, PackPlan& plan,
                    OutputLog& log) {
  if (listArgument.size() < 2 || listArgument[0] != '@') {
    log.Line("expected a list file as @file, got: " + listArgument);
    return kArcCommandName;
  }
  const std::string listFile = listArgument.substr(1);
  const auto list = ReadListFile(listFile, 0);
  if (!list) {
    log.Line("cannot read the list file " + listFile);
    return kArcNotExist;
  }
  return CollectPackItems(list->entries, exclude, plan, log);
}

}  // namespace ks
