// Tar32.DLL: extracts tar archives (plain or compressed) and single
// compressed files, tests them, and creates tar, tar.gz and tar.bz2.
#include <algorithm>

#include "archivers/builtin/common/ArchiveExtract.h"
#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/BuiltinBackend.h"
#include "archivers/builtin/common/CommandLine.h"
#include "archivers/builtin/tar/TarCreate.h"
#include "archivers/builtin/tar/TarGuard.h"
#include "archivers/builtin/tar/TarNames.h"
#include "core/PathText.h"

namespace ks {
namespace {

constexpr unsigned kTarFormats = kFormatTar | kFormatSingle;

bool EndsWithNoCase(const std::string& text, const std::string& tail) {
  if (text.size() < tail.size()) return false;
  return std::equal(tail.begin(), tail.end(), text.end() - static_cast<long>(tail.size()),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) ==
                                                std::tolower(static_cast<unsigned char>(b)); });
}

}  // namespace

std::string SingleFileName(const std::string& archive) {
  const std::string name = FileNamePart(archive);
  for (const char* ext : {".gz", ".bz2", ".xz", ".zst", ".lzma", ".z"}) {
    if (EndsWithNoCase(name, ext) && name.size() > std::char_traits<char>::length(ext))
      return name.substr(0, name.size() - std::char_traits<char>::length(ext));
  }
  for (const char* ext : {".tgz", ".tbz", ".tbz2", ".txz"}) {
    if (EndsWithNoCase(name, ext)) return name.substr(0, name.rfind('.')) + ".tar";
  }
  return name + ".out";
}

namespace {

class TarBackend : public BuiltinBackend {
 public:
  TarBackend() : BuiltinBackend(146) {}

  int CheckArchive(const std::string& file, int mode) override {
    return CheckWhenIdle([&] { return CheckArchiveMode(file, kTarFormats, mode, MakeTarGuard); });
  }

 protected:
  int Execute(WindowHandle owner, const std::string& commandLine, OutputLog& log) override {
    const std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.size() < 3 || args[0].size() < 2 || args[0][0] != '-') {
      return UnknownCommand(log, commandLine);
    }
    bool extract = false, create = false;
    TarCompression compression = TarCompression::None;
    for (char c : args[0].substr(1)) {
      switch (c) {
        case 'x': extract = true; break;
        case 'c': create = true; break;
        case 'z': compression = TarCompression::Gzip; break;
        case 'B':
        case 'j': compression = TarCompression::Bzip2; break;
        case 'v':
        case 'a':
        case 'f': break;
        default:
          log.Line(std::string("unknown option: ") + c);
          return kArcCommandName;
      }
    }
    if (extract == create) {
      return UnknownCommand(log, commandLine);
    }
    if (extract) {
      if (args.size() != 3) {
        return UnknownCommand(log, commandLine);
      }
      ExtractRequest request;
      request.archive = args[1];
      request.folder = args[2];
      request.formats = kTarFormats;
      request.guard = MakeTarGuard;
      request.owner = owner;
      request.singleName = SingleFileName(args[1]);
      request.progressTitle = "Tar";
      return ExtractArchive(request, log);
    }
    std::vector<ListEntry> names;
    for (std::size_t i = 2; i < args.size(); ++i) {
      if (args[i].rfind('@', 0) == 0) {
        const auto list = ReadListFile(args[i].substr(1), 0);
        if (!list) {
          log.Line("cannot read the list file " + args[i].substr(1));
          return kArcFileOpen;
        }
        names.insert(names.end(), list->entries.begin(), list->entries.end());
      } else {
        names.push_back(ParseListName(args[i]));
      }
    }
    return CreateTar(owner, args[1], names, compression, log);
  }
};

}  // namespace

std::shared_ptr<CommonArchiver> MakeTarBackend() { return std::make_shared<TarBackend>(); }

}  // namespace ks
