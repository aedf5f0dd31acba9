#include "archivers/builtin/bga/BgaWriter.h"

#include <chrono>
#include <cstring>
#include <vector>

#include "archivers/builtin/bga/BgaCodec.h"
#include "archivers/builtin/bga/BgaOutput.h"
#include "archivers/builtin/common/OrderedWorkPool.h"
#include "archivers/builtin/common/PackReader.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/TempOutput.h"

namespace ks {
namespace fs = std::filesystem;

namespace {

// Files up to this size are compressed in memory, several at a time, and
// written in one piece; larger ones stream into the archive and get their
// header filled in after.
constexpr std::uint64_t kInMemory = 1 << 20;
constexpr std::uint64_t kNamesLogged = 500;

std::int64_t UnixSeconds(fs::file_time_type time) {
  const auto sys = std::chrono::file_clock::to_sys(time);
  return std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
}

// One entry on its way into the archive.
struct BgaPiece {
  BgaHeader header;
  // The file's bytes when handed over; afterwards the bytes to store,
  // compressed when that made them smaller (header.storage and
  // header.dataSize say which).
  std::vector<char> data;
};

// Compresses `piece` with `encoder`, or keeps its bytes when compressing
// them is no gain.
void CompressPiece(BgaEncoder& encoder, BgaPiece& piece) {
  std::vector<char> packed;
  packed.reserve(piece.data.size());
  encoder.Begin(piece.data.size());
  const int r = encoder.Feed(piece.data.data(), piece.data.size(), true,
                             [&](const char* data, std::size_t n) {
                               packed.insert(packed.end(), data, data + n);
                               return packed.size() >= piece.data.size() ? kBgaNotSmaller
                                                                         : static_cast<int>(kArcOk);
                             });
  const bool smaller = r == kArcOk && packed.size() < piece.data.size();
  if (smaller) piece.data.swap(packed);
  piece.header.storage = smaller ? kBgaStorageCompressed : kBgaStorageStored;
  piece.header.dataSize = static_cast<std::uint32_t>(piece.data.size());
}

using PiecePtr = std::shared_ptr<BgaPiece>;

bool IsReadOnly(const fs::path& file) {
  std::error_code ec;
  const fs::perms perms = fs::status(file, ec).permissions();
  return !ec && (perms & fs::perms::owner_write) == fs::perms::none;
}

class Writer {
 public:
  Writer(WindowHandle owner, const PackPlan& plan, BgaMethod method, unsigned threads,
         OutputLog& log)
      : plan_(plan), method_(method), log_(log), reader_(owner, "Bga", plan.totalBytes, log),
        encoders_(threads == 0 ? 1 : threads), pool_(threads, kPackJobsPerThread * (threads == 0 ? 1 : threads)) {
    pool_.LimitWeight(kPackWaitingBytes);
  }

  int Run(const fs::path& file) {
    std::vector<BgaNameParts> names;
    if (int r = CheckNames(names); r != kArcOk) return r;
    if (!out_.Open(file)) return WriteFailed(file.string());
    for (std::size_t i = 0; i < plan_.items.size(); ++i) {
      const PackItem& item = plan_.items[i];
      if (int r = Add(item, names[i]); r != kArcOk) return r;
      // Pieces are written as they come back, in order; only a few wait in
      // memory at any time.
      while (pool_.full())
        if (int r = Write(*pool_.TakeOldest()); r != kArcOk) return r;
      if (i < kNamesLogged)
        log_.Line("  " + item.archiveName + (item.isFolder ? "/" : ""));
      else if (i == kNamesLogged)
        log_.Line("  ...");
    }
    if (int r = WriteAllPending(); r != kArcOk) return r;
    if (!out_.Close()) return WriteFailed(file.string());
    log_.Line(std::to_string(plan_.items.size()) + " entries packed");
    return kArcOk;
  }

 private:
  // Every name is checked before anything is written: an archive that
  // cannot hold all of them is refused whole.
  int CheckNames(std::vector<BgaNameParts>& names) {
    if (plan_.items.empty()) {
      log_.Line("nothing to pack");
      return kArcNotExist;
    }
    for (const PackItem& item : plan_.items) {
      std::string why;
      auto parts = BgaStoredName(item.archiveName, item.isFolder, why);
      if (!parts) {
        log_.Line("cannot store the name " + item.archiveName + ": " + why);
        return kArcBadName;
      }
      if (item.size > kBgaMaxSize) return TooLarge(item);
      names.push_back(std::move(*parts));
    }
    return kArcOk;
  }

  int TooLarge(const PackItem& item) {
    log_.Line(item.archiveName + " is 4 GiB or larger, more than these archives can record");
    return kArcTooLarge;
  }

  int WriteFailed(const std::string& what) {
    log_.Line("cannot write " + what + ": " + std::strerror(out_.error()));
    return WriteErrorResult(out_.error());
  }

  BgaHeader HeaderOf(const PackItem& item, const BgaNameParts& name) const {
    BgaHeader h;
    h.method = method_;
    h.stamp = UnixToDosTime(UnixSeconds(item.modified));
    h.attributes = item.isFolder ? kBgaAttrFolder
                                 : static_cast<std::uint8_t>(kBgaAttrArchive |
                                                             (IsReadOnly(item.source) ? kBgaAttrReadOnly : 0));
    h.folderPart = name.folderPart;
    h.filePart = name.filePart;
    return h;
  }

