#pragma once
// Runs one damaged archive through extraction and the full check and says
// what came of it. A success is false when the files that come out are not
// the archive's own bytes: names may change (most formats keep no checksum
// of them) but every file must hold what one of the original files held,
// and every original file must be there.

#include <sys/wait.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>
#include <set>

#include "MutationSamples.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "builtin/common/ExtractTestSupport.h"

namespace ks::test {

struct MutantOutcome {
  int extractCode = -1;
  bool contentsRight = false;
  int check = -1;  // -1 no check for the format, 0 reported damaged, 1 reported sound
  // Every file that came out holds what one of the original files held,
  // whatever the result: what a failed extraction saves is verified.
  bool onlyOriginalBytes = true;
};

enum class Verdict { Intact, Failed, FalseSuccess, Crash, Hang };

inline std::vector<std::string> ContentsUnder(const fs::path& root) {
  std::vector<std::string> contents;
  if (!fs::exists(root)) return contents;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::end(it); ++it)
    if (it->is_regular_file() && !it->is_symlink()) contents.push_back(ReadFile(it->path()));
  return contents;
}

// Nothing but the expected contents. An empty file carries no bytes to
// lose: a damaged header may turn it into something we never create (a
// device) without any checksum to tell.
inline bool OnlyExpected(const std::vector<std::string>& got, const std::vector<std::string>& expected) {
  const std::set<std::string> allowed(expected.begin(), expected.end());
  for (const std::string& c : got)
    if (!c.empty() && !allowed.count(c)) return false;
  return true;
}

// Every expected content is there, and nothing else is.
inline bool ContentsMatch(std::vector<std::string> got, const std::vector<std::string>& expected) {
  if (!OnlyExpected(got, expected)) return false;
  std::sort(got.begin(), got.end());
  std::vector<std::string> want;
  for (const std::string& c : expected)
    if (!c.empty()) want.push_back(c);
  std::sort(want.begin(), want.end());
  return std::includes(got.begin(), got.end(), want.begin(), want.end());
}

// Writes the sample's files into `folder` with piece `damaged` replaced by
// `bytes`, extracts and checks.
inline MutantOutcome RunMutant(const MutationSample& sample, std::size_t damaged, const std::string& bytes,
                               const fs::path& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
  for (std::size_t i = 0; i < sample.files.size(); ++i)
    WriteFile(folder / sample.files[i].first, i == damaged ? bytes : sample.files[i].second);
  const fs::path dropped = folder / sample.files[0].first;
  MutantOutcome o;
  const fs::path out = folder / "out";
  o.extractCode = sample.extract(dropped, out);
  const std::vector<std::string> got = ContentsUnder(out);
  o.contentsRight = ContentsMatch(got, sample.contents);
  o.onlyOriginalBytes = !sample.keptFilesVerified || OnlyExpected(got, sample.contents);
  if (const auto sound = sample.check(dropped)) o.check = *sound ? 1 : 0;
  return o;
}

// Results that come from the names in the archive rather than its data: a
// damaged name may be refused, clash with another or be one the file system
// cannot hold. They say nothing about whether the data was verified.
inline bool NameTrouble(int code) {
  return code == kArcUnsafeEntry || code == kArcUserCancel || code == kArcAlreadyExist ||
         code == kArcMakeDirectory || code == kArcCannotWrite || code == kArcUserSkip;
}

inline Verdict Judge(const MutantOutcome& o) {
  const bool extracted = o.extractCode == kArcOk;
  if (extracted && !o.contentsRight) return Verdict::FalseSuccess;
  // A file saved from a damaged archive vouches for its bytes as much as a
  // success does.
  if (!o.onlyOriginalBytes) return Verdict::FalseSuccess;
  // A check that calls the archive sound vouches for its data: extraction
  // must then give it back whole, unless a name got in the way.
  if (o.check == 1 && !(extracted && o.contentsRight) && !NameTrouble(o.extractCode))
    return Verdict::FalseSuccess;
  return extracted ? Verdict::Intact : Verdict::Failed;
}

// Runs `work` in a child process, so that a crash or a hang is counted
// rather than ending the run. The child sends its outcome through a pipe.
template <typename Work>
Verdict RunIsolated(Work work, MutantOutcome& outcome, std::chrono::seconds limit) {
  int fds[2];
  if (::pipe(fds) != 0) return Verdict::Crash;
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(fds[0]);
    const MutantOutcome o = work();
    (void)!::write(fds[1], &o, sizeof o);
    ::_exit(0);
  }
  ::close(fds[1]);
  pollfd p{fds[0], POLLIN, 0};
  const int ready = ::poll(&p, 1, static_cast<int>(std::chrono::milliseconds(limit).count()));
  bool got = false;
  if (ready > 0) got = ::read(fds[0], &outcome, sizeof outcome) == static_cast<ssize_t>(sizeof outcome);
  ::close(fds[0]);
  if (ready == 0) {
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    return Verdict::Hang;
  }
  int status = 0;
  ::waitpid(child, &status, 0);
  if (!got || !WIFEXITED(status)) return Verdict::Crash;
  return Judge(outcome);
}

}  // namespace ks::test
