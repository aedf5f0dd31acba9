#include "archivers/builtin/bga/BgaReader.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "archivers/builtin/common/DosTime.h"
#include "archivers/builtin/common/PooledBytes.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks {
namespace {

constexpr std::size_t kChunk = 256 * 1024;
constexpr std::size_t kFileBuffer = 1 << 20;
// The most a header with its name can take.
constexpr std::size_t kMaxHeader = kBgaFixedSize + 2 * kBgaMaxNamePart;

}  // namespace

BgaReader::BgaReader() : fileBuffer_(kFileBuffer), chunk_(kChunk) {}
BgaReader::~BgaReader() = default;

bool BgaReader::ReadAt(std::uint64_t offset, void* buffer, std::size_t size) {
  if (offset > fileSize_ || size > fileSize_ - offset) return false;
  // Entries are read in order: most reads go on where the last one ended,
  // and seeking would throw away the stream's buffer.
  if (offset != position_ && ::fseeko(file_.get(), static_cast<off_t>(offset), SEEK_SET) != 0) {
    position_ = kUnknownPosition;
    return false;
  }
  if (std::fread(buffer, 1, size, file_.get()) != size) {
    position_ = kUnknownPosition;
    return false;
  }
  position_ = offset + size;
  return true;
}

int BgaReader::Open(const std::string& file) {
  file_.reset(std::fopen(file.c_str(), "rb"));
  if (!file_) return Fail(kArcArcFileOpen, "cannot open " + file + ": " + std::strerror(errno));
  std::setvbuf(file_.get(), fileBuffer_.data(), _IOFBF, fileBuffer_.size());
  struct stat st;
  if (::fstat(::fileno(file_.get()), &st) != 0 || !S_ISREG(st.st_mode))
    return Fail(kArcArcFileOpen, "not an ordinary file: " + file);
  fileSize_ = static_cast<std::uint64_t>(st.st_size);
  std::vector<unsigned char> head(static_cast<std::size_t>(
      std::min<std::uint64_t>(fileSize_, kBgaSfxScan + kMaxHeader)));
  if (!ReadAt(0, head.data(), head.size()))
    return Fail(kArcArcFileOpen, "cannot read " + file + ": " + std::strerror(errno));
  if (!FindStart(head)) {
    if (error() != 0) return error();
    return Fail(kArcNotArcFile, "not a GZA or BZA archive: " + file);
  }
  next_ = start_;
  return kArcOk;
}

bool BgaReader::FindStart(const std::vector<unsigned char>& head) {
  // Whether a whole header that verifies starts at `at`, with its data
  // inside the file.
  const auto entryAt = [&](std::size_t at) {
    if (head.size() - at < kBgaFixedSize) return BgaDecode::NotAHeader;
    if (head.size() - at - kBgaFixedSize < BgaNameLength(&head[at])) return BgaDecode::NotAHeader;
    BgaHeader h;
    const BgaDecode d = DecodeBgaHeader(&head[at], h);
    if (d == BgaDecode::Ok && fileSize_ - at - kBgaFixedSize - h.nameSize() < h.dataSize)
      return BgaDecode::NotAHeader;
    return d;
  };
  const BgaDecode first = entryAt(0);
  if (first == BgaDecode::Ok) {
    start_ = 0;
    return true;
  }
  if (head.size() >= 2 && head[0] == 'M' && head[1] == 'Z') {
    const std::size_t end = std::min(head.size(), kBgaSfxScan);
    for (std::size_t at = 1; at < end && head.size() - at >= kBgaFixedSize; ++at) {
      if (head[at + 4] != 'G' && head[at + 4] != 'B') continue;  // neither "GZIP" nor "BZ2"
      if (entryAt(at) == BgaDecode::Ok) {
        start_ = at;
        selfExtracting_ = true;
        return true;
      }
    }
    return false;
  }
  // Not an archive at all, or one whose first entry is damaged: say which.
  // A first header that fails its checksum is told by the first NextEntry,
  // which then searches on for the entries behind it.
  if (head.size() < 8 || !BgaTagMethod(&head[4])) return false;
  if (first == BgaDecode::BadChecksum) {
    start_ = 0;
    return true;
  }
  if (head.size() < kBgaFixedSize || head.size() - kBgaFixedSize < BgaNameLength(&head[0]))
    Fail(kArcUnexpectedEof, "the archive ends inside its first header");
  else
    Fail(kArcUnexpectedEof, "the archive ends inside the data of its first entry");
  return false;
}

