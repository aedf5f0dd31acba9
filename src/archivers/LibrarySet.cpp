#include "archivers/LibrarySet.h"

#include <cstdint>

namespace ks {
int ReadResult(int value, ResultWidth width) {
  if (width == ResultWidth::Bits32) return value;
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(value & 0xFFFF));
}

bool IsBusy(int running, ResultWidth width) { return ReadResult(running, width) == -1; }

// ---------------------------------------------------------------------------

Library::Library(const LibraryDescriptor& info, std::shared_ptr<CommonArchiver> impl)
    : info_(info), impl_(std::move(impl)) {
  if (impl_) impl_->libraryName_ = info_.fileName;
}

CommonArchiver& Library::Require(EntryPoint ep, const char* suffix) {
  const std::string name =
      ep == kEpCommand ? std::string(info_.command) : std::string(info_.prefix) + suffix;
  if (!impl_ || (info_.entryPoints & ep) == 0) throw LibraryError(info_.fileName, name);
  return *impl_;
}

int Library::Command(WindowHandle owner, const std::string& commandLine, char* output,
                     std::size_t size) {
  return Require(kEpCommand, "").Command(owner, commandLine, output, size);
}

int Library::Command(WindowHandle owner, const std::string& commandLine) {
  return Require(kEpCommand, "").CommandNoBuffer(owner, commandLine);
}

int Library::GetVersion() { return Require(kEpGetVersion, "GetVersion").GetVersion(); }

int Library::GetRunning() { return Require(kEpGetRunning, "GetRunning").GetRunning(); }

int Library::CheckArchive(const std::string& file, int mode) {
  return Require(kEpCheckArchive, "CheckArchive").CheckArchive(file, mode);
}

int Library::ConfigDialog(WindowHandle owner, char* buffer, int mode) {
  return Require(kEpConfigDialog, "ConfigDialog").ConfigDialog(owner, buffer, mode);
}

int Library::FileList(const std::string& file, char* buffer, int size) {
  return Require(kEpFileList, "FileList").FileList(file, buffer, size);
}

std::string Library::CommandRefusal(const std::string& commandLine) {
  return impl_ ? impl_->CommandRefusal(commandLine) : std::string();
}

// ---------------------------------------------------------------------------

UnrarLibrary::UnrarLibrary(std::shared_ptr<UnrarInterface> impl) : impl_(std::move(impl)) {}

UnrarInterface& UnrarLibrary::Require(const char* entryPoint) {
  if (!impl_) throw LibraryError("unrar.dll", entryPoint);
  return *impl_;
}

int UnrarLibrary::RARGetDllVersion() { return Require("RARGetDllVersion").RARGetDllVersion(); }

RarHandle UnrarLibrary::RAROpenArchive(RarOpenArchiveData& data) {
  return Require("RAROpenArchive").RAROpenArchive(data);
}

int UnrarLibrary::RARReadHeader(RarHandle handle, RarHeaderData& header) {
  return Require("RARReadHeader").RARReadHeader(handle, header);
}

int UnrarLibrary::RARProcessFile(RarHandle handle, int operation, const std::string& destPath,
                                 const std::string& destName) {
  return Require("RARProcessFile").RARProcessFile(handle, operation, destPath, destName);
}

int UnrarLibrary::RARCloseArchive(RarHandle handle) {
  return Require("RARCloseArchive").RARCloseArchive(handle);
}

// ---------------------------------------------------------------------------

LibrarySet::LibrarySet() = default;

Library& LibrarySet::Get(LibraryId id) {
  auto& slot = libraries_[static_cast<std::size_t>(id)];
  if (!slot) slot = std::make_unique<Library>(DescriptorOf(id), common_ ? common_(id) : nullptr);
  return *slot;
}

UnrarLibrary& LibrarySet::Unrar() {
  if (!unrarLibrary_) unrarLibrary_ = std::make_unique<UnrarLibrary>(unrar_ ? unrar_() : nullptr);
  return *unrarLibrary_;
}

void LibrarySet::SetResolvers(CommonResolver common, UnrarResolver unrar) {
  common_ = std::move(common);
  unrar_ = std::move(unrar);
  Reset();
}

void LibrarySet::Replace(LibraryId id, std::shared_ptr<CommonArchiver> impl) {
  libraries_[static_cast<std::size_t>(id)] = std::make_unique<Library>(DescriptorOf(id), std::move(impl));
}

void LibrarySet::ReplaceUnrar(std::shared_ptr<UnrarInterface> impl) {
  if (impl) impl->libraryName_ = "unrar.dll";
  unrarLibrary_ = std::make_unique<UnrarLibrary>(std::move(impl));
}

void LibrarySet::Reset() {
  for (auto& slot : libraries_) slot.reset();
  unrarLibrary_.reset();
}

LibrarySet& Libraries() {
  static LibrarySet set;
  return set;
}

}  // namespace ks
