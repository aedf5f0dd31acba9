#pragma once
// The calling conventions of the archiver libraries. Twelve libraries share
// the common archiver interface (CommonArchiver); unrar.dll has its own
// (UnrarInterface). Implementations are our built-in back-ends, or fakes in
// tests. An implementation overrides only the entry points its library has;
// the defaults raise LibraryError, as calling a missing entry point would.

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/Platform.h"

namespace ks {

// Raised when a library or one of its entry points cannot be reached.
class LibraryError : public std::runtime_error {
 public:
  LibraryError(std::string library, std::string entryPoint);
  const std::string& library() const { return library_; }
  const std::string& entryPoint() const { return entryPoint_; }

 private:
  std::string library_;
  std::string entryPoint_;
};

// The common archiver interface. Text is UTF-8.
class CommonArchiver {
 public:
  virtual ~CommonArchiver() = default;

  // Runs one command line. The library writes a NUL-terminated log into
  // `output`, never more than `size` bytes. 0 means success.
  virtual int Command(WindowHandle owner, const std::string& commandLine, char* output,
                      std::size_t size);
  // Version times 100; 1 or more means usable.
  virtual int GetVersion();
  // -1 (all bits set) while a command of this library is running, 0 otherwise.
  virtual int GetRunning();
  // Non-zero when `file` is a valid archive of this library's format. Mode 0
  // is the quick test, 2 the full test (every entry read and verified).
  virtual int CheckArchive(const std::string& file, int mode);
  // Shows the library's own settings dialog; the result is not used.
  virtual int ConfigDialog(WindowHandle owner, char* buffer, int mode);
  // Ish32 only: lists the file; 0 means an ISH file.
  virtual int FileList(const std::string& file, char* buffer, int size);
  // Ish32 only: its command takes no output buffer.
  virtual int CommandNoBuffer(WindowHandle owner, const std::string& commandLine);
  // Why `commandLine` cannot be carried out on this platform whatever the
  // files it names, for the user (Japanese), or "" when it may be. Not an
  // entry point of the libraries: our back-ends answer it so that a
  // compression run that cannot succeed (a self-extractor no stub exists
  // for) is refused before it makes anything. Anything that cannot tell
  // answers "".
  virtual std::string CommandRefusal(const std::string& commandLine);

 protected:
  // Name used in LibraryError ("Unlha32.DLL"); set by the library set.
  friend class Library;
  std::string libraryName_ = "archiver";
};

// unrar.dll's published interface, reduced to what the program uses.
using RarHandle = std::uintptr_t;  // 0 = no archive

struct RarOpenArchiveData {
  std::string archiveName;
  unsigned int openMode = 1;  // 1: list and test
  unsigned int openResult = 0;
  std::string comment;  // up to 256 characters
};

struct RarHeaderData {
  std::string archiveName;
  std::string fileName;
  unsigned int flags = 0;     // bit 4 (0x04): encrypted entry
  unsigned int fileAttr = 0;  // bit 16 (0x10): folder
  std::uint64_t packSize = 0;
  std::uint64_t unpSize = 0;
  unsigned int fileCRC = 0;
};

constexpr unsigned int kRarFlagEncrypted = 0x04;
constexpr unsigned int kRarAttrDirectory = 0x10;
constexpr int kRarSkip = 0;
constexpr int kRarTest = 1;

class UnrarInterface {
 public:
  virtual ~UnrarInterface() = default;
  virtual int RARGetDllVersion();
  // Returns a handle, or 0 when the archive cannot be opened.
  virtual RarHandle RAROpenArchive(RarOpenArchiveData& data);
  // 0 while an entry follows (and fills `header`); non-zero at the end or on error.
  virtual int RARReadHeader(RarHandle handle, RarHeaderData& header);
  // Operation kRarSkip or kRarTest on the entry just read; 0 on success.
  virtual int RARProcessFile(RarHandle handle, int operation, const std::string& destPath,
                             const std::string& destName);
  virtual int RARCloseArchive(RarHandle handle);

 protected:
  friend class LibrarySet;
  std::string libraryName_ = "unrar.dll";
};

}  // namespace ks
