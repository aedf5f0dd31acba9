#include "archivers/builtin/lha/UnlhaSfx.h"

#include <filesystem>
#include <optional>

#include "archivers/builtin/common/ArchiveExtract.h"
#include "archivers/builtin/common/CommandLine.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/SelfExtractor.h"
#include "archivers/builtin/lha/LzhReader.h"
#include "sfx/dos/dosname.h"

namespace ks {
namespace fs = std::filesystem;

namespace {

constexpr char kFolderSeparator = static_cast<char>(0xFF);

enum class Target { Dos, Win16, Win32Window, Win32Minimal };

struct SfxCommand {
  Target target = Target::Dos;
  std::string archive;
  std::string folder;  // "" : the archive's own
};

std::optional<SfxCommand> ParseCommand(const std::vector<std::string>& args, std::string& why) {
  SfxCommand c;
  std::vector<std::string> names;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "-x1") continue;  // folders are always kept
    if (a == "-jw" || a == "-jw3") c.target = Target::Win16;
    else if (a == "-gw") c.target = Target::Win32Window;
    else if (a == "-gw3") c.target = Target::Win32Minimal;
    else if (!a.empty() && a[0] == '-') {
      why = "unknown switch: " + a;
      return std::nullopt;
    } else {
      names.push_back(a);
    }
  }
  if (names.empty() || names.size() > 2 || names[0].empty()) {
    why = "expected s -x1 \"archive\" [\"folder\"] [-gw | -gw3]";
    return std::nullopt;
  }
  c.archive = names[0];
  if (names.size() == 2) c.folder = names[1];
  return c;
}

SfxStub StubOf(Target t) {
  switch (t) {
    case Target::Dos: return SfxStub::LzhDos;
    case Target::Win32Minimal: return SfxStub::LzhMinimal;
    case Target::Win16:
    case Target::Win32Window: break;
  }
  return SfxStub::LzhWindow;
}

// Why the target cannot be made here, for the user.
std::string UserRefusal(Target t) {
  if (t == Target::Win16)
    return "Windows 3.x (Win16) 用の自己解凍書庫は作れません。Windows 3.x のプログラムを作る道具が "
           "Debian にないためです。Win32用を選んで下さい。";
  return MissingStubRefusal(StubOf(t));
}

bool StubDecodes(Target t, const std::string& method) {
  if (method == "-lhd-" || method == "-lh0-" || method == "-lh4-" || method == "-lh5-" || method == "-lh6-")
    return true;
  return method == "-lh7-" && t != Target::Dos;
}

// The header's stored path as the DOS stub reads it.
std::string StoredPath(const LzhEntryInfo& info) {
  std::string path = info.rawFolder + info.rawName;
  for (char& c : path)
    if (c == kFolderSeparator) c = '\\';
  return path;
}

// Every header read and judged by what the stub can do with it; the data
// is tested afterwards.
int CheckHeaders(const std::string& archive, Target t, OutputLog& log) {
  LzhReader reader;
  if (const int r = reader.Open(archive); r != kArcOk) {
    log.Line(reader.errorText());
    return r;
  }
  for (bool first = true;; first = false) {
    const EntryReader::Next next = reader.NextEntry();
    if (next == EntryReader::Next::End) return kArcOk;
    if (next == EntryReader::Next::Broken) {
      log.Line("archive damaged: " + reader.errorText());
      return reader.error();
    }
    const LzhEntryInfo& info = reader.info();
    const std::string& name = reader.entry().name;
    if (first && info.headerOffset != 0) {
      log.Line("the archive does not start at the file's first byte (a program already?): " + archive);
      return kArcNotArcFile;
    }
    if (info.level != 2) {
      log.Line("the self-extractor reads level-2 headers only; " + name + " has a level-" +
               std::to_string(info.level) + " header");
      return kArcNotSupported;
    }
    if (!StubDecodes(t, info.method)) {
      log.Line(t == Target::Dos ? "the DOS self-extractor decodes -lh0-, -lh4-, -lh5- and -lh6- only (the 64 KB "
                                  "window of -lh7- does not fit a DOS program's segment); " +
                                      name + " uses " + info.method
                                : "the self-extractor does not decode " + info.method + ", used by " + name);
      return kArcNotSupported;
    }
    if (t == Target::Dos) {
      const std::string stored = StoredPath(info);
      std::string path(stored.size() + 2, '\0');
      const int verdict = dos_path(stored.data(), static_cast<unsigned>(stored.size()), path.data(),
                                   static_cast<unsigned>(path.size()));
      if (verdict != DOS_NAME_OK) {
        log.Line("the DOS self-extractor cannot write " + name +
                 (verdict == DOS_NAME_UNSAFE ? ": it leaves the folder"
                                             : ": DOS takes names of eight characters and an extension of three"));
        return kArcNotSupported;
      }
    }
    if (const int r = reader.SkipData(); r != kArcOk) {
      log.Line("archive damaged: " + reader.errorText());
      return r;
    }
  }
}

}  // namespace

std::string UnlhaSelfExtractorRefusal(const std::string& line) {
  const std::vector<std::string> args = SplitCommandLine(line);
  if (args.empty() || args[0] != "s") return std::string();
  std::string why;
  const auto command = ParseCommand(args, why);
  return command ? UserRefusal(command->target) : std::string();
}

int UnlhaMakeSelfExtractor(const std::vector<std::string>& args, OutputLog& log) {
  std::string why;
  const auto command = ParseCommand(args, why);
  if (!command) {
    log.Line(why);
    return kArcCommandName;
  }
  if (command->target == Target::Win16) {
    log.Line("self-extractors for Windows 3.x (Win16) cannot be made: no Debian toolchain builds "
             "Windows 3.x programs; choose a Win32 entry");
    return kArcNotSupported;
  }
  const fs::path archive(command->archive);
  const fs::path folder = command->folder.empty() ? archive.parent_path() : fs::path(command->folder);
  return MakeSelfExtractor(StubOf(command->target), archive, folder, [&](OutputLog& checkLog) {
    int r = CheckHeaders(command->archive, command->target, checkLog);
    LzhReader reader;
    if (r == kArcOk) r = reader.Open(command->archive);
    return r == kArcOk ? TestEntries(reader, checkLog) : r;
  }, log);
}

}  // namespace ks
