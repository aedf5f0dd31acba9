#include "archivers/builtin/lha/LzhArchiveWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "archivers/ArchiverHost.h"
#include "archivers/builtin/common/OrderedWorkPool.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/codec/LzhCrc16.h"
#include "archivers/builtin/lha/LzhEncoder.h"
#include "archivers/builtin/lha/LzhHeader.h"
#include "archivers/builtin/lha/LzhName.h"
#include "archivers/builtin/lha/LzhOutput.h"

namespace ks {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kReadChunk = 256 * 1024;
// Files up to this size are read whole and coded on a worker, several at
// once; larger ones are coded as they are read, in the writer's thread.
constexpr std::uint64_t kInMemory = 1 << 20;
constexpr const char* kProgressTitle = "UnLha";
constexpr const char* kStoredMethod = "-lh0-";
constexpr const char* kFolderMethod = "-lhd-";

std::uint32_t UnixTime(fs::file_time_type time) {
  const auto sys = std::chrono::file_clock::to_sys(time);
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
  if (seconds < 0) return 0;
  if (seconds > 0xFFFFFFFFll) return 0xFFFFFFFFu;
  return static_cast<std::uint32_t>(seconds);
}

// An open file to pack; closed on every way out.
class InputFile {
 public:
  ~InputFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  bool Open(const fs::path& path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    return fd_ >= 0;
  }
  int fd() const { return fd_; }

 private:
  int fd_ = -1;
};

// An entry on its way into the archive: its header, complete, and the
// bytes that follow it.
struct LzhPiece {
  LzhEntryHeader header;
  std::string name;                // for messages
  std::vector<std::uint8_t> data;  // the file when handed over, then what to store
};
using PiecePtr = std::shared_ptr<LzhPiece>;

// A worker's coder, writing into the piece it codes.
class PieceCoder {
 public:
  explicit PieceCoder(LzhMethod method)
      : encoder_(method, [this](const std::uint8_t* d, std::size_t n) {
          out_->insert(out_->end(), d, d + n);
          return static_cast<int>(kArcOk);
        }) {}

  // Codes the piece's data, or keeps it stored when coding does not make it
  // smaller.
  void Code(LzhPiece& piece) {
    std::vector<std::uint8_t> coded;
    bool stored = piece.data.empty();
    if (!stored) {
      out_ = &coded;
      encoder_.Reset(piece.data.size() - 1);
      encoder_.Write(piece.data.data(), piece.data.size());
      encoder_.Finish();
      stored = encoder_.limitExceeded();
    }
    if (stored) {
      piece.header.method = kStoredMethod;
    } else {
      piece.data.swap(coded);
    }
    piece.header.compressedSize = static_cast<std::uint32_t>(piece.data.size());
  }

 private:
  std::vector<std::uint8_t>* out_ = nullptr;
  LzhEncoder encoder_;
};

class ArchiveWriter {
 public:
  ArchiveWriter(WindowHandle owner, const PackPlan& plan, LzhMethod method, unsigned threads,
                OutputLog& log)
      : plan_(plan),
        log_(log),
        progress_(TheArchiverHost().BeginProgress(owner, kProgressTitle)),
        encoder_(method, [this](const std::uint8_t* d, std::size_t n) { return out_.Write(d, n); }),
        buffer_(kReadChunk),
        coders_(threads == 0 ? 1 : threads),
        pool_(threads, kPackJobsPerThread * (threads == 0 ? 1 : threads)) {
    pool_.LimitWeight(kPackWaitingBytes);
  }

  int Run(const fs::path& file) {
    if (int r = out_.Create(file); r != kArcOk) {
      log_.Line("cannot create " + file.string() + ": " + out_.errorText());
      return r;
    }
    int r = WriteAll();
    if (r == kArcOk) {
      const std::uint8_t endMark = 0;
      r = out_.Write(&endMark, 1);
      if (r == kArcOk) r = out_.Close();
      if (r != kArcOk) log_.Line("cannot write " + file.string() + ": " + out_.errorText());
    }
    if (r != kArcOk) out_.Remove();
    return r;
  }

 private:
  int WriteAll() {
    for (const PackItem& item : plan_.items) {
      if (!Tick(item.archiveName)) return Cancelled();
      const int r = item.isFolder ? Folder(item) : File(item);
      if (r != kArcOk) return r;
      // Entries are written as they come back, in order; only a few wait
      // in memory at any time.
      while (pool_.full())
        if (int w = WritePiece(*pool_.TakeOldest()); w != kArcOk) return w;
    }
    return WriteAllPending();
  }

