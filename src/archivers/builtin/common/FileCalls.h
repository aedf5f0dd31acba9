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

}  // namespace ks
