#pragma once
// Our own count of the entries a ZIP archive's central directory lists.
// libarchive reads the entries through their local headers, and one whose
// local header was damaged can be passed over without an error: held
// against this count, no entry goes missing in silence.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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
  // Each listed entry's local header, in the order of the file, with the
  // offsets of a self-extractor counted from the file's start. An entry read
  // from its local header alone (past damage) is known by its offset. Empty
  // for a directory too large to be held.
  struct Record {
    std::uint64_t localHeader = 0;
    // The Unix file type and permissions, when a Unix tool made the entry:
    // only the directory tells a link from a file.
    std::optional<unsigned> unixMode;
    // What the data are, as the directory states them.
    unsigned flags = 0;
    unsigned method = 0;
    std::uint32_t crc32 = 0;
    std::uint64_t packedSize = 0;
    std::uint64_t size = 0;
    std::size_t nameLength = 0;
  };
  std::vector<Record> records;
  // The record whose local header starts at `offset`, or nullptr.
  const Record* RecordAt(std::uint64_t offset) const;
};

ZipDirectory ReadZipDirectory(const std::string& file);

}  // namespace ks