  // Queues an entry; a file's data is coded on a worker.
  void Hand(PiecePtr piece, bool isFile) {
    pool_.Submit([this, piece, isFile](unsigned worker) {
      if (isFile) {
        auto& coder = coders_[worker];
        if (!coder) coder = std::make_unique<PieceCoder>(encoder_.method());
        coder->Code(*piece);
      }
      return piece;
    }, piece->data.size());
  }

  int WritePiece(const LzhPiece& piece) {
    if (int r = WriteHeader(piece.header, piece.name); r != kArcOk) return r;
    const int r = out_.Write(piece.data.data(), piece.data.size());
    return r == kArcOk ? r : WriteFailed(r);
  }

  int WriteAllPending() {
    while (pool_.pending() > 0)
      if (int r = WritePiece(*pool_.TakeOldest()); r != kArcOk) return r;
    return kArcOk;
  }

  bool Tick(const std::string& name) { return progress_->Update(name, done_, plan_.totalBytes); }
  int Cancelled() {
    log_.Line("cancelled");
    return kArcUserCancel;
  }

  LzhEntryHeader HeaderFor(const PackItem& item, const struct stat& st) {
    LzhEntryHeader h;
    const LzhName name = EncodeLzhName(item.archiveName);
    h.name = name.bytes;
    h.codePage = name.codePage;
    h.isFolder = item.isFolder;
    h.modified = UnixTime(item.modified);
    const unsigned perms = static_cast<unsigned>(st.st_mode) & 07777;
    h.unixMode = static_cast<std::uint16_t>((item.isFolder ? S_IFDIR : S_IFREG) | perms);
    h.dosAttribute = item.isFolder ? kDosDirectory : kDosArchive;
    if ((perms & 0222) == 0) h.dosAttribute |= kDosReadOnly;
    return h;
  }

  int WriteHeader(const LzhEntryHeader& h, const std::string& name) {
    const auto bytes = BuildLevel2Header(h);
    if (!bytes) {
      log_.Line("name too long for an LHA header: " + name);
      return kArcCannotWrite;
    }
    const int r = out_.Write(bytes->data(), bytes->size());
    return r == kArcOk ? r : WriteFailed(r);
  }

  int PatchHeader(std::uint64_t at, const LzhEntryHeader& h) {
    const int r = out_.Patch(at, *BuildLevel2Header(h));
    return r == kArcOk ? r : WriteFailed(r);
  }

  // Logs a failed write of the archive and passes its result on.
  int WriteFailed(int result) {
    log_.Line("cannot write the archive: " + out_.errorText());
    return result;
  }
  // Read failures and Cancel are logged where they happen; anything else
  // coming back from the coder is a write failure.
  int ReadOrWriteFailed(int result) {
    return result == kArcUserCancel || result == kArcCannotRead ? result : WriteFailed(result);
  }

  int Folder(const PackItem& item) {
    struct stat st {};
    if (::stat(item.source.c_str(), &st) != 0) st.st_mode = 0755;
    auto piece = std::make_shared<LzhPiece>();
    piece->header = HeaderFor(item, st);
    piece->header.method = kFolderMethod;
    piece->name = item.archiveName;
    Hand(std::move(piece), false);
    return kArcOk;
  }

  // Reads a small file whole and hands it to a worker to code.
  int SmallFile(InputFile& in, const PackItem& item, LzhEntryHeader& h, std::uint64_t size) {
    auto piece = std::make_shared<LzhPiece>();
    piece->data.reserve(static_cast<std::size_t>(size));
    std::uint16_t crc = 0;
    int r = Stream(in, item, size, [&](const std::uint8_t* d, std::size_t n) {
      piece->data.insert(piece->data.end(), d, d + n);
      return static_cast<int>(kArcOk);
    }, crc, [] { return false; });
    if (r != kArcOk) return r;
    h.dataCrc = crc;
    piece->header = std::move(h);
    piece->name = item.archiveName;
    Hand(std::move(piece), true);
    return kArcOk;
  }

