// Jack32.DLL: splits a file into pieces and joins them again.
//   -r -m0 -v:SIZE "source" "folder"   plain pieces of at most SIZE KB
//   -r -m1 -v:SIZE "source" "folder"   the same plus a joiner script
//   -c "piece" "folder"                joins the set of the piece
// The piece format is described in JackFormat.h.

#include <charconv>
#include <optional>

#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/BuiltinBackend.h"
#include "archivers/builtin/common/CommandLine.h"
#include "archivers/builtin/jack/JackJoin.h"
#include "archivers/builtin/jack/JackSplit.h"

namespace ks {

namespace {

constexpr int kJackVersion = 100;
// 2^32 KB (4 TB) per piece is far beyond any medium; it keeps the byte
// count of a piece well inside 64 bits.
constexpr std::uint64_t kMaxPieceKB = std::uint64_t{1} << 32;

// The KB count of "-v:SIZE": digits only, at least 1.
std::optional<std::uint64_t> ParsePieceSize(const std::string& text) {
  if (text.empty()) return std::nullopt;
  std::uint64_t value = 0;
  const auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (err != std::errc() || end != text.data() + text.size()) return std::nullopt;
  if (value == 0 || value > kMaxPieceKB) return std::nullopt;
  return value;
}

class JackBackend : public BuiltinBackend {
 public:
  JackBackend() : BuiltinBackend(kJackVersion) {}

 protected:
  int Execute(WindowHandle owner, const std::string& commandLine, OutputLog& log) override {
    const auto args = SplitCommandLine(commandLine);
    if (args.size() == 3 && args[0] == "-c") return JackJoin(owner, args[1], args[2], log);
    if (args.size() == 5 && args[0] == "-r" && (args[1] == "-m0" || args[1] == "-m1") &&
        args[2].rfind("-v:", 0) == 0)
      return Split(owner, args, log);
    return UnknownCommand(log, commandLine);
  }

 private:
  int Split(WindowHandle owner, const std::vector<std::string>& args, OutputLog& log) {
    const std::string sizeText = args[2].substr(3);
    const auto size = ParsePieceSize(sizeText);
    if (!size) {
      log.Line("the piece size \"" + sizeText + "\" is not a positive number of KB");
      return kArcCommandName;
    }
    JackSplitRequest request;
    request.source = args[3];
    request.folder = args[4];
    request.pieceKB = *size;
    request.selfJoining = args[1] == "-m1";
    return JackSplit(owner, request, log);
  }
};

}  // namespace

std::shared_ptr<CommonArchiver> MakeJackBackend() { return std::make_shared<JackBackend>(); }

}  // namespace ks
