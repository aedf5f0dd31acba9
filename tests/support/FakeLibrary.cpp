#include "support/FakeLibrary.h"

#include <cstring>

namespace ks::test {

FakeLibrary::FakeLibrary(LibraryId id, CallLog log) : info_(DescriptorOf(id)), log_(std::move(log)) {
  defaults_["GetVersion"] = 100;
  defaults_["GetRunning"] = 0;
  defaults_["Command"] = 0;
  defaults_["CheckArchive"] = 0;
  defaults_["ConfigDialog"] = 0;
  defaults_["FileList"] = 1;
}

void FakeLibrary::Queue(const std::string& suffix, int value) { queued_[suffix].push_back(value); }
void FakeLibrary::SetDefault(const std::string& suffix, int value) { defaults_[suffix] = value; }
void FakeLibrary::SetHook(const std::string& suffix, std::function<int(const LibraryCall&)> hook) {
  hooks_[suffix] = std::move(hook);
}
void FakeLibrary::Lack(const std::string& suffix) { lacking_.insert(suffix); }

int FakeLibrary::Call(const std::string& suffix, std::vector<std::string> args,
                      WindowHandle owner) {
  const std::string name =
      suffix == "Command" ? std::string(info_.command) : std::string(info_.prefix) + suffix;
  LibraryCall call{name, std::move(args), owner};
  log_->push_back(call);
  if (lacking_.count(suffix)) throw LibraryError(info_.fileName, name);
  if (auto h = hooks_.find(suffix); h != hooks_.end()) return h->second(call);
  if (auto q = queued_.find(suffix); q != queued_.end() && !q->second.empty()) {
    const int v = q->second.front();
    q->second.pop_front();
    return v;
  }
  return defaults_[suffix];
}

int FakeLibrary::Command(WindowHandle owner, const std::string& commandLine, char* output,
                         std::size_t size) {
  const int r = Call("Command", {commandLine, std::to_string(size)}, owner);
  if (output && size > 0) {
    const std::size_t n = std::min(outputText.size(), size - 1);
    std::memcpy(output, outputText.data(), n);
    output[n] = '\0';
  }
  return r;
}

int FakeLibrary::CommandNoBuffer(WindowHandle owner, const std::string& commandLine) {
  return Call("Command", {commandLine}, owner);
}

int FakeLibrary::GetVersion() { return Call("GetVersion", {}); }
int FakeLibrary::GetRunning() { return Call("GetRunning", {}); }
int FakeLibrary::CheckArchive(const std::string& file, int mode) {
  return Call("CheckArchive", {file, std::to_string(mode)});
}
int FakeLibrary::ConfigDialog(WindowHandle, char*, int mode) {
  return Call("ConfigDialog", {std::to_string(mode)});
}
int FakeLibrary::FileList(const std::string& file, char*, int size) {
  return Call("FileList", {file, std::to_string(size)});
}

// ---------------------------------------------------------------------------

FakeUnrar::FakeUnrar(CallLog log) : log_(std::move(log)) {}

int FakeUnrar::RARGetDllVersion() {
  log_->push_back({"RARGetDllVersion", {}});
  return version;
}

RarHandle FakeUnrar::RAROpenArchive(RarOpenArchiveData& data) {
  log_->push_back({"RAROpenArchive", {data.archiveName, std::to_string(data.openMode)}});
  if (openFails) return 0;
  next_ = 0;
  ++openHandles;
  return 1;
}

int FakeUnrar::RARReadHeader(RarHandle, RarHeaderData& header) {
  log_->push_back({"RARReadHeader", {}});
  if (static_cast<int>(next_) == headerErrorAt) return 13;  // bad data
  if (next_ >= entries.size()) return 10;                   // end of archive
  const auto& e = entries[next_];
  header.fileName = e.name;
  header.flags = e.flags;
  header.fileAttr = e.attr;
  return 0;
}

int FakeUnrar::RARProcessFile(RarHandle, int operation, const std::string&, const std::string&) {
  log_->push_back({"RARProcessFile", {std::to_string(operation)}});
  const int r = next_ < entries.size() ? entries[next_].processResult : 0;
  ++next_;
  return r;
}

int FakeUnrar::RARCloseArchive(RarHandle) {
  log_->push_back({"RARCloseArchive", {}});
  --openHandles;
  return 0;
}

// ---------------------------------------------------------------------------

FakeLibrarySet::FakeLibrarySet() {
  for (const auto& info : AllLibraries()) {
    auto fake = std::make_shared<FakeLibrary>(info.id, log);
    fakes_[info.id] = fake;
    Libraries().Replace(info.id, fake);
  }
  unrar_ = std::make_shared<FakeUnrar>(log);
  unrar_->version = 100;
  Libraries().ReplaceUnrar(unrar_);
}

FakeLibrarySet::~FakeLibrarySet() { Libraries().Reset(); }

FakeLibrary& FakeLibrarySet::operator[](LibraryId id) { return *fakes_.at(id); }
FakeUnrar& FakeLibrarySet::unrar() { return *unrar_; }

void FakeLibrarySet::Missing(LibraryId id) { Libraries().Replace(id, nullptr); }
void FakeLibrarySet::MissingUnrar() { Libraries().ReplaceUnrar(nullptr); }
void FakeLibrarySet::AllMissing() {
  for (const auto& info : AllLibraries()) Missing(info.id);
  MissingUnrar();
}

std::vector<std::string> FakeLibrarySet::CallNames() const {
  std::vector<std::string> names;
  for (const auto& c : *log) names.push_back(c.name);
  return names;
}

}  // namespace ks::test
