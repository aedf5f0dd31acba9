#include "archivers/builtin/common/ArchiveReader.h"

#include "archivers/builtin/common/Blake2sp.h"
#include "archivers/builtin/common/StreamSource.h"
#include "archivers/builtin/common/NameText.h"
#include "archivers/builtin/common/OffsetSource.h"
#include "archivers/builtin/common/Utf8Locale.h"

#include <archive.h>
#include <archive_entry.h>
#include <sys/stat.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace ks {
namespace {

bool ContainsNoCase(const char* text, const char* word) {
  if (!text) return false;
  std::string t(text), w(word);
  std::transform(t.begin(), t.end(), t.begin(), ::tolower);
  std::transform(w.begin(), w.end(), w.begin(), ::tolower);
  return t.find(w) != std::string::npos;
}

// libarchive gives UTF-8 when it knows the stored character set; otherwise
// the stored bytes, which we read ourselves.
std::string NameOf(const char* utf8, const char* stored) {
  if (utf8) return utf8;
  return stored ? StoredNameToUtf8(stored) : std::string();
}

// The compressions Tar32 reads, by their signatures: a file that starts
// with one is ours even when it is too damaged to decode, and the user is
// told it is damaged rather than "not an archive".
const char* CompressedKind(const std::string& file) {
  unsigned char m[6] = {};
  std::FILE* f = std::fopen(file.c_str(), "rb");
  if (!f) return nullptr;
  const std::size_t n = std::fread(m, 1, sizeof m, f);
  std::fclose(f);
  if (n >= 2 && m[0] == 0x1f && m[1] == 0x8b) return "gzip";
  if (n >= 4 && m[0] == 'B' && m[1] == 'Z' && m[2] == 'h' && m[3] >= '1' && m[3] <= '9') return "bzip2";
  if (n >= 6 && std::memcmp(m, "\xfd" "7zXZ\0", 6) == 0) return "xz";
  if (n >= 4 && std::memcmp(m, "\x28\xb5\x2f\xfd", 4) == 0) return "zstd";
  return nullptr;
}

constexpr std::size_t kBlockSize = 1 << 20;
// libarchive's errno for "not this format" on Linux.
constexpr int kFileFormatErrno = EILSEQ;

}  // namespace

struct ArchiveReader::Impl {
  archive* a = nullptr;
  archive_entry* e = nullptr;
  PasswordSource passwords;
  std::string lastPassword;  // kept alive for libarchive
  std::string entryName;
  int askedForEntry = -1;
  int triesForEntry = 0;
  int entryIndex = -1;
  bool passwordCancelled = false;
  bool passwordAsked = false;

  // libarchive asks again, for the same entry, when the password it got
  // does not fit; the user is then asked again, a few times at most.
  static const char* Callback(archive*, void* self) {
    auto* impl = static_cast<Impl*>(self);
    if (!impl->passwords) return nullptr;
    const bool again = impl->askedForEntry == impl->entryIndex;
    if (again && (impl->passwordCancelled || impl->triesForEntry >= kPasswordTries)) return nullptr;
    impl->triesForEntry = again ? impl->triesForEntry + 1 : 1;
    impl->askedForEntry = impl->entryIndex;
    impl->passwordAsked = true;
    const auto pw = impl->passwords(impl->entryName, again);
    if (!pw) {
      impl->passwordCancelled = true;
      return nullptr;
    }
    impl->lastPassword = *pw;
    return impl->lastPassword.c_str();
  }
};

ArchiveReader::ArchiveReader(unsigned formats, ArchiveGuardMaker guard)
    : impl_(std::make_unique<Impl>()), formats_(formats), guard_(guard ? guard() : std::make_unique<ArchiveGuard>()) {
  NewArchive();
}