BgaReader::HeaderCheck BgaReader::ReadHeader(std::uint64_t at, BgaHeader& h, std::uint64_t& dataStart) {
  const auto found = [](HeaderRead read, int code, std::string why) { return HeaderCheck{read, code, std::move(why)}; };
  const auto readFailed = [&] {
    return found(HeaderRead::ReadError, kArcCannotRead, std::string("cannot read the archive: ") + std::strerror(errno));
  };
  const std::string cut = "the archive ends inside a header at offset " + std::to_string(at);
  unsigned char fixed[kBgaFixedSize];
  if (fileSize_ - at < kBgaFixedSize) return found(HeaderRead::None, kArcUnexpectedEof, cut);
  if (!ReadAt(at, fixed, sizeof fixed)) return readFailed();
  const std::size_t nameLength = BgaNameLength(fixed);
  if (fileSize_ - at - kBgaFixedSize < nameLength) return found(HeaderRead::None, kArcUnexpectedEof, cut);
  std::vector<unsigned char> bytes(kBgaFixedSize + nameLength);
  std::memcpy(bytes.data(), fixed, kBgaFixedSize);
  if (!ReadAt(at + kBgaFixedSize, bytes.data() + kBgaFixedSize, nameLength)) return readFailed();
  switch (DecodeBgaHeader(bytes.data(), h)) {
    case BgaDecode::Ok:
      break;
    case BgaDecode::NotAHeader:
      return found(HeaderRead::None, kArcHeaderBroken,
                   "no entry header at offset " + std::to_string(at) + ": the archive is damaged");
    case BgaDecode::BadChecksum:
      return found(HeaderRead::None, kArcHeaderBroken,
                   "the header at offset " + std::to_string(at) + " fails its checksum: the archive is damaged");
  }
  dataStart = at + bytes.size();
  if (fileSize_ - dataStart < h.dataSize)
    return found(HeaderRead::Contradiction, kArcUnexpectedEof, "the archive ends inside the data of " + BgaEntryName(h));
  if (h.storage == kBgaStorageStored && h.dataSize != h.originalSize)
    return found(HeaderRead::Contradiction, kArcHeaderBroken,
                 "the header of " + BgaEntryName(h) + " gives a stored entry two sizes");
  // An entry without a file name can only be a folder, whatever its
  // attributes say; one that carries data as well is damaged.
  if (!h.isFolder() && h.filePart.empty() && (h.dataSize != 0 || h.originalSize != 0))
    return found(HeaderRead::Contradiction, kArcHeaderBroken,
                 "an entry without a file name carries data: " + BgaEntryName(h));
  return found(HeaderRead::Ok, kArcOk, {});
}

std::optional<std::uint64_t> BgaReader::FindSoundHeader(std::uint64_t from) {
  constexpr std::size_t kTagAt = 4, kTagSize = 4;
  std::vector<unsigned char> window(kChunk + kTagAt + kTagSize);
  BgaHeader h;
  std::uint64_t dataStart = 0;
  for (std::uint64_t at = from; at < fileSize_; at += kChunk) {
    const std::size_t got = static_cast<std::size_t>(std::min<std::uint64_t>(window.size(), fileSize_ - at));
    if (!ReadAt(at, window.data(), got)) return std::nullopt;
    for (std::size_t p = 0; p < kChunk && p + kTagAt + kTagSize <= got; ++p) {
      if (!BgaTagMethod(&window[p + kTagAt]) || ReadHeader(at + p, h, dataStart).read != HeaderRead::Ok) continue;
      // A stored entry's data is verified by nothing: the headers must
      // chain on behind it, so a header repeated by the damage is not
      // taken with whatever follows it.
      std::string magic(std::min<std::uint32_t>(3, h.dataSize), '\0');
      if (!ReadAt(dataStart, magic.data(), magic.size())) return std::nullopt;
      BgaHeader following;
      std::uint64_t followingData = 0;
      const std::uint64_t end = dataStart + h.dataSize;
      if (BgaDataIsRaw(h, magic) && end != fileSize_ &&
          ReadHeader(end, following, followingData).read != HeaderRead::Ok)
        continue;
      return at + p;
    }
  }
  return std::nullopt;
}

BgaReader::Next BgaReader::NextEntry() {
  if (haveEntry_) next_ = entryEnd();
  haveEntry_ = false;
  if (searchFrom_) {
    const std::optional<std::uint64_t> found = FindSoundHeader(*searchFrom_);
    searchFrom_.reset();
    if (!found) return Next::End;  // the damage was told when it was met
    next_ = *found;
  }
  if (next_ == fileSize_) return Next::End;
  const HeaderCheck check = ReadHeader(next_, header_, dataStart_);
  switch (check.read) {
    case HeaderRead::Ok:
      break;
    case HeaderRead::ReadError:
      Fail(check.code, check.why);
      return Next::Broken;
    case HeaderRead::None:
      // A self-extractor's archive simply stops where its headers do.
      if (selfExtracting_) return Next::End;
      [[fallthrough]];
    case HeaderRead::Contradiction:
      // The chain of headers is cut here: the next sound one is searched for.
      Fail(check.code, check.why);
      searchFrom_ = next_ + 1;
      return Next::Damaged;
  }
  const bool folder = header_.isFolder() || header_.filePart.empty();
  haveEntry_ = true;
  consumed_ = dataStart_;
  entry_ = ExtractEntry{};
  entry_.name = BgaEntryName(header_);
  entry_.type = folder ? EntryType::Directory : EntryType::File;
  entry_.mtime = DosToUnixTime(header_.stamp);
  entry_.size = header_.originalSize;
  // Read-only is the one attribute this system has a place for; on a
  // folder it would only stop the extraction writing into it.
  if (!folder && (header_.attributes & kBgaAttrReadOnly)) entry_.mode = 0444;
  return Next::Entry;
}

