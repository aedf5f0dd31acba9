#include "archivers/builtin/rar/RarIndex.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

#include "archivers/builtin/common/ByteFile.h"
#include "archivers/builtin/codec/Checksums.h"
#include "archivers/builtin/common/NameText.h"

namespace ks {
namespace {

constexpr unsigned char kSignature[6] = {'R', 'a', 'r', '!', 0x1A, 0x07};
// Self-extracting archives put their program before the signature.
constexpr std::size_t kSignatureSearch = 4u << 20;

// RAR 4 block types and flags.
constexpr unsigned kMarker4 = 0x72;
constexpr unsigned kMainHeader4 = 0x73;
constexpr unsigned kFileHeader4 = 0x74;
constexpr unsigned kSubBlock4 = 0x7A;
constexpr unsigned kEndBlock4 = 0x7B;
constexpr unsigned kLongBlock4 = 0x8000;
constexpr unsigned kMainEncryptedHeaders4 = 0x0080;
constexpr unsigned kFileSplitBefore4 = 0x0001;
constexpr unsigned kFileSplitAfter4 = 0x0002;
constexpr unsigned kFileEncrypted4 = 0x0004;
constexpr unsigned kFileFolderBits4 = 0x00E0;
constexpr unsigned kFileLarge4 = 0x0100;
constexpr unsigned kFileUnicode4 = 0x0200;
constexpr unsigned kUnpackVersionRar3 = 29;

// RAR 5 header types and flags.
constexpr std::uint64_t kMainHeader5 = 1;
constexpr std::uint64_t kFileHeader5 = 2;
constexpr std::uint64_t kEncryptionHeader5 = 4;
constexpr std::uint64_t kEndHeader5 = 5;
constexpr std::uint64_t kHasExtra5 = 0x0001;
constexpr std::uint64_t kHasData5 = 0x0002;
constexpr std::uint64_t kSkipIfUnknown5 = 0x0004;
constexpr std::uint64_t kDataFromPrevious5 = 0x0008;
constexpr std::uint64_t kDataToNext5 = 0x0010;
constexpr std::uint64_t kFileFolder5 = 0x0001;
constexpr std::uint64_t kFileHasTime5 = 0x0002;
constexpr std::uint64_t kFileHasCrc5 = 0x0004;
constexpr std::uint64_t kFileSizeUnknown5 = 0x0008;
constexpr std::uint64_t kExtraEncryption5 = 0x01;
constexpr std::uint64_t kExtraHash5 = 0x02;
constexpr std::uint64_t kHashBlake2sp5 = 0;
constexpr std::uint64_t kMaxHeader5 = 2u << 20;

std::uint32_t Le(const unsigned char* p, int n) { return static_cast<std::uint32_t>(LittleEndian(p, n)); }

std::uint32_t Crc32Of(const unsigned char* data, std::size_t size) {
  Crc32 crc;
  crc.Update(data, size);
  return crc.value();
}

// Reads byte ranges of the archive; a short read means the file ends there.
class Bytes {
 public:
  Bytes(std::FILE* f, std::uint64_t size) : f_(f), size_(size) {}
  std::uint64_t size() const { return size_; }
  // Up to `n` bytes at `pos`; fewer at the end of the file.
  std::vector<unsigned char> At(std::uint64_t pos, std::size_t n) const {
    if (pos >= size_) return {};
    n = static_cast<std::size_t>(std::min<std::uint64_t>(n, size_ - pos));
    std::vector<unsigned char> out(n);
    if (::fseeko(f_, static_cast<off_t>(pos), SEEK_SET) != 0) return {};
    out.resize(std::fread(out.data(), 1, n, f_));
    return out;
  }

