#include "archivers/builtin/jack/JackSplit.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "archivers/ArchiverHost.h"
#include "archivers/builtin/codec/Checksums.h"
#include "archivers/builtin/jack/JackFormat.h"
#include "archivers/builtin/jack/JackScript.h"
#include "archivers/builtin/common/OutFile.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/TempOutput.h"

namespace ks {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunk = 256 * 1024;

struct PlannedPiece {
  std::unique_ptr<TempOutput> output;
  JackHeader header;
};

int Failed(const std::string& what, int errnoValue, OutputLog& log) {
  log.Line(what + ": " + std::strerror(errnoValue));
  return WriteErrorResult(errnoValue);
}

// Asks before any existing name of the set is replaced. kArcOk when every
// name is free or may be replaced.
int MayReplace(WindowHandle owner, const std::vector<fs::path>& targets, OutputLog& log) {
  bool all = false;
  for (const fs::path& target : targets) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(target, ec))) continue;
    if (fs::is_directory(fs::symlink_status(target, ec))) {
      log.Line("a folder stands where a piece goes: " + target.string());
      return kArcAlreadyExist;
    }
    if (all) continue;
    switch (TheArchiverHost().AskOverwrite(owner, target.string())) {
      case OverwriteAnswer::Replace: break;
      case OverwriteAnswer::ReplaceAll: all = true; break;
      case OverwriteAnswer::Skip:
      case OverwriteAnswer::SkipAll:
        log.Line("not replaced: " + target.string() + "; nothing split");
        return kArcAlreadyExist;
      case OverwriteAnswer::Cancel:
        log.Line("cancelled");
        return kArcUserCancel;
    }
  }
  return kArcOk;
}

}  // namespace

