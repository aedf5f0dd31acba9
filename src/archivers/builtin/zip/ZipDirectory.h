#pragma once
// Our own count of the entries a ZIP archive's central directory lists.
// libarchive reads the entries through their local headers, and one whose
// local header was damaged can be passed over without an error: held
// against this count, no entry goes missing in silence.

#include <cstdint>
#include <string>

namespace ks {

struct ZipDirectory {
  enum class Status {
    Ok,
    NoEndRecord,  // the end record is missing: the archive was cut short
    Damaged,      // the end record or the directory contradicts itself
  };
  Status status = Status::NoEndRecord;
  std::uint64_t entries = 0;  // records in the central directory
  // Of those, the ones whose data is encrypted. A check cannot verify
  // their data without the password; the count keeps a damaged flag in a
  // local header from passing an entry off as encrypted.
  std::uint64_t encrypted = 0;
  std::string problem;
};

ZipDirectory ReadZipDirectory(const std::string& file);

}  // namespace ks
