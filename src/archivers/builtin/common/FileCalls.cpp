#include "archivers/builtin/common/FileCalls.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

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

// What a file system says when it lacks a call rather than refusing it.
bool CallMissing(int err) { return err == EINVAL || err == ENOSYS || err == EOPNOTSUPP || err == EPERM; }

// The empty file stands under the name only for the moment of the rename,
// and is removed again if the rename fails (only if it is still ours).
int ReserveAndRename(int dirFd, const char* from, const char* to) {
  const int fd = ::openat(dirFd, to, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return errno;
  struct stat reserved;
  const bool known = ::fstat(fd, &reserved) == 0;
  ::close(fd);
  if (TheFileCalls().rename(dirFd, from, dirFd, to) == 0) return 0;
  const int err = errno;
  struct stat now;
  if (known && ::fstatat(dirFd, to, &now, AT_SYMLINK_NOFOLLOW) == 0 && now.st_ino == reserved.st_ino &&
      now.st_dev == reserved.st_dev && now.st_size == 0)
    ::unlinkat(dirFd, to, 0);
  return err;
}

}  // namespace

int MoveIntoPlace(int dirFd, const char* from, const char* to, bool replace) {
  const FileCalls& calls = TheFileCalls();
  if (replace) return calls.rename(dirFd, from, dirFd, to) == 0 ? 0 : errno;
  if (calls.renameNoReplace(dirFd, from, dirFd, to) == 0) return 0;
  if (!CallMissing(errno)) return errno;
  if (calls.link(dirFd, from, dirFd, to) == 0) {
    ::unlinkat(dirFd, from, 0);
    return 0;
  }
  if (!CallMissing(errno)) return errno;
  return ReserveAndRename(dirFd, from, to);
}

FileCalls SystemFileCalls() { return {&RenameNoReplace, &Link, &Rename}; }

FileCalls& TheFileCalls() {
  static FileCalls calls = SystemFileCalls();
  return calls;
}

}  // namespace ks
