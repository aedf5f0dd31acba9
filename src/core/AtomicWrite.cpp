#include "core/AtomicWrite.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

namespace ks {
namespace fs = std::filesystem;
namespace {

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

ChunkWriter& Writer() {
  static ChunkWriter writer;
  return writer;
}

// The permissions a newly created file gets: what the user's umask allows.
mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

}  // namespace

void SetChunkWriterForTesting(ChunkWriter writer) { Writer() = std::move(writer); }

bool ReplaceFileContents(const fs::path& file, const std::string& contents) {
  std::error_code ec;
  fs::path target = file;
  if (fs::is_symlink(file, ec)) {
    target = fs::canonical(file, ec);
    if (ec) return false;  // a dangling link: do not replace the link itself
  }

  mode_t mode = NewFileMode();
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return false;
    if (::access(target.c_str(), W_OK) != 0) return false;
    mode = st.st_mode & 07777;
  } else if (errno != ENOENT) {
    return false;
  }

  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int fd = ::mkstemp(name.data());
  if (fd < 0) return false;
  const std::string temp(name.data());

  const ChunkWriter& writer = Writer();
  bool ok = writer ? writer(fd, contents.data(), contents.size())
                   : WriteAll(fd, contents.data(), contents.size());
  ok = ok && ::fchmod(fd, mode) == 0;
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok && ::rename(temp.c_str(), target.c_str()) == 0) {
    // Make the rename itself durable; failing here loses nothing.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
    return true;
  }
  ::unlink(temp.c_str());
  return false;
}

}  // namespace ks
