#pragma once
// What a dropped path is: a folder, one of the archive types, a picture, or
// unknown. Extraction and the check compare the names below as text.

#include <functional>
#include <string>

namespace ks {

// The type names ArcType returns.
inline constexpr const char* kTypeFolder = "Folder";
inline constexpr const char* kTypeLzh = "LZH";
inline constexpr const char* kTypeZip = "ZIP";
inline constexpr const char* kTypeCab = "CAB";
inline constexpr const char* kTypeRar = "RAR";
inline constexpr const char* kTypeJack = "JACK";
inline constexpr const char* kTypeGif = "GIF";
inline constexpr const char* kTypeBmp = "BMP";
inline constexpr const char* kTypeGca = "GCA";
inline constexpr const char* kTypeTar = "TAR";
inline constexpr const char* kTypeYz1 = "Yz1";
inline constexpr const char* kTypeArj = "ARJ";
inline constexpr const char* kTypeIsh = "ISH";
inline constexpr const char* kTypeBga = "BGA";
inline constexpr const char* kTypeUnknown = "UnKnown";
// An ordinary file that exists but whose first bytes cannot be read (no read
// permission, an I/O error). Callers must not treat it as an archive; it is
// its own name so that they can tell the user why nothing was done.
inline constexpr const char* kTypeUnreadable = "Unreadable";

// The archive type of `path`: first the fixed signatures of the first 45
// bytes, then the check entry points of the usable libraries in a fixed order;
// last, while Yz1.DLL is not usable, a name ending in ".yz1" (any case).
// When one of those libraries reports that it is busy, its message is shown
// and the program ends (ThePlatform().EndProgram()). A library that lacks the
// entry point asked for counts as not accepting the file.
std::string ArcType(const std::string& path);

// Results of RarProbe.
enum RarProbeResult : int {
  kRarProbeNo = 0,         // not opened, no file entry, or a read failed
  kRarProbeYes = 1,        // its first file entry could be read
  kRarProbeEncrypted = 2,  // its first file entry is encrypted
};

// Looks inside `path` through unrar.dll: skips folder entries and reports on
// the first file entry. Any library error counts as kRarProbeNo.
int RarProbe(const std::string& path);

// One step of RarTest, for callers that show them.
struct RarTestStep {
  enum class What { Open, Header, Entry };
  What what = What::Entry;
  std::string name;  // the entry tested (What::Entry)
  // RARProcessFile's answer for an entry; the open result or RARReadHeader's
  // answer for a failed open or an unreadable header.
  int code = 0;
};

// True when unrar.dll opens `path` and every entry passes its test, up to the
// regular end of the archive. A header that cannot be read, a failed entry, a
// missing library or an archive that does not open give false. `onStep`
// hears of every entry tested and of the failure that ended the test.
bool RarTest(const std::string& path, const std::function<void(const RarTestStep&)>& onStep = {});

// What RARReadHeader answers at the regular end of an archive.
constexpr int kRarEndArchive = 10;

}  // namespace ks