void ArchiveReader::NewArchive() {
  if (impl_->a) archive_read_free(impl_->a);
  archive* a = archive_read_new();
  impl_->a = a;
  if (formats_ & kFormatLzh) archive_read_support_format_lha(a);
  // A ZIP archive is read through its central directory, which alone knows
  // links and permissions; as a stream, entries come from their local headers.
  if (formats_ & kFormatZip) {
    if (streamed_)
      archive_read_support_format_zip_streamable(a);
    else
      archive_read_support_format_zip(a);
  }
  if (formats_ & kFormatTar) archive_read_support_format_tar(a);
  if (formats_ & kFormatCab) archive_read_support_format_cab(a);
  if (formats_ & kFormatRar) {
    archive_read_support_format_rar(a);
    archive_read_support_format_rar5(a);
  }
  if (formats_ & kFormatSingle) archive_read_support_format_raw(a);
  if (formats_ & (kFormatTar | kFormatSingle)) {
    archive_read_support_filter_gzip(a);
    archive_read_support_filter_bzip2(a);
    archive_read_support_filter_xz(a);
    archive_read_support_filter_lzma(a);
    archive_read_support_filter_zstd(a);
  }
  archive_read_set_passphrase_callback(a, impl_.get(), &Impl::Callback);
}

ArchiveReader::~ArchiveReader() {
  if (impl_->a) archive_read_free(impl_->a);
  source_.reset();
}

void ArchiveReader::SetPasswordSource(PasswordSource source) { impl_->passwords = std::move(source); }
void ArchiveReader::SetSingleName(const std::string& name) { singleName_ = name; }

int ArchiveReader::Fail(int code) {
  const char* text = archive_error_string(impl_->a);
  return Fail(code, text ? text : "unknown error");
}

bool ArchiveReader::Heed(const GuardVerdict& verdict) {
  if (verdict.ok()) return true;
  Fail(verdict.code, verdict.text);
  return false;
}

int ArchiveReader::Open(const std::string& file) {
  Utf8Locale locale;
  struct stat st;
  if (::stat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
    return Fail(kArcArcFileOpen, "cannot open " + file + ": " + std::strerror(errno));
  }
  fileSize_ = static_cast<std::uint64_t>(st.st_size);
  fileName_ = file;
  if (GuardVerdict verdict = guard_->Opening(file); !verdict.ok()) {
    if (!verdict.readOnFrom) return Fail(verdict.code, verdict.text);
    const std::uint64_t from = *verdict.readOnFrom;
    openingDamage_ = std::move(verdict);
    return ReadOnFrom(from);
  }
  int opened;
  if (formats_ & (kFormatTar | kFormatSingle)) source_ = StreamSource::For(file);
  if (source_) {
    opened = source_->OpenInto(impl_->a, file);
  } else {
    opened = archive_read_open_filename(impl_->a, file.c_str(), kBlockSize);
  }
  if (opened != ARCHIVE_OK) {
    if (FailDamagedCompression()) return error();
    // libarchive reads the first block while opening: a file it cannot even
    // bid on is not one of our formats; one it cannot read is unreadable.
    const int err = archive_errno(impl_->a);
    return Fail(err == kFileFormatErrno || err == 0 ? kArcNotArcFile : kArcArcFileOpen);
  }
  return kArcOk;
}

bool ArchiveReader::FailDamagedCompression() {
  if (!(formats_ & (kFormatTar | kFormatSingle))) return false;
  const char* kind = CompressedKind(fileName_);
  if (!kind) return false;
  const char* text = archive_error_string(impl_->a);
  const std::string why = text ? text : "it cannot be decoded";
  Fail(ContainsNoCase(text, "truncated") || ContainsNoCase(text, "premature") ? kArcUnexpectedEof
                                                                             : kArcBrokenData,
       ContainsNoCase(text, "damaged") ? why : std::string(kind) + " data damaged: " + why);
  damagedCompression_ = true;
  return true;
}

int ArchiveReader::ReadOnFrom(std::uint64_t offset) {
  streamed_ = true;
  NewArchive();
  if (!offsetSource_) offsetSource_ = std::make_unique<OffsetSource>();
  if (offsetSource_->OpenInto(impl_->a, fileName_, offset) != ARCHIVE_OK) return Fail(kArcHeaderBroken);
  return kArcOk;
}

