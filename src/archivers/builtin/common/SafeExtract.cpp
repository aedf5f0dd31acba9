#include "archivers/builtin/common/SafeExtract.h"

#include "archivers/builtin/common/FileCalls.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <limits>
#include <system_error>
#include <unordered_set>
#include <vector>

namespace ks {
namespace {

// Progress windows pump events; asking more often than this only slows the
// extraction of many small files.
constexpr auto kProgressInterval = std::chrono::milliseconds(40);
// ... but a big file still reports (and can be cancelled) every few blocks.
constexpr std::uint64_t kProgressBytes = 1 << 20;

std::vector<std::string> SplitName(const std::string& text) {
  std::vector<std::string> parts;
  std::string part;
  for (char c : text) {
    if (c == '/' || c == '\\') {
      parts.push_back(part);
      part.clear();
    } else {
      part += c;
    }
  }
  parts.push_back(part);
  return parts;
}

bool HasDriveLetter(const std::string& text) {
  return text.size() >= 2 && text[1] == ':' &&
         ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
}

int WriteErrorCode(int err) {
  return (err == ENOSPC || err == EDQUOT || err == EFBIG) ? kArcDiskSpace : kArcCannotWrite;
}

std::string ErrnoText(int err) { return std::strerror(err); }

// Errors that concern one name only (too long, or characters the file
// system cannot hold, as on exFAT or NTFS): that entry is skipped, the rest
// of the archive is still extracted and the command fails at the end.
bool NameRefused(int err) { return err == ENAMETOOLONG || err == EILSEQ || err == EINVAL; }


// The process umask, read once; only this thread changes it, and only here.
mode_t CurrentUmask() {
  static const mode_t mask = [] {
    const mode_t m = ::umask(022);
    ::umask(m);
    return m;
  }();
  return mask;
}

void SplitParent(const std::string& rel, std::string& dir, std::string& leaf) {
  const auto slash = rel.rfind('/');
  if (slash == std::string::npos) {
    dir.clear();
    leaf = rel;
  } else {
    dir = rel.substr(0, slash);
    leaf = rel.substr(slash + 1);
  }
}

class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { Reset(); }
  Fd(Fd&& o) noexcept : fd_(o.Release()) {}
  Fd& operator=(Fd&& o) noexcept {
    if (this != &o) {
      Reset();
      fd_ = o.Release();
    }
    return *this;
  }
  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  int Release() {
    const int f = fd_;
    fd_ = -1;
    return f;
  }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

}  // namespace

struct SafeExtract::State {
  WindowHandle owner;
  std::filesystem::path target;
  OutputLog& log;
  std::unique_ptr<ks::Progress> progress;
  std::uint64_t total = 0;
  std::uint64_t done = 0;
  std::function<std::uint64_t()> bytesRead;  // measures `done` when set
  std::uint64_t doneAtUpdate = 0;
  std::chrono::steady_clock::time_point lastUpdate{};
  bool updatedOnce = false;
  bool cancelled = false;
  std::string currentName;

  Fd root;
  // The folder of the previous entry stays open: archives list the files of
  // one folder together, so most entries need no walk at all.
  std::string cachedDir;
  Fd cachedFd;

  // The file being written.
  Fd file;
  int fileDir = -1;  // cachedFd while a file is open
  std::string tempName, leafName, relName, shownName;
  std::optional<unsigned> fileMode;
  std::optional<std::int64_t> fileTime;
  bool replacing = false;
  bool endsInHole = false;  // the file's size is still to be set after a hole
  unsigned tempCounter = 0;

  bool replaceAll = false;
  bool skipAll = false;
  std::unordered_set<std::string> written;
  struct FolderFix {
    std::string rel;
    std::optional<unsigned> mode;
    std::optional<std::int64_t> mtime;
  };
  std::vector<FolderFix> folders;
  std::uint64_t filesWritten = 0;
  std::uint64_t refused = 0;
  int entryError = kArcOk;  // first failure of a single entry that did not end the command

  State(WindowHandle o, std::filesystem::path t, OutputLog& l) : owner(o), target(std::move(t)), log(l) {}

  bool Tick(bool force) {
    if (cancelled) return false;
    const auto now = std::chrono::steady_clock::now();
    if (!force && updatedOnce && now - lastUpdate < kProgressInterval &&
        done - doneAtUpdate < kProgressBytes)
      return true;
    updatedOnce = true;
    lastUpdate = now;
    doneAtUpdate = done;
    const std::uint64_t shown = bytesRead ? bytesRead() : done;
    if (!progress->Update(currentName, shown, total)) cancelled = true;
    return !cancelled;
  }

