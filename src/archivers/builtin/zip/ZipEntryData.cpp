#include "archivers/builtin/zip/ZipEntryData.h"

#include <fcntl.h>
#include <unistd.h>
#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <utility>
#include <vector>

#include "archivers/builtin/common/ByteFile.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks {
namespace {

constexpr std::size_t kLocalHeader = 30;
constexpr unsigned kEncrypted = 0x0001;
constexpr unsigned kStrongEncryption = 0x0040;
constexpr unsigned kDataDescriptor = 0x0008;
constexpr unsigned kStored = 0;
constexpr unsigned kDeflated = 8;
constexpr std::size_t kBlock = 64 * 1024;

// Deflated data of incompressible files come out a little larger.
std::uint64_t MostPacked(std::uint64_t size) { return size + size / 8 + 1024; }

// Where the data of `record` begin, when its local header is where the
// directory says and agrees with it; otherwise libarchive is left to read
// the entry and judge the damage.
std::optional<std::uint64_t> DataStart(const SharedFile& file, const ZipDirectory::Record& record) {
  constexpr std::uint64_t kFar = 0xFFFFFFFF;
  unsigned char head[kLocalHeader];
  if (file.ReadAt(record.localHeader, head, sizeof head) != sizeof head || std::memcmp(head, "PK\3\4", 4) != 0)
    return std::nullopt;
  if (LittleEndian(head + 8, 2) != record.method || LittleEndian(head + 26, 2) != record.nameLength)
    return std::nullopt;
  // Without a data descriptor the local header states the sums and sizes.
  if ((LittleEndian(head + 6, 2) & kDataDescriptor) == 0) {
    const std::uint64_t packed = LittleEndian(head + 18, 4), size = LittleEndian(head + 22, 4);
    if (LittleEndian(head + 14, 4) != record.crc32 || (packed != kFar && packed != record.packedSize) ||
        (size != kFar && size != record.size))
      return std::nullopt;
  }
  return record.localHeader + kLocalHeader + LittleEndian(head + 26, 2) + LittleEndian(head + 28, 2);
}

// The packed bytes of one entry, block by block.
class PackedBlocks {
 public:
  PackedBlocks(const SharedFile& file, std::uint64_t from, std::uint64_t size)
      : file_(file), at_(from), left_(size) {}
  bool more() const { return left_ > 0; }
  // The file ended before the entry's data did.
  bool cut() const { return cut_; }
  // The next block, in a buffer of the thread's own: each worker keeps one
  // rather than taking memory for every entry.
  std::pair<const unsigned char*, std::size_t> Next() {
    thread_local std::vector<unsigned char> block(kBlock);
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(left_, block.size()));
    const std::size_t got = file_.ReadAt(at_, block.data(), want);
    at_ += got;
    left_ -= got;
    if (got < want) {
      cut_ = true;
      left_ = 0;
    }
    return {block.data(), got};
  }

 private:
  const SharedFile& file_;
  std::uint64_t at_, left_;
  bool cut_ = false;
};

int Truncated(std::string& why) {
  why = "Truncated ZIP file data";
  return kArcUnexpectedEof;
}

int CopyStored(PackedBlocks& in, const DetachedData::Sink& sink, std::uint32_t& crc) {
  while (in.more()) {
    const auto [data, size] = in.Next();
    crc = static_cast<std::uint32_t>(::crc32_z(crc, data, size));
    if (size > 0)
      if (const int s = sink(data, size); s != kArcOk) return s;
  }
  return kArcOk;
}

// Through ISA-L, which inflates a good deal faster than zlib and sums the
// CRC-32 as it goes: on the workers, decoding is most of an extraction.
int Inflate(PackedBlocks& in, std::uint64_t size, const DetachedData::Sink& sink, std::uint32_t& crc,
            std::string& why) {
  thread_local inflate_state z;
  isal_inflate_init(&z);
  z.crc_flag = ISAL_GZIP_NO_HDR;
  thread_local std::vector<unsigned char> out(kBlock);
  std::uint64_t total = 0;
  int r = ISAL_DECOMP_OK;
  for (;;) {
    if (z.avail_in == 0 && in.more()) {
      const auto [data, got] = in.Next();
      z.next_in = const_cast<std::uint8_t*>(data);
      z.avail_in = static_cast<std::uint32_t>(got);
    }
    z.next_out = out.data();
    z.avail_out = static_cast<std::uint32_t>(out.size());
    r = isal_inflate(&z);
    if (r < 0) break;
    const std::size_t got = out.size() - z.avail_out;
    total += got;
    // More than the directory states is damage, and must not be held.
    if (total > size) {
      r = ISAL_INVALID_BLOCK;
      break;
    }
    if (got > 0)
      if (const int s = sink(out.data(), got); s != kArcOk) return s;
    if (z.block_state == ISAL_BLOCK_FINISH) break;
    // Nothing more to read and nothing more came out: the data end early.
    if (got == 0 && z.avail_in == 0 && !in.more()) return Truncated(why);
  }
  if (r < 0) {
    why = "ZIP decompression failed";
    return kArcBrokenData;
  }
  crc = z.crc;
  return kArcOk;
}

int Decode(const SharedFile& file, const ZipDirectory::Record& record, std::uint64_t from,
           const DetachedData::Sink& sink, std::string& why) {
  PackedBlocks in(file, from, record.packedSize);
  std::uint32_t crc = static_cast<std::uint32_t>(::crc32(0, nullptr, 0));
  if (record.method == kStored) {
    if (record.packedSize != record.size) {
      why = "the stored size differs from the size";
      return kArcBrokenData;
    }
    if (const int r = CopyStored(in, sink, crc); r != kArcOk) return r;
  } else if (const int r = Inflate(in, record.size, sink, crc, why); r != kArcOk) {
    return r;
  }
  if (in.cut()) return Truncated(why);
  if (crc != record.crc32) {
    why = "ZIP bad CRC";
    return kArcFileCrc;
  }
  return kArcOk;
}

}  // namespace

std::shared_ptr<const SharedFile> SharedFile::Open(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::shared_ptr<const SharedFile>(new SharedFile(fd));
}

SharedFile::~SharedFile() { ::close(fd_); }

std::size_t SharedFile::ReadAt(std::uint64_t offset, void* out, std::size_t size) const {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = ::pread(fd_, static_cast<char*>(out) + done, size - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

std::optional<DetachedData> DetachZipEntry(std::shared_ptr<const SharedFile> file,
                                           const ZipDirectory::Record& record, std::uint64_t largest) {
  if (!file || (record.flags & (kEncrypted | kStrongEncryption)) != 0) return std::nullopt;
  if (record.method != kStored && record.method != kDeflated) return std::nullopt;
  if (record.size > largest || record.packedSize > MostPacked(largest)) return std::nullopt;
  const std::optional<std::uint64_t> from = DataStart(*file, record);
  if (!from) return std::nullopt;
  DetachedData data;
  data.size = record.size;
  data.decode = [file = std::move(file), record, from = *from](const DetachedData::Sink& sink, std::string& why) {
    return Decode(*file, record, from, sink, why);
  };
  return data;
}

}  // namespace ks
