// Ish32.DLL: restores files encoded as ISH text.
//   FILE /f=FOLDER   restores every file encoded in FILE into FOLDER
// The program passes short names without quotes, so the command is split at
// " /f=" rather than at spaces: a path may hold spaces. Each file is written
// through SafeExtract and put under its name only after its CRC checked out.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/BuiltinBackend.h"
#include "archivers/builtin/common/SafeExtract.h"
#include "archivers/builtin/ish/IshDecoder.h"

namespace ks {
namespace fs = std::filesystem;

namespace {

constexpr int kIshVersion = 100;
constexpr std::size_t kLogSize = 65535;
// Type detection asks every file that matched no signature; the header of
// an ISH text stands near its top, so looking further only slows down the
// drop of a large file of another kind.
constexpr std::uint64_t kListScanBytes = 16u << 20;

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

struct IshCommand {
  std::string file;
  std::string folder;
};

// Splits "FILE /f=FOLDER". When a path itself holds " /f=", the split is
// the first one whose left part is an existing file.
std::optional<IshCommand> SplitIshCommand(const std::string& line) {
  static const std::string kSwitch = " /f=";
  std::optional<IshCommand> first;
  for (std::size_t at = line.find(kSwitch); at != std::string::npos;
       at = line.find(kSwitch, at + 1)) {
    IshCommand command{line.substr(0, at), line.substr(at + kSwitch.size())};
    std::error_code ec;
    if (fs::is_regular_file(command.file, ec)) return command;
    if (!first) first = std::move(command);
  }
  return first;
}

// The name of a file whose header and title name nothing: the text's own.
std::string FallbackName(const std::string& file) {
  const std::string stem = fs::path(file).stem().string();
  return stem.empty() ? "restored" : stem;
}

// Copies `text` into the buffer, cut at a whole UTF-8 character.
void CopyName(const std::string& text, char* buffer, int size) {
  if (!buffer || size <= 0) return;
  std::size_t n = std::min(text.size(), static_cast<std::size_t>(size - 1));
  while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  text.copy(buffer, n);
  buffer[n] = '\0';
}

bool EndsCommand(int code) {
  return code == kArcUserCancel || code == kArcDiskSpace || code == kArcCannotWrite ||
         code == kArcReadOnly;
}

class IshBackend : public BuiltinBackend {
 public:
  IshBackend() : BuiltinBackend(kIshVersion) {}

  // 0 for a text that holds an encoded file, with that file's name in
  // `buffer`; non-zero otherwise.
  int FileList(const std::string& file, char* buffer, int size) override {
    CopyName("", buffer, size);
    if (running()) return kArcAlreadyRunning;
    RunningScope scope(*this);
    const File in(std::fopen(file.c_str(), "rb"));
    if (!in) return kArcArcFileOpen;
    const std::vector<IshEntry> entries = ScanIshFile(in.get(), kListScanBytes, FallbackName(file), 1);
    if (entries.empty()) return kArcNotArcFile;
    CopyName(entries.front().name, buffer, size);
    return kArcOk;
  }

  // Ish32's command has no output buffer; the log goes nowhere.
  int CommandNoBuffer(WindowHandle owner, const std::string& commandLine) override {
    std::vector<char> output(kLogSize);
    return Command(owner, commandLine, output.data(), output.size());
  }

 protected:
  int Execute(WindowHandle owner, const std::string& commandLine, OutputLog& log) override {
    const std::optional<IshCommand> command = SplitIshCommand(commandLine);
    if (!command || command->file.empty()) {
      return UnknownCommand(log, commandLine);
    }
    if (command->folder.empty()) {
      log.Line("no folder to restore into: " + commandLine);
      return kArcCommandName;
    }
    return Restore(owner, command->file, command->folder, log);
  }

 private:
  static int Restore(WindowHandle owner, const std::string& file, const std::string& folder,
                     OutputLog& log) {
    const File in(std::fopen(file.c_str(), "rb"));
    if (!in) {
      log.Line("cannot open " + file);
      return kArcArcFileOpen;
    }
    const std::string fallback = FallbackName(file);
    // A first pass over the headers gives the progress window its total.
    std::uint64_t total = 0;
    bool any = false;
    {
      IshLineReader lines(in.get());
      IshDecoder headers(lines, fallback);
      while (const std::optional<IshEntry> entry = headers.NextFile()) {
        any = true;
        total += entry->header.size;
      }
    }
    if (!any) {
      log.Line("not an ISH file (no header line found): " + file);
      return kArcNotArcFile;
    }
    std::rewind(in.get());

    SafeExtract out(owner, folder, log, "Ish", total);
    if (const int r = out.Open(); r != kArcOk) return r;
    IshLineReader lines(in.get());
    IshDecoder decoder(lines, fallback);
    int result = kArcOk;
    const auto failed = [&](int code) {
      if (result == kArcOk) result = code;
    };
    const IshSink skip = [](const std::uint8_t*, std::size_t) { return kArcOk; };
    while (std::optional<IshEntry> entry = decoder.NextFile()) {
      const IshHeader& header = entry->header;
      if (header.multiVolume || entry->partLine) {
        log.Line(entry->name + ": volume " + std::to_string(header.volume) +
                 " of a multi-volume set; sets of volumes are not restored");
        failed(kArcNotSupported);
        continue;
      }
      if (!header.encoding()) {
        log.Line(entry->name + ": unknown encoding (code " + std::to_string(header.code) +
                 ", line length " + std::to_string(header.recordLength) + ")");
        failed(kArcMethod);
        continue;
      }
      ExtractEntry target;
      target.name = entry->name;
      target.size = header.size;
      target.mtime = IshFileTime(header);
      const int begun = out.Begin(target);
      if (begun == SafeExtract::kSkipEntry) {
        decoder.ReadData(*entry, skip);
        continue;
      }
      if (begun != kArcOk) return begun;
      const IshOutcome outcome = decoder.ReadData(
          *entry, [&](const std::uint8_t* data, std::size_t size) { return out.Write(data, size); });
      if (outcome.code != kArcOk) {
        out.Abort();
        if (EndsCommand(outcome.code)) return outcome.code;
        log.Line(entry->name + ": " + outcome.message + "; not restored");
        failed(outcome.code);
        continue;
      }
      if (const int r = out.Commit(); r != kArcOk) return r;
      std::string done = "restored " + entry->name + " (" + std::to_string(header.size) + " bytes";
      if (outcome.mended > 0)
        done += ", " + std::to_string(outcome.mended) + " damaged line" +
                (outcome.mended == 1 ? "" : "s") + " rebuilt";
      log.Line(done + ")");
    }
    const int finished = out.Finish();
    return result != kArcOk ? result : finished;
  }
};

}  // namespace

std::shared_ptr<CommonArchiver> MakeIshBackend() { return std::make_shared<IshBackend>(); }

}  // namespace ks