  int File(const PackItem& item) {
    InputFile in;
    struct stat st {};
    if (!in.Open(item.source) || ::fstat(in.fd(), &st) != 0) {
      log_.Line("cannot open " + item.source.string() + ": " + std::strerror(errno));
      return kArcFileOpen;
    }
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    if (size > kLzhMaxEntrySize) {
      log_.Line("too large for an LHA archive (4 GiB or more): " + item.source.string());
      return kArcTooLarge;
    }
    LzhEntryHeader h = HeaderFor(item, st);
    h.method = MethodInfo(encoder_.method()).id;
    h.originalSize = static_cast<std::uint32_t>(size);
    if (size <= kInMemory) return SmallFile(in, item, h, size);
    if (int r = WriteAllPending(); r != kArcOk) return r;
    const std::uint64_t headerAt = out_.position();
    if (int r = WriteHeader(h, item.archiveName); r != kArcOk) return r;
    const std::uint64_t dataAt = out_.position();
    const std::uint64_t doneBefore = done_;

    bool stored = size == 0;
    std::uint16_t crc = 0;
    if (!stored) {
      // Coded output that reaches the file's own size cannot win: stop there.
      encoder_.Reset(size - 1);
      int r = Stream(in, item, size, [this](const std::uint8_t* d, std::size_t n) {
        return encoder_.Write(d, n);
      }, crc, [this] { return encoder_.limitExceeded(); });
      if (r == kArcOk) r = encoder_.Finish();
      if (r != kArcOk) return ReadOrWriteFailed(r);
      stored = encoder_.limitExceeded();
    }
    if (stored && size > 0) {
      // Data that does not shrink is kept as it is: read it again and copy.
      if (int r = out_.TruncateTo(dataAt); r != kArcOk) return WriteFailed(r);
      if (::lseek(in.fd(), 0, SEEK_SET) < 0) {
        log_.Line("cannot read " + item.source.string() + " again: " + std::strerror(errno));
        return kArcCannotRead;
      }
      done_ = doneBefore;
      int r = Stream(in, item, size, [this](const std::uint8_t* d, std::size_t n) {
        return out_.Write(d, n);
      }, crc, [] { return false; });
      if (r != kArcOk) return ReadOrWriteFailed(r);
    }
    if (stored) h.method = kStoredMethod;
    h.compressedSize = static_cast<std::uint32_t>(out_.position() - dataAt);
    h.dataCrc = crc;
    return PatchHeader(headerAt, h);
  }

  // Reads exactly `size` bytes of `in` into `sink` with progress and Cancel;
  // `crc` gets the CRC-16 of what was read. Reading ends early, with `crc`
  // left unset, once `stop()` says the rest is not needed.
  template <typename Sink, typename Stop>
  int Stream(InputFile& in, const PackItem& item, std::uint64_t size, Sink sink,
             std::uint16_t& crc, Stop stop) {
    LzhCrc16 sum;
    std::uint64_t left = size;
    while (left > 0) {
      const std::size_t want = left < buffer_.size() ? static_cast<std::size_t>(left) : buffer_.size();
      const ssize_t got = ::read(in.fd(), buffer_.data(), want);
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) {
        log_.Line(got < 0 ? "cannot read " + item.source.string() + ": " + std::strerror(errno)
                          : item.source.string() + " became shorter while it was being packed");
        return kArcCannotRead;
      }
      const std::size_t n = static_cast<std::size_t>(got);
      sum.Update(buffer_.data(), n);
      if (int r = sink(buffer_.data(), n); r != kArcOk) return r;
      if (stop()) return kArcOk;
      left -= n;
      done_ += n;
      if (!Tick(item.archiveName)) return Cancelled();
    }
    crc = sum.value();
    return kArcOk;
  }

  const PackPlan& plan_;
  OutputLog& log_;
  std::unique_ptr<Progress> progress_;
  LzhOutput out_;
  LzhEncoder encoder_;  // for large files, in this thread
  std::vector<std::uint8_t> buffer_;
  std::uint64_t done_ = 0;
  std::vector<std::unique_ptr<PieceCoder>> coders_;  // one per worker, made when needed
  OrderedWork<PiecePtr> pool_;  // last: its workers stop before anything they use goes
};

}  // namespace

int WriteLzhArchive(WindowHandle owner, const PackPlan& plan, const fs::path& file,
                    LzhMethod method, OutputLog& log, unsigned threads) {
  ArchiveWriter writer(owner, plan, method, threads, log);
  return writer.Run(file);
}

}  // namespace ks
