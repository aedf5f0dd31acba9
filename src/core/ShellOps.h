#pragma once
// Silent shell file operations. Each first checks that the source exists; if
// not it beeps, shows "削除対象が存在しません" (delete) or
// "コピーまたは移動元が存在しません" (copy, move, rename) titled "DelFile" with
// the information icon, and returns false. Deletes are permanent. A move
// across file systems copies and then removes, and never removes the source
// when the copy failed. Returns true when the operation was carried out.

#include <filesystem>
#include <functional>
#include <string>
#include <system_error>

#include "platform/Platform.h"

namespace ks {

bool DelFile(WindowHandle owner, const std::string& path, const std::string& progressTitle,
             bool silent);
bool CopyMoveFile(const std::string& source, const std::string& destination,
                  const std::string& progressTitle, WindowHandle owner, bool move, bool silent);
bool RenameFile(WindowHandle owner, const std::string& source, const std::string& destination,
                const std::string& progressTitle, bool silent);

// Nothing here asks for confirmation or shows progress: the callers pass the
// silent option, and the non-silent one behaves the same. Existing targets are
// never overwritten. CopyMoveFile into an existing folder, or to a destination
// ending in a separator, puts the source inside it under its own name; to any
// other destination under that name. Folders on the way are made as needed.

// Test seam: the rename primitive, so a test can make it report a move across
// file systems (EXDEV). An empty function restores std::filesystem::rename.
using RenameFunction = std::function<void(const std::filesystem::path& from,
                                          const std::filesystem::path& to, std::error_code& ec)>;
void SetRenameFunctionForTesting(RenameFunction rename);

}  // namespace ks