  void Refuse(const std::string& name, const std::string& why) {
    ++refused;
    log.Line("refused: " + name + " (" + why + ")");
  }

  void EntryFailed(const std::string& name, const std::string& why, int code) {
    log.Line("not extracted: " + name + " (" + why + ")");
    if (entryError == kArcOk) entryError = code;
  }

  // Result of walking down to a folder.
  enum class Walk { Ok, Link, NotFolder, Failed };

  // Opens the folder `rel` below the target, one component at a time and
  // never through a link. Creates missing folders when `create`.
  Walk OpenFolder(const std::string& rel, bool create, Fd& out, int& err) {
    Fd cur(::dup(root.get()));
    if (!cur.valid()) {
      err = errno;
      return Walk::Failed;
    }
    if (rel.empty()) {
      out = std::move(cur);
      return Walk::Ok;
    }
    std::size_t start = 0;
    while (start <= rel.size()) {
      std::size_t end = rel.find('/', start);
      if (end == std::string::npos) end = rel.size();
      const std::string comp = rel.substr(start, end - start);
      start = end + 1;
      int fd = ::openat(cur.get(), comp.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (fd < 0 && errno == ENOENT && create) {
        if (::mkdirat(cur.get(), comp.c_str(), 0777) != 0 && errno != EEXIST) {
          err = errno;
          return Walk::Failed;
        }
        fd = ::openat(cur.get(), comp.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      }
      if (fd < 0) {
        err = errno;
        struct stat st;
        if (::fstatat(cur.get(), comp.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
          if (S_ISLNK(st.st_mode)) return Walk::Link;
          if (!S_ISDIR(st.st_mode)) return Walk::NotFolder;
        }
        return Walk::Failed;
      }
      cur.Reset(fd);
      if (end == rel.size()) break;
    }
    out = std::move(cur);
    return Walk::Ok;
  }

  // The folder of an entry, through the cache. kArcOk, kSkipEntry (refused
  // or in conflict; logged) or a result that ends the command.
  int ParentFolder(const std::string& dir, const std::string& name, int& fd) {
    if (!cachedFd.valid() || dir != cachedDir) {
      cachedFd.Reset();
      int err = 0;
      Fd opened;
      switch (OpenFolder(dir, true, opened, err)) {
        case Walk::Ok:
          break;
        case Walk::Link:
          Refuse(name, "a link stands in its path");
          return kSkipEntry;
        case Walk::NotFolder:
          EntryFailed(name, "a file stands where its folder should be", kArcMakeDirectory);
          return kSkipEntry;
        case Walk::Failed:
          if (NameRefused(err)) {
            EntryFailed(name, ErrnoText(err), kArcMakeDirectory);
            return kSkipEntry;
          }
          log.Line("cannot create folder for " + name + ": " + ErrnoText(err));
          return kArcMakeDirectory;
      }
      cachedFd = std::move(opened);
      cachedDir = dir;
    }
    fd = cachedFd.get();
    return kArcOk;
  }

  // What to do with a name that already exists: kArcOk (replace),
  // kSkipEntry, or kArcUserCancel.
  int AskReplace(int dirFd, const std::string& leaf, const std::string& name, bool& exists) {
    struct stat st;
    exists = ::fstatat(dirFd, leaf.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
    if (!exists) return kArcOk;
    if (S_ISDIR(st.st_mode)) {
      EntryFailed(name, "a folder of that name exists", kArcAlreadyExist);
      return kSkipEntry;
    }
    if (replaceAll) return kArcOk;
    if (skipAll) {
      log.Line("skipped (exists): " + name);
      return kSkipEntry;
    }
    const std::string shown = (target / std::filesystem::path(name)).string();
    switch (TheArchiverHost().AskOverwrite(owner, shown)) {
      case OverwriteAnswer::Replace:
        return kArcOk;
      case OverwriteAnswer::ReplaceAll:
        replaceAll = true;
        return kArcOk;
      case OverwriteAnswer::SkipAll:
        skipAll = true;
        [[fallthrough]];
      case OverwriteAnswer::Skip:
        log.Line("skipped (exists): " + name);
        return kSkipEntry;
      case OverwriteAnswer::Cancel:
        break;
    }
    cancelled = true;
    log.Line("cancelled");
    return kArcUserCancel;
  }

  std::string NextTempName() {
    static const std::string prefix = ".~ks" + std::to_string(::getpid()) + "_";
    return prefix + std::to_string(++tempCounter);
  }

  // Without `replace` an existing name is never overwritten (something
  // appeared since the question). 0 or an errno value; EEXIST when taken.
  static int PutInPlace(int dirFd, const std::string& temp, const std::string& leaf, bool replace) {
    return MoveIntoPlace(dirFd, temp.c_str(), leaf.c_str(), replace);
  }

  mode_t Masked(std::optional<unsigned> mode, mode_t fallback) const {
    const mode_t m = mode ? static_cast<mode_t>(*mode) : fallback;
    return m & 0777 & ~CurrentUmask();
  }

  void DropFile() {
    if (file.valid()) {
      file.Reset();
      ::unlinkat(fileDir, tempName.c_str(), 0);
    }
    fileDir = -1;
  }
};

SafeExtract::SafeExtract(WindowHandle owner, std::filesystem::path target, OutputLog& log,
                         const std::string& progressTitle, std::uint64_t totalBytes)
    : s_(std::make_unique<State>(owner, std::move(target), log)) {
  s_->total = totalBytes;
  s_->progress = TheArchiverHost().BeginProgress(owner, progressTitle);
}

SafeExtract::~SafeExtract() { s_->DropFile(); }

int SafeExtract::Open() {
  std::error_code ec;
  std::filesystem::create_directories(s_->target, ec);
  const int fd = ::open(s_->target.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) {
    s_->log.Line("cannot create or open the folder " + s_->target.string() + ": " +
                 (ec ? ec.message() : ErrnoText(errno)));
    return kArcMakeDirectory;
  }
  s_->root.Reset(fd);
  return kArcOk;
}

std::optional<std::string> SafeExtract::SafeRelativeName(const std::string& stored) {
  if (stored.empty() || stored[0] == '/' || stored[0] == '\\' || HasDriveLetter(stored))
    return std::nullopt;
  std::string out;
  for (const std::string& part : SplitName(stored)) {
    if (part.empty() || part == ".") continue;
    if (part == ".." || part.find('\0') != std::string::npos) return std::nullopt;
    if (!out.empty()) out += '/';
    out += part;
  }
  return out;
}

bool SafeExtract::LinkStaysInside(const std::string& safeName, const std::string& linkText) {
  if (linkText.empty() || linkText[0] == '/' || linkText[0] == '\\' || HasDriveLetter(linkText))
    return false;
  std::size_t depth = 0;
  for (char c : safeName)
    if (c == '/') ++depth;
  std::size_t ups = 0;
  bool descended = false;
  for (const std::string& part : SplitName(linkText)) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      // A ".." after a name could climb out through a link to a shallower
      // folder; only a leading run is decided by the link's own place.
      if (descended || ++ups > depth) return false;
    } else {
      descended = true;
    }
  }
  return true;
}

int SafeExtract::Begin(const ExtractEntry& entry) {
  State& s = *s_;
  s.DropFile();
  s.currentName = entry.name;
  if (!s.Tick(true)) {
    s.log.Line("cancelled");
    return kArcUserCancel;
  }
  // A folder entry without a name (old Unix LHa stored the folder it ran in
  // so) stands for the target itself: nothing to make, nothing wrong.
  if (entry.type == EntryType::Directory && entry.name.empty()) return kSkipEntry;
  const std::optional<std::string> rel = SafeRelativeName(entry.name);
  if (!rel) {
    s.Refuse(entry.name, "its path leaves the target folder");
    return kSkipEntry;
  }
  if (rel->empty()) {
    if (entry.type == EntryType::Directory) return kSkipEntry;  // "./": the target itself
    s.Refuse(entry.name, "it has no name");
    return kSkipEntry;
  }

  if (entry.type == EntryType::Directory) {
    Fd fd;
    int err = 0;
    switch (s.OpenFolder(*rel, true, fd, err)) {
      case State::Walk::Ok:
        s.folders.push_back({*rel, entry.mode, entry.mtime});
        return kArcOk;
      case State::Walk::Link:
        s.Refuse(entry.name, "a link stands in its path");
        return kSkipEntry;
      case State::Walk::NotFolder:
        s.EntryFailed(entry.name, "a file of that name exists", kArcMakeDirectory);
        return kSkipEntry;
      case State::Walk::Failed:
        if (NameRefused(err)) {
          s.EntryFailed(entry.name, ErrnoText(err), kArcMakeDirectory);
          return kSkipEntry;
        }
        s.log.Line("cannot create folder " + entry.name + ": " + ErrnoText(err));
        return kArcMakeDirectory;
    }
  }
  if (entry.type == EntryType::Special) {
    // A device or FIFO has no data of its own: one that claims some is a
    // file whose header was damaged, and skipping it would lose its data.
    if (entry.size > 0) {
      s.EntryFailed(entry.name, "a device or FIFO with data: its header is damaged", kArcHeaderBroken);
      return kSkipEntry;
    }
    s.log.Line("not created (device or FIFO): " + entry.name);
    return kSkipEntry;
  }
  std::string dir, leaf;
  SplitParent(*rel, dir, leaf);
  int dirFd = -1;
  // The folders on a link's way are made even when the link itself is then
  // refused: they are the archive's too, and other tools make them.
  if (const int r = s.ParentFolder(dir, entry.name, dirFd); r != kArcOk) return r;
  if (entry.type == EntryType::Symlink && !LinkStaysInside(*rel, entry.link)) {
    s.Refuse(entry.name, "link to " + entry.link + " points outside the target folder");
    return kSkipEntry;
  }
  std::string hardSource;
  if (entry.type == EntryType::Hardlink) {
    const auto src = SafeRelativeName(entry.link);
    if (!src || !s.written.count(*src)) {
      s.Refuse(entry.name, "hard link to " + entry.link + ", which this archive did not extract");
      return kSkipEntry;
    }
    hardSource = *src;
  }
  bool exists = false;
  if (const int r = s.AskReplace(dirFd, leaf, entry.name, exists); r != kArcOk) return r;

  const std::string temp = s.NextTempName();
  if (entry.type == EntryType::Symlink || entry.type == EntryType::Hardlink) {
    int made;
    if (entry.type == EntryType::Symlink) {
      made = ::symlinkat(entry.link.c_str(), dirFd, temp.c_str());
    } else {
      std::string srcDir, srcLeaf;
      SplitParent(hardSource, srcDir, srcLeaf);
      Fd srcFd;
      int err = 0;
      if (s.OpenFolder(srcDir, false, srcFd, err) != State::Walk::Ok) {
        s.EntryFailed(entry.name, "its source folder is gone", kArcCannotWrite);
        return kSkipEntry;
      }
      made = ::linkat(srcFd.get(), srcLeaf.c_str(), dirFd, temp.c_str(), 0);
    }
    if (made != 0) {
      const int err = errno;
      s.EntryFailed(entry.name, ErrnoText(err), WriteErrorCode(err));
      return kSkipEntry;
    }
    if (entry.type == EntryType::Symlink && entry.mtime) {
      const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(*entry.mtime), 0}};
      ::utimensat(dirFd, temp.c_str(), times, AT_SYMLINK_NOFOLLOW);
    }
    if (const int err = s.PutInPlace(dirFd, temp, leaf, exists); err != 0) {
      ::unlinkat(dirFd, temp.c_str(), 0);
      s.EntryFailed(entry.name, ErrnoText(err), WriteErrorCode(err));
      return kSkipEntry;
    }
    if (entry.type == EntryType::Hardlink)
      s.written.insert(*rel);
    else
      s.written.erase(*rel);
    return kArcOk;
  }

