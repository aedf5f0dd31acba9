#include "archivers/builtin/arj/ArjArchive.h"

#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "archivers/builtin/codec/ByteOrder.h"
#include "archivers/builtin/common/NameText.h"
#include "archivers/builtin/common/PooledBytes.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks {
namespace {

// A self-extracting ARJ is a program (DOS and Windows "MZ", or an ELF one
// made by ARJ for Linux) with the archive appended; its main header lies
// within the first few hundred KiB. Other files are not searched, so that
// an ARJ archive stored inside some other file is not taken for one.
constexpr std::size_t kSfxScan = 512 * 1024;
constexpr std::size_t kBlockPrefix = 4;  // mark and size
constexpr std::size_t kCrcSize = 4;

bool ReadExact(std::FILE* file, void* data, std::size_t size) {
  return std::fread(data, 1, size, file) == size;
}

// Whether a header block whose basic header passes its CRC starts at `p`
// within `n` bytes.
bool SoundHeaderAt(const std::uint8_t* p, std::size_t n) {
  if (n < kBlockPrefix || p[0] != kArjMark0 || p[1] != kArjMark1) return false;
  const std::size_t size = LoadLe16(p + 2);
  if (size < kArjMinFirstSize || size > kArjMaxBasicSize || n < kBlockPrefix + size + kCrcSize)
    return false;
  const std::uint8_t* basic = p + kBlockPrefix;
  return ArjCrcMatches(basic, size, LoadLe32(basic + size));
}

bool MainHeaderAt(const std::uint8_t* p, std::size_t n) {
  return SoundHeaderAt(p, n) && p[kBlockPrefix + 6] == static_cast<std::uint8_t>(ArjFileType::Main);
}

// How an entry is written. Volume labels and chapter marks hold nothing to
// write (Label, Chapter) and are not asked about.
ExtractEntry EntryFor(const ArjHeader& h) {
  ExtractEntry e;
  e.name = StoredNameToUtf8(h.name);
  e.mtime = ArjModifiedTime(h);
  e.mode = ArjPermissions(h);
  e.size = h.originalSize;
  e.type = EntryType::File;  // binary and text files alike: text is stored as it was
  if (h.type() == ArjFileType::Directory) e.type = EntryType::Directory;
  if (h.type() == ArjFileType::UnixSpecial) {
    e.type = EntryType::Special;
    if (h.special && h.special->kind == ArjUnixSpecial::Kind::SymLink) e.type = EntryType::Symlink;
    if (h.special && h.special->kind == ArjUnixSpecial::Kind::HardLink) e.type = EntryType::Hardlink;
    if (h.special) e.link = StoredNameToUtf8(h.special->target);
  }
  return e;
}

bool HoldsNothing(const ArjHeader& h) {
  return h.type() == ArjFileType::Label || h.type() == ArjFileType::Chapter;
}

bool KnownKind(const ArjHeader& h) {
  switch (h.type()) {
    case ArjFileType::Binary:
    case ArjFileType::Text:
    case ArjFileType::Directory:
    case ArjFileType::UnixSpecial:
    case ArjFileType::Label:
    case ArjFileType::Chapter:
      return true;
    default:
      return false;
  }
}

}  // namespace

ArjArchive::~ArjArchive() {
  if (file_) std::fclose(file_);
}

int ArjArchive::Open(const std::string& path) {
  file_ = std::fopen(path.c_str(), "rb");
  struct stat st{};
  if (!file_ || ::fstat(::fileno(file_), &st) != 0 || !S_ISREG(st.st_mode)) {
    return Fail(kArcArcFileOpen, "cannot open " + path);
  }
  fileSize_ = static_cast<std::uint64_t>(st.st_size);
  if (const int r = FindMainHeader(); r != kArcOk) return r;
  bool end = false;
  if (const int r = ReadBlock(main_, end); r != kArcOk) return r;
  if (end || main_.type() != ArjFileType::Main) {
    return Fail(kArcNotArcFile, "not an ARJ archive");
  }
  return kArcOk;
}

