#pragma once
// Reading archives with libarchive: one archive file, entry by entry, with
// names in UTF-8 and libarchive's errors turned into our result codes.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archivers/builtin/common/ArchiveGuard.h"
#include "archivers/builtin/common/EntryReader.h"
#include "archivers/builtin/common/StreamSource.h"
#include "archivers/builtin/common/SafeExtract.h"

namespace ks {

class OffsetSource;

// The formats one reader accepts; a back-end enables only its own, so a
// check never claims another library's archives.
enum ArchiveFormats : unsigned {
  kFormatLzh = 1u << 0,
  kFormatZip = 1u << 1,
  kFormatTar = 1u << 2,   // tar, plain or behind any compression filter
  kFormatSingle = 1u << 3,  // one file compressed with gzip, bzip2, xz or zstd
  kFormatCab = 1u << 4,
  kFormatRar = 1u << 5,   // RAR 4 and RAR 5
};

class ArchiveReader : public EntryReader {
 public:
  // Called when an encrypted entry needs a password; nullopt means the user
  // cancelled. `wrongBefore`: the password given for this entry was wrong
  // and it is asked again, at most kPasswordTries times in all per entry.
  using PasswordSource =
      std::function<std::optional<std::string>(const std::string& entry, bool wrongBefore)>;
  static constexpr int kPasswordTries = 3;

  // `guard`: the format's own checks, for a back-end whose format needs
  // them (see ArchiveGuard); none by default.
  explicit ArchiveReader(unsigned formats, ArchiveGuardMaker guard = nullptr);
  ~ArchiveReader() override;
  ArchiveReader(const ArchiveReader&) = delete;
  ArchiveReader& operator=(const ArchiveReader&) = delete;

  // Without a source, encrypted data cannot be read (kArcPassword).
  void SetPasswordSource(PasswordSource source);
  // The name given to the one file of a kFormatSingle archive.
  void SetSingleName(const std::string& name);

  // kArcOk, kArcArcFileOpen (cannot be opened) or kArcNotArcFile.
  int Open(const std::string& file);
  // Reads the next entry header. On the first call a file that is none of
  // the formats gives Broken with kArcNotArcFile as error(). Damaged where
  // libarchive passed over a damaged header (tar), where the archive's
  // structure is damaged but its entries can still be read from their own
  // headers, or where the guard knows how to read on past damage libarchive
  // cannot get over (ArchiveGuard::ReadOnAfter).
  Next NextEntry() override;
  const ExtractEntry& entry() const override { return entry_; }
  bool entryEncrypted() const override { return encrypted_; }

  // Passes the current entry's data to `sink` block by block (a non-zero
  // result of the sink stops and is returned). kArcOk when all of it was read
  // and verified; otherwise kArcFileCrc, kArcPassword, kArcUserCancel,
  // kArcUnexpectedEof, kArcMethod or kArcBrokenData. An entry that is no
  // file (a folder, a link) has no data: its data is skipped.
  int ReadData(const DataSink& sink) override;
  // The same, with the holes of a sparse entry told to `hole`.
  int ReadSparseData(const DataSink& sink, const HoleSink& hole) override;
  // Skips the current entry's data; kArcOk or a result as ReadData.
  int SkipData() override;
  // Where the guard can decode the entry on its own.
  std::optional<DetachedData> DetachData(std::uint64_t largest) override;

  // Whether the file bears the signature of a compression we read but is
  // too damaged to decode: it is ours, and damaged.
  bool damagedCompression() const { return damagedCompression_; }
  // Whether libarchive itself decompresses the archive (xz, zstd, lzma),
  // rather than our StreamSource or nothing.
  bool decompressedByLibarchive() const;

  // Bytes of the archive file consumed so far, and its size.
  std::uint64_t bytesRead() const override;
  std::uint64_t fileSize() const override { return fileSize_; }

 private:
  using EntryReader::Fail;
  // A failure with libarchive's own text.
  int Fail(int code);
  // Takes the guard's verdict; false (with error() set) on a failure.
  bool Heed(const GuardVerdict& verdict);
  // A failure to open or to find the format, told as damage when the file
  // bears a compression's signature. True when it did.
  bool FailDamagedCompression();
  // A new libarchive reader of our formats.
  void NewArchive();
  // Reads the rest of the file from `offset` on as a stream of entries.
  int ReadOnFrom(std::uint64_t offset);
  // Where a position libarchive gives lies in the file.
  std::uint64_t StreamOffset(std::int64_t position) const;
  // What archive_read_next_header's result `r` means, with the entry made
  // ours when there is one.
  Next Interpret(int r);
  // Takes the entry libarchive has just read.
  Next TakeEntry();
  // Damage libarchive cannot get over: read on where the guard says, if it can.
  Next FailedHeader(int code);
  struct Impl;
  std::unique_ptr<Impl> impl_;
  unsigned formats_;
  // Our own decoding of gzip and bzip2, which verifies every member.
  std::unique_ptr<StreamSource> source_;
  // The rest of the file from some offset on, once reading on past damage.
  std::unique_ptr<OffsetSource> offsetSource_;
  ExtractEntry entry_;
  bool encrypted_ = false;
  bool first_ = true;
  bool damagedCompression_ = false;
  std::string singleName_ = "data";
  std::uint64_t fileSize_ = 0;
  std::string fileName_;
  std::unique_ptr<ArchiveGuard> guard_;
  std::uint64_t encryptedEntries_ = 0;

  // Reading on past damage.
  bool streamed_ = false;       // the file is read through offsetSource_, as a stream
  bool damaged_ = false;        // damage was passed over: the guard's end check no longer holds
  bool dataFailed_ = false;     // the current entry's data failed to read
  std::optional<GuardVerdict> openingDamage_;  // told by the first NextEntry
  std::optional<DamagePlace> readOnAfter_;     // where libarchive gave up
  std::optional<std::uint64_t> lastReadOn_;
  std::optional<int> nextHeader_;  // a header result read ahead past a damaged one
  std::uint64_t entryFrom_ = 0;  // in a stream: where the current entry's header begins, or before
};

}  // namespace ks
