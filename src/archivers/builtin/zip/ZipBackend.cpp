// Zip32j.DLL: makes ZIP archives from a list file.
//   -r "archive" "@list"              deflate
//   -r -P password "archive" "@list"  the same with traditional encryption;
//                                     the password stands unquoted and may
//                                     hold spaces
// The archive is written under a temporary name and renamed when complete,
// so a failure leaves no archive behind.

#include <filesystem>
#include <optional>

#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/BackendSettings.h"
#include "archivers/builtin/common/BuiltinBackend.h"
#include "archivers/builtin/common/CreateCommand.h"
#include "archivers/builtin/common/PackList.h"
#include "archivers/builtin/common/TempOutput.h"
#include "archivers/builtin/zip/ZipWriter.h"

namespace ks {
namespace fs = std::filesystem;

namespace {

constexpr int kZipVersion = 100;

struct ZipRequest {
  fs::path archive;
  std::string listArgument;
  std::optional<std::string> password;
};

// The deflate level of new archives, 0 (stored) to 9; kept in section
// "Zip32j" and read again by every command.
const BackendSetting& LevelSetting() {
  static const BackendSetting setting{
      "Zip32j", "Level", "6",
      SettingChoices{"Zip32jの設定",
                     "圧縮レベル",
                     {{"0", "0 (無圧縮)"}, {"1", "1 (高速)"}, {"2", "2"}, {"3", "3"}, {"4", "4"},
                      {"5", "5"}, {"6", "6 (標準)"}, {"7", "7"}, {"8", "8"},
                      {"9", "9 (最高圧縮)"}},
                     ""}};
  return setting;
}

// nullopt when the line is not one of the two forms above.
std::optional<ZipRequest> ParseZipCommand(const std::string& line) {
  const auto command = SplitCreateCommand(line);
  if (!command || command->archive.empty()) return std::nullopt;
  ZipRequest request{command->archive, command->listArgument, std::nullopt};
  static const std::string kPasswordSwitches = "-r -P ";
  if (command->switches == "-r") return request;
  if (command->switches.rfind(kPasswordSwitches, 0) == 0) {
    request.password = command->switches.substr(kPasswordSwitches.size());
    return request;
  }
  return std::nullopt;
}

class ZipBackend : public BuiltinBackend {
 public:
  ZipBackend() : BuiltinBackend(kZipVersion) {}

  int ConfigDialog(WindowHandle owner, char*, int) override {
    return EditBackendSetting(owner, LevelSetting());
  }

 protected:
  int Execute(WindowHandle owner, const std::string& commandLine, OutputLog& log) override {
    const auto request = ParseZipCommand(commandLine);
    if (!request) {
      return UnknownCommand(log, commandLine);
    }
    if (request->password && request->password->empty()) {
      log.Line("the password is empty");
      return kArcPassword;
    }
    std::error_code ec;
    if (fs::exists(fs::symlink_status(request->archive, ec))) {
      log.Line("the archive exists already, not replaced: " + request->archive.string());
      return kArcAlreadyExist;
    }
    PackPlan plan;
    if (int r = CollectPackList(request->listArgument, request->archive, plan, log); r != kArcOk) {
      log.Line("no archive made");
      return r;
    }
    TempOutput output(request->archive);
    const int level = std::stoi(ReadBackendSetting(LevelSetting()));
    if (int r = WriteZip(owner, plan, output.temp(), request->password, level, log);
        r != kArcOk) {
      log.Line("no archive made");
      return r;
    }
    if (const auto err = output.Commit(false)) {
      log.Line("cannot name the archive " + request->archive.string() + ": " + err.message());
      return err == std::errc::file_exists ? kArcAlreadyExist : WriteErrorResult(err);
    }
    log.Line("created " + request->archive.string() + " (" + std::to_string(plan.items.size()) +
             " entries" + (request->password ? ", encrypted)" : ")"));
    return kArcOk;
  }
};

}  // namespace

std::shared_ptr<CommonArchiver> MakeZipBackend() { return std::make_shared<ZipBackend>(); }

}  // namespace ks
