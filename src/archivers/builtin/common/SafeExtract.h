#pragma once
// Writes the entries of an archive into one target folder, and nowhere else.
// Every extracting back-end goes through this class, whatever reads the
// archive, so the safety rules live in one place:
//
// - a name that is absolute, has a drive letter ("C:"), or holds a ".."
//   component (with "/" or "\" as separator) is refused;
// - every folder on the way is opened without following links, so nothing is
//   ever written through a link, whether the archive made it or it was there;
// - a symbolic link is made only when it stays inside the target, a hard link
//   only to a file this extraction wrote; devices and FIFOs are never made;
// - an existing file is replaced only when the host says so (AskOverwrite),
//   also on file systems that cannot rename without replacing;
// - a file is written under a temporary name in its folder and renamed into
//   place by Commit, after the reader has verified its data, so a damaged or
//   wrongly decrypted archive leaves no half-written file;
// - permissions are applied without setuid, setgid and sticky bits and
//   through the umask; modification times are restored.
//
// Refused entries are skipped and logged; the rest of the archive is still
// extracted and Finish then reports kArcUnsafeEntry. So are entries whose
// name the file system cannot hold (too long, characters it refuses):
// Finish then reports their failure.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "archivers/ArchiverHost.h"
#include "archivers/builtin/common/OutputLog.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "platform/Platform.h"

namespace ks {

enum class EntryType { File, Directory, Symlink, Hardlink, Special };

// One entry as the archive describes it.
struct ExtractEntry {
  std::string name;  // stored name, UTF-8; "/" and "\" both separate folders
  EntryType type = EntryType::File;
  // Symlink: the link text. Hardlink: the stored name of an earlier entry.
  std::string link;
  // Permission bits as stored (only the low 12 bits are looked at); nullopt
  // gives 0644 for files and 0755 for folders, both through the umask.
  std::optional<unsigned> mode;
  std::optional<std::int64_t> mtime;  // seconds since 1970; nullopt keeps "now"
  std::uint64_t size = 0;             // expected data size; for progress only
};

class SafeExtract {
 public:
  // Returned by Begin when the entry is not written (refused, skipped at the
  // user's answer, or a kind of file we never create): the caller skips the
  // entry's data and goes on with the next entry.
  static constexpr int kSkipEntry = kArcUserSkip;

  // `progressTitle` titles the progress window the host shows; `totalBytes`
  // is the amount of work for it (0 when unknown), counted in bytes written
  // unless MeasureBy says otherwise.
  SafeExtract(WindowHandle owner, std::filesystem::path target, OutputLog& log,
              const std::string& progressTitle, std::uint64_t totalBytes = 0);
  // Removes a file begun and neither committed nor aborted.
  ~SafeExtract();
  SafeExtract(const SafeExtract&) = delete;
  SafeExtract& operator=(const SafeExtract&) = delete;

  // Creates the target folder (and its parents) when missing and opens it.
  // kArcOk, or kArcMakeDirectory when it cannot be made or opened.
  int Open();

  // Starts one entry. Folders, links and special files are complete when
  // this returns (kArcOk or kSkipEntry). For a file, kArcOk means: pass its
  // data to Write, then call Commit when the reader has verified it, or Abort.
  // Any other result ends the command (kArcUserCancel, kArcMakeDirectory,
  // kArcCannotWrite, kArcDiskSpace).
  int Begin(const ExtractEntry& entry);
  // Appends data to the file begun. kArcOk, kArcDiskSpace, kArcCannotWrite,
  // or kArcUserCancel when the user pressed Cancel (the file is then removed).
  int Write(const void* data, std::size_t size);
  // Extends the file begun by `size` zero bytes that take no room on disk
  // where the file system allows (a hole of a sparse file). kArcOk, or a
  // result as Write.
  int WriteHole(std::uint64_t size);
  // Puts the finished file in place with its mode and time. kArcOk,
  // kArcCannotWrite or kArcDiskSpace (the file is then removed).
  int Commit();
  // Throws away the file begun (its data was damaged or incomplete).
  void Abort();

  // Measures the work done by `bytesRead` (the bytes of the archive read so
  // far, out of the total given, which is then the archive's size) instead
  // of by the bytes written. The written bytes of a compressed archive pass
  // its size early, which left the whole run at 100 % from the first entry
  // on; the bytes read rise evenly through every entry.
  void MeasureBy(std::function<std::uint64_t()> bytesRead);

  // Reports progress outside Write (while data is being skipped or tested):
  // false when the user pressed Cancel.
  bool Progress(std::uint64_t doneBytes);

  // Applies the folders' times and modes, which the files written into them
  // changed. Returns kArcUnsafeEntry when an entry was refused, else kArcOk.
  int Finish();

  std::uint64_t filesWritten() const;
  std::uint64_t entriesRefused() const;

  // The safe relative path of a stored name ("a/b/c.txt"), or nullopt when
  // the name must be refused. "./" components and repeated separators are
  // dropped; "" means the target folder itself (a stored "./").
  static std::optional<std::string> SafeRelativeName(const std::string& stored);
  // Whether a symbolic link stored at `safeName` with text `linkText` keeps
  // to the target however the links in it resolve: relative, its ".."
  // components only at the start and no more than the link's depth.
  static bool LinkStaysInside(const std::string& safeName, const std::string& linkText);

 private:
  struct State;
  std::unique_ptr<State> s_;
};

}  // namespace ks