 private:
  std::FILE* f_;
  std::uint64_t size_;
};

// RAR 5's variable-length integers: 7 bits a byte, low bits first, the top
// bit set on every byte but the last.
class VintReader {
 public:
  VintReader(const unsigned char* p, std::size_t n) : p_(p), n_(n) {}
  bool Vint(std::uint64_t& v) {
    v = 0;
    for (int shift = 0; shift < 70; shift += 7) {
      if (pos_ >= n_) return false;
      const unsigned char b = p_[pos_++];
      if (shift == 63 && (b & 0x7E)) return false;  // more than 64 bits
      v |= static_cast<std::uint64_t>(b & 0x7F) << shift;
      if (!(b & 0x80)) return true;
    }
    return false;
  }
  bool Skip(std::uint64_t n) {
    if (n > n_ - pos_) return false;
    pos_ += static_cast<std::size_t>(n);
    return true;
  }
  bool U32(std::uint32_t& v) {
    if (n_ - pos_ < 4) return false;
    v = Le(p_ + pos_, 4);
    pos_ += 4;
    return true;
  }
  bool Text(std::uint64_t n, std::string& out) {
    if (n > n_ - pos_) return false;
    out.assign(reinterpret_cast<const char*>(p_ + pos_), static_cast<std::size_t>(n));
    pos_ += static_cast<std::size_t>(n);
    return true;
  }
  std::size_t pos() const { return pos_; }