int ArjArchive::FindMainHeader() {
  std::uint8_t start[4] = {0, 0, 0, 0};
  const std::size_t got = std::fread(start, 1, 4, file_);
  if (got >= 2 && start[0] == kArjMark0 && start[1] == kArjMark1) return Seek(0) ? kArcOk : kArcCannotRead;
  const bool program = (got >= 2 && start[0] == 'M' && start[1] == 'Z') ||
                       (got == 4 && start[0] == 0x7F && start[1] == 'E' && start[2] == 'L' && start[3] == 'F');
  if (program) {
    std::vector<std::uint8_t> head(kSfxScan + kBlockPrefix + kArjMaxBasicSize + kCrcSize);
    if (!Seek(0)) return kArcCannotRead;
    const std::size_t n = std::fread(head.data(), 1, head.size(), file_);
    for (std::size_t p = 2; p < n && p < kSfxScan; ++p) {
      if (head[p] == kArjMark0 && MainHeaderAt(head.data() + p, n - p))
        return Seek(p) ? kArcOk : kArcCannotRead;
    }
  }
  return Fail(kArcNotArcFile, "not an ARJ archive");
}

std::optional<std::uint64_t> ArjArchive::NextSoundHeader(std::uint64_t from) {
  if (!Seek(from)) return std::nullopt;
  // Read in windows that overlap by one whole header, so a header lying
  // across two reads is still seen whole.
  constexpr std::size_t kOverlap = kBlockPrefix + kArjMaxBasicSize + kCrcSize;
  std::vector<std::uint8_t> buf(256 * 1024 + kOverlap);
  std::size_t have = 0;
  std::uint64_t bufStart = from;
  for (;;) {
    const std::size_t got = std::fread(buf.data() + have, 1, buf.size() - have, file_);
    have += got;
    const bool last = got == 0 || std::feof(file_);
    const std::size_t scanTo = last ? have : (have > kOverlap ? have - kOverlap : 0);
    for (std::size_t p = 0; p < scanTo; ++p)
      if (buf[p] == kArjMark0 && SoundHeaderAt(buf.data() + p, have - p)) return bufStart + p;
    if (last) return std::nullopt;
    std::copy(buf.begin() + static_cast<std::ptrdiff_t>(scanTo), buf.begin() + static_cast<std::ptrdiff_t>(have),
              buf.begin());
    have -= scanTo;
    bufStart += scanTo;
  }
}

bool ArjArchive::Seek(std::uint64_t offset) {
  if (::fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0) return true;
  Fail(kArcCannotRead, "cannot read the archive");
  return false;
}

std::uint64_t ArjArchive::bytesRead() const {
  const off_t p = file_ ? ::ftello(file_) : 0;
  return p > 0 ? static_cast<std::uint64_t>(p) : 0;
}

int ArjArchive::ReadBlock(ArjHeader& out, bool& end) {
  const auto fail = [&](int code, const char* text) { return Fail(code, text); };
  std::uint8_t prefix[kBlockPrefix];
  if (!ReadExact(file_, prefix, sizeof prefix))
    return fail(kArcUnexpectedEof, "the archive ends early (no end mark)");
  if (prefix[0] != kArjMark0 || prefix[1] != kArjMark1)
    return fail(kArcHeaderBroken, "header damaged (no header mark where a header must be)");
  const std::size_t size = LoadLe16(prefix + 2);
  end = size == 0;
  if (end) return kArcOk;
  if (size > kArjMaxBasicSize) return fail(kArcHeaderBroken, "header damaged (size out of range)");
  std::vector<std::uint8_t> basic(size + kCrcSize);
  if (!ReadExact(file_, basic.data(), basic.size()))
    return fail(kArcUnexpectedEof, "the archive ends early (inside a header)");
  if (!ArjCrcMatches(basic.data(), size, LoadLe32(basic.data() + size)))
    return fail(kArcHeaderBroken, "header damaged (CRC error)");
  if (ParseArjBasicHeader(basic.data(), size, out) != ArjHeaderError::None)
    return fail(kArcHeaderBroken, "header damaged (fields out of range)");
  // Extended headers: only the Unix special-file one matters here, but each
  // one's CRC is checked, so damage there is not passed over.
  for (;;) {
    std::uint8_t sizeBytes[2];
    if (!ReadExact(file_, sizeBytes, 2))
      return fail(kArcUnexpectedEof, "the archive ends early (inside a header)");
    const std::size_t extSize = LoadLe16(sizeBytes);
    if (extSize == 0) break;
    std::vector<std::uint8_t> ext(extSize + kCrcSize);
    if (!ReadExact(file_, ext.data(), ext.size()))
      return fail(kArcUnexpectedEof, "the archive ends early (inside a header)");
    if (!ArjCrcMatches(ext.data(), extSize, LoadLe32(ext.data() + extSize)))
      return fail(kArcHeaderBroken, "extended header damaged (CRC error)");
    ArjUnixSpecial special;
    if (ParseArjUnixSpecial(ext.data(), extSize, special)) out.special = special;
  }
  return kArcOk;
}