ArchiveReader::Next ArchiveReader::NextEntry() {
  Utf8Locale locale;
  if (openingDamage_) {
    Fail(openingDamage_->code, openingDamage_->text);
    openingDamage_.reset();
    damaged_ = true;
    return Next::Damaged;
  }
  if (readOnAfter_) {
    const DamagePlace place = *readOnAfter_;
    readOnAfter_.reset();
    const std::optional<std::uint64_t> at = guard_->ReadOnAfter(place);
    // Nothing follows the damage, which was told when it was met.
    if (!at) return Next::End;
    if (lastReadOn_ && *at <= *lastReadOn_) {
      Fail(kArcHeaderBroken, "no way past the damage");
      return Next::Broken;
    }
    lastReadOn_ = at;
    if (ReadOnFrom(*at) != kArcOk) return Next::Broken;
  }
  if (nextHeader_) {
    const int r = *nextHeader_;
    nextHeader_.reset();
    return Interpret(r);
  }
  return Interpret(archive_read_next_header(impl_->a, &impl_->e));
}

ArchiveReader::Next ArchiveReader::Interpret(int r) {
  archive* a = impl_->a;
  const bool first = first_;
  first_ = false;
  if (r == ARCHIVE_EOF) {
    if (first && archive_format(a) == 0) {
      Fail(kArcNotArcFile);
      return Next::Broken;
    }
    if (source_ && !source_->Drain(a)) {
      Fail(ContainsNoCase(archive_error_string(a), "truncated") ? kArcUnexpectedEof : kArcBrokenData);
      return Next::Broken;
    }
    if (!damaged_ &&
        !Heed(guard_->End(static_cast<std::size_t>(impl_->entryIndex + 1), encryptedEntries_)))
      return Next::Broken;
    return Next::End;
  }
  if (r == ARCHIVE_RETRY && !first) {
    // libarchive passed over a damaged header (tar does, block by block)
    // and can go on; one report covers the whole damaged stretch.
    Fail(kArcHeaderBroken);
    damaged_ = true;
    int again;
    do again = archive_read_next_header(a, &impl_->e);
    while (again == ARCHIVE_RETRY);
    nextHeader_ = again;
    return Next::Damaged;
  }
  // A stream of entries read past damage ends where no further header is
  // found; libarchive says nothing then.
  if (r == ARCHIVE_FATAL && streamed_ && !archive_error_string(a)) return Next::End;
  if (r == ARCHIVE_FATAL || r == ARCHIVE_RETRY) {
    const int err = archive_errno(a);
    if (first && (err == kFileFormatErrno || err == 0) &&
        ContainsNoCase(archive_error_string(a), "unrecognized archive format")) {
      if (!FailDamagedCompression()) Fail(kArcNotArcFile);
      return Next::Broken;
    }
    return FailedHeader(ContainsNoCase(archive_error_string(a), "truncated") ? kArcUnexpectedEof
                                                                             : kArcHeaderBroken);
  }
  if (first && archive_format(a) == ARCHIVE_FORMAT_RAW) {
    // The raw reader takes any file; only a compressed one counts as ours.
    const int code = archive_filter_code(a, 0);
    if (!source_ && (archive_filter_count(a) < 2 || code == ARCHIVE_FILTER_NONE)) {
      Fail(kArcNotArcFile, "not a compressed file");
      return Next::Broken;
    }
  }
  return TakeEntry();
}

ArchiveReader::Next ArchiveReader::FailedHeader(int code) {
  Fail(code);
  if (!guard_->ReadsOnAfterDamage()) return Next::Broken;
  // In a stream, the failed header begins where libarchive stood, unless
  // it could not even pass over the data before it.
  DamagePlace place;
  place.index = static_cast<std::size_t>(impl_->entryIndex + 1);
  if (streamed_)
    place.streamedFrom =
        dataFailed_ ? entryFrom_ : StreamOffset(archive_read_header_position(impl_->a));
  readOnAfter_ = place;
  damaged_ = true;
  return Next::Damaged;
}

