#pragma once
// Free names beside the user's files: working folders, output folders and
// temporary archives. Each tries at most 9999 numbered variants.

#include <string>

namespace ks {

// Creates folder + "~kstmp" (or "~kstmp_" + n) and returns its full path with
// a trailing separator. When all are taken: a message and the program ends.
// A folder that cannot be created raises std::filesystem::filesystem_error.
std::string MakeWorkFolder(const std::string& folder);
// `name`, or name + "_" + n, under which nothing exists in `parent` yet.
// When all are taken: a message and the program ends. Creates nothing.
std::string FreeFolderName(const std::string& parent, const std::string& name);
// "~ks.tmp" or "~ks" + n + ".tmp": a name free in `folder` both as given and
// without ".tmp". "" when all are taken. Creates nothing.
std::string TempFileName(const std::string& folder);
// The same name, free in both folders: the archive is made in `alsoFreeIn`
// (the desktop, say) while the names around it come from `folder`.
std::string TempFileName(const std::string& folder, const std::string& alsoFreeIn);

}  // namespace ks
