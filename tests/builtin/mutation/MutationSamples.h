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

namespace ks::test {

struct MutationSample {
  std::string format;  // "ZIP", "gzip", ... the row of the report
  std::string label;   // which archive of that format
  // The archive's files, name and bytes; the first is the one dropped. A
  // split file has several pieces, one of which is damaged at a time.
  std::vector<std::pair<std::string, std::string>> files;
  // The contents of the files it holds, in any order.
  std::vector<std::string> contents;
  // Extracts the dropped file in `folder` into `out`; the command's result.
  std::function<int(const std::filesystem::path& dropped, const std::filesystem::path& out)> extract;
  // The full check (mode 2) of the dropped file; nullopt when the format
  // has no check.
  std::function<std::optional<bool>(const std::filesystem::path& dropped)> check;
  // Lengths at which the dropped file, cut there, is itself a sound archive
  // of fewer entries: a format with no end marker (GZA, BZA) cannot tell
  // such a cut from an archive that was made so.
  std::vector<std::size_t> soundCuts = {};
};

// Makes the samples in `work` (which must exist and is used as scratch).
// Returns them with their bytes in memory; nothing is left in `work` that
// they need.
std::vector<MutationSample> MakeMutationSamples(const std::filesystem::path& work);

}  // namespace ks::test
