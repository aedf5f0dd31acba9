#pragma once
// The files and folders a creating command packs, found from its list file.
// Every name of the list is relative to the current directory; a folder
// written "folder/*.*" (or named plainly) brings everything under it, its own
// entry included, so empty folders survive. Names inside the archive use "/",
// never start at a root and hold no "." or ".." steps.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "archivers/builtin/common/CommandLine.h"
#include "archivers/builtin/common/OutputLog.h"

namespace ks {

struct PackItem {
  std::filesystem::path source;  // where to read it, as reached from the current directory
  std::string archiveName;       // "doc/sub/a.txt"; a folder has no trailing "/"
  bool isFolder = false;
  std::uint64_t size = 0;        // bytes; 0 for a folder
  std::filesystem::file_time_type modified{};
};

struct PackPlan {
  std::vector<PackItem> items;   // folders come before what they hold
  std::uint64_t totalBytes = 0;  // sum of the file sizes, for progress
};

// Collects `entries` into `plan`. `exclude` (the archive being written, may be
// empty) is never packed into itself. Returns 0, kArcNotExist for a listed
// name that does not exist (nothing listed counts the same), or kArcFileOpen
// for a folder that cannot be listed; the log names the culprit. Special
// files (pipes, devices, sockets) inside folders are skipped with a log line,
// since reading them could block or never end.
int CollectPackItems(const std::vector<ListEntry>& entries, const std::filesystem::path& exclude,
                     PackPlan& plan, OutputLog& log);

// The same from a command-line argument "@listfile" (the list file holds
// names only, no header lines). A missing "@" is kArcCommandName, an
// unreadable list file kArcNotExist.
int CollectPackList(const std::string& listArgument, const std::filesystem::path& exclude,
                    PackPlan& plan, OutputLog& log);

// The archive name of a listed name: separators made "/", root, "." and ".."
// steps dropped. "" when nothing is left.
std::string ArchiveNameOf(const std::string& listedName);

}  // namespace ks
