#pragma once
// The thirteen archiver libraries by name. Each name is resolved at its first
// call: a built-in back-end when the resolver has one, otherwise "missing".
// Calling a missing library, or an entry point its library does not have,
// raises LibraryError. Tests replace any name with a fake.

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "archivers/ArchiverInterface.h"
#include "archivers/LibraryDescriptor.h"

namespace ks {

// The value as the caller sees it: the low 16 bits sign-extended, or all 32.
int ReadResult(int value, ResultWidth width);
// "Busy" is -1 at the given width; any other value is free.
bool IsBusy(int running, ResultWidth width);

// One library of the common interface, as the program calls it.
class Library {
 public:
  Library(const LibraryDescriptor& info, std::shared_ptr<CommonArchiver> impl);

  const LibraryDescriptor& info() const { return info_; }
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
  const LibraryDescriptor& info_;
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
