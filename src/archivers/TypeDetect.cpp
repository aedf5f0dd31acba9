#include "archivers/TypeDetect.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <optional>

#include "archivers/HeaderText.h"
#include "archivers/LibrarySet.h"
#include "core/FileTests.h"
#include "platform/Platform.h"

namespace ks {
namespace {

// The first 45 bytes, zero bytes past the end of a shorter file; nullopt when
// the file cannot be opened or a read fails.
std::optional<std::string> ReadHeaderBytes(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return std::nullopt;
  std::array<char, kHeaderBytes> bytes{};
  std::fread(bytes.data(), 1, bytes.size(), file);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);  // closed before any library looks at the file
  if (failed) return std::nullopt;
  return std::string(bytes.data(), bytes.size());
}

const char* SignatureType(const std::vector<HeaderChar>& h) {
  const std::string sfx = "LHA's SFX";
  if (HeaderHasAt(h, 34, sfx) || (h.size() >= sfx.size() && HeaderHasAt(h, h.size() - 8, sfx)))
    return kTypeLzh;
  if (HeaderHasAt(h, 3, "-lh")) return kTypeLzh;
  if (HeaderHasAt(h, 1, "PK")) return kTypeZip;
  if (HeaderHasAt(h, 1, "MSCF")) return kTypeCab;
  if (HeaderHasAt(h, 1, "Rar!")) return kTypeRar;
  if (HeaderHasAt(h, 1, "This_Is_Jack_File")) return kTypeJack;
  if (HeaderHasAt(h, 1, "GIF")) return kTypeGif;
  if (HeaderHasAt(h, 1, "BM")) return kTypeBmp;
  if (HeaderHasAt(h, 1, "GCA")) return kTypeGca;
  return nullptr;
}

bool EndsWithNoCase(const std::string& text, const std::string& ending) {
  if (text.size() < ending.size()) return false;
  for (std::size_t i = 0; i < ending.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[text.size() - ending.size() + i])) != ending[i])
      return false;
  return true;
}

// The order in which the libraries are asked (each by its DetectAsk); the
// first that accepts decides, and the type is its descriptor's.
constexpr LibraryId kDetectOrder[] = {
    LibraryId::Cab, LibraryId::UnRar32, LibraryId::Tar,   LibraryId::Yz1,   LibraryId::Unarj,
    LibraryId::Ish, LibraryId::Bga,     LibraryId::UnGCA, LibraryId::UnZip,
};

// Ends the program when the library is busy: a second operation inside a
// library that is still working would corrupt its state.
void StopIfBusy(Library& library, const char* message) {
  if (!IsBusy(library.GetRunning(), ResultWidth::Bits32)) return;
  ThePlatform().MessageBox(message, "動作失敗", MessageStyle::Critical);
  ThePlatform().EndProgram();
}

bool Accepts(const LibraryDescriptor& d, const std::string& path) {
  if (d.detect == DetectAsk::RarProbe) return RarProbe(path) > 0;
  Library& library = Libraries().Get(d.id);
  StopIfBusy(library, DetectBusyMessage(d));
  switch (d.detect) {
    case DetectAsk::Check0:
      return library.CheckArchive(path, 0) != 0;
    case DetectAsk::Check8:
      return library.CheckArchive(path, 8) != 0;
    case DetectAsk::FileList: {
      std::array<char, 256> list{};
      return library.FileList(path, list.data(), 255) == 0;
    }
    case DetectAsk::RarProbe:
    case DetectAsk::None:
      break;
  }
  return false;
}

// Closes an unrar.dll handle on every way out.
class RarArchive {
 public:
  explicit RarArchive(const std::string& path) : unrar_(Libraries().Unrar()) {
    RarOpenArchiveData data;
    data.archiveName = path;
    data.openMode = 1;
    data.comment.reserve(256);
    handle_ = unrar_.RAROpenArchive(data);
    openResult_ = static_cast<int>(data.openResult);
  }
  ~RarArchive() {
    if (!handle_) return;
    try {
      unrar_.RARCloseArchive(handle_);
    } catch (const LibraryError&) {
      // Nothing more can be done for a library that cannot close.
    }
  }
  RarArchive(const RarArchive&) = delete;
  RarArchive& operator=(const RarArchive&) = delete;

  bool open() const { return handle_ != 0; }
  int openResult() const { return openResult_; }
  int ReadHeader(RarHeaderData& header) { return unrar_.RARReadHeader(handle_, header); }
  int Process(int operation) { return unrar_.RARProcessFile(handle_, operation); }

 private:
  UnrarLibrary& unrar_;
  RarHandle handle_ = 0;
  int openResult_ = 0;
};

}  // namespace

std::string ArcType(const std::string& path) {
  if (!IsOrdinaryFile(path)) return kTypeFolder;
  const std::optional<std::string> bytes = ReadHeaderBytes(path);
  if (!bytes) return kTypeUnreadable;
  if (const char* type = SignatureType(SplitHeader(*bytes))) return type;

  for (const LibraryId id : kDetectOrder) {
    const LibraryDescriptor& d = DescriptorOf(id);
    if (!*d.available) continue;
    try {
      if (Accepts(d, path)) return d.type;
    } catch (const LibraryError&) {
      // A library without the entry point cannot vouch for the file; the
      // next one may still know it.
    }
  }
  // A Yz1 archive has no signature of its own: only Yz1.DLL knows one. When
  // it is not there, a file named as one is taken for one, so the user
  // learns that its library is missing rather than that it is unknown.
  if (!*DescriptorOf(LibraryId::Yz1).available && EndsWithNoCase(path, ".yz1")) return kTypeYz1;
  return kTypeUnknown;
}

int RarProbe(const std::string& path) {
  try {
    RarArchive archive(path);
    if (!archive.open()) return kRarProbeNo;
    for (;;) {
      RarHeaderData header;
      if (archive.ReadHeader(header) != 0) return kRarProbeNo;
      if (header.flags & kRarFlagEncrypted) return kRarProbeEncrypted;
      if (!(header.fileAttr & kRarAttrDirectory)) return kRarProbeYes;
      if (archive.Process(kRarSkip) != 0) return kRarProbeNo;
    }
  } catch (const LibraryError&) {
    return kRarProbeNo;
  }
}

bool RarTest(const std::string& path, const std::function<void(const RarTestStep&)>& onStep) {
  auto tell = [&](RarTestStep::What what, std::string name, int code) {
    if (onStep) onStep(RarTestStep{what, std::move(name), code});
  };
  try {
    RarArchive archive(path);
    if (!archive.open()) {
      tell(RarTestStep::What::Open, "", archive.openResult());
      return false;
    }
    for (;;) {
      RarHeaderData header;
      const int read = archive.ReadHeader(header);
      // Only the regular end counts as "all entries passed"; a header that
      // cannot be read means the archive is damaged from there on.
      if (read == kRarEndArchive) return true;
      if (read != 0) {
        tell(RarTestStep::What::Header, "", read);
        return false;
      }
      const int tested = archive.Process(kRarTest);
      tell(RarTestStep::What::Entry, header.fileName, tested);
      if (tested != 0) return false;
    }
  } catch (const LibraryError&) {
    return false;
  }
}

}  // namespace ks
