// UnArj32j.DLL: extracts and tests ARJ archives with our own decoders.
#include <cctype>

#include "archivers/builtin/Backends.h"
#include "archivers/builtin/arj/ArjExtract.h"
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

class UnarjBackend : public BuiltinBackend {
 public:
  UnarjBackend() : BuiltinBackend(kUnarjVersion) {}

  int CheckArchive(const std::string& file, int mode) override {
    if (running()) return 0;
    RunningScope scope(*this);
    if (mode == 0) return LooksLikeArj(file) ? 1 : 0;
    OutputLog ignored;
    return TestArj(file, ignored) == kArcOk ? 1 : 0;
  }

 protected:
  // The one command this program sends: "x -hk -jyc archive folder", that
  // is, extract with folders (-hk and -jyc ask nothing of a reader that
  // always makes the folders it needs).
  int Execute(WindowHandle owner, const std::string& commandLine, OutputLog& log) override {
    const std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.empty() || Lower(args[0]) != "x") {
      log.Line("unknown command: " + commandLine);
      return kArcCommandName;
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
    return ExtractArj(names[0], names[1], owner, log);
  }
};

}  // namespace

std::shared_ptr<CommonArchiver> MakeUnarjBackend() { return std::make_shared<UnarjBackend>(); }

}  // namespace ks
