#pragma once
// Silent shell file operations. Each first checks that the source exists; if
// not it beeps, shows "削除対象が存在しません" (delete) or
// "コピーまたは移動元が存在しません" (copy, move, rename) titled "DelFile" with
// the information icon, and returns false. Deletes are permanent. A move
// across file systems copies and then removes, and never removes the source
// when the copy failed. Returns true when the operation was carried out.

#include <string>

#include "platform/Platform.h"

namespace ks {

bool DelFile(WindowHandle owner, const std::string& path, const std::string& progressTitle,
             bool silent);
bool CopyMoveFile(const std::string& source, const std::string& destination,
                  const std::string& progressTitle, WindowHandle owner, bool move, bool silent);
bool RenameFile(WindowHandle owner, const std::string& source, const std::string& destination,
                const std::string& progressTitle, bool silent);

}  // namespace ks
