#include "archivers/builtin/cab/CabReader.h"

#include <fcntl.h>
#include <isa-l/igzip_lib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "archivers/builtin/common/ByteFile.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks {
namespace {

constexpr auto Le = LittleEndian;
// The headers' first part is read before their full size is known.
constexpr std::size_t kHead = 64 * 1024;
constexpr std::size_t kReadChunk = 1 << 20;
// The most a block's packed bytes may be for libarchive to take it (32 KiB
// and what a deflate stream may add to incompressible data).
constexpr std::size_t kMostPacked = 0x8000 + 6144;

}  // namespace

// The cabinet file, read forward in large chunks, and the decoding of its
// MSZIP blocks.
class CabReader::Blocks {
 public:
  Blocks() { isal_inflate_init(&state_); }
  ~Blocks() {
    if (fd_ >= 0) ::close(fd_);
  }

  bool Open(const std::string& path) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (fd_ < 0 || ::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) return false;
    size_ = static_cast<std::uint64_t>(st.st_size);
    buffer_.resize(kReadChunk + kCabMaxBlock + 64);
    return true;
  }
  std::uint64_t size() const { return size_; }
  std::uint64_t consumed() const { return consumed_; }

  // `n` bytes at `at`, valid until the next call; null when the file ends
  // (or cannot be read) before them. Reading moves forward: a stretch
  // before what is held is read afresh.
  const unsigned char* Get(std::uint64_t at, std::size_t n) {
    if (n > buffer_.size() || at > size_ || n > size_ - at) return nullptr;
    if (at < start_ || at + n > start_ + held_) {
      std::size_t keep = 0;
      if (at >= start_ && at < start_ + held_) {
        keep = static_cast<std::size_t>(start_ + held_ - at);
        std::memmove(buffer_.data(), buffer_.data() + (at - start_), keep);
      }
      start_ = at;
      held_ = keep;
      while (held_ < n) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(buffer_.size() - held_, size_ - (at + held_)));
        const ssize_t got = ::pread(fd_, buffer_.data() + held_, want, static_cast<off_t>(at + held_));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return nullptr;
        held_ += static_cast<std::size_t>(got);
      }
    }
    consumed_ = std::max(consumed_, at + n);
    return buffer_.data() + (at - start_);
  }

  // A folder's first block has no history before it.
  void BeginFolder() { history_ = 0; }

  // One MSZIP block: "CK" and a deflate stream of its own, whose window
  // goes on from the block before. Its `size` bytes of output, valid until
  // the block after next; null when it does not decode to them.
  const unsigned char* Inflate(const unsigned char* in, std::size_t n, std::size_t size) {
    if (n < 2 || in[0] != 'C' || in[1] != 'K' || size > kCabFullBlock) return nullptr;
    unsigned char* out = outputs_[turn_];
    const unsigned char* before = outputs_[turn_ ^ 1];
    isal_inflate_reset(&state_);
    state_.crc_flag = ISAL_DEFLATE;
    if (history_ > 0 && isal_inflate_set_dict(&state_, const_cast<unsigned char*>(before), history_) != COMP_OK)
      return nullptr;
    state_.next_in = const_cast<unsigned char*>(in + 2);
    state_.avail_in = static_cast<std::uint32_t>(n - 2);
    state_.next_out = out;
    state_.avail_out = static_cast<std::uint32_t>(size);
    const int r = isal_inflate(&state_);
    // The block's stated size counts: what the stream holds beyond it is
    // left, as libarchive leaves it.
    if (r < 0 || state_.avail_out != 0) return nullptr;
    history_ = static_cast<std::uint32_t>(size);
    turn_ ^= 1;
    return out;
  }

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::vector<unsigned char> buffer_;
  std::uint64_t start_ = 0;  // where buffer_ starts in the file
  std::size_t held_ = 0;
  std::uint64_t consumed_ = 0;

  inflate_state state_{};
  unsigned char outputs_[2][kCabFullBlock];
  int turn_ = 0;
  std::uint32_t history_ = 0;
};

CabReader::CabReader() = default;
CabReader::~CabReader() = default;

bool CabReader::Open(const std::string& file) {
  auto blocks = std::make_unique<Blocks>();
  if (!blocks->Open(file)) return false;
  const unsigned char* head = blocks->Get(0, static_cast<std::size_t>(std::min<std::uint64_t>(kHead, blocks->size())));
  const auto span = head ? CabHeaderSpan(head, static_cast<std::size_t>(std::min<std::uint64_t>(kHead, blocks->size())))
                         : std::nullopt;
  if (!span) return false;
  // A cabinet cut short may end inside its headers too: what there is is read.
  const std::size_t headers = static_cast<std::size_t>(std::min<std::uint64_t>(*span, blocks->size()));
  std::vector<unsigned char> bytes(headers);
  const unsigned char* got = headers <= kReadChunk ? blocks->Get(0, headers) : nullptr;
  if (got) {
    std::memcpy(bytes.data(), got, headers);
  } else if (headers > 0) {
    // Headers larger than a chunk (tens of thousands of files) are read apart.
    std::FILE* f = std::fopen(file.c_str(), "rb");
    const bool read = f && std::fread(bytes.data(), 1, headers, f) == headers;
    if (f) std::fclose(f);
    if (!read) return false;
  }
  auto layout = ReadCabLayout(bytes.data(), bytes.size());
  if (!layout) return false;
  layout_ = std::move(*layout);
  blocks_ = std::move(blocks);
  return true;
}

