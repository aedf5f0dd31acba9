#pragma once
// The archive formats of the compression dialog, one constant record per
// list entry, and the texts a compression run builds from them: the archive
// name's extension, the temporary archive, the list file's header, the
// command lines of the making library and of the self-extractor conversion.
// Pure text work: nothing here touches the disk or a library.

#include <optional>
#include <string>
#include <vector>

#include "archivers/LibrarySet.h"
#include "archivers/Probe.h"

namespace ks {

// How the dropped names reach the library.
enum class NamesBy {
  ListWithHeader,  // the list file, which starts with the command and the archive
  ListFile,        // "@" + the list file on the command line
  NameList,        // every name quoted on the command line
  Nothing,         // "何もしない": no library at all
};

struct CompressionFormat {
  const char* entry;  // the list text, e.g. "Zip Password付き"
  std::optional<LibraryId> library;
  const char* busyMessage;            // before the making command
  const char* conversionBusyMessage;  // before the conversion; "" when none
  const char* extension;              // ".lzh"; "" for "何もしない"
  bool cabStem;      // the library writes stem + ".cab" instead of the temporary name
  NamesBy namesBy;
  const char* commandHead;   // the command up to the password / the archive
  bool password;             // asks frmPass; the password follows commandHead directly
  const char* conversionHead;  // "" when the format is not self-extracting
  const char* conversionTail;  // after the quoted archive
  bool conversionNamesFolder;  // the quoted destination folder ends the conversion
  const char* code;   // "DefaultArcType" after success
  const char* label;  // middle of the result line
};

// The entry "何もしない": make no archive, maybe split the dropped file.
inline constexpr const char* kDoNothingEntry = "何もしない";

// Every record, in list order ("何もしない" last).
const std::vector<CompressionFormat>& CompressionFormats();
// The record of a list text; nullptr for none.
const CompressionFormat* FindCompressionFormat(const std::string& entry);
bool IsSelfExtracting(const CompressionFormat& format);

// The list texts in list order: "何もしない" first when `offerNothing`, then
// each library's group when its flag is set.
std::vector<std::string> FormatEntries(const ProbeResult& has, bool offerNothing);
// The list text a stored "DefaultArcType" code selects; exact case, and
// anything unknown selects "Lha".
std::string EntryOfCode(const std::string& code);

// The archive name from the typed name: the format's extension appended
// unless the name already ends in it. Self-extractors count only ".exe"
// and ".EXE" as present; the other extensions compare without case.
std::string WithExtension(const std::string& typed, const CompressionFormat* format);

// What the library writes in the destination folder: the temporary name, or
// for Cab its stem + ".cab".
std::string TempArchive(const CompressionFormat& format, const std::string& tempName);

// The texts of one run. D ends in a separator.
struct CommandValues {
  std::string destination;  // D
  std::string archive;      // A, from TempArchive
  std::string listFile;     // L, the list file's full name
  std::string nameList;     // N
  std::string password;     // W
};
// The two header lines of the list file, or none for formats without them.
std::vector<std::string> HeaderLines(const CompressionFormat& format, const CommandValues& v);
// The making library's command line; "" for "何もしない".
std::string MakeCommandLine(const CompressionFormat& format, const CommandValues& v);
// The self-extractor conversion's command line; "" when there is none.
std::string ConversionCommandLine(const CompressionFormat& format, const CommandValues& v);
// The program the conversion makes: D + stem of A + ".exe".
std::string ConvertedProgram(const CommandValues& v);

// The line of the result window: the archive fitted to 25 columns, five
// spaces, the type label, five spaces, "OK" or "失敗！".
std::string CompressResultLine(const std::string& archive, const std::string& label, bool ok);

}  // namespace ks
