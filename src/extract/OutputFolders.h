#pragma once
// Where an archive's contents end up. Without "Folder" everything goes
// straight into the destination folder. With it, each archive is extracted
// into a fresh working folder that then takes the archive's name; with
// "DblFolder" as well, a folder holding nothing but one inner folder is
// collapsed so the contents do not sit one level too deep.
//
// Nothing here ever deletes a file of the user's: a folder is removed only
// when it is empty, and a move that would land on an existing name is not
// made.

#include <stdexcept>
#include <string>

#include "platform/Platform.h"

namespace ks {

// The extraction folder could not be prepared (the destination is gone or
// not writable): run-time error 76, "path not found".
class PathNotFound : public std::runtime_error {
 public:
  static constexpr int kNumber = 76;
  // `reason`: what the system said, for the user ("Permission denied").
  explicit PathNotFound(std::string path, std::string reason = {});
  const std::string& path() const { return path_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string path_;
  std::string reason_;
};

// The second message of a folder that could not be prepared: the fixed
// text, then the folder and the system's reason, so the user can act.
std::string NotWritableMessage(const PathNotFound& error);

// The name an archive's folder is given: its base name, or for a name
// without an extension ("pack") the whole name, which is all there is.
std::string ArchiveFolderName(const std::string& archive);

// The folder the library is told to extract into, with a trailing
// separator. With `folderOn` a new working folder inside `strArcDir`
// ("~kstmp" or a numbered variant); otherwise `strArcDir` itself, nothing
// created. Throws PathNotFound when the working folder cannot be made.
std::string ExtractFolder1st(const std::string& strArcDir, bool folderOn);

// After a failed library call: removes the working folder
// `extractionFolder` when the library left nothing in it but empty folders
// (everything in it was made by that call). True when it is gone; a folder
// holding any file or link stays.
bool RemoveIfNothingExtracted(const std::string& extractionFolder);

// After the library call: the working folder `extractionFolder` takes the
// archive's folder name (or the first free numbered variant of it) inside
// `strArcDir`. Returns that folder with a
// trailing separator; when the rename cannot be made the contents stay in
// the working folder, which is returned instead.
std::string PlaceResult(WindowHandle owner, const std::string& strArcDir,
                        const std::string& extractionFolder, const std::string& archive);

// The collapse of a doubled folder level. When `strExDir` holds exactly one
// entry (hidden ones counted) and that entry is a writable, visible, real
// folder, the inner folder moves up into `strArcDir` (under a free name)
// and the emptied `strExDir` is removed; an inner folder named like the
// archive (`strOrgData`, letter case ignored) takes the place of `strExDir`
// itself. Returns the folder that now holds the contents: `strExDir`
// (trailing separator kept) when nothing was collapsed, else the moved
// folder without a trailing separator. The current folder is left on
// `appFolder` after a collapse.
std::string ExtractFolder2nd(WindowHandle owner, const std::string& strExDir,
                             const std::string& strArcDir, const std::string& strOrgData,
                             const std::string& appFolder);

}  // namespace ks