std::uint64_t CabReader::bytesRead() const { return blocks_ ? blocks_->consumed() : 0; }
std::uint64_t CabReader::fileSize() const { return blocks_ ? blocks_->size() : 0; }

CabReader::Next CabReader::NextEntry() {
  if (next_ >= std::min(end_, layout_.files.size())) return Next::End;
  current_ = next_++;
  entry_ = CabEntryOf(layout_.files[current_]);
  return Next::Entry;
}

void CabReader::BeginFolder(std::size_t folder) {
  folder_ = folder;
  nextBlock_ = 0;
  blockAt_ = layout_.folders[folder].dataAt;
  blockBegin_ = blockEnd_ = 0;
  block_ = nullptr;
  damage_ = CabFolderState{};
  damage_.compressed = layout_.folders[folder].compressed;
  folderEnded_ = false;
  brokenCode_ = 0;
  brokenWhy_.clear();
  blocks_->BeginFolder();
}

void CabReader::NextBlock() {
  const CabFolderRecord& folder = layout_.folders[folder_];
  if (nextBlock_ >= folder.blocks) {
    folderEnded_ = true;
    return;
  }
  const bool last = ++nextBlock_ == folder.blocks;
  unsigned char header[kCabDataHeader];
  const unsigned char* stated = blocks_->Get(blockAt_, kCabDataHeader);
  if (stated) std::memcpy(header, stated, sizeof header);
  const std::size_t packed = stated ? Le(header + 4, 2) : 0, unpacked = stated ? Le(header + 6, 2) : 0;
  const std::uint64_t dataAt = blockAt_ + kCabDataHeader + layout_.dataReserve;
  const unsigned char* data = stated && packed <= kCabMaxBlock ? blocks_->Get(dataAt, packed) : nullptr;
  blockBegin_ = blockEnd_;
  blockEnd_ += unpacked;
  blockAt_ = dataAt + packed;
  block_ = data;
  if (const auto damaged = CabBlockDamage(stated ? header : nullptr, data, folder.compressed, last, blockBegin_)) {
    damage_.damaged.push_back(*damaged);
    // Later blocks of a compressed folder decode from this one's output;
    // and where this one's sizes are not sure, where later ones lie is not.
    if (folder.compressed || damaged->second == UINT64_MAX) folderEnded_ = true;
    return;
  }
  // Sizes no writer gives, though the checksum holds; libarchive refuses them too.
  const bool sizesValid = packed > 0 && packed <= kMostPacked && unpacked > 0 && unpacked <= kCabFullBlock &&
                          (last || unpacked == kCabFullBlock) && (folder.compressed || packed == unpacked);
  if (sizesValid && folder.compressed) block_ = blocks_->Inflate(data, packed, unpacked);
  if (!sizesValid || !block_) {
    brokenCode_ = kArcBrokenData;
    brokenWhy_ = sizesValid ? "its data cannot be decoded" : "a data block of its folder is invalid";
    folderEnded_ = true;
  }
}

int CabReader::ReadData(const DataSink& sink) {
  if (next_ == 0) return Fail(kArcBrokenData, "no entry to read");
  const CabFileRecord& file = layout_.files[current_];
  if (folder_ != file.folder) BeginFolder(file.folder);
  const CabFileSpan span{file.size, file.offset, file.folder};
  const std::uint64_t end = std::uint64_t{file.offset} + file.size;
  for (std::uint64_t at = file.offset;;) {
    // Told before any of the file is used, once every block that starts
    // before its end has been seen.
    if (const auto why = CabSpanDamage(damage_, span)) return Fail(kArcFileCrc, *why);
    if (brokenCode_ != 0) return Fail(brokenCode_, brokenWhy_);
    if (at >= end) return kArcOk;
    if (at >= blockBegin_ && at < blockEnd_) {
      const std::size_t n = static_cast<std::size_t>(std::min(end, blockEnd_) - at);
      if (const int s = sink(block_ + (at - blockBegin_), n); s != kArcOk) return s;
      at += n;
      continue;
    }
    if (folderEnded_) return Fail(kArcUnexpectedEof, "its data runs past the end of its folder");
    NextBlock();
  }
}

}  // namespace ks
