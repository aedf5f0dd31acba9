#include "archivers/ArchiverInterface.h"

namespace ks {

LibraryError::LibraryError(std::string library, std::string entryPoint)
    : std::runtime_error(library + ": entry point " + entryPoint + " not available"),
      library_(std::move(library)),
      entryPoint_(std::move(entryPoint)) {}

int CommonArchiver::Command(WindowHandle, const std::string&, char*, std::size_t) {
  throw LibraryError(libraryName_, "Command");
}
int CommonArchiver::GetVersion() { throw LibraryError(libraryName_, "GetVersion"); }
int CommonArchiver::GetRunning() { throw LibraryError(libraryName_, "GetRunning"); }
int CommonArchiver::CheckArchive(const std::string&, int) {
  throw LibraryError(libraryName_, "CheckArchive");
}
int CommonArchiver::ConfigDialog(WindowHandle, char*, int) {
  throw LibraryError(libraryName_, "ConfigDialog");
}
int CommonArchiver::FileList(const std::string&, char*, int) {
  throw LibraryError(libraryName_, "FileList");
}
int CommonArchiver::CommandNoBuffer(WindowHandle, const std::string&) {
  throw LibraryError(libraryName_, "Command");
}
std::string CommonArchiver::CommandRefusal(const std::string&) { return std::string(); }

int UnrarInterface::RARGetDllVersion() { throw LibraryError(libraryName_, "RARGetDllVersion"); }
RarHandle UnrarInterface::RAROpenArchive(RarOpenArchiveData&) {
  throw LibraryError(libraryName_, "RAROpenArchive");
}
int UnrarInterface::RARReadHeader(RarHandle, RarHeaderData&) {
  throw LibraryError(libraryName_, "RARReadHeader");
}
int UnrarInterface::RARProcessFile(RarHandle, int, const std::string&, const std::string&) {
  throw LibraryError(libraryName_, "RARProcessFile");
}
int UnrarInterface::RARCloseArchive(RarHandle) {
  throw LibraryError(libraryName_, "RARCloseArchive");
}

}  // namespace ks