  const int fd = ::openat(dirFd, temp.c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    const int err = errno;
    if (err == ENOSPC || err == EDQUOT || err == EACCES || err == EROFS || err == EPERM) {
      s.log.Line("cannot write " + entry.name + ": " + ErrnoText(err));
      return WriteErrorCode(err);
    }
    s.EntryFailed(entry.name, ErrnoText(err), kArcCannotWrite);
    return kSkipEntry;
  }
  s.file.Reset(fd);
  s.fileDir = dirFd;
  s.tempName = temp;
  s.leafName = leaf;
  s.relName = *rel;
  s.shownName = entry.name;
  s.fileMode = entry.mode;
  s.fileTime = entry.mtime;
  s.replacing = exists;
  s.endsInHole = false;
  return kArcOk;
}

int SafeExtract::Write(const void* data, std::size_t size) {
  State& s = *s_;
  if (!s.file.valid()) return kArcCannotWrite;
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(s.file.get(), p, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      const int err = errno;
      s.log.Line("cannot write " + s.shownName + ": " + ErrnoText(err));
      s.DropFile();
      return WriteErrorCode(err);
    }
    p += n;
    size -= static_cast<std::size_t>(n);
    s.done += static_cast<std::uint64_t>(n);
    s.endsInHole = false;
  }
  if (!s.Tick(false)) {
    s.DropFile();
    s.log.Line("cancelled");
    return kArcUserCancel;
  }
  return kArcOk;
}

