// Cab32.DLL: extracts, tests and makes cabinets.
//   -x "archive" "folder"   extracts (CabReader reads a plain cabinet of
//                           stored or MSZIP folders, libarchive any other;
//                           SafeExtract writes)
//   -a "archive" "@list"    makes a cabinet of the listed names (MSZIP or
//                           stored, as set in its settings dialog)
//   -f -w "archive"         turns a cabinet into a Windows self-extractor
//                           (CabSfx)
// The cabinet is written under a temporary name and renamed when complete.

#include <filesystem>

#include "archivers/builtin/common/ArchiveExtract.h"
#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/BackendSettings.h"
#include "archivers/builtin/common/BuiltinBackend.h"
#include "archivers/builtin/cab/CabGuard.h"
#include "archivers/builtin/cab/CabFolderSplit.h"
#include "archivers/builtin/cab/CabReader.h"
#include "archivers/builtin/common/WorkerThreads.h"
#include "archivers/builtin/cab/CabSfx.h"
#include "archivers/builtin/cab/CabWriter.h"
#include "archivers/builtin/common/CommandLine.h"
#include "archivers/builtin/common/CreateCommand.h"
#include "archivers/builtin/common/PackList.h"
#include "archivers/builtin/common/SelfExtractor.h"
#include "archivers/builtin/common/TempOutput.h"

namespace ks {
namespace fs = std::filesystem;

namespace {

constexpr int kCabVersion = 100;
constexpr const char* kMsZip = "MSZIP";

// MSZIP or stored data in new cabinets; kept in section "Cab32" and read
// again by every command.
const BackendSetting& CompressionSetting() {
  static const BackendSetting setting{
      "Cab32", "Compression", kMsZip,
      SettingChoices{"Cab32の設定",
                     "圧縮方式",
                     {{kMsZip, "MSZIP (圧縮する)"}, {"NONE", "無圧縮 (格納のみ)"}},
                     ""}};
  return setting;
}

class CabBackend : public BuiltinBackend {
 public:
  CabBackend() : BuiltinBackend(kCabVersion) {}

  // Mode 0: is it a cabinet; mode 2: every entry read and its checksums
  // verified. Non-zero means yes / sound.
  int CheckArchive(const std::string& file, int mode) override {
    return CheckWhenIdle([&] {
      CabReader reader;
      if (mode != 0 && reader.Open(file)) {
        OutputLog ignored;
        return TestEntries(reader, ignored) == kArcOk ? 1 : 0;
      }
      return CheckArchiveMode(file, kFormatCab, mode, MakeCabGuard);
    });
  }

  std::string CommandRefusal(const std::string& commandLine) override {
    return commandLine.rfind("-f -w ", 0) == 0 ? MissingStubRefusal(SfxStub::Cab) : std::string();
  }

  int ConfigDialog(WindowHandle owner, char*, int) override {
    return EditBackendSetting(owner, CompressionSetting());
  }

 protected:
  int Execute(WindowHandle owner, const std::string& commandLine, OutputLog& log) override {
    const std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.size() == 3 && args[0] == "-x") return Extract(owner, args[1], args[2], log);
    if (!args.empty() && args[0] == "-a") return Create(owner, commandLine, log);
    if (args.size() == 3 && args[0] == "-f" && args[1] == "-w") return CabMakeSelfExtractor(args[2], log);
    return UnknownCommand(log, commandLine);
  }

 private:
  static int Extract(WindowHandle owner, const std::string& archive, const std::string& folder,
                     OutputLog& log) {
    ExtractRequest request;
    request.archive = archive;
    request.folder = folder;
    request.formats = kFormatCab;
    request.guard = MakeCabGuard;
    request.owner = owner;
    request.progressTitle = "Cab";
    CabReader reader;
    if (!reader.Open(archive)) return ExtractArchive(request, log);
    if (WorkerThreads() > 1 && reader.layout().folders.size() > 1) {
      CabFolderSplit folders(archive, reader, WorkerThreads());
      return ExtractEntries(folders, request, log);
    }
    return ExtractEntriesReadingAhead(reader, request, log);
  }

  static int Create(WindowHandle owner, const std::string& commandLine, OutputLog& log) {
    const auto command = SplitCreateCommand(commandLine);
    if (!command || command->switches != "-a" || command->archive.empty()) {
      return UnknownCommand(log, commandLine);
    }
    const fs::path archive(command->archive);
    std::error_code ec;
    if (fs::exists(fs::symlink_status(archive, ec))) {
      log.Line("the cabinet exists already, not replaced: " + archive.string());
      return kArcAlreadyExist;
    }
    PackPlan plan;
    if (int r = CollectPackList(command->listArgument, archive, plan, log); r != kArcOk) {
      log.Line("no cabinet made");
      return r;
    }
    TempOutput output(archive);
    const bool compressed = ReadBackendSetting(CompressionSetting()) == kMsZip;
    if (int r = WriteCab(owner, plan, output.temp(), compressed, log); r != kArcOk) {
      log.Line("no cabinet made");
      return r;
    }
    if (const auto err = output.Commit(false)) {
      log.Line("cannot name the cabinet " + archive.string() + ": " + err.message());
      return err == std::errc::file_exists ? kArcAlreadyExist : WriteErrorResult(err);
    }
    log.Line("created " + archive.string());
    return kArcOk;
  }
};

}  // namespace

std::shared_ptr<CommonArchiver> MakeCabBackend() { return std::make_shared<CabBackend>(); }

}  // namespace ks
