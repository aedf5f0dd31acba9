#pragma once
// A format's own reading of an archive, held against what libarchive
// streams. libarchive lets some damage pass in silence (a ZIP entry whose
// local header was damaged, a RAR archive cut short of its end block, stored
// RAR entries it never verifies); a back-end whose format needs it gives the
// reader a guard, and the reader consults it at each step. The reader knows
// no format of its own this way: zip/ and rar/ keep their rules, and a
// guard says how an extraction can read on past damage in its format.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "archivers/builtin/common/DetachedData.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/SafeExtract.h"

namespace ks {

// kArcOk, or the failure and why.
struct GuardVerdict {
  GuardVerdict() = default;
  GuardVerdict(int failure, std::string why) : code(failure), text(std::move(why)) {}

  int code = kArcOk;
  std::string text;
  // Of a failure while opening: the damage still leaves the entries to be
  // read one after the other from their own headers, from this offset on
  // (a ZIP archive without its central directory). An extraction saves
  // what it can that way; a test fails.
  std::optional<std::uint64_t> readOnFrom;
  bool ok() const { return code == kArcOk; }
};

// Where the entry that libarchive failed on lies: its place in the order
// entries come in and, in a reading as a stream, the offset at or after
// which its header begins.
struct DamagePlace {
  std::size_t index = 0;
  std::optional<std::uint64_t> streamedFrom;
};

// What an entry's data must sum to, where the format's headers say, or
// that it is known to be damaged already (its data is then not read).
struct EntryDigest {
  std::optional<std::uint32_t> crc32;
  std::optional<std::array<std::uint8_t, 32>> blake2sp;
  GuardVerdict damage;
};

class ArchiveGuard {
 public:
  virtual ~ArchiveGuard() = default;
  // Before libarchive opens `file`.
  virtual GuardVerdict Opening(const std::string& file) {
    (void)file;
    return {};
  }
  // Entry `index` (from 0) as libarchive read it, once libarchive has taken
  // the file for the guard's format. The guard may correct the name and the
  // encryption flag. `sizeStated`: whether the header gave a size.
  virtual GuardVerdict Entry(std::size_t index, ExtractEntry& entry, bool sizeStated, bool& encrypted) {
    (void)index, (void)entry, (void)sizeStated, (void)encrypted;
    return {};
  }
  // The sums entry `index`'s data must have.
  virtual EntryDigest Digest(std::size_t index) {
    (void)index;
    return {};
  }
  // libarchive reached the end after `entries` entries, `encrypted` of them
  // encrypted. Not asked once damage was passed over.
  virtual GuardVerdict End(std::size_t entries, std::uint64_t encrypted) {
    (void)entries, (void)encrypted;
    return {};
  }

  // Reading on past damage that libarchive cannot get over by itself (a
  // header it could not read, data it could not pass over), for a format
  // whose entries can be read one after the other from their own headers.
  // Whether the format allows it at all:
  virtual bool ReadsOnAfterDamage() const { return false; }
  // The offset of the header of the first entry after the damaged one at
  // `place`, from which the rest is read as a stream; nullopt when no entry
  // follows.
  virtual std::optional<std::uint64_t> ReadOnAfter(const DamagePlace& place) {
    (void)place;
    return std::nullopt;
  }
  // An entry of a reading as a stream, its header at or after `from`. The
  // guard may correct it from what it knows of the archive, or refuse it as
  // no entry of the archive (it is then passed over as damage).
  virtual GuardVerdict StreamedEntry(std::uint64_t from, ExtractEntry& entry) {
    (void)from, (void)entry;
    return {};
  }
  // Entry `index` (unencrypted, a file, read through the archive's own
  // index rather than as a stream) decoded by the guard's format on its
  // own, when it knows how and its data come to at most `largest` bytes.
  virtual std::optional<DetachedData> Detach(std::size_t index, const ExtractEntry& entry,
                                             std::uint64_t largest) {
    (void)index, (void)entry, (void)largest;
    return std::nullopt;
  }
};

// Makes a fresh guard for one reading of one archive.
using ArchiveGuardMaker = std::unique_ptr<ArchiveGuard> (*)();

}  // namespace ks
