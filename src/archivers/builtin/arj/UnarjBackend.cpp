// UnArj32j.DLL: extracts and tests ARJ archives with our own reader
// (ArjArchive) through the shared extraction and test loops.
#include <cctype>

#include "archivers/builtin/Backends.h"
#include "archivers/builtin/arj/ArjArchive.h"
#include "archivers/builtin/common/ArchiveExtract.h"
#include "archivers/builtin/common/BuiltinBackend.h"
#include "archivers/builtin/common/CommandLine.h"

namespace ks {
namespace {

constexpr int kUnarjVersion = 100;

// ARJ's commands and switches are not case-sensitive.
std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Mode 0 asks whether the file is an ARJ archive: a main header whose CRC-32
// matches does not happen by chance, and damage after it is for the full
// check to report. Any other mode tests every entry's data against its CRC.
int CheckArjArchive(const std::string& file, int mode) {
  ArjArchive archive;
  if (archive.Open(file) != kArcOk) return 0;
  if (mode == 0) return 1;
  OutputLog ignored;
  return TestEntries(archive, ignored) == kArcOk ? 1 : 0;
}

class UnarjBackend : public BuiltinBackend {
 public:
  UnarjBackend() : BuiltinBackend(kUnarjVersion) {}

  int CheckArchive(const std::string& file, int mode) override {
    return CheckWhenIdle([&] { return CheckArjArchive(file, mode); });
  }

 protected:
  // The one command this program sends: "x -hk -jyc archive folder", that
  // is, extract with folders (-hk and -jyc ask nothing of a reader that
  // always makes the folders it needs).
  int Execute(WindowHandle owner, const std::string& commandLine, OutputLog& log) override {
    const std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty() || Lower(args[0]) != "x") {
      return UnknownCommand(log, commandLine);
    }
    std::vector<std::string> names;
    for (std::size_t i = 1; i < args.size(); ++i) {
      const std::string& arg = args[i];
      if (!arg.empty() && arg[0] == '-') {
        if (const std::string sw = Lower(arg); sw != "-hk" && sw != "-jyc") {
          log.Line("unknown switch: " + arg);
          return kArcCommandName;
        }
      } else {
        names.push_back(arg);
      }
    }
    if (names.size() != 2 || names[0].empty() || names[1].empty()) {
      log.Line("expected an archive and a folder: " + commandLine);
      return kArcCommandName;
    }
    ExtractRequest request;
    request.archive = names[0];
    request.folder = names[1];
    request.owner = owner;
    request.progressTitle = "UnArj";
    ArjArchive archive;
    return OpenAndExtract(archive, request, log);
  }
};

}  // namespace

std::shared_ptr<CommonArchiver> MakeUnarjBackend() { return std::make_shared<UnarjBackend>(); }

}  // namespace ks
