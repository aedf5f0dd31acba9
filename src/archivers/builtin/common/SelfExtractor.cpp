#include "archivers/builtin/common/SelfExtractor.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "archivers/builtin/common/OutFile.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/TempOutput.h"

namespace ks {
namespace fs = std::filesystem;

// The stubs' bytes, in SfxStub order; generated at build time from the
// binaries in sfx/ (sfx/EmbedStubs.cmake).
extern const SfxStubImage kSfxStubImages[kSfxStubCount];

namespace {

constexpr std::size_t kCopyChunk = 1 << 20;

// Where each stub's binary lives in the source tree, for messages.
const char* StubSource(SfxStub stub) {
  switch (stub) {
    case SfxStub::LzhWindow: return "sfx/win32/lzhwin.exe";
    case SfxStub::LzhMinimal: return "sfx/win32/lzhmin.exe";
    case SfxStub::LzhDos: return "sfx/dos/lzhdos.exe";
    case SfxStub::Cab: return "sfx/win32/cabwin.exe";
    case SfxStub::Bga: return "sfx/win32/bgawin.exe";
  }
  return "sfx/";
}

struct FileCloser {
  void operator()(std::FILE* f) const {
    if (f) std::fclose(f);
  }
};

}  // namespace

SfxStubImage SelfExtractorStub(SfxStub stub) { return kSfxStubImages[static_cast<std::size_t>(stub)]; }

std::string MissingStubReason(SfxStub stub) {
  if (SelfExtractorStub(stub).size != 0) return std::string();
  return std::string("this build of the program has no self-extractor stub ") + StubSource(stub) +
         " (build it with sfx/build.sh and build the program again)";
}

std::string MissingStubRefusal(SfxStub stub) {
  if (SelfExtractorStub(stub).size != 0) return std::string();
  return std::string("このプログラムには自己解凍書庫の元になるプログラム ") + StubSource(stub) +
         " が組み込まれていません。sfx/build.sh で作ってから、プログラムをビルドし直して下さい。";
}

fs::path SelfExtractorName(const fs::path& archive, const fs::path& folder) {
  return folder / (archive.stem().string() + ".exe");
}

int WriteSelfExtractor(SfxStub stub, const fs::path& archive, const fs::path& program, OutputLog& log) {
  const SfxStubImage image = SelfExtractorStub(stub);
  if (image.size == 0) {
    log.Line(MissingStubReason(stub));
    return kArcNotSupported;
  }
  std::unique_ptr<std::FILE, FileCloser> in(std::fopen(archive.c_str(), "rb"));
  if (!in) {
    log.Line("cannot open the archive " + archive.string() + ": " + std::strerror(errno));
    return kArcArcFileOpen;
  }
  std::error_code ec;
  if (fs::exists(fs::symlink_status(program, ec))) {
    log.Line("a file of that name exists already, not replaced: " + program.string());
    return kArcAlreadyExist;
  }
  TempOutput output(program);
  OutFile out;
  bool written = out.Open(output.temp(), "wb") && out.Write(image.data, image.size);
  std::vector<unsigned char> chunk(kCopyChunk);
  while (written) {
    const std::size_t n = std::fread(chunk.data(), 1, chunk.size(), in.get());
    if (n == 0) break;
    written = out.Write(chunk.data(), n);
  }
  if (std::ferror(in.get())) {
    log.Line("cannot read the archive " + archive.string() + ": " + std::strerror(errno));
    return kArcCannotRead;
  }
  if (!written || !out.Close()) {
    log.Line("cannot write " + output.temp().string() + ": " + std::strerror(out.error()));
    return WriteErrorResult(out.error());
  }
  if (const auto err = output.Commit(false)) {
    log.Line("cannot name the program " + program.string() + ": " + err.message());
    return err == std::errc::file_exists ? kArcAlreadyExist : WriteErrorResult(err);
  }
  log.Line("created " + program.string());
  return kArcOk;
}

int MakeSelfExtractor(SfxStub stub, const fs::path& archive, const fs::path& folder,
                      const std::function<int(OutputLog&)>& check, OutputLog& log) {
  if (const std::string missing = MissingStubReason(stub); !missing.empty()) {
    log.Line(missing);
    return kArcNotSupported;
  }
  if (const int r = check(log); r != kArcOk) {
    log.Line("no self-extractor made");
    return r;
  }
  return WriteSelfExtractor(stub, archive, SelfExtractorName(archive, folder), log);
}

}  // namespace ks