int SafeExtract::WriteHole(std::uint64_t size) {
  State& s = *s_;
  if (!s.file.valid()) return kArcCannotWrite;
  if (size == 0) return kArcOk;
  const off_t at = ::lseek(s.file.get(), 0, SEEK_CUR);
  int err = 0;
  if (at < 0)
    err = errno;
  else if (size > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max() - at))
    err = EFBIG;
  else if (::lseek(s.file.get(), static_cast<off_t>(size), SEEK_CUR) < 0)
    err = errno;
  if (err != 0) {
    s.log.Line("cannot write " + s.shownName + ": " + ErrnoText(err));
    s.DropFile();
    return WriteErrorCode(err);
  }
  s.endsInHole = true;
  s.done += size;
  if (!s.Tick(false)) {
    s.DropFile();
    s.log.Line("cancelled");
    return kArcUserCancel;
  }
  return kArcOk;
}

int SafeExtract::Commit() {
  State& s = *s_;
  if (!s.file.valid()) return kArcCannotWrite;
  if (s.endsInHole) {
    // A hole at the end is only a size: nothing was written there.
    const off_t size = ::lseek(s.file.get(), 0, SEEK_CUR);
    if (size < 0 || ::ftruncate(s.file.get(), size) != 0) {
      const int err = errno;
      s.log.Line("cannot write " + s.shownName + ": " + ErrnoText(err));
      s.DropFile();
      return WriteErrorCode(err);
    }
  }
  ::fchmod(s.file.get(), s.Masked(s.fileMode, 0644));
  if (s.fileTime) {
    const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(*s.fileTime), 0}};
    ::futimens(s.file.get(), times);
  }
  // close reports late write errors (a full disk on some file systems).
  const int fd = s.file.Release();
  if (::close(fd) != 0) {
    const int err = errno;
    ::unlinkat(s.fileDir, s.tempName.c_str(), 0);
    s.log.Line("cannot write " + s.shownName + ": " + ErrnoText(err));
    return WriteErrorCode(err);
  }
  if (const int err = s.PutInPlace(s.fileDir, s.tempName, s.leafName, s.replacing); err != 0) {
    ::unlinkat(s.fileDir, s.tempName.c_str(), 0);
    s.fileDir = -1;
    if (err == EEXIST) {
      s.EntryFailed(s.shownName, "a file of that name appeared meanwhile", kArcAlreadyExist);
      return kArcOk;
    }
    if (NameRefused(err)) {
      s.EntryFailed(s.shownName, ErrnoText(err), kArcCannotWrite);
      return kArcOk;
    }
    s.log.Line("cannot write " + s.shownName + ": " + ErrnoText(err));
    return WriteErrorCode(err);
  }
  s.written.insert(s.relName);
  ++s.filesWritten;
  s.fileDir = -1;
  return kArcOk;
}

