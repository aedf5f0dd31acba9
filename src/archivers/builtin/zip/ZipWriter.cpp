#include "archivers/builtin/zip/ZipWriter.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

#include "archivers/builtin/common/DosTime.h"
#include "archivers/builtin/common/OrderedWorkPool.h"
#include "archivers/builtin/common/OutFile.h"
#include "archivers/builtin/common/PackReader.h"
#include "archivers/builtin/common/ParallelDeflate.h"
#include "archivers/builtin/common/RawDeflater.h"
#include "archivers/builtin/common/WholeDeflater.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/TempOutput.h"
#include "archivers/builtin/zip/ZipCrypto.h"

namespace ks {
namespace fs = std::filesystem;

namespace {

// Files up to this size are read whole and deflated on a worker, several at
// once; larger ones stream through a block-parallel deflate of their own.
constexpr std::uint64_t kInMemory = 1 << 20;
// From this size on an entry's sizes may not fit 32 bits once compressed
// (incompressible data grows a little): it gets ZIP64 sizes from the start.
constexpr std::uint64_t kZip64From = 0xFF000000u;
constexpr std::uint32_t kFull32 = 0xFFFFFFFFu;
constexpr std::uint16_t kFull16 = 0xFFFF;

constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagDescriptor = 0x0008;  // sizes and CRC follow the data
constexpr std::uint16_t kFlagUtf8 = 0x0800;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kNeeded = 20;
constexpr std::uint16_t kNeededZip64 = 45;
// Made on Unix, so readers take the permissions from the high half of the
// external attributes.
constexpr std::uint16_t kMadeBy = (3 << 8) | kNeededZip64;
constexpr std::uint32_t kDosFolder = 0x10;
constexpr std::uint32_t kDosReadOnly = 0x01;
constexpr std::uint16_t kExtendedTime = 0x5455;  // "UT": the time in UTC, which DOS stamps lack
constexpr std::uint16_t kZip64Extra = 0x0001;

// What the central directory records of an entry.
struct ZipEntry {
  std::string name;
  std::uint16_t flags = kFlagUtf8;
  std::uint16_t method = kStored;
  DosDateTime stamp;
  std::optional<std::uint32_t> unixTime;
  std::uint32_t attributes = 0;
  std::uint32_t crc = 0;
  std::uint64_t packedSize = 0;
  std::uint64_t size = 0;
  std::uint64_t offset = 0;
  bool zip64 = false;  // its local header carries 64-bit sizes
};

// An entry and the bytes that follow its local header.
struct ZipPiece {
  ZipEntry entry;
  std::vector<char> data;  // the file when handed over, then what to store
  std::optional<ZipCrypto::Header> cryptHeader;
};
using PiecePtr = std::shared_ptr<ZipPiece>;

// Little-endian fields appended to a record.
class Record {
 public:
  Record& U16(std::uint64_t v) { return Le(v, 2); }
  Record& U32(std::uint64_t v) { return Le(v, 4); }
  Record& U64(std::uint64_t v) { return Le(v, 8); }
  Record& Raw(const std::string& s) {
    bytes_ += s;
    return *this;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  Record& Le(std::uint64_t v, int n) {
    for (int i = 0; i < n; ++i) bytes_ += static_cast<char>((v >> (8 * i)) & 0xFF);
    return *this;
  }
  std::string bytes_;
};

std::int64_t UnixSeconds(fs::file_time_type time) {
  const auto sys = std::chrono::file_clock::to_sys(time);
  return std::chrono::duration_cast<std::chrono::seconds>(sys.time_since_epoch()).count();
}

std::uint32_t AttributesOf(const PackItem& item) {
  std::error_code ec;
  const auto perms = fs::status(item.source, ec).permissions();
  const unsigned mode = ec ? (item.isFolder ? 0755u : 0644u) : static_cast<unsigned>(perms) & 0777u;
  const unsigned type = item.isFolder ? 0040000u : 0100000u;
  std::uint32_t dos = item.isFolder ? kDosFolder : 0;
  if ((mode & 0222u) == 0) dos |= kDosReadOnly;
  return static_cast<std::uint32_t>((type | mode) << 16) | dos;
}

ZipEntry EntryFor(const PackItem& item) {
  ZipEntry e;
  e.name = item.archiveName + (item.isFolder ? "/" : "");
  const std::int64_t seconds = UnixSeconds(item.modified);
  e.stamp = UnixToDosTime(seconds);
  if (seconds >= 0 && seconds <= 0x7FFFFFFF) e.unixTime = static_cast<std::uint32_t>(seconds);
  e.attributes = AttributesOf(item);
  return e;
}

// The extra fields a local header and a directory record share.
std::string TimeExtra(const ZipEntry& e) {
  if (!e.unixTime) return {};
  return Record().U16(kExtendedTime).U16(5).Raw(std::string(1, '\1')).U32(*e.unixTime).bytes();
}

std::string LocalHeader(const ZipEntry& e) {
  const bool later = e.flags & kFlagDescriptor;  // sizes unknown yet
  std::string extra = TimeExtra(e);
  if (e.zip64)
    extra += Record().U16(kZip64Extra).U16(16).U64(later ? 0 : e.size).U64(later ? 0 : e.packedSize).bytes();
  const auto size32 = [&](std::uint64_t v) { return e.zip64 ? kFull32 : later ? 0 : v; };
  return Record()
      .Raw("PK\3\4")
      .U16(e.zip64 ? kNeededZip64 : kNeeded)
      .U16(e.flags)
      .U16(e.method)
      .U16(e.stamp.time)
      .U16(e.stamp.date)
      .U32(later ? 0 : e.crc)
      .U32(size32(e.packedSize))
      .U32(size32(e.size))
      .U16(e.name.size())
      .U16(extra.size())
      .Raw(e.name)
      .Raw(extra)
      .bytes();
}

std::string DataDescriptor(const ZipEntry& e) {
  Record r;
  r.Raw("PK\7\10").U32(e.crc);
  if (e.zip64) return r.U64(e.packedSize).U64(e.size).bytes();
  return r.U32(e.packedSize).U32(e.size).bytes();
}

std::string DirectoryRecord(const ZipEntry& e) {
  // 64-bit values go to the ZIP64 extra field, in this order, when their
  // 32-bit field cannot hold them.
  Record big;
  const auto field32 = [&](std::uint64_t v) -> std::uint64_t {
    if (v < kFull32) return v;
    big.U64(v);
    return kFull32;
  };
  const std::uint64_t size = field32(e.size);
  const std::uint64_t packed = field32(e.packedSize);
  const std::uint64_t offset = field32(e.offset);
  std::string extra = TimeExtra(e);
  const bool zip64 = !big.bytes().empty();
  if (zip64) extra += Record().U16(kZip64Extra).U16(big.bytes().size()).Raw(big.bytes()).bytes();
  return Record()
      .Raw("PK\1\2")
      .U16(kMadeBy)
      .U16(zip64 || e.zip64 ? kNeededZip64 : kNeeded)
      .U16(e.flags)
      .U16(e.method)
      .U16(e.stamp.time)
      .U16(e.stamp.date)
      .U32(e.crc)
      .U32(packed)
      .U32(size)
      .U16(e.name.size())
      .U16(extra.size())
      .U16(0)  // comment
      .U16(0)  // disk
      .U16(0)  // internal attributes
      .U32(e.attributes)
      .U32(offset)
      .Raw(e.name)
      .Raw(extra)
      .bytes();
}

class ZipArchiveWriter {
 public:
  ZipArchiveWriter(WindowHandle owner, const PackPlan& plan, const std::optional<std::string>& password,
                   int level, unsigned threads, OutputLog& log)
      : plan_(plan), password_(password), level_(level), log_(log),
        reader_(owner, "Zip", plan.totalBytes, log), deflaters_(threads == 0 ? 1 : threads),
        pool_(threads, kPackJobsPerThread * (threads == 0 ? 1 : threads)) {
    pool_.LimitWeight(kPackWaitingBytes);
  }

