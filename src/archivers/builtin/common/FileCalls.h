#pragma once
// The calls SafeExtract puts a finished file in place with, behind one
// table so that tests can play a file system that lacks some of them: FUSE
// mounts (phones over MTP, exFAT or NTFS through FUSE, network folders)
// often offer neither rename-without-replace nor hard links.

namespace ks {

struct FileCalls {
  // renameat2 with RENAME_NOREPLACE: never replaces an existing name.
  int (*renameNoReplace)(int fromDir, const char* from, int toDir, const char* to);
  // linkat without flags.
  int (*link)(int fromDir, const char* from, int toDir, const char* to);
  // renameat: replaces an existing name.
  int (*rename)(int fromDir, const char* from, int toDir, const char* to);
};

// The calls in use; the system's own unless a test has swapped them.
FileCalls& TheFileCalls();
// The system's own calls.
FileCalls SystemFileCalls();

// Moves `from` onto `to`, both relative to `dirFd` (AT_FDCWD for paths).
// With `replace` an existing `to` is replaced. Without it an existing name
// is never overwritten: rename-without-replace, else a hard link, else (for
// file systems that offer neither) the name is first taken by an empty file
// made only if nothing has it and the finished file renamed over that one.
// 0 or an errno value; EEXIST when the name is taken.
int MoveIntoPlace(int dirFd, const char* from, const char* to, bool replace);

}  // namespace ks
