// UnZip32.DLL: extracts and tests ZIP archives, asking for the password of
// encrypted entries.
#include "archivers/builtin/common/ArchiveExtract.h"
#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/BuiltinBackend.h"
#include "archivers/builtin/common/CommandLine.h"
#include "archivers/builtin/zip/ZipGuard.h"

namespace ks {
namespace {

class UnZipBackend : public BuiltinBackend {
 public:
  UnZipBackend() : BuiltinBackend(146) {}

  int CheckArchive(const std::string& file, int mode) override {
    return CheckWhenIdle([&] { return CheckArchiveMode(file, kFormatZip, mode, MakeZipGuard); });
  }

 protected:
  int Execute(WindowHandle owner, const std::string& commandLine, OutputLog& log) override {
    const std::vector<std::string> args = SplitCommandLine(commandLine);
    bool extract = false;
    std::vector<std::string> names;
    for (const std::string& arg : args) {
      if (arg == "-x")
        extract = true;
      else if (arg == "-q")
        continue;  // quiet is all this back-end knows
      else if (!arg.empty() && arg[0] == '-') {
        log.Line("unknown option: " + arg);
        return kArcCommandName;
      } else
        names.push_back(arg);
    }
    if (!extract || names.size() != 2) {
      return UnknownCommand(log, commandLine);
    }
    ExtractRequest request;
    request.archive = names[0];
    request.folder = names[1];
    request.formats = kFormatZip;
    request.guard = MakeZipGuard;
    request.owner = owner;
    request.askPasswords = true;
    request.progressTitle = "UnZip";
    return ExtractArchive(request, log);
  }
};

}  // namespace

std::shared_ptr<CommonArchiver> MakeUnZipBackend() { return std::make_shared<UnZipBackend>(); }

}  // namespace ks