  int Run(const fs::path& file) {
    file_ = file.string();
    if (!out_.Open(file, "wb")) {
      log_.Line("cannot create " + file_ + ": " + std::strerror(out_.error()));
      return WriteErrorResult(out_.error());
    }
    for (const PackItem& item : plan_.items) {
      if (int r = Add(item); r != kArcOk) return r;
      // Entries are written as they come back, in order; only a few wait
      // in memory at any time.
      while (pool_.full())
        if (int r = Write(*pool_.TakeOldest()); r != kArcOk) return r;
    }
    if (int r = WriteAllPending(); r != kArcOk) return r;
    if (int r = WriteDirectory(); r != kArcOk) return r;
    if (!out_.Close()) return WriteFailed();
    return kArcOk;
  }

 private:
  int Add(const PackItem& item) {
    auto piece = std::make_shared<ZipPiece>();
    piece->entry = EntryFor(item);
    if (item.isFolder) {
      if (!reader_.Tick(item.archiveName)) return kArcUserCancel;
      Hand(std::move(piece), false);
      return kArcOk;
    }
    std::uint64_t size = 0;
    if (int r = reader_.Open(item, size); r != kArcOk) return r;
    if (size > kInMemory) {
      if (int r = WriteAllPending(); r != kArcOk) return r;
      return LargeFile(item, piece->entry, size);
    }
    piece->data.reserve(static_cast<std::size_t>(size));
    const int r = reader_.Copy(item, size, [&](const char* data, std::size_t n) {
      piece->data.insert(piece->data.end(), data, data + n);
      return static_cast<int>(kArcOk);
    });
    if (r != kArcOk) return r;
    if (password_) piece->cryptHeader = ZipCrypto::RandomHeader();
    Hand(std::move(piece), true);
    return kArcOk;
  }

