#include "check/ArchiveTest.h"

#include "archivers/ArchiverHost.h"
#include "archivers/LibraryFailure.h"
#include "archivers/LibrarySet.h"
#include "archivers/TypeDetect.h"
#include "check/CheckLines.h"

namespace ks {
namespace {

constexpr int kFullCheck = 2;

// The libraries that test their type; every other type is skipped.
constexpr LibraryId kTesters[] = {
    LibraryId::Unlha, LibraryId::UnZip, LibraryId::Cab,     LibraryId::Tar,
    LibraryId::Unarj, LibraryId::Yz1,   LibraryId::UnRar32,
};

const LibraryDescriptor* TesterOf(const std::string& type) {
  for (const LibraryId id : kTesters)
    if (type == DescriptorOf(id).type) return &DescriptorOf(id);
  return nullptr;
}

std::string Word(bool sound) { return sound ? kWordSound : kWordDamaged; }

std::string RunTest(const LibraryDescriptor& tester, const std::string& path, const std::string& type) {
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
  const LibraryDescriptor* tester = TesterOf(type);
  if (!tester || !*tester->available) return kWordSkip;
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