  bool Put(const std::string& bytes) { return out_.Write(bytes.data(), bytes.size()); }

  int Write(const BgaPiece& piece) {
    if (!Put(EncodeBgaHeader(piece.header)) || !out_.Write(piece.data.data(), piece.data.size()))
      return WriteFailed("the archive");
    return kArcOk;
  }

  int WriteAllPending() {
    while (pool_.pending() > 0)
      if (int r = Write(*pool_.TakeOldest()); r != kArcOk) return r;
    return kArcOk;
  }

  // Queues a piece, to be compressed on a worker when `compress` says so.
  void Hand(PiecePtr piece, bool compress) {
    pool_.Submit([this, piece, compress](unsigned worker) {
      if (compress) {
        auto& encoder = encoders_[worker];
        if (!encoder) encoder = MakeBgaEncoder(method_);
        CompressPiece(*encoder, *piece);
      }
      return piece;
    }, piece->data.size());
  }

  // Reads an item and hands it to the pool; a large file is written
  // straight away, after everything before it.
  int Add(const PackItem& item, const BgaNameParts& name) {
    auto piece = std::make_shared<BgaPiece>();
    piece->header = HeaderOf(item, name);
    if (item.isFolder) {
      if (!reader_.Tick(item.archiveName)) return kArcUserCancel;
      piece->header.storage = kBgaStorageCompressed;  // what the original writes for folders
      Hand(std::move(piece), false);
      return kArcOk;
    }
    std::uint64_t size = 0;
    if (int r = reader_.Open(item, size); r != kArcOk) return r;
    if (size > kBgaMaxSize) return TooLarge(item);
    piece->header.originalSize = static_cast<std::uint32_t>(size);
    if (size > kInMemory) {
      if (int r = WriteAllPending(); r != kArcOk) return r;
      return LargeFile(item, piece->header);
    }
    piece->data.reserve(static_cast<std::size_t>(size));
    const int r = reader_.Copy(item, size, [&](const char* data, std::size_t n) {
      piece->data.insert(piece->data.end(), data, data + n);
      return static_cast<int>(kArcOk);
    });
    if (r != kArcOk) return r;
    Hand(std::move(piece), true);
    return kArcOk;
  }

  int LargeFile(const PackItem& item, BgaHeader& h) {
    // The header goes first as for a stored file and is rewritten when the
    // compressed size is known.
    const std::uint64_t headerAt = out_.position();
    h.storage = kBgaStorageStored;
    h.dataSize = h.originalSize;
    if (!Put(EncodeBgaHeader(h))) return WriteFailed("the archive");
    const std::uint64_t dataAt = out_.position();
    const std::uint64_t doneBefore = reader_.done();
    std::uint64_t read = 0, packed = 0;
    if (!encoder_) encoder_ = MakeBgaStreamEncoder(method_, pool_.threads());
    encoder_->Begin(h.originalSize);
    const BgaSink toArchive = [&](const char* data, std::size_t n) {
      packed += n;
      if (packed >= h.originalSize) return kBgaNotSmaller;
      return out_.Write(data, n) ? static_cast<int>(kArcOk) : WriteFailed("the archive");
    };
    const int r = reader_.Copy(item, h.originalSize, [&](const char* data, std::size_t n) {
      read += n;
      return encoder_->Feed(data, n, read == h.originalSize, toArchive);
    });
    if (r == kArcOk) {
      h.storage = kBgaStorageCompressed;
      h.dataSize = static_cast<std::uint32_t>(packed);
      return out_.Patch(headerAt, EncodeBgaHeader(h)) ? kArcOk : WriteFailed("the archive");
    }
    if (r != kBgaNotSmaller) return r;
    // Stored after all: the data goes again, as it is, after the header
    // already written for that case.
    if (!out_.Truncate(dataAt)) return WriteFailed("the archive");
    reader_.RewindTo(doneBefore);
    std::uint64_t size = 0;
    if (int o = reader_.Open(item, size); o != kArcOk) return o;
    if (size != h.originalSize) {
      log_.Line(item.archiveName + " changed while it was being packed");
      return kArcCannotRead;
    }
    return reader_.Copy(item, size, [&](const char* data, std::size_t n) {
      return out_.Write(data, n) ? static_cast<int>(kArcOk) : WriteFailed("the archive");
    });
  }

  const PackPlan& plan_;
  BgaMethod method_;
  OutputLog& log_;
  PackReader reader_;
  BgaOutput out_;
  std::unique_ptr<BgaEncoder> encoder_;  // for large files, made when needed
  std::vector<std::unique_ptr<BgaEncoder>> encoders_;  // one per worker, made when needed
  OrderedWork<PiecePtr> pool_;  // last: its workers stop before anything they use goes
};

}  // namespace

int WriteBga(WindowHandle owner, const PackPlan& plan, BgaMethod method, const fs::path& file,
             OutputLog& log, unsigned threads) {
  Writer writer(owner, plan, method, threads, log);
  return writer.Run(file);
}

}  // namespace ks