void SafeExtract::Abort() { s_->DropFile(); }

void SafeExtract::MeasureBy(std::function<std::uint64_t()> bytesRead) {
  s_->bytesRead = std::move(bytesRead);
}

bool SafeExtract::Progress(std::uint64_t doneBytes) {
  s_->done = doneBytes;
  return s_->Tick(false);
}

int SafeExtract::Finish() {
  State& s = *s_;
  s.DropFile();
  s.cachedFd.Reset();
  // Deepest folders first, so a folder made read-only by its mode does not
  // stop the folders below it from getting theirs.
  for (auto it = s.folders.rbegin(); it != s.folders.rend(); ++it) {
    Fd fd;
    int err = 0;
    if (s.OpenFolder(it->rel, false, fd, err) != State::Walk::Ok) continue;
    if (it->mode) ::fchmod(fd.get(), s.Masked(it->mode, 0755) | S_IRWXU);
    if (it->mtime) {
      const timespec times[2] = {{0, UTIME_OMIT}, {static_cast<time_t>(*it->mtime), 0}};
      ::futimens(fd.get(), times);
    }
  }
  s.folders.clear();
  if (s.refused > 0) return kArcUnsafeEntry;
  return s.entryError;
}

std::uint64_t SafeExtract::filesWritten() const { return s_->filesWritten; }
std::uint64_t SafeExtract::entriesRefused() const { return s_->refused; }

}  // namespace ks
