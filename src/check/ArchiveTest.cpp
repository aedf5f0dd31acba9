#include "check/ArchiveTest.h"

#include <array>

#include "archivers/ArchiverHost.h"
#include "archivers/LibraryFailure.h"
#include "archivers/LibrarySet.h"
#include "archivers/Probe.h"
#include "archivers/TypeDetect.h"
#include "check/CheckLines.h"

namespace ks {
namespace {

constexpr int kFullCheck = 2;

struct Tester {
  const char* type;
  const bool* usable;
  LibraryId id;  // unused for RAR
};

// The types a library can test; every other type is skipped.
const std::array<Tester, 7> kTesters = {{
    {kTypeLzh, &HasUnlha, LibraryId::Unlha},
    {kTypeZip, &HasUnZip, LibraryId::UnZip},
    {kTypeCab, &HasCab, LibraryId::Cab},
    {kTypeTar, &HasTar, LibraryId::Tar},
    {kTypeArj, &HasUnarj, LibraryId::Unarj},
    {kTypeYz1, &HasYz1, LibraryId::Yz1},
    {kTypeRar, &HasRar, LibraryId::UnRar32},
}};

const Tester* TesterOf(const std::string& type) {
  for (const Tester& t : kTesters)
    if (type == t.type) return &t;
  return nullptr;
}

std::string Word(bool sound) { return sound ? kWordSound : kWordDamaged; }

std::string RunTest(const Tester& tester, const std::string& path, const std::string& type) {
  if (type == kTypeRar) return Word(RarTest(path));
  Library& library = Libraries().Get(tester.id);
  // Unlike type detection, the check does not end the program for a busy
  // library: it only reports that this archive could not be tested now.
  if (library.GetRunning() != 0) return kWordBusy;
  return Word(ReadResult(library.CheckArchive(path, kFullCheck), ResultWidth::Bits16) != 0);
}

}  // namespace

std::string TestWord(const std::string& path, const std::string& type) {
  if (type == kTypeUnreadable) return kWordUnreadable;
  const Tester* tester = TesterOf(type);
  if (!tester || !*tester->usable) return kWordSkip;
  std::string word;
  const RunCaption caption("検査中", path);
  const auto failure = TryLibraryWork([&] {
    try {
      word = RunTest(*tester, path, type);
    } catch (const LibraryError&) {
      // A library without its test entry point cannot test: not tested.
      word = kWordSkip;
    }
  });
  return failure ? UntestedWord(*failure) : word;
}

std::string UntestedWord(const std::string& whatHappened) {
  return std::string(kWordUntested) + whatHappened;
}

}  // namespace ks
