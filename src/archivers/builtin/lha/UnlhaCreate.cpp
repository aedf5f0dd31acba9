// The "a" command of the Unlha32 back-end. The program sends it as a list
// file whose first two lines are the command and the archive:
//   "@/app/kestrino.tmp"  ->  a -x1 -r2
//                             "/w/~ks.tmp"
//                             "a.txt"
//                             "doc/*.*"
// and kestrino-archiver may write the same on one line:
//   a -x1 -r2 "/w/~ks.tmp" "a.txt" "doc/*.*"
// -x1 keeps folder names, -r2 packs folders with everything under them and
// with entries of their own. -o5, -o6 or -o7 picks the method for this one
// command; without it the back-end's setting (ConfiguredUnlhaMethod) holds.
#include "archivers/builtin/lha/UnlhaCreate.h"

#include <filesystem>
#include <optional>

#include "archivers/builtin/common/CommandLine.h"
#include "archivers/builtin/common/PackList.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/lha/LzhArchiveWriter.h"
#include "archivers/builtin/lha/LzhMethod.h"
#include "archivers/builtin/lha/UnlhaSettings.h"

namespace ks {
namespace fs = std::filesystem;

namespace {

struct CreateRequest {
  fs::path archive;
  std::vector<ListEntry> entries;
  LzhMethod method = LzhMethod::Lh5;
};

// Checks the command word and switches; sets the method. Returns 0 or
// kArcCommandName with a log line.
int ParseSwitches(const std::vector<std::string>& words, CreateRequest& request, OutputLog& log) {
  if (words.empty() || words[0] != "a") {
    log.Line("unknown command: " + (words.empty() ? std::string() : words[0]));
    return kArcCommandName;
  }
  bool keepFolders = false, recurse = false;
  request.method = ConfiguredUnlhaMethod();
  for (std::size_t i = 1; i < words.size(); ++i) {
    if (words[i] == "-x1") {
      keepFolders = true;
    } else if (words[i] == "-r2") {
      recurse = true;
    } else if (const auto method = ParseMethodSwitch(words[i])) {
      request.method = *method;
    } else {
      log.Line("unknown switch: " + words[i]);
      return kArcCommandName;
    }
  }
  if (!keepFolders || !recurse) {
    log.Line("this back-end packs with -x1 -r2 only");
    return kArcCommandName;
  }
  return kArcOk;
}

int ParseListForm(const std::string& listArgument, CreateRequest& request, OutputLog& log) {
  const std::string listFile = listArgument.substr(1);
  const auto list = ReadListFile(listFile, 2);
  if (!list) {
    log.Line("cannot read the list file " + listFile);
    return kArcNotExist;
  }
  if (list->lines.size() < 2) {
    log.Line("the list file lacks the command and the archive: " + listFile);
    return kArcCommandName;
  }
  if (int r = ParseSwitches(SplitCommandLine(list->lines[0]), request, log); r != kArcOk) return r;
  request.archive = list->lines[1];
  request.entries = list->entries;
  return kArcOk;
}

int ParseLineForm(const std::vector<std::string>& args, CreateRequest& request, OutputLog& log) {
  std::size_t i = 1;
  while (i < args.size() && args[i].rfind('-', 0) == 0) ++i;
  const std::vector<std::string> words(args.begin(), args.begin() + static_cast<long>(i));
  if (int r = ParseSwitches(words, request, log); r != kArcOk) return r;
  if (i >= args.size()) {
    log.Line("no archive named");
    return kArcCommandName;
  }
  request.archive = args[i];
  for (++i; i < args.size(); ++i) request.entries.push_back(ParseListName(args[i]));
  return kArcOk;
}

}  // namespace

int UnlhaCreate(WindowHandle owner, const std::vector<std::string>& args, OutputLog& log) {
  CreateRequest request;
  int r = kArcCommandName;
  if (args.size() == 1 && args[0].size() > 1 && args[0][0] == '@')
    r = ParseListForm(args[0], request, log);
  else if (!args.empty() && args[0] == "a")
    r = ParseLineForm(args, request, log);
  else
    log.Line("unknown command");
  if (r != kArcOk) return r;
  if (request.archive.empty()) {
    log.Line("no archive named");
    return kArcCommandName;
  }
  std::error_code ec;
  if (fs::exists(fs::symlink_status(request.archive, ec))) {
    // Adding to an existing archive is not offered; replacing it would lose it.
    log.Line("the archive exists already, not replaced: " + request.archive.string());
    return kArcAlreadyExist;
  }
  PackPlan plan;
  if (r = CollectPackItems(request.entries, request.archive, plan, log); r != kArcOk) {
    log.Line("no archive made");
    return r;
  }
  if (r = WriteLzhArchive(owner, plan, request.archive, request.method, log); r != kArcOk) {
    log.Line("no archive made");
    return r;
  }
  log.Line("created " + request.archive.string() + " (" + std::to_string(plan.items.size()) +
           " entries, " + MethodInfo(request.method).id + ")");
  return kArcOk;
}

}  // namespace ks
