#include "archivers/builtin/lha/LzhEntryPath.h"

#include <algorithm>

#include "archivers/builtin/common/NameText.h"
#include "archivers/builtin/lha/LzhName.h"

namespace ks {

namespace {

constexpr char kFolderMark = '\xFF';
constexpr unsigned kUnixTypeMask = 0170000;
constexpr unsigned kUnixSymlink = 0120000;

// One stored piece of a name as UTF-8: in the header's code page when it
// names one we can convert, else UTF-8 when `utf8` (the whole name is valid
// UTF-8), else CP932.
std::string Decode(const LzhEntryInfo& info, const std::string& piece, bool utf8) {
  if (utf8) return piece;
  if (info.codePage && *info.codePage != kCodePageUtf8)
    if (auto text = CodePageToUtf8(piece, *info.codePage)) return *text;
  return Cp932ToUtf8(piece);
}

bool DosLikeSystem(std::uint8_t os) {
  return os == kLzhOsGeneric || os == kLzhOsMsdos || os == kLzhOsOs2 || os == kLzhOsAtari;
}

void LowerIfAllCapitals(std::string& path) {
  if (std::any_of(path.begin(), path.end(), [](char c) { return c >= 'a' && c <= 'z'; })) return;
  for (char& c : path)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

}  // namespace

LzhEntryPath MakeLzhEntryPath(const LzhEntryInfo& info) {
  // Folder and name as one stored text, 0xFF (never part of a CP932 or
  // UTF-8 character) between folders.
  std::string raw = info.rawFolder;
  if (!raw.empty() && raw.back() != kFolderMark) raw += kFolderMark;
  raw += info.rawName;

  std::string bare = raw;
  bare.erase(std::remove(bare.begin(), bare.end(), kFolderMark), bare.end());
  // UTF-8 when the header says so (and it is), or when it names no code
  // page and the name is valid UTF-8.
  const bool utf8 = (!info.codePage || *info.codePage == kCodePageUtf8) && IsValidUtf8(bare);

  // Decode piece by piece, then treat "\" and "/" of the decoded text as
  // separators too.
  std::string text;
  for (std::size_t start = 0;;) {
    const std::size_t mark = raw.find(kFolderMark, start);
    const std::string piece = raw.substr(start, mark == std::string::npos ? std::string::npos : mark - start);
    text += Decode(info, piece, utf8);
    if (mark == std::string::npos) break;
    text += '/';
    start = mark + 1;
  }
  std::replace(text.begin(), text.end(), '\\', '/');

  LzhEntryPath result;
  if (info.method == "-lhd-" && info.unixMode && (*info.unixMode & kUnixTypeMask) == kUnixSymlink) {
    const std::size_t bar = text.find('|');
    if (bar != std::string::npos) {
      result.isLink = true;
      result.linkTarget = text.substr(bar + 1);
      text.resize(bar);
    }
  }
  // An absolute name ("/subdir/file", as LHmelt and some Amiga tools wrote
  // them) is taken inside the target, as tar and lhasa do: leading and
  // repeated separators are dropped. A ".." stays for the secure
  // extraction to refuse.
  std::string path;
  for (std::size_t s = 0; s <= text.size();) {
    std::size_t slash = text.find('/', s);
    if (slash == std::string::npos) slash = text.size();
    if (slash > s) {
      if (!path.empty() && path.back() != '/') path.push_back('/');
      path.append(text, s, slash - s);
    }
    s = slash + 1;
  }
  result.path = std::move(path);
  if (DosLikeSystem(info.osId)) LowerIfAllCapitals(result.path);
  return result;
}

}  // namespace ks
