// UnRar32.DLL's command `Unrar`, which extracts RAR archives, and the
// unrar.dll interface the type detection and the check read them through.
// libarchive reads RAR 4 and RAR 5 (without encryption).
#include <map>

#include "archivers/builtin/common/ArchiveExtract.h"
#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/BuiltinBackend.h"
#include "archivers/builtin/common/CommandLine.h"
#include "archivers/builtin/rar/RarCodes.h"
#include "archivers/builtin/rar/RarGuard.h"

namespace ks {
namespace {

class Unrar32Backend : public BuiltinBackend {
 public:
  Unrar32Backend() : BuiltinBackend(146) {}

 protected:
  int Execute(WindowHandle owner, const std::string& commandLine, OutputLog& log) override {
    const std::vector<std::string> args = SplitCommandLine(commandLine);
    if (args.size() != 3 || args[0] != "-x") {
      return UnknownCommand(log, commandLine);
    }
    ExtractRequest request;
    request.archive = args[1];
    // The folder comes with its separator doubled ("dl//"): the same folder.
    request.folder = args[2];
    request.formats = kFormatRar;
    request.guard = MakeRarGuard;
    request.owner = owner;
    request.progressTitle = "UnRAR";
    return ExtractArchive(request, log);
  }
};

class UnrarDll : public UnrarInterface {
 public:
  int RARGetDllVersion() override { return kRarDllVersion; }

  RarHandle RAROpenArchive(RarOpenArchiveData& data) override {
    auto reader = std::make_unique<ArchiveReader>(kFormatRar, MakeRarGuard);
    const int r = reader->Open(data.archiveName);
    if (r != kArcOk) {
      data.openResult = r == kArcArcFileOpen ? kErarOpen : kErarBadArchive;
      return 0;
    }
    data.openResult = kErarSuccess;
    data.comment.clear();
    const RarHandle handle = ++lastHandle_;
    open_[handle] = {std::move(reader), data.archiveName, false};
    return handle;
  }

  int RARReadHeader(RarHandle handle, RarHeaderData& header) override {
    auto it = open_.find(handle);
    if (it == open_.end()) return kErarBadArchive;
    Open& o = it->second;
    switch (o.reader->NextEntry()) {
      case ArchiveReader::Next::End:
        return kErarEndArchive;
      case ArchiveReader::Next::Damaged:
      case ArchiveReader::Next::Broken:
        return o.reader->error() == kArcNotArcFile ? kErarBadArchive : kErarBadData;
      case ArchiveReader::Next::Entry:
        break;
    }
    const ExtractEntry& e = o.reader->entry();
    header = RarHeaderData{};
    header.archiveName = o.name;
    header.fileName = e.name;
    header.flags = o.reader->entryEncrypted() ? kRarFlagEncrypted : 0;
    header.fileAttr = e.type == EntryType::Directory ? kRarAttrDirectory : kRarAttrArchive;
    header.unpSize = e.size;
    return kErarSuccess;
  }

  int RARProcessFile(RarHandle handle, int operation, const std::string&,
                     const std::string&) override {
    auto it = open_.find(handle);
    if (it == open_.end()) return kErarBadArchive;
    ArchiveReader& reader = *it->second.reader;
    if (operation == kRarSkip) return reader.SkipData() == kArcOk ? kErarSuccess : kErarBadData;
    if (operation != kRarTest) return kErarNotImplemented;
    if (reader.entryEncrypted()) return kErarMissingPassword;
    const int r = reader.ReadData([](const void*, std::size_t) { return kArcOk; });
    return r == kArcOk ? kErarSuccess : kErarBadData;
  }

  int RARCloseArchive(RarHandle handle) override {
    return open_.erase(handle) ? kErarSuccess : kErarClose;
  }

 private:
  struct Open {
    std::unique_ptr<ArchiveReader> reader;
    std::string name;
    bool unused;
  };
  std::map<RarHandle, Open> open_;
  RarHandle lastHandle_ = 0;
};

}  // namespace

std::shared_ptr<CommonArchiver> MakeUnrar32Backend() { return std::make_shared<Unrar32Backend>(); }
std::shared_ptr<UnrarInterface> MakeUnrarDllBackend() { return std::make_shared<UnrarDll>(); }

}  // namespace ks