  // Queues an entry; a file's data is compressed (and encrypted) on a worker.
  void Hand(PiecePtr piece, bool isFile) {
    pool_.Submit([this, piece, isFile](unsigned worker) {
      if (isFile) Pack(*piece, worker);
      return piece;
    }, piece->data.size());
  }

  // Deflates (and encrypts) a whole file. An empty one is stored: there is
  // nothing to deflate.
  void Pack(ZipPiece& piece, unsigned worker) {
    ZipEntry& e = piece.entry;
    e.size = piece.data.size();
    e.crc = ExtendCrc32(0, piece.data.data(), piece.data.size());
    if (level_ > 0 && !piece.data.empty()) {
      auto& deflater = deflaters_[worker];
      if (!deflater) deflater = std::make_unique<WholeDeflater>(level_);
      std::vector<char> packed;
      deflater->Deflate(piece.data.data(), piece.data.size(), packed);
      piece.data.swap(packed);
      e.method = kDeflated;
    }
    if (piece.cryptHeader) {
      // Without a data descriptor the check byte is the CRC's top byte.
      ZipCrypto::Header& h = *piece.cryptHeader;
      h.back() = static_cast<char>(e.crc >> 24);
      ZipCrypto crypto(*password_);
      crypto.Encrypt(h.data(), h.size());
      crypto.Encrypt(piece.data.data(), piece.data.size());
      piece.data.insert(piece.data.begin(), h.begin(), h.end());
      e.flags |= kFlagEncrypted;
    }
    e.packedSize = piece.data.size();
  }

  int Write(ZipPiece& piece) {
    piece.entry.offset = position_;
    if (!Put(LocalHeader(piece.entry)) || !Put(piece.data.data(), piece.data.size())) return WriteFailed();
    entries_.push_back(std::move(piece.entry));
    return kArcOk;
  }

  int WriteAllPending() {
    while (pool_.pending() > 0)
      if (int r = Write(*pool_.TakeOldest()); r != kArcOk) return r;
    return kArcOk;
  }

