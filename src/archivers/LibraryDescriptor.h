#pragma once
// Everything the program knows of one archiver library, in one record: how
// it is loaded and called, whether this run can use it, what it says when it
// is busy, which archive type it recognises, how it extracts, and its line in
// the version window. A newcomer adding a library adds one record here (and
// its id to the orders it takes part in: the probe in Probe.cpp, type
// detection in TypeDetect.cpp, the extraction branches in
// extract/ExtractCommands.cpp, the tests in check/ArchiveTest.cpp, the
// format list in compress/CompressFormats.cpp and the version window in
// dialogs/VersionText.cpp).

#include <array>
#include <optional>
#include <string>

#include "archivers/LibraryId.h"

namespace ks {

struct ProbeResult;

// How type detection asks a library whether it takes a file.
enum class DetectAsk {
  None,      // never asked (its type has a signature, or it makes archives only)
  Check0,    // the check entry point, mode 0
  Check8,    // the check entry point, mode 8
  FileList,  // the file-list entry point answers 0
  RarProbe,  // unrar.dll lists a file entry
};

// How an extraction writes the archive and the folder into its command line.
enum class CommandForm {
  // prefix + "archive" + " " + "folder", both in double quotes.
  Quoted,
  // The same with one more separator after the folder (which already ends
  // in one): the RAR back-end wants its destination written that way.
  QuotedFolderTwice,
  // short archive path + " /f=" + short folder path, no quotes, no buffer.
  ShortPaths,
};

struct ExtractCommand {
  const char* prefix = nullptr;  // text before the quoted archive; nullptr: does not extract
  CommandForm form = CommandForm::Quoted;
  // Width the busy answer is read at; nullopt: the library has no busy test.
  std::optional<ResultWidth> busyWidth;
  ResultWidth resultWidth = ResultWidth::Bits32;
};

struct LibraryDescriptor {
  LibraryId id;
  const char* fileName;  // "Unlha32.DLL"
  const char* prefix;    // "Unlha": entry points are prefix + "GetVersion" ...
  const char* command;   // name of the command entry point: "Unlha"
  unsigned entryPoints;  // EntryPoint bits; kEpConfigDialog is the settings dialog of 設定

  bool* available;             // the program-wide flag (HasUnlha ...)
  bool ProbeResult::*probed;   // the same flag in a probe's result
  const char* supported = nullptr;  // its word in the "Supported" list, with its leading space

  // The message shown before the program ends when the library is busy.
  const char* busyMessage = nullptr;
  // Where type detection or the self-extractor conversion spells the name
  // otherwise; nullptr: busyMessage.
  const char* detectBusyMessage = nullptr;
  const char* conversionBusyMessage = nullptr;

  const char* type = nullptr;  // the archive type it recognises and extracts ("LZH")
  const char* extractAlsoType = nullptr;  // a second type name its extraction takes
  DetectAsk detect = DetectAsk::None;
  ExtractCommand extract{};

  // Its line in the version window: the file name as shown there, and the
  // one shown when it is not usable where that differs.
  const char* versionName = nullptr;
  const char* versionNameMissing = nullptr;
};

const LibraryDescriptor& DescriptorOf(LibraryId id);
// Every descriptor, indexed by the library id.
const std::array<LibraryDescriptor, kCommonLibraryCount>& AllLibraries();
// The library whose file name matches, ignoring case ("unlha32.dll").
std::optional<LibraryId> LibraryByFileName(const std::string& fileName);

// The busy messages of the other places.
const char* DetectBusyMessage(const LibraryDescriptor& d);
const char* ConversionBusyMessage(const LibraryDescriptor& d);

}  // namespace ks