ArchiveReader::Next ArchiveReader::TakeEntry() {
  archive* a = impl_->a;
  archive_entry* e = impl_->e;
  dataFailed_ = false;
  ++impl_->entryIndex;
  entry_ = ExtractEntry{};
  entry_.name = NameOf(archive_entry_pathname_utf8(e), archive_entry_pathname(e));
  if (archive_format(a) == ARCHIVE_FORMAT_RAW) entry_.name = singleName_;
  impl_->entryName = entry_.name;
  const std::string hard = NameOf(archive_entry_hardlink_utf8(e), archive_entry_hardlink(e));
  const mode_t type = archive_entry_filetype(e);
  if (!hard.empty()) {
    entry_.type = EntryType::Hardlink;
    entry_.link = hard;
  } else if (type == AE_IFDIR) {
    entry_.type = EntryType::Directory;
  } else if (type == AE_IFLNK) {
    entry_.type = EntryType::Symlink;
    entry_.link = NameOf(archive_entry_symlink_utf8(e), archive_entry_symlink(e));
  } else if (type == AE_IFREG || type == 0) {
    entry_.type = EntryType::File;
  } else {
    entry_.type = EntryType::Special;
  }
  if (const mode_t perm = archive_entry_perm(e); perm != 0) entry_.mode = perm;
  if (archive_entry_mtime_is_set(e)) entry_.mtime = archive_entry_mtime(e);
  if (archive_entry_size_is_set(e)) entry_.size = static_cast<std::uint64_t>(archive_entry_size(e));
  encrypted_ = archive_entry_is_data_encrypted(e) != 0;
  if (encrypted_) ++encryptedEntries_;
  // A directory named "x/" by some writers carries no type of its own.
  if (entry_.type == EntryType::File && !entry_.name.empty() &&
      (entry_.name.back() == '/' || entry_.name.back() == '\\') && entry_.size == 0)
    entry_.type = EntryType::Directory;
  if (!Heed(guard_->Entry(static_cast<std::size_t>(impl_->entryIndex), entry_,
                          archive_entry_size_is_set(e) != 0, encrypted_)))
    return Next::Broken;
  if (streamed_) {
    entryFrom_ = StreamOffset(archive_read_header_position(a));
    if (!Heed(guard_->StreamedEntry(entryFrom_, entry_))) {
      damaged_ = true;
      dataFailed_ = true;
      return Next::Damaged;
    }
    // A link known as such only from elsewhere keeps its text as its data.
    if (entry_.type == EntryType::Symlink && entry_.link.empty()) {
      std::string text;
      char buf[4096];
      la_ssize_t n;
      while ((n = archive_read_data(a, buf, sizeof buf)) > 0 && text.size() < 65536)
        text.append(buf, static_cast<std::size_t>(n));
      if (n < 0 || text.empty()) {
        Fail(kArcBrokenData, entry_.name + ": the text of the link cannot be read");
        damaged_ = true;
        dataFailed_ = true;
        return Next::Damaged;
      }
      entry_.link = text;
    }
  }
  return Next::Entry;
}

int ArchiveReader::ReadData(const DataSink& sink) { return ReadSparseData(sink, {}); }