int BgaReader::ReadData(const DataSink& sink) {
  return ReadDataOf([&](const char* data, std::size_t size) { return sink(data, size); });
}

namespace {

// One entry's data passed on chunk after chunk, stored or decompressed as
// its first bytes tell (where the header leaves it open).
class EntryDecoding {
 public:
  // `decoders`: one per method, made at first use and kept for the next entry.
  EntryDecoding(const BgaHeader& header, std::unique_ptr<BgaDecoder> (&decoders)[2])
      : header_(header), decoders_(decoders) {}

  int Feed(const unsigned char* data, std::size_t size, bool first, bool last, const BgaSink& sink,
           std::string& why) {
    if (first) {
      const std::string magic(reinterpret_cast<const char*>(data), std::min<std::size_t>(3, size));
      if (!BgaDataIsRaw(header_, magic)) {
        auto& made = decoders_[header_.method == BgaMethod::Gzip ? 0 : 1];
        if (!made) made = MakeBgaDecoder(header_.method);
        decoder_ = made.get();
        decoder_->Begin(header_.originalSize);
      }
    }
    if (!decoder_) return sink(reinterpret_cast<const char*>(data), size);
    const int r = decoder_->Feed(data, size, last, sink);
    if (r != kArcOk) why = decoder_->errorText();
    return r;
  }

 private:
  const BgaHeader& header_;
  std::unique_ptr<BgaDecoder> (&decoders_)[2];
  BgaDecoder* decoder_ = nullptr;
};

}  // namespace

int BgaReader::ReadDataOf(const BgaSink& sink) {
  if (!haveEntry_) return Fail(kArcBrokenData, "no entry to read");
  if (header_.isFolder() || header_.dataSize == 0) {
    if (header_.originalSize != 0 && !header_.isFolder())
      return Fail(kArcBrokenData, "the header gives a size but the entry holds no data");
    return kArcOk;
  }
  // The data is read once, in order: its first bytes tell whether it is
  // stored or compressed. Reading them apart would cost a seek per entry,
  // which for thousands of small entries is much of what the reader itself
  // does.
  EntryDecoding decoding(header_, decoders_);
  std::uint64_t left = header_.dataSize;
  std::uint64_t at = dataStart_;
  while (left > 0) {
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(left, chunk_.size()));
    if (!ReadAt(at, chunk_.data(), n))
      return Fail(kArcCannotRead, std::string("cannot read the archive: ") + std::strerror(errno));
    const bool first = at == dataStart_;
    at += n;
    left -= n;
    consumed_ = at;
    std::string why;
    if (const int r = decoding.Feed(chunk_.data(), n, first, left == 0, sink, why); r != kArcOk) {
      if (!why.empty()) Fail(r, why);
      return r;
    }
  }
  return kArcOk;
}

std::optional<DetachedData> BgaReader::DetachData(std::uint64_t largest) {
  if (!haveEntry_ || header_.isFolder() || header_.dataSize == 0) return std::nullopt;
  if (header_.dataSize > largest || header_.originalSize > largest) return std::nullopt;
  // Reading stays in this thread, in the order of the file; only the
  // decompression moves. A read that fails is left to ReadData to tell.
  auto stored = std::make_shared<PooledBytes>(static_cast<std::size_t>(header_.dataSize));
  stored->bytes().resize(static_cast<std::size_t>(header_.dataSize));
  if (!ReadAt(dataStart_, stored->bytes().data(), stored->bytes().size())) return std::nullopt;
  consumed_ = dataStart_ + header_.dataSize;
  DetachedData data;
  data.size = header_.originalSize;
  data.decode = [stored, header = header_](const DetachedData::Sink& sink, std::string& why) {
    // Each worker keeps decoders of its own, as the reader does.
    thread_local std::unique_ptr<BgaDecoder> decoders[2];
    EntryDecoding decoding(header, decoders);
    return decoding.Feed(stored->bytes().data(), stored->bytes().size(), true, true,
                         [&sink](const char* bytes, std::size_t size) { return sink(bytes, size); }, why);
  };
  return data;
}

int VerifyBgaHeaders(const std::string& file, std::string& why) {
  BgaReader reader;
  if (int r = reader.Open(file); r != kArcOk) {
    why = reader.errorText();
    return r;
  }
  for (;;) {
    switch (reader.NextEntry()) {
      case BgaReader::Next::End:
        return kArcOk;
      case BgaReader::Next::Damaged:
      case BgaReader::Next::Broken:
        why = reader.errorText();
        return reader.error();
      case BgaReader::Next::Entry:
        break;
    }
  }
}

}  // namespace ks
