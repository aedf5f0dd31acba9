#pragma once
// The decisions of a compression run that are no window work: the archive's
// name, the dropped names to pack, where the archive goes, the names it is
// made under, and what the user is told when the run must stop with the
// dialog still open. RunCompression (CompressRun) calls them in the run's
// order and does the window and library work in between.

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "compress/CompressFormats.h"

namespace ks {

// Why a run stops with the dialog open: a message box with this text and
// title. An empty text stops the run without a word (an empty name box).
struct Refusal {
  std::string text;
  std::string title = "圧縮できません";
};

// The archive's file name from the typed name (spaces at either end never
// belong to it) with the format's extension, or why there is none.
std::variant<std::string, Refusal> ArchiveNameFor(const std::string& typed, bool nameBoxEnabled,
                                                  const CompressionFormat* format);

// Entries 1 to `count` of the dropped-file list (entry 0 is unused).
std::vector<std::string> DroppedEntries(const std::vector<std::string>& droppedFiles, int count);

// A refusal when a dropped name cannot be listed relative to `source`, or
// when nothing was dropped (then without a word).
std::optional<Refusal> RefuseUnlistable(const std::vector<std::string>& names, const std::string& source);

// The folder the archive goes to (ending in a separator): `source`, or the
// desktop folder when `toDesktop`; a refusal when that folder is missing.
std::variant<std::string, Refusal> DestinationFor(bool toDesktop, const std::string& desktop,
                                                  const std::string& source);

// A refusal when anything at all (a file, a folder, a link) already has the
// archive's name in `source` or `destination`: the new archive must not be
// renamed onto it.
std::optional<Refusal> RefuseTakenName(const std::string& archiveName, const std::string& source,
                                       const std::string& destination);

// What the user is told when no temporary name is free in `destination`,
// and when the list file cannot be written.
Refusal NoTemporaryName(const std::string& destination);
Refusal ListFileUnwritable(const std::string& listFile);

// The values of the run's command lines, and the lines of its list file.
struct PackTexts {
  CommandValues values;
  std::vector<std::string> listLines;
};
// `tempName` is TempFileName's free name in `destination`; the names are
// relative to `source`. A dropped folder is listed with everything below
// it, anything else as a file.
PackTexts PackTextsFor(const CompressionFormat& format, const std::vector<std::string>& names,
                       const std::string& source, const std::string& destination,
                       const std::string& tempName, const std::string& listFile);

// What the user is told when a new archive (or program) cannot take its
// name and stays as `left`.
std::string UnnamedArchiveText(const std::string& archiveName, const std::string& left);

// What the user is told when the list entry `entry` cannot be made here at
// all (its library's reason), before anything is made.
Refusal UnmakeableEntry(const std::string& entry, const std::string& reason);
// What the user is told when the conversion into a self-extracting program
// failed: the library's own log.
Refusal FailedConversion(const std::string& log);

}  // namespace ks
