#pragma once
// A format's own reading of an archive, held against what libarchive
// streams. libarchive lets some damage pass in silence (a ZIP entry whose
// local header was damaged, a RAR archive cut short of its end block, stored
// RAR entries it never verifies); a back-end whose format needs it gives the
// reader a guard, and the reader consults it at each step. The reader knows
// no format of its own this way: zip/ and rar/ keep their rules.

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/SafeExtract.h"

namespace ks {

// kArcOk, or the failure and why.
struct GuardVerdict {
  int code = kArcOk;
  std::string text;
  bool ok() const { return code == kArcOk; }
};

// What an entry's data must sum to, where the format's headers say.
struct EntryDigest {
  std::optional<std::uint32_t> crc32;
  std::optional<std::array<std::uint8_t, 32>> blake2sp;
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
  // encrypted.
  virtual GuardVerdict End(std::size_t entries, std::uint64_t encrypted) {
    (void)entries, (void)encrypted;
    return {};
  }
};

// Makes a fresh guard for one reading of one archive.
using ArchiveGuardMaker = std::unique_ptr<ArchiveGuard> (*)();

}  // namespace ks
