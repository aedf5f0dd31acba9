// Unlha32.DLL: extracts and tests LHA archives with our own reader
// (LzhReader); creating them is the LZH encoder's job (UnlhaCreate), and
// turning them into self-extracting programs UnlhaSfx's.
#include "archivers/builtin/common/ArchiveExtract.h"
#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/BuiltinBackend.h"
#include "archivers/builtin/common/CommandLine.h"
#include "archivers/builtin/lha/LzhReader.h"
#include "archivers/builtin/lha/UnlhaCreate.h"
#include "archivers/builtin/lha/UnlhaSettings.h"
#include "archivers/builtin/lha/UnlhaSfx.h"

namespace ks {
namespace {

// Mode 0 asks whether the file is an LZH archive (its first header reads);
// any other mode tests every entry's data against its CRC.
int CheckLzhArchive(const std::string& file, int mode) {
  LzhReader reader;
  if (reader.Open(file) != kArcOk) return 0;
  if (mode == 0) {
    const EntryReader::Next first = reader.NextEntry();
    return first == EntryReader::Next::Entry || first == EntryReader::Next::End ? 1 : 0;
  }
  OutputLog ignored;
  return TestEntries(reader, ignored) == kArcOk ? 1 : 0;
}

class UnlhaBackend : public BuiltinBackend {
 public:
  UnlhaBackend() : BuiltinBackend(146) {}

  int CheckArchive(const std::string& file, int mode) override {
    return CheckWhenIdle([&] { return CheckLzhArchive(file, mode); });
  }

  std::string CommandRefusal(const std::string& commandLine) override {
    return UnlhaSelfExtractorRefusal(commandLine);
  }

  // The method of new archives; read again by every "a" command.
  int ConfigDialog(WindowHandle owner, char*, int) override { return EditUnlhaSettings(owner); }

 protected:
  int Execute(WindowHandle owner, const std::string& commandLine, OutputLog& log) override {
    const std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty()) {
      log.Line("empty command line");
      return kArcCommandName;
    }
    if (args[0].rfind('@', 0) == 0 || args[0] == "a") return UnlhaCreate(owner, args, log);
    if (args[0] == "s") return UnlhaMakeSelfExtractor(args, log);
    if (args[0] == "x" && args.size() == 3) {
      ExtractRequest request;
      request.archive = args[1];
      request.folder = args[2];
      request.owner = owner;
      request.progressTitle = "UnLha";
      LzhReader reader;
      return OpenAndExtract(reader, request, log);
    }
    return UnknownCommand(log, commandLine);
  }
};

}  // namespace

std::shared_ptr<CommonArchiver> MakeUnlhaBackend() { return std::make_shared<UnlhaBackend>(); }

}  // namespace ks