  // Streams a large file into the archive: its header first, with a data
  // descriptor after the data for what is known only then.
  int LargeFile(const PackItem& item, ZipEntry& e, std::uint64_t size) {
    e.flags |= kFlagDescriptor;
    e.zip64 = size >= kZip64From;
    e.method = level_ > 0 ? kDeflated : kStored;
    e.offset = position_;
    std::optional<ZipCrypto> crypto;
    if (password_) {
      e.flags |= kFlagEncrypted;
      crypto.emplace(*password_);
    }
    if (!Put(LocalHeader(e))) return WriteFailed();
    const std::uint64_t dataAt = position_;
    std::vector<char> scratch;
    const auto toArchive = [&](const char* data, std::size_t n) {
      if (crypto) {
        scratch.assign(data, data + n);
        crypto->Encrypt(scratch.data(), n);
        data = scratch.data();
      }
      return Put(data, n) ? static_cast<int>(kArcOk) : WriteFailed();
    };
    if (crypto) {
      // With a data descriptor the check byte is the top byte of the time.
      ZipCrypto::Header h = ZipCrypto::RandomHeader();
      h.back() = static_cast<char>(e.stamp.time >> 8);
      if (int r = toArchive(h.data(), h.size()); r != kArcOk) return r;
    }
    int r;
    if (e.method == kDeflated) {
      ParallelDeflate deflate(level_, pool_.threads(), toArchive);
      r = reader_.Copy(item, size, [&](const char* data, std::size_t n) { return deflate.Write(data, n); });
      if (r == kArcOk) r = deflate.Finish();
      e.crc = deflate.crc();
    } else {
      r = reader_.Copy(item, size, [&](const char* data, std::size_t n) {
        e.crc = ExtendCrc32(e.crc, data, n);
        return toArchive(data, n);
      });
    }
    if (r != kArcOk) return r;
    e.size = size;
    e.packedSize = position_ - dataAt;
    if (!Put(DataDescriptor(e))) return WriteFailed();
    entries_.push_back(e);
    return kArcOk;
  }

  int WriteDirectory() {
    const std::uint64_t start = position_;
    for (const ZipEntry& e : entries_)
      if (!Put(DirectoryRecord(e))) return WriteFailed();
    const std::uint64_t size = position_ - start;
    const std::uint64_t count = entries_.size();
    if (count >= kFull16 || size >= kFull32 || start >= kFull32) {
      const std::uint64_t at = position_;
      const std::string end64 = Record()
                                    .Raw("PK\6\6")
                                    .U64(44)  // the size of the rest of this record
                                    .U16(kMadeBy)
                                    .U16(kNeededZip64)
                                    .U32(0)
                                    .U32(0)
                                    .U64(count)
                                    .U64(count)
                                    .U64(size)
                                    .U64(start)
                                    .bytes();
      const std::string locator = Record().Raw("PK\6\7").U32(0).U64(at).U32(1).bytes();
      if (!Put(end64) || !Put(locator)) return WriteFailed();
    }
    const std::string end = Record()
                                .Raw("PK\5\6")
                                .U16(0)
                                .U16(0)
                                .U16(std::min<std::uint64_t>(count, kFull16))
                                .U16(std::min<std::uint64_t>(count, kFull16))
                                .U32(std::min<std::uint64_t>(size, kFull32))
                                .U32(std::min<std::uint64_t>(start, kFull32))
                                .U16(0)
                                .bytes();
    return Put(end) ? kArcOk : WriteFailed();
  }

  bool Put(const char* data, std::size_t size) {
    position_ += size;
    return out_.Write(data, size);
  }
  bool Put(const std::string& bytes) { return Put(bytes.data(), bytes.size()); }

  int WriteFailed() {
    log_.Line("cannot write " + file_ + ": " + std::strerror(out_.error()));
    return WriteErrorResult(out_.error());
  }

  const PackPlan& plan_;
  const std::optional<std::string>& password_;
  int level_;
  OutputLog& log_;
  std::string file_;
  PackReader reader_;
  OutFile out_;
  std::uint64_t position_ = 0;
  std::vector<ZipEntry> entries_;
  std::vector<std::unique_ptr<WholeDeflater>> deflaters_;  // one per worker, made when needed
  OrderedWork<PiecePtr> pool_;  // last: its workers stop before anything they use goes
};

}  // namespace

int WriteZip(WindowHandle owner, const PackPlan& plan, const fs::path& file,
             const std::optional<std::string>& password, int level, OutputLog& log, unsigned threads) {
  ZipArchiveWriter writer(owner, plan, password, std::clamp(level, 0, 9), threads, log);
  return writer.Run(file);
}

}  // namespace ks
