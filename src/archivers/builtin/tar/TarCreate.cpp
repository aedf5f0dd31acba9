#include "archivers/builtin/tar/TarCreate.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "archivers/ArchiverHost.h"
#include "archivers/builtin/common/PackList.h"
#include "archivers/builtin/common/OutFile.h"
#include "archivers/builtin/common/ParallelDeflate.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/TempOutput.h"
#include "archivers/builtin/common/Utf8Locale.h"
#include "archivers/builtin/common/WorkerThreads.h"

namespace ks {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kBufferSize = 1 << 20;
constexpr int kGzipLevel = 6;  // gzip's and bsdtar's default

struct WriterFree {
  void operator()(archive* a) const { archive_write_free(a); }
};
struct EntryFree {
  void operator()(archive_entry* e) const { archive_entry_free(e); }
};

class TarWriter {
 public:
  // `totalBytes`: the sum of the file sizes, for the share of the work done.
  TarWriter(WindowHandle owner, std::uint64_t totalBytes, OutputLog& log)
      : log_(log), buffer_(kBufferSize), total_(totalBytes) {
    progress_ = TheArchiverHost().BeginProgress(owner, "Tar");
  }

  int Open(const std::string& file, TarCompression compression) {
    a_.reset(archive_write_new());
    archive_write_set_format_pax_restricted(a_.get());
    if (compression == TarCompression::Bzip2) archive_write_add_filter_bzip2(a_.get());
    if (compression != TarCompression::None) archive_write_set_bytes_in_last_block(a_.get(), 1);
    if (compression == TarCompression::Gzip) return OpenGzip(file);
    if (archive_write_open_filename(a_.get(), file.c_str()) != ARCHIVE_OK) {
      log_.Line("cannot create " + file + ": " + ErrorText());
      return archive_errno(a_.get()) == ENOSPC ? kArcDiskSpace : kArcCannotWrite;
    }
    return kArcOk;
  }

  // Adds `path` (as given, relative) and, for a folder, everything under it.
  int Add(const std::string& name) {
    struct stat st;
    if (::lstat(name.c_str(), &st) != 0) {
      log_.Line("not found: " + name);
      return kArcNotExist;
    }
    if (const int r = AddOne(name, st); r != kArcOk) return r;
    if (!S_ISDIR(st.st_mode)) return kArcOk;
    std::error_code ec;
    std::vector<fs::path> children;
    for (fs::directory_iterator it(fs::path(name), ec), end; !ec && it != end; it.increment(ec))
      children.push_back(it->path());
    if (ec) {
      log_.Line("cannot read folder " + name + ": " + ec.message());
      return kArcFileOpen;
    }
    // Sorted, so the same tree always gives the same archive.
    std::sort(children.begin(), children.end());
    for (const fs::path& child : children)
      if (const int r = Add(child.string()); r != kArcOk) return r;
    return kArcOk;
  }

  int Close() {
    if (archive_write_close(a_.get()) != ARCHIVE_OK) {
      log_.Line("cannot write the archive: " + ErrorText());
      return archive_errno(a_.get()) == ENOSPC ? kArcDiskSpace : kArcCannotWrite;
    }
    if (gzip_ && (gzip_->Finish() != kArcOk || !file_.Close())) {
      log_.Line(std::string("cannot write the archive: ") + std::strerror(file_.error()));
      return WriteErrorResult(file_.error());
    }
    return kArcOk;
  }

  std::uint64_t entries() const { return entries_; }

 private:
  std::string ErrorText() {
    const char* t = archive_error_string(a_.get());
    return t ? t : std::strerror(errno);
  }

  int WriteFailed() {
    log_.Line("cannot write the archive: " + ErrorText());
    return archive_errno(a_.get()) == ENOSPC ? kArcDiskSpace : kArcCannotWrite;
  }

  // libarchive writes the tar stream and we compress it: one gzip stream
  // whose blocks are deflated on every core (libarchive's own filter uses
  // one).
  int OpenGzip(const std::string& file) {
    if (!file_.Open(file, "wb")) {
      log_.Line("cannot create " + file + ": " + std::strerror(file_.error()));
      return WriteErrorResult(file_.error());
    }
    gzip_ = std::make_unique<ParallelGzip>(kGzipLevel, WorkerThreads(), [this](const char* d, std::size_t n) {
      return file_.Write(d, n) ? static_cast<int>(kArcOk) : WriteErrorResult(file_.error());
    });
    if (archive_write_open2(a_.get(), this, nullptr, &TarWriter::ToGzip, nullptr, nullptr) != ARCHIVE_OK) {
      log_.Line("cannot start the archive: " + ErrorText());
      return kArcCannotWrite;
    }
    return kArcOk;
  }

