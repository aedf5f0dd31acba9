#pragma once
// Small sound archives of every format with a data checksum, made the way
// users get them (by our own back-ends where we write the format), and how
// each is extracted and checked as the program does it.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "archivers/ArchiverInterface.h"

namespace ks::test {

// Extracts the dropped file into `out` as the program does; the result.
using ExtractFn = std::function<int(const std::filesystem::path& dropped, const std::filesystem::path& out)>;
// The full check (mode 2) of the dropped file; nullopt when the format has none.
using CheckFn = std::function<std::optional<bool>(const std::filesystem::path& dropped)>;

// Runs one command of a back-end with an output buffer; its result.
int Run(CommonArchiver& library, const std::string& line);
// Makes the archive `name` in `folder` with a back-end's pack command
// `line`, which names files relative to `folder`; its bytes (the file is
// removed).
std::string Packed(const std::filesystem::path& folder, CommonArchiver& library, const std::string& line,
                   const std::string& name);
// The extraction command of a back-end: `before` + "archive" + `after` +
// " " + "folder" + `folderTail`.
ExtractFn ExtractWith(std::shared_ptr<CommonArchiver> (*make)(), std::string before, std::string after,
                      std::string folderTail);
CheckFn CheckWith(std::shared_ptr<CommonArchiver> (*make)());

struct MutationSample {
  std::string format;  // "ZIP", "gzip", ... the row of the report
  std::string label;   // which archive of that format
  // The archive's files, name and bytes; the first is the one dropped. A
  // split file has several pieces, one of which is damaged at a time.
  std::vector<std::pair<std::string, std::string>> files;
  // The contents of the files it holds, in any order.
  std::vector<std::string> contents;
  ExtractFn extract;
  CheckFn check;
  // Lengths at which the dropped file, cut there, is itself a sound archive
  // of fewer entries: a format with no end marker (GZA, BZA) cannot tell
  // such a cut from an archive that was made so.
  std::vector<std::size_t> soundCuts = {};
  // Whether each file is verified before it is put in place. A tar inside
  // one compressed stream is not: the stream's checksum comes at its end,
  // after the files before the damage were written.
  bool keptFilesVerified = true;
};

// Makes the samples in `work` (which must exist and is used as scratch).
// Returns them with their bytes in memory; nothing is left in `work` that
// they need.
std::vector<MutationSample> MakeMutationSamples(const std::filesystem::path& work);

}  // namespace ks::test
