#pragma once
// Scripted stand-ins for the archiver libraries. Every call is recorded with
// its entry-point name and arguments; results come from a script per entry
// point (a queue of values, then a default), or from a hook.

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "archivers/LibrarySet.h"

namespace ks::test {

struct LibraryCall {
  std::string name;               // full entry-point name: "UnlhaCheckArchive"
  std::vector<std::string> args;  // arguments as text
  WindowHandle owner = nullptr;   // the owner window of a command
};

// The call log shared by every fake of a test, so the order across libraries
// can be checked.
using CallLog = std::shared_ptr<std::vector<LibraryCall>>;

class FakeLibrary : public CommonArchiver {
 public:
  FakeLibrary(LibraryId id, CallLog log);

  // Results of an entry point by its suffix: "Command", "GetVersion",
  // "GetRunning", "CheckArchive", "ConfigDialog", "FileList". Queued values are
  // used first, one per call; then the default.
  void Queue(const std::string& suffix, int value);
  void SetDefault(const std::string& suffix, int value);
  // Custom behaviour (overrides the script). The hook gets the call's args.
  void SetHook(const std::string& suffix, std::function<int(const LibraryCall&)> hook);
  // Make an entry point raise LibraryError, as one the library lacks would.
  void Lack(const std::string& suffix);
  // Text written into the output buffer by Command.
  std::string outputText;
  // What CommandRefusal answers for every command line.
  std::string refusal;

  int Command(WindowHandle owner, const std::string& commandLine, char* output,
              std::size_t size) override;
  int CommandNoBuffer(WindowHandle owner, const std::string& commandLine) override;
  int GetVersion() override;
  int GetRunning() override;
  int CheckArchive(const std::string& file, int mode) override;
  int ConfigDialog(WindowHandle owner, char* buffer, int mode) override;
  int FileList(const std::string& file, char* buffer, int size) override;
  std::string CommandRefusal(const std::string&) override { return refusal; }

 private:
  int Call(const std::string& suffix, std::vector<std::string> args,
           WindowHandle owner = nullptr);
  const LibraryDescriptor& info_;
  CallLog log_;
  std::map<std::string, std::deque<int>> queued_;
  std::map<std::string, int> defaults_;
  std::map<std::string, std::function<int(const LibraryCall&)>> hooks_;
  std::set<std::string> lacking_;
};

// unrar.dll: a scripted archive of entries.
struct FakeRarEntry {
  std::string name;
  unsigned flags = 0;     // kRarFlagEncrypted
  unsigned attr = 0;      // kRarAttrDirectory
  int processResult = 0;  // what RARProcessFile answers for this entry
};

class FakeUnrar : public UnrarInterface {
 public:
  explicit FakeUnrar(CallLog log);
  int version = 0;
  bool openFails = false;
  std::vector<FakeRarEntry> entries;
  int headerErrorAt = -1;  // index of the entry whose header read fails

  int RARGetDllVersion() override;
  RarHandle RAROpenArchive(RarOpenArchiveData& data) override;
  int RARReadHeader(RarHandle handle, RarHeaderData& header) override;
  int RARProcessFile(RarHandle handle, int operation, const std::string& destPath,
                     const std::string& destName) override;
  int RARCloseArchive(RarHandle handle) override;
  int openHandles = 0;  // opened and not yet closed

 private:
  CallLog log_;
  std::size_t next_ = 0;
};

// A whole library set of fakes, installed into Libraries() for its lifetime.
// Every library starts present with version 100 and idle; Missing() removes one.
class FakeLibrarySet {
 public:
  FakeLibrarySet();
  ~FakeLibrarySet();
  FakeLibrarySet(const FakeLibrarySet&) = delete;
  FakeLibrarySet& operator=(const FakeLibrarySet&) = delete;

  FakeLibrary& operator[](LibraryId id);
  FakeUnrar& unrar();
  void Missing(LibraryId id);
  void MissingUnrar();
  // Every library missing.
  void AllMissing();

  CallLog log = std::make_shared<std::vector<LibraryCall>>();
  std::vector<std::string> CallNames() const;

 private:
  std::map<LibraryId, std::shared_ptr<FakeLibrary>> fakes_;
  std::shared_ptr<FakeUnrar> unrar_;
};

}  // namespace ks::test