ArjArchive::Next ArjArchive::Broken(int code, std::string text) {
  Fail(code, std::move(text));
  return Next::Broken;
}

ArjArchive::Next ArjArchive::Damaged(int code, std::string text, std::uint64_t searchFrom) {
  Fail(code, std::move(text));
  haveEntry_ = false;
  searchFrom_ = searchFrom;
  return Next::Damaged;
}

ArjArchive::Next ArjArchive::NextEntry() {
  for (;;) {
    if (ended_) return Next::End;
    if (searchFrom_) {
      const std::optional<std::uint64_t> found = NextSoundHeader(*searchFrom_);
      searchFrom_.reset();
      // Nothing sound after the damage, which was told when it was met.
      if (!found) return Next::End;
      if (!Seek(*found)) return Next::Broken;
    } else if (haveEntry_) {
      const std::uint64_t next = dataStart_ + header_.compressedSize;
      if (next > fileSize_) return Broken(kArcUnexpectedEof, "the archive ends early (inside the data)");
      if (!Seek(next)) return Next::Broken;
    }
    const std::uint64_t blockStart = bytesRead();
    bool end = false;
    if (const int r = ReadBlock(header_, end); r != kArcOk) {
      // A file that ends early may still hold sound headers past a size
      // field the damage made too large.
      if (r == kArcCannotRead) return Next::Broken;
      return Damaged(r, errorText() + " at offset " + std::to_string(blockStart), blockStart + 1);
    }
    haveEntry_ = false;
    if (end) {
      // What arj writes after the end mark (protection data) holds no
      // headers; sound headers there mean a damaged header was read as the
      // end mark, and the entries behind it would be lost in silence.
      if (const auto behind = NextSoundHeader(bytesRead()))
        return Damaged(kArcHeaderBroken, "header damaged (entries follow the end mark)", *behind);
      ended_ = true;
      return Next::End;
    }
    haveEntry_ = true;
    dataStart_ = bytesRead();
    if (header_.type() == ArjFileType::Main)
      return Damaged(kArcHeaderBroken, "header damaged (a second main header)", blockStart + 1);
    if (!KnownKind(header_))
      return Damaged(kArcMethod, StoredNameToUtf8(header_.name) + ": unknown kind of entry " +
                                     std::to_string(header_.fileType),
                     dataStart_ + header_.compressedSize);
    if (HoldsNothing(header_)) continue;
    entry_ = EntryFor(header_);
    return Next::Entry;
  }
}

int ArjArchive::ReadData(const DataSink& sink) {
  if (!haveEntry_ || !Seek(dataStart_)) return Fail(kArcCannotRead, "cannot read the archive");
  ArjDataSource source(file_, header_.compressedSize);
  ArjDataResult r = decoder_.Decode(header_, source, sink);
  if (r.code == kArcOk) return kArcOk;
  // The sink tells its own reason (a full disk, Cancel) and leaves no text.
  return Fail(r.code, std::move(r.text));
}

std::optional<DetachedData> ArjArchive::DetachData(std::uint64_t largest) {
  if (!haveEntry_ || entry_.type != EntryType::File) return std::nullopt;
  if (header_.originalSize > largest || header_.compressedSize > largest || header_.compressedSize == 0)
    return std::nullopt;
  if (!Seek(dataStart_)) return std::nullopt;
  auto coded = std::make_shared<PooledBytes>(static_cast<std::size_t>(header_.compressedSize));
  std::vector<unsigned char>& bytes = coded->bytes();
  bytes.resize(static_cast<std::size_t>(header_.compressedSize));
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file_));
  // Nothing read at all is left to ReadData, which tells why.
  if (bytes.empty()) return std::nullopt;
  DetachedData data;
  data.size = header_.originalSize;
  data.decode = [coded, header = header_](const DetachedData::Sink& sink, std::string& why) -> int {
    // The bytes read stand in for the file: a file that ended early ends
    // them early too, which the decoder tells as such.
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> memory(::fmemopen(coded->bytes().data(), coded->bytes().size(), "rb"),
                                                          &std::fclose);
    if (!memory) {
      why = "out of memory";
      return kArcCannotRead;
    }
    ArjDataSource source(memory.get(), header.compressedSize);
    // Each worker keeps a decoder, and its windows, of its own.
    thread_local ArjDecoder decoder;
    ArjDataResult r = decoder.Decode(header, source, sink);
    why = std::move(r.text);
    return r.code;
  };
  return data;
}

}  // namespace ks
