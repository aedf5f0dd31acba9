#include "archivers/builtin/common/FileCalls.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

namespace ks {
namespace {

int RenameNoReplace(int fromDir, const char* from, int toDir, const char* to) {
  return ::renameat2(fromDir, from, toDir, to, RENAME_NOREPLACE);
}

int Link(int fromDir, const char* from, int toDir, const char* to) {
  return ::linkat(fromDir, from, toDir, to, 0);
}

int Rename(int fromDir, const char* from, int toDir, const char* to) {
  return ::renameat(fromDir, from, toDir, to);
}

}  // namespace

FileCalls SystemFileCalls() { return {&RenameNoReplace, &Link, &Rename}; }

FileCalls& TheFileCalls() {
  static FileCalls calls = SystemFileCalls();
  return calls;
}

}  // namespace ks
