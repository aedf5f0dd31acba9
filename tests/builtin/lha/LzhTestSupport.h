#pragma once
// Shared by the LZH encoder tests: one "a" command of our encoder, and the
// archive read back by three readers we did not write: libarchive (in this
// process), lhasa and jlha (the peer tools, through the shell).

#include <archive.h>
#include <archive_entry.h>

#include <map>
#include <string>
#include <vector>

#include "builtin/common/PackTestSupport.h"
#include "archivers/builtin/common/CommandLine.h"
#include "archivers/builtin/common/OutputLog.h"
#include "archivers/builtin/common/Utf8Locale.h"
#include "archivers/builtin/lha/LzhName.h"
#include "archivers/builtin/lha/UnlhaCreate.h"

namespace ks::test {

struct LzhRun {
  int result = -1;
  std::string log;
};

// One command line as kestrino-archiver would pass it on.
inline LzhRun RunUnlhaCreate(const std::string& commandLine) {
  OutputLog log;
  LzhRun run;
  run.result = UnlhaCreate(nullptr, SplitCommandLine(commandLine), log);
  run.log = log.text();
  return run;
}

// What libarchive sees in an archive: the tree (as TreeOf gives it) and the
// method of each entry ("lha -lh5-" and so on).
struct LibarchiveView {
  bool ok = false;
  std::string error;
  std::map<std::string, std::string> tree;
  std::map<std::string, std::string> methods;
};

inline LibarchiveView ReadWithLibarchive(const fs::path& file) {
  Utf8Locale utf8;
  LibarchiveView view;
  archive* a = archive_read_new();
  archive_read_support_format_lha(a);
  if (archive_read_open_filename(a, file.c_str(), 64 * 1024) != ARCHIVE_OK) {
    view.error = archive_error_string(a) ? archive_error_string(a) : "cannot open";
    archive_read_free(a);
    return view;
  }
  archive_entry* entry;
  int r;
  while ((r = archive_read_next_header(a, &entry)) == ARCHIVE_OK) {
    std::string name = archive_entry_pathname(entry);
    const bool folder = archive_entry_filetype(entry) == AE_IFDIR;
    if (folder && !name.empty() && name.back() == '/') name.pop_back();
    std::string content;
    char buf[65536];
    la_ssize_t n;
    while ((n = archive_read_data(a, buf, sizeof buf)) > 0) content.append(buf, static_cast<std::size_t>(n));
    if (n < 0) {
      view.error = name + ": " + (archive_error_string(a) ? archive_error_string(a) : "read error");
      archive_read_free(a);
      return view;
    }
    view.tree[folder ? name + "/" : name] = content;
    view.methods[name] = archive_format_name(a);
  }
  view.ok = r == ARCHIVE_EOF;
  if (!view.ok) view.error = archive_error_string(a) ? archive_error_string(a) : "header error";
  archive_read_free(a);
  return view;
}

// The peer tools must be there: a missing one fails the test, it never
// passes silently (scripts/deps.sh --tests installs them).
inline void RequirePeerTools() {
  ASSERT_TRUE(HaveTool("lhasa")) << "lhasa is missing: run scripts/deps.sh --tests";
  ASSERT_TRUE(HaveTool("lha")) << "jlha (lha) is missing: run scripts/deps.sh --tests";
  ASSERT_EQ(RunTool("lha 2>&1 | grep -q jLHA").exitCode, 0)
      << "the lha on the PATH is not jlha (jlha-utils)";
}

// A tree with each name as the archive stores it, for lhasa, which writes
// names byte for byte as stored (CP932 for Japanese names).
inline std::map<std::string, std::string> StoredNames(const std::map<std::string, std::string>& tree) {
  std::map<std::string, std::string> out;
  for (const auto& [name, content] : tree) out[EncodeLzhName(name).bytes] = content;
  return out;
}

// Extracts `archive` with a shell command into a fresh folder under `work`
// and returns what came out. `command` gets the archive's quoted path.
inline std::map<std::string, std::string> ExtractWith(const std::string& commandPrefix,
                                                      const fs::path& archive, const fs::path& work,
                                                      std::string& output) {
  std::error_code ec;
  fs::remove_all(work, ec);
  fs::create_directories(work);
  const ToolRun run = RunTool("cd " + ShellQuote(work.string()) + " && LC_ALL=C.UTF-8 " +
                              commandPrefix + " " + ShellQuote(fs::absolute(archive).string()));
  output = run.output + "\n(exit " + std::to_string(run.exitCode) + ")";
  return TreeOf(work);
}

}  // namespace ks::test