 private:
  const unsigned char* p_;
  std::size_t n_;
  std::size_t pos_ = 0;
};

RarIndex& Stop(RarIndex& index, RarIndexEnd end, const std::string& why) {
  index.end = end;
  index.problem = why;
  return index;
}

// After the end block. Bytes there may be a second archive appended to the
// first, whose entries would be lost without a word; only zeros (padding)
// are let pass. A self-extractor may carry a signature of its program there.
RarIndex& AtEndBlock(RarIndex& index, const Bytes& bytes, std::uint64_t after, bool sfx) {
  if (!sfx) {
    for (std::uint64_t pos = after; pos < bytes.size(); pos += 1 << 16) {
      for (unsigned char b : bytes.At(pos, 1 << 16))
        if (b != 0) return Stop(index, RarIndexEnd::Damaged, "data follows the end of the archive");
    }
  }
  return Stop(index, RarIndexEnd::Whole, "");
}

std::string SlashSeparated(std::string name) {
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

RarIndex& WalkRar4(const Bytes& bytes, std::uint64_t pos, bool sfx, RarIndex& index) {
  bool needsEndBlock = false;
  for (;;) {
    const std::vector<unsigned char> fixed = bytes.At(pos, 7);
    // RAR 3 and later end every archive with an end block; only archives
    // whose entries all came from older versions may end after their last
    // entry. Without this, a cut between two entries would pass.
    if (fixed.empty()) {
      if (needsEndBlock) return Stop(index, RarIndexEnd::Cut, "the archive ends before its end block");
      return Stop(index, RarIndexEnd::Whole, "");
    }
    if (fixed.size() < 7) return Stop(index, RarIndexEnd::Cut, "the archive ends inside a block header");
    const unsigned type = fixed[2];
    const unsigned flags = Le(&fixed[3], 2);
    const unsigned headSize = Le(&fixed[5], 2);
    if (headSize < 7) return Stop(index, RarIndexEnd::Damaged, "a block header is damaged");
    const std::vector<unsigned char> h = bytes.At(pos, headSize);
    if (h.size() < headSize) return Stop(index, RarIndexEnd::Cut, "the archive ends inside a block header");
    // The old block types (comments, authenticity) take their CRC over other
    // ranges; these four take it over the whole header.
    if (type == kMainHeader4 || type == kFileHeader4 || type == kSubBlock4 || type == kEndBlock4) {
      if ((Crc32Of(h.data() + 2, headSize - 2) & 0xFFFF) != Le(h.data(), 2))
        return Stop(index, RarIndexEnd::Damaged, "a block header fails its CRC");
    }
    if (type < kMarker4 || type > kEndBlock4)
      return Stop(index, RarIndexEnd::Damaged, "a block of unknown type");
    if (type == kEndBlock4) return AtEndBlock(index, bytes, pos + headSize, sfx);
    if (type == kMainHeader4 && (flags & kMainEncryptedHeaders4))
      return Stop(index, RarIndexEnd::HeadersEncrypted, "the headers are encrypted");
    std::uint64_t dataSize = 0;
    if (type == kFileHeader4 || type == kSubBlock4 || (flags & kLongBlock4)) {
      if (headSize < 11) return Stop(index, RarIndexEnd::Damaged, "a block header is damaged");
      dataSize = Le(&h[7], 4);
    }
    if (type == kFileHeader4) {
      if (headSize < 32) return Stop(index, RarIndexEnd::Damaged, "a file header is damaged");
      std::uint64_t unpacked = Le(&h[11], 4);
      std::size_t nameAt = 32;
      if (flags & kFileLarge4) {
        if (headSize < 40) return Stop(index, RarIndexEnd::Damaged, "a file header is damaged");
        dataSize |= static_cast<std::uint64_t>(Le(&h[32], 4)) << 32;
        unpacked |= static_cast<std::uint64_t>(Le(&h[36], 4)) << 32;
        nameAt = 40;
      }
      const std::size_t nameSize = Le(&h[26], 2);
      if (h[24] >= kUnpackVersionRar3) needsEndBlock = true;
      if (nameAt + nameSize > headSize) return Stop(index, RarIndexEnd::Damaged, "a file header is damaged");
      RarIndexEntry e;
      e.folder = (flags & kFileFolderBits4) == kFileFolderBits4;
      e.encrypted = flags & kFileEncrypted4;
      e.split = flags & (kFileSplitBefore4 | kFileSplitAfter4);
      e.size = unpacked;
      if (!e.folder && !e.split) e.crc = Le(&h[16], 4);
      if (!(flags & kFileUnicode4)) {
        const std::string raw(reinterpret_cast<const char*>(&h[nameAt]), nameSize);
        // Decoded first: a CP932 second byte may be 0x5C, the separator.
        e.name = SlashSeparated(StoredNameToUtf8(raw.substr(0, raw.find('\0'))));
      }
      index.entries.push_back(std::move(e));
    }
    const std::uint64_t next = pos + headSize + dataSize;
    if (next > bytes.size()) return Stop(index, RarIndexEnd::Cut, "the archive ends inside an entry's data");
    pos = next;
  }
}

// What the extra area of a RAR 5 file header tells us.
struct FileExtra5 {
  bool encrypted = false;
  std::optional<std::array<std::uint8_t, 32>> blake2sp;
};

// False when a record runs past the area or cannot be read.
bool ReadFileExtra5(const unsigned char* p, std::size_t n, FileExtra5& extra) {
  VintReader r(p, n);
  while (r.pos() < n) {
    std::uint64_t size = 0, type = 0;
    if (!r.Vint(size) || size == 0 || size > n - r.pos()) return false;
    const std::size_t end = r.pos() + static_cast<std::size_t>(size);
    if (!r.Vint(type) || r.pos() > end) return false;
    if (type == kExtraEncryption5) extra.encrypted = true;
    if (type == kExtraHash5) {
      std::uint64_t hashType = 0;
      if (!r.Vint(hashType) || r.pos() > end) return false;
      if (hashType == kHashBlake2sp5) {
        std::string digest;
        if (end - r.pos() < 32 || !r.Text(32, digest)) return false;
        extra.blake2sp.emplace();
        std::memcpy(extra.blake2sp->data(), digest.data(), 32);
      }
    }
    r.Skip(end - r.pos());
  }
  return true;
}

RarIndex& WalkRar5(const Bytes& bytes, std::uint64_t pos, bool sfx, RarIndex& index) {
  for (;;) {
    // Header CRC-32, then the header size as a vint of at most 3 bytes.
    const std::vector<unsigned char> start = bytes.At(pos, 7);
    if (start.empty()) return Stop(index, RarIndexEnd::Cut, "the archive ends before its end block");
    VintReader sizeReader(start.data() + std::min<std::size_t>(4, start.size()),
                          start.size() - std::min<std::size_t>(4, start.size()));
    std::uint64_t headerSize = 0;
    if (!sizeReader.Vint(headerSize)) {
      if (start.size() < 7) return Stop(index, RarIndexEnd::Cut, "the archive ends inside a header");
      return Stop(index, RarIndexEnd::Damaged, "a header is damaged");
    }
    if (headerSize == 0 || headerSize > kMaxHeader5)
      return Stop(index, RarIndexEnd::Damaged, "a header is damaged");
    const std::size_t prefix = 4 + sizeReader.pos();
    const std::size_t total = prefix + static_cast<std::size_t>(headerSize);
    const std::vector<unsigned char> h = bytes.At(pos, total);
    if (h.size() < total) return Stop(index, RarIndexEnd::Cut, "the archive ends inside a header");
    if (Crc32Of(h.data() + 4, total - 4) != Le(h.data(), 4))
      return Stop(index, RarIndexEnd::Damaged, "a header fails its CRC");

    VintReader r(h.data() + prefix, static_cast<std::size_t>(headerSize));
    std::uint64_t type = 0, flags = 0, extraSize = 0, dataSize = 0;
    bool ok = r.Vint(type) && r.Vint(flags);
    if (ok && (flags & kHasExtra5)) ok = r.Vint(extraSize);
    if (ok && (flags & kHasData5)) ok = r.Vint(dataSize);
    if (!ok || extraSize > headerSize) return Stop(index, RarIndexEnd::Damaged, "a header is damaged");

    if (type == kEndHeader5) return AtEndBlock(index, bytes, pos + total, sfx);
    if (type < kMainHeader5 || type > kEndHeader5) {
      if (!(flags & kSkipIfUnknown5)) return Stop(index, RarIndexEnd::Damaged, "a header of unknown type");
    }
    if (type == kEncryptionHeader5)
      return Stop(index, RarIndexEnd::HeadersEncrypted, "the headers are encrypted");
    if (type == kFileHeader5) {
      std::uint64_t fileFlags = 0, unpacked = 0, attributes = 0, compression = 0, host = 0,
                    nameSize = 0;
      std::uint32_t skipTime = 0, crc = 0;
      std::string name;
      ok = r.Vint(fileFlags) && r.Vint(unpacked) && r.Vint(attributes) &&
           (!(fileFlags & kFileHasTime5) || r.U32(skipTime)) &&
           (!(fileFlags & kFileHasCrc5) || r.U32(crc)) && r.Vint(compression) && r.Vint(host) &&
           r.Vint(nameSize) && r.Text(nameSize, name);
      const std::size_t extraAt = static_cast<std::size_t>(headerSize - extraSize);
      if (!ok || r.pos() > extraAt) return Stop(index, RarIndexEnd::Damaged, "a file header is damaged");
      FileExtra5 extra;
      if (!ReadFileExtra5(h.data() + prefix + extraAt, static_cast<std::size_t>(extraSize), extra))
        return Stop(index, RarIndexEnd::Damaged, "a file header is damaged");
      RarIndexEntry e;
      e.encrypted = extra.encrypted;
      e.folder = fileFlags & kFileFolder5;
      e.split = flags & (kDataFromPrevious5 | kDataToNext5);
      if (!(fileFlags & kFileSizeUnknown5)) e.size = unpacked;
      // An encrypted entry's CRC is keyed with the password.
      // So is its hash.
      if ((fileFlags & kFileHasCrc5) && !e.folder && !e.split && !e.encrypted) e.crc = crc;
      if (!e.folder && !e.split && !e.encrypted) e.blake2sp = extra.blake2sp;
      e.name = SlashSeparated(StoredNameToUtf8(name));
      index.entries.push_back(std::move(e));
    }
    const std::uint64_t next = pos + total + dataSize;
    if (dataSize > bytes.size() || next > bytes.size())
      return Stop(index, RarIndexEnd::Cut, "the archive ends inside an entry's data");
    pos = next;
  }
}

}  // namespace

RarIndex ReadRarIndex(const std::string& file) {
  RarIndex index;
  UniqueFile f = OpenForReading(file);
  struct stat st;
  if (!f || ::fstat(::fileno(f.get()), &st) != 0) return Stop(index, RarIndexEnd::NotFound, "cannot be read");
  const Bytes bytes(f.get(), static_cast<std::uint64_t>(st.st_size));
  const std::vector<unsigned char> head = bytes.At(0, kSignatureSearch);
  for (std::size_t i = 0; i + sizeof kSignature < head.size(); ++i) {
    if (std::memcmp(head.data() + i, kSignature, sizeof kSignature) != 0) continue;
    const unsigned char* tail = head.data() + i + sizeof kSignature;
    if (tail[0] == 0x00) {
      index.version = 4;
      return WalkRar4(bytes, i + 7, i > 0, index);
    }
    if (tail[0] == 0x01 && i + sizeof kSignature + 1 < head.size() && tail[1] == 0x00) {
      index.version = 5;
      return WalkRar5(bytes, i + 8, i > 0, index);
    }
  }
  return Stop(index, RarIndexEnd::NotFound, "no RAR signature");
}

}  // namespace ks