int ArchiveReader::ReadSparseData(const DataSink& sink, const HoleSink& hole) {
  Utf8Locale locale;
  archive* a = impl_->a;
  impl_->passwordCancelled = false;
  // A folder's or a link's header is all there is; RAR 5 even refuses a read.
  if (entry_.type != EntryType::File) return SkipData();
  // Until all of it is read and verified: a stream may have to be read on
  // from the entry's header if libarchive cannot pass over the rest.
  dataFailed_ = true;
  if (encrypted_ && !impl_->passwords) {
    return Fail(kArcPassword, "the entry is encrypted and no password can be asked for");
  }
  // Sums the format's headers give are verified here too (libarchive
  // leaves stored RAR entries out).
  const EntryDigest digest = guard_->Digest(static_cast<std::size_t>(impl_->entryIndex));
  if (!digest.damage.ok()) {
    // Read through all the same: libarchive may not get past data it is
    // told to skip (a cabinet's damaged block), where reading goes on.
    const void* buf = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    while (archive_read_data_block(a, &buf, &size, &offset) == ARCHIVE_OK) {
    }
    return Fail(digest.damage.code, digest.damage.text);
  }
  const std::optional<std::uint32_t>& expectedCrc = digest.crc32;
  const std::optional<std::array<std::uint8_t, 32>>& expectedHash = digest.blake2sp;
  const bool checkCrc = expectedCrc.has_value();
  const bool checkHash = expectedHash.has_value();
  uLong crc = crc32(0, nullptr, 0);
  std::optional<Blake2sp> hash;
  if (checkHash) hash.emplace();
  // Both sums take every byte, holes too.
  auto sum = [&](const void* data, std::size_t size) {
    if (checkCrc) crc = crc32(crc, static_cast<const Bytef*>(data), static_cast<uInt>(size));
    if (checkHash) hash->Update(data, size);
  };
  std::uint64_t written = 0;
  static const std::vector<char> zeros(1 << 16, 0);
  // Sparse entries come with holes between blocks (and maybe after the last).
  auto fillTo = [&](std::uint64_t offset) -> int {
    if (written >= offset) return kArcOk;
    if (hole && !checkCrc && !checkHash) {
      const int h = hole(offset - written);
      written = offset;
      return h;
    }
    while (written < offset) {
      const std::size_t gap = static_cast<std::size_t>(std::min<std::uint64_t>(zeros.size(), offset - written));
      sum(zeros.data(), gap);
      if (const int s = sink(zeros.data(), gap); s != kArcOk) return s;
      written += gap;
    }
    return kArcOk;
  };
  for (;;) {
    const void* buf = nullptr;
    size_t size = 0;
    la_int64_t offset = 0;
    const int r = archive_read_data_block(a, &buf, &size, &offset);
    if (r == ARCHIVE_EOF) break;
    // libarchive reports a bad CRC as a warning; for us it is damaged data.
    if (r < ARCHIVE_OK) {
      if (impl_->passwordCancelled) {
        return Fail(kArcUserCancel, "password not given");
      }
      if (encrypted_) return Fail(kArcPassword);  // a wrong password shows as damaged data
      const char* text = archive_error_string(a);
      if (ContainsNoCase(text, "crc")) return Fail(kArcFileCrc);
      if (ContainsNoCase(text, "truncated") || ContainsNoCase(text, "premature"))
        return Fail(kArcUnexpectedEof);
      if (ContainsNoCase(text, "unsupported") || ContainsNoCase(text, "not supported"))
        return Fail(kArcMethod);
      return Fail(kArcBrokenData);
    }
    if (offset > 0)
      if (const int s = fillTo(static_cast<std::uint64_t>(offset)); s != kArcOk) return s;
    if (size > 0) {
      sum(buf, size);
      if (const int s = sink(buf, size); s != kArcOk) return s;
      written += size;
    }
  }
  if (archive_entry_sparse_count(impl_->e) > 0)
    if (const int s = fillTo(entry_.size); s != kArcOk) return s;
  if (checkCrc && static_cast<std::uint32_t>(crc) != *expectedCrc) return Fail(kArcFileCrc, "File CRC error");
  if (checkHash && hash->Final() != *expectedHash) return Fail(kArcFileCrc, "File hash (BLAKE2sp) error");
  dataFailed_ = false;
  return kArcOk;
}

int ArchiveReader::SkipData() {
  Utf8Locale locale;
  if (archive_read_data_skip(impl_->a) != ARCHIVE_OK) {
    dataFailed_ = true;
    const char* text = archive_error_string(impl_->a);
    return Fail(ContainsNoCase(text, "truncated") ? kArcUnexpectedEof : kArcBrokenData);
  }
  return kArcOk;
}

std::optional<DetachedData> ArchiveReader::DetachData(std::uint64_t largest) {
  // In a stream the guard's index no longer matches the entries, and an
  // encrypted entry needs the password asked in order.
  if (streamed_ || damaged_ || encrypted_ || entry_.type != EntryType::File) return std::nullopt;
  return guard_->Detach(static_cast<std::size_t>(impl_->entryIndex), entry_, largest);
}

bool ArchiveReader::decompressedByLibarchive() const {
  return !source_ && archive_filter_count(impl_->a) > 1 && archive_filter_code(impl_->a, 0) != ARCHIVE_FILTER_NONE;
}

std::uint64_t ArchiveReader::bytesRead() const {
  if (source_) return source_->compressedBytesRead();
  return StreamOffset(archive_filter_bytes(impl_->a, -1));
}

std::uint64_t ArchiveReader::StreamOffset(std::int64_t position) const {
  return (offsetSource_ ? offsetSource_->base() : 0) + (position > 0 ? static_cast<std::uint64_t>(position) : 0);
}

}  // namespace ks
