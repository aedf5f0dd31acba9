// Bga32.DLL: GZA and BZA archives.
//   x [-a] [-r] "archive" "folder"      extracts every entry with its folders
//   a -a -m1 -r  "archive" "@list"      makes a GZA (-m1, gzip) or a BZA
//                                       (-m2, bzip2) of the listed names
//   s "archive"                         turns an archive into a Windows
//                                       self-extractor (BgaSfx)
// The archive is written under a temporary name and renamed when complete,
// so a failed or cancelled run leaves nothing under the archive's name.

#include <filesystem>
#include <sstream>

#include "archivers/builtin/Backends.h"
#include "archivers/builtin/bga/BgaReader.h"
#include "archivers/builtin/bga/BgaSfx.h"
#include "archivers/builtin/bga/BgaWriter.h"
#include "archivers/builtin/common/ArchiveExtract.h"
#include "archivers/builtin/common/BuiltinBackend.h"
#include "archivers/builtin/common/CommandLine.h"
#include "archivers/builtin/common/CreateCommand.h"
#include "archivers/builtin/common/ListArchive.h"
#include "archivers/builtin/common/SelfExtractor.h"

namespace ks {
namespace fs = std::filesystem;

namespace {

constexpr int kBgaVersion = 100;

class BgaBackend : public BuiltinBackend {
 public:
  BgaBackend() : BuiltinBackend(kBgaVersion) {}

  // Mode 0: every header of a GZA or BZA archive reads and verifies; any
  // other mode: every entry is decompressed and verified too. Non-zero
  // means yes / sound.
  int CheckArchive(const std::string& file, int mode) override {
    return CheckWhenIdle([&] {
      std::string why;
      if (mode == 0) return VerifyBgaHeaders(file, why) == kArcOk ? 1 : 0;
      BgaReader reader;
      OutputLog ignored;
      return reader.Open(file) == kArcOk && TestEntries(reader, ignored) == kArcOk ? 1 : 0;
    });
  }

  std::string CommandRefusal(const std::string& commandLine) override {
    return commandLine.rfind("s ", 0) == 0 ? MissingStubRefusal(SfxStub::Bga) : std::string();
  }

 protected:
  int Execute(WindowHandle owner, const std::string& commandLine, OutputLog& log) override {
    const std::vector<std::string> args = SplitCommandLine(commandLine);
    if (!args.empty() && args[0] == "x") return Extract(owner, args, log);
    if (!args.empty() && args[0] == "a") return Create(owner, commandLine, log);
    if (args.size() == 2 && args[0] == "s") return BgaMakeSelfExtractor(args[1], log);
    return UnknownCommand(log, commandLine);
  }

 private:
  static int Extract(WindowHandle owner, const std::vector<std::string>& args, OutputLog& log) {
    std::size_t i = 1;
    // -a (all attributes) and -r (with folders) are what this back-end
    // always does.
    for (; i < args.size() && args[i].size() > 1 && args[i][0] == '-'; ++i) {
      if (args[i] != "-a" && args[i] != "-r") {
        log.Line("unknown switch: " + args[i]);
        return kArcCommandName;
      }
    }
    if (args.size() - i != 2 || args[i].empty() || args[i + 1].empty()) {
      log.Line("expected x [switches] \"archive\" \"folder\"");
      return kArcCommandName;
    }
    BgaReader reader;
    ExtractRequest request;
    request.archive = args[i];
    request.folder = args[i + 1];
    request.owner = owner;
    request.progressTitle = "Bga";
    return OpenAndExtract(reader, request, log);
  }

  static int Create(WindowHandle owner, const std::string& commandLine, OutputLog& log) {
    const auto command = SplitCreateCommand(commandLine);
    if (!command || command->archive.empty()) {
      log.Line("expected a [switches] \"archive\" \"@list\": " + commandLine);
      return kArcCommandName;
    }
    BgaMethod method = BgaMethod::Gzip;
    std::istringstream switches(command->switches);
    std::string word;
    switches >> word;  // "a"
    while (switches >> word) {
      if (word == "-m1") {
        method = BgaMethod::Gzip;
      } else if (word == "-m2") {
        method = BgaMethod::Bzip2;
      } else if (word != "-a" && word != "-r") {
        log.Line("unknown switch: " + word);
        return kArcCommandName;
      }
    }
    return CreateFromList(
        command->archive, command->listArgument,
        [&](const PackPlan& plan, const fs::path& temp) { return WriteBga(owner, plan, method, temp, log); },
        log);
  }
};

}  // namespace

std::shared_ptr<CommonArchiver> MakeBgaBackend() { return std::make_shared<BgaBackend>(); }

}  // namespace ks