  static la_ssize_t ToGzip(archive* a, void* self, const void* data, std::size_t size) {
    auto& writer = *static_cast<TarWriter*>(self);
    if (writer.gzip_->Write(static_cast<const char*>(data), size) == kArcOk)
      return static_cast<la_ssize_t>(size);
    archive_set_error(a, writer.file_.error(), "%s", std::strerror(writer.file_.error()));
    return -1;
  }

  int AddOne(const std::string& name, const struct stat& st) {
    if (!(S_ISREG(st.st_mode) || S_ISDIR(st.st_mode) || S_ISLNK(st.st_mode))) {
      log_.Line("skipped (not a file or folder): " + name);
      return kArcOk;
    }
    if (!progress_->Update(name, done_, total_)) {
      log_.Line("cancelled");
      return kArcUserCancel;
    }
    std::string stored = name;
    while (stored.rfind("./", 0) == 0) stored.erase(0, 2);
    if (S_ISDIR(st.st_mode) && (stored.empty() || stored.back() != '/')) stored += '/';

    std::unique_ptr<archive_entry, EntryFree> e(archive_entry_new());
    archive_entry_copy_stat(e.get(), &st);
    archive_entry_set_pathname_utf8(e.get(), stored.c_str());
    Fd file;
    if (S_ISLNK(st.st_mode)) {
      std::vector<char> target(static_cast<std::size_t>(st.st_size) + 256);
      const ssize_t n = ::readlink(name.c_str(), target.data(), target.size() - 1);
      if (n < 0) {
        log_.Line("cannot read link " + name + ": " + std::strerror(errno));
        return kArcFileOpen;
      }
      target[static_cast<std::size_t>(n)] = '\0';
      archive_entry_set_symlink_utf8(e.get(), target.data());
    } else if (S_ISREG(st.st_mode)) {
      file.fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
      if (file.fd < 0) {
        log_.Line("cannot open " + name + ": " + std::strerror(errno));
        return kArcFileOpen;
      }
    }
    if (archive_write_header(a_.get(), e.get()) < ARCHIVE_WARN) return WriteFailed();
    ++entries_;
    if (file.fd >= 0) {
      // Never more than the size in the header, even if the file grows.
      std::uint64_t left = static_cast<std::uint64_t>(st.st_size);
      while (left > 0) {
        const ssize_t n = ::read(file.fd, buffer_.data(),
                                 static_cast<std::size_t>(std::min<std::uint64_t>(left, buffer_.size())));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
          log_.Line("cannot read " + name + (n < 0 ? std::string(": ") + std::strerror(errno)
                                                    : std::string(": it shrank while packing")));
          return kArcFileOpen;
        }
        if (archive_write_data(a_.get(), buffer_.data(), static_cast<std::size_t>(n)) < 0)
          return WriteFailed();
        left -= static_cast<std::uint64_t>(n);
        done_ += static_cast<std::uint64_t>(n);
        if (!progress_->Update(name, done_, total_)) {
          log_.Line("cancelled");
          return kArcUserCancel;
        }
      }
    }
    log_.Line("  " + stored);
    return kArcOk;
  }

  struct Fd {
    int fd = -1;
    ~Fd() {
      if (fd >= 0) ::close(fd);
    }
  };

  OutputLog& log_;
  OutFile file_;                        // a tar.gz archive, written by gzip_
  std::unique_ptr<ParallelGzip> gzip_;  // after file_: its workers stop first
  std::unique_ptr<archive, WriterFree> a_;
  std::unique_ptr<ks::Progress> progress_;
  std::vector<char> buffer_;
  std::uint64_t total_;
  std::uint64_t done_ = 0;
  std::uint64_t entries_ = 0;
};

// The bytes the files under `names` hold now; 0 when they cannot be told.
std::uint64_t TotalBytes(const std::vector<ListEntry>& names, const std::string& archive) {
  PackPlan plan;
  OutputLog ignored;  // what cannot be read is told by the packing itself
  if (CollectPackItems(names, fs::path(archive), plan, ignored) != kArcOk) return 0;
  return plan.totalBytes;
}

}  // namespace

int CreateTar(WindowHandle owner, const std::string& archive, const std::vector<ListEntry>& names,
              TarCompression compression, OutputLog& log) {
  Utf8Locale locale;
  if (names.empty()) {
    log.Line("nothing to pack");
    return kArcNotExist;
  }
  int result;
  {
    TarWriter writer(owner, TotalBytes(names, archive), log);
    result = writer.Open(archive, compression);
    for (std::size_t i = 0; result == kArcOk && i < names.size(); ++i)
      result = writer.Add(names[i].name);
    if (result == kArcOk) result = writer.Close();
    if (result == kArcOk)
      log.Line(std::to_string(writer.entries()) + " entries packed into " + archive);
  }
  if (result != kArcOk) {
    std::error_code ec;
    fs::remove(fs::path(archive), ec);
  }
  return result;
}

}  // namespace ks