int JackSplit(WindowHandle owner, const JackSplitRequest& request, OutputLog& log) {
  std::error_code ec;
  if (!fs::is_regular_file(request.source, ec)) {
    log.Line("no such file to split: " + request.source.string());
    return kArcNotExist;
  }
  const std::string name = request.source.filename().string();
  if (!IsUsableJackName(name)) {
    log.Line("this file name cannot be kept in a piece: " + name);
    return kArcNotSupported;
  }
  const std::uint64_t total = fs::file_size(request.source, ec);
  if (ec) {
    log.Line("cannot read the size of " + request.source.string() + ": " + ec.message());
    return kArcFileOpen;
  }

  const std::size_t headerSize = kJackFixedHeaderSize + name.size();
  const std::uint64_t pieceBytes = request.pieceKB * 1024;
  if (pieceBytes <= headerSize) {
    log.Line("a piece of " + std::to_string(request.pieceKB) +
             " KB cannot hold its header; choose a larger size");
    return kArcCommandName;
  }
  const std::uint64_t pieceData = pieceBytes - headerSize;
  const std::uint64_t count64 = total == 0 ? 1 : (total + pieceData - 1) / pieceData;
  if (count64 > kJackMaxPieces) {
    log.Line("pieces of " + std::to_string(request.pieceKB) + " KB would make " +
             std::to_string(count64) + " pieces (at most " + std::to_string(kJackMaxPieces) +
             "); choose a larger size");
    return kArcCommandName;
  }
  const auto count = static_cast<std::uint32_t>(count64);

  fs::create_directories(request.folder, ec);
  if (!fs::is_directory(request.folder, ec)) {
    log.Line("cannot make the folder " + request.folder.string());
    return kArcMakeDirectory;
  }

  std::vector<PlannedPiece> pieces(count);
  std::vector<fs::path> targets;
  for (std::uint32_t i = 0; i < count; ++i) {
    targets.push_back(request.folder / JackPieceName(name, i + 1, count));
    JackHeader& h = pieces[i].header;
    h.flags = request.selfJoining ? kJackFlagJoinerScript : 0;
    h.pieceNumber = i + 1;
    h.pieceCount = count;
    h.dataOffset = pieceData * i;
    h.dataSize = i + 1 < count ? pieceData : total - h.dataOffset;
    h.totalSize = total;
    h.name = name;
  }
  const fs::path scriptTarget = request.folder / JackScriptName(name);
  if (request.selfJoining) targets.push_back(scriptTarget);
  if (int r = MayReplace(owner, targets, log); r != kArcOk) return r;

  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(request.source.c_str(), "rb"),
                                                     std::fclose);
  if (!in) {
    log.Line("cannot open " + request.source.string() + ": " + std::strerror(errno));
    return kArcFileOpen;
  }

  auto progress = TheArchiverHost().BeginProgress(owner, "Jack");
  Crc32 totalCrc;
  PosixCksum cksum;
  std::vector<char> buffer(kChunk);
  std::uint64_t done = 0;
  for (std::uint32_t i = 0; i < count; ++i) {
    PlannedPiece& piece = pieces[i];
    piece.output = std::make_unique<TempOutput>(targets[i]);
    OutFile out;
    // The header is written twice: now to hold its place, and again at the
    // end, when the whole file's CRC is known.
    const std::string placeholder = EncodeJackHeader(piece.header);
    if (!out.Open(piece.output->temp(), "wb") || !out.Write(placeholder.data(), placeholder.size()))
      return Failed("cannot write " + targets[i].string(), out.error(), log);
    Crc32 dataCrc;
    for (std::uint64_t left = piece.header.dataSize; left > 0;) {
      const std::size_t want = left < kChunk ? static_cast<std::size_t>(left) : kChunk;
      const std::size_t got = std::fread(buffer.data(), 1, want, in.get());
      if (got == 0) {
        log.Line(request.source.string() + " could not be read to its end");
        return kArcCannotRead;
      }
      if (!out.Write(buffer.data(), got))
        return Failed("cannot write " + targets[i].string(), out.error(), log);
      dataCrc.Update(buffer.data(), got);
      totalCrc.Update(buffer.data(), got);
      cksum.Update(buffer.data(), got);
      left -= got;
      done += got;
      if (!progress->Update(targets[i].filename().string(), done, total)) {
        log.Line("cancelled; no pieces kept");
        return kArcUserCancel;
      }
    }
    if (!out.Close()) return Failed("cannot write " + targets[i].string(), out.error(), log);
    piece.header.dataCrc = dataCrc.value();
  }
  if (std::fgetc(in.get()) != EOF) {
    log.Line(request.source.string() + " grew while it was being split; no pieces kept");
    return kArcCannotRead;
  }

  for (std::uint32_t i = 0; i < count; ++i) {
    PlannedPiece& piece = pieces[i];
    piece.header.totalCrc = totalCrc.value();
    const std::string header = EncodeJackHeader(piece.header);
    OutFile out;
    if (!out.Open(piece.output->temp(), "r+b") || !out.Write(header.data(), header.size()) ||
        !out.Close())
      return Failed("cannot write " + targets[i].string(), out.error(), log);
  }

  std::unique_ptr<TempOutput> script;
  if (request.selfJoining) {
    JackScriptFacts facts;
    facts.name = name;
    facts.pieceCount = count;
    facts.headerSize = headerSize;
    facts.pieceData = count > 1 ? pieceData : pieces[0].header.dataSize;
    facts.lastData = pieces[count - 1].header.dataSize;
    facts.totalSize = total;
    facts.cksum = cksum.value();
    const std::string text = JackJoinerScript(facts);
    script = std::make_unique<TempOutput>(scriptTarget);
    OutFile out;
    if (!out.Open(script->temp(), "wb") || !out.Write(text.data(), text.size()) || !out.Close())
      return Failed("cannot write " + scriptTarget.string(), out.error(), log);
    fs::permissions(script->temp(), fs::perms::owner_exec | fs::perms::group_exec |
                                        fs::perms::others_exec,
                    fs::perm_options::add, ec);
  }

  // Put the set in place; if a rename fails, take back the ones already made
  // so no incomplete set is left.
  std::vector<fs::path> placed;
  auto commit = [&](TempOutput& output) {
    if (const auto err = output.Commit(true)) {
      log.Line("cannot name " + output.target().string() + ": " + err.message());
      for (const fs::path& p : placed) fs::remove(p, ec);
      return false;
    }
    placed.push_back(output.target());
    return true;
  };
  for (PlannedPiece& piece : pieces)
    if (!commit(*piece.output)) return kArcCannotWrite;
  if (script && !commit(*script)) return kArcCannotWrite;

  log.Line("split " + name + " into " + std::to_string(count) + " piece(s) of at most " +
           std::to_string(request.pieceKB) + " KB in " + request.folder.string());
  if (script) log.Line("joiner script: " + scriptTarget.filename().string());
  return kArcOk;
}

}  // namespace ks
