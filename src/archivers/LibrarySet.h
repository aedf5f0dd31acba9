#pragma once
// The thirteen archiver libraries by name. Each name is resolved at its first
// call: a built-in back-end when the resolver has one, otherwise "missing".
// Calling a missing library, or an entry point its library does not have,
// raises LibraryError. Tests replace any name with a fake.

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "archivers/ArchiverInterface.h"

namespace ks {

// The twelve libraries of the common archiver interface.
enum class LibraryId {
  Unlha,    // Unlha32.DLL
  UnZip,    // UnZip32.DLL
  Zip,      // Zip32j.DLL
  Cab,      // Cab32.DLL
  UnRar32,  // UnRar32.DLL (only its command `Unrar`)
  Jack,     // Jack32.DLL
  Tar,      // Tar32.DLL
  Unarj,    // UnArj32j.DLL
  Ish,      // Ish32.DLL
  UnGCA,    // UnGCA32.DLL
  Yz1,      // Yz1.DLL
  Bga,      // Bga32.DLL
};
constexpr std::size_t kCommonLibraryCount = 12;

enum EntryPoint : unsigned {
  kEpCommand = 1u << 0,
  kEpGetVersion = 1u << 1,
  kEpGetRunning = 1u << 2,
  kEpCheckArchive = 1u << 3,
  kEpConfigDialog = 1u << 4,
  kEpFileList = 1u << 5,
};

struct LibraryInfo {
  LibraryId id;
  const char* fileName;  // "Unlha32.DLL"
  const char* prefix;    // "Unlha": entry points are prefix + "GetVersion" ...
  const char* command;   // name of the command entry point: "Unlha"
  unsigned entryPoints;  // EntryPoint bits
};

const LibraryInfo& InfoOf(LibraryId id);
const std::array<LibraryInfo, kCommonLibraryCount>& AllLibraries();
// The library whose file name matches, ignoring case ("unlha32.dll").
std::optional<LibraryId> LibraryByFileName(const std::string& fileName);

// Width at which a result is read: some callers look only at the low 16 bits.
enum class ResultWidth { Bits16, Bits32 };
// The value as the caller sees it: the low 16 bits sign-extended, or all 32.
int ReadResult(int value, ResultWidth width);
// "Busy" is -1 at the given width; any other value is free.
bool IsBusy(int running, ResultWidth width);

// One library of the common interface, as the program calls it.
class Library {
 public:
  Library(const LibraryInfo& info, std::shared_ptr<CommonArchiver> impl);

  const LibraryInfo& info() const { return info_; }
  bool present() const { return impl_ != nullptr; }

  int Command(WindowHandle owner, const std::string& commandLine, char* output, std::size_t size);
  int Command(WindowHandle owner, const std::string& commandLine);  // Ish32: no buffer
  int GetVersion();
  int GetRunning();
  int CheckArchive(const std::string& file, int mode);
  int ConfigDialog(WindowHandle owner, char* buffer, int mode);
  int FileList(const std::string& file, char* buffer, int size);
  // CommonArchiver::CommandRefusal; "" for a missing library, whose command
  // fails on its own.
  std::string CommandRefusal(const std::string& commandLine);

 private:
  CommonArchiver& Require(EntryPoint ep, const char* suffix);
  const LibraryInfo& info_;
  std::shared_ptr<CommonArchiver> impl_;
};

// unrar.dll as the program calls it.
class UnrarLibrary {
 public:
  explicit UnrarLibrary(std::shared_ptr<UnrarInterface> impl);
  bool present() const { return impl_ != nullptr; }
  int RARGetDllVersion();
  RarHandle RAROpenArchive(RarOpenArchiveData& data);
  int RARReadHeader(RarHandle handle, RarHeaderData& header);
  int RARProcessFile(RarHandle handle, int operation, const std::string& destPath = {},
                     const std::string& destName = {});
  int RARCloseArchive(RarHandle handle);

 private:
  UnrarInterface& Require(const char* entryPoint);
  std::shared_ptr<UnrarInterface> impl_;
};

class LibrarySet {
 public:
  using CommonResolver = std::function<std::shared_ptr<CommonArchiver>(LibraryId)>;
  using UnrarResolver = std::function<std::shared_ptr<UnrarInterface>()>;

  LibrarySet();

  Library& Get(LibraryId id);
  UnrarLibrary& Unrar();

  // Where names are looked up at their first call. Forgets every library
  // resolved so far. Without resolvers every library is missing.
  void SetResolvers(CommonResolver common, UnrarResolver unrar);
  // Tests: put an implementation (or nullptr for "missing") behind a name.
  void Replace(LibraryId id, std::shared_ptr<CommonArchiver> impl);
  void ReplaceUnrar(std::shared_ptr<UnrarInterface> impl);
  // Forgets every resolved library and every replacement; resolvers stay.
  void Reset();

 private:
  CommonResolver common_;
  UnrarResolver unrar_;
  std::array<std::unique_ptr<Library>, kCommonLibraryCount> libraries_;
  std::unique_ptr<UnrarLibrary> unrarLibrary_;
};

// The program-wide library set.
LibrarySet& Libraries();

}  // namespace ks
