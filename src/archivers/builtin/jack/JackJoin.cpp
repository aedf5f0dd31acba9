#include "archivers/builtin/jack/JackJoin.h"

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "archivers/ArchiverHost.h"
#include "archivers/builtin/codec/Checksums.h"
#include "archivers/builtin/jack/JackFormat.h"
#include "archivers/builtin/common/OutFile.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/TempOutput.h"

namespace ks {
namespace fs = std::filesystem;

namespace {

constexpr std::size_t kChunk = 256 * 1024;

struct FoundPiece {
  fs::path path;
  JackHeader header;
};

std::string PieceLabel(std::uint32_t number, std::uint32_t count) {
  return "piece " + std::to_string(number) + " of " + std::to_string(count);
}

// Finds the pieces of one set in a folder.
class PieceFinder {
 public:
  PieceFinder(fs::path folder, const JackHeader& set, std::string droppedStem)
      : folder_(std::move(folder)), set_(set), droppedStem_(std::move(droppedStem)) {}

  // The piece `number`, or nullopt when no file of the folder is it.
  std::optional<FoundPiece> Find(std::uint32_t number) {
    for (const std::string& stem : {set_.name, droppedStem_}) {
      if (stem.empty()) continue;
      if (auto piece = Try(folder_ / JackPieceName(stem, number, set_.pieceCount), number))
        return piece;
    }
    // Renamed pieces: look at the headers of every file of the folder once.
    if (!scanned_) Scan();
    const auto it = byNumber_.find(number);
    if (it == byNumber_.end()) return std::nullopt;
    return it->second;
  }

  // A file that is a piece of the set but damaged, to tell "damaged" from
  // "missing".
  std::optional<std::string> Damaged(std::uint32_t number) const {
    const fs::path expected = folder_ / JackPieceName(set_.name, number, set_.pieceCount);
    std::error_code ec;
    if (!fs::exists(expected, ec)) return std::nullopt;
    return expected.filename().string() + ": " +
           DescribeJackStatus(ReadJackHeader(expected.string()).status);
  }

 private:
  std::optional<FoundPiece> Try(const fs::path& path, std::uint32_t number) const {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return std::nullopt;
    const JackHeaderRead read = ReadJackHeader(path.string());
    if (read.status != JackHeaderStatus::Ok || !read.header.SameSet(set_) ||
        read.header.pieceNumber != number)
      return std::nullopt;
    return FoundPiece{path, read.header};
  }

  void Scan() {
    scanned_ = true;
    std::error_code ec;
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec)) {
      if (!it->is_regular_file(ec)) continue;
      const JackHeaderRead read = ReadJackHeader(it->path().string());
      if (read.status == JackHeaderStatus::Ok && read.header.SameSet(set_))
        byNumber_.emplace(read.header.pieceNumber, FoundPiece{it->path(), read.header});
    }
  }

  fs::path folder_;
  JackHeader set_;
  std::string droppedStem_;
  bool scanned_ = false;
  std::map<std::uint32_t, FoundPiece> byNumber_;
};

// "a.lzh.002" -> "a.lzh": the dropped piece's own name without its number,
// in case the set was renamed as a whole.
std::string StemOf(const fs::path& piece) {
  const std::string name = piece.filename().string();
  const auto dot = name.rfind('.');
  if (dot == std::string::npos || dot + 1 == name.size()) return {};
  for (std::size_t i = dot + 1; i < name.size(); ++i)
    if (name[i] < '0' || name[i] > '9') return {};
  return name.substr(0, dot);
}

// Every piece present, in order, its header agreeing with its place and its
// file size. kArcOk or the failure, logged.
int CollectSet(const fs::path& dropped, const JackHeader& first, std::vector<FoundPiece>& set,
               OutputLog& log) {
  PieceFinder finder(dropped.parent_path(), first, StemOf(dropped));
  std::uint64_t offset = 0;
  for (std::uint32_t n = 1; n <= first.pieceCount; ++n) {
    auto piece = finder.Find(n);
    if (!piece) {
      if (auto damaged = finder.Damaged(n)) {
        log.Line(PieceLabel(n, first.pieceCount) + " is damaged: " + *damaged);
        return kArcBrokenData;
      }
      log.Line(PieceLabel(n, first.pieceCount) + " is missing (" +
               JackPieceName(first.name, n, first.pieceCount) + ")");
      return kArcMissingPiece;
    }
    const JackHeader& h = piece->header;
    std::error_code ec;
    const std::uint64_t fileSize = fs::file_size(piece->path, ec);
    const bool lastOk = n < first.pieceCount || h.dataOffset + h.dataSize == h.totalSize;
    if (h.dataOffset != offset || !lastOk || (h.dataSize == 0 && h.totalSize != 0)) {
      log.Line(PieceLabel(n, first.pieceCount) + " does not fit the set: " +
               piece->path.filename().string());
      return kArcBrokenData;
    }
    if (ec || fileSize != h.headerSize() + h.dataSize) {
      log.Line(PieceLabel(n, first.pieceCount) + " has the wrong size (cut short or grown): " +
               piece->path.filename().string());
      return kArcBrokenData;
    }
    offset += h.dataSize;
    set.push_back(std::move(*piece));
  }
  return kArcOk;
}

// Whether the target may be written; kArcOk, or the reason not to.
int MayWrite(WindowHandle owner, const fs::path& target, const std::vector<FoundPiece>& set,
             bool& replace, OutputLog& log) {
  std::error_code ec;
  const auto status = fs::symlink_status(target, ec);
  replace = false;
  if (!fs::exists(status)) return kArcOk;
  for (const FoundPiece& piece : set) {
    if (fs::equivalent(piece.path, target, ec)) {
      log.Line("the joined file would replace one of its own pieces: " + target.string());
      return kArcAlreadyExist;
    }
  }
  if (fs::is_directory(status)) {
    log.Line("a folder of that name exists: " + target.string());
    return kArcAlreadyExist;
  }
  switch (TheArchiverHost().AskOverwrite(owner, target.string())) {
    case OverwriteAnswer::Replace:
    case OverwriteAnswer::ReplaceAll:
      replace = true;
      return kArcOk;
    case OverwriteAnswer::Skip:
    case OverwriteAnswer::SkipAll:
      log.Line("kept the existing " + target.string());
      return kArcUserSkip;
    case OverwriteAnswer::Cancel:
      log.Line("cancelled");
      return kArcUserCancel;
  }
  return kArcUserCancel;
}

}  // namespace

int JackJoin(WindowHandle owner, const fs::path& piece, const fs::path& folder, OutputLog& log) {
  std::error_code ec;
  if (!fs::is_regular_file(piece, ec)) {
    log.Line("no such piece: " + piece.string());
    return kArcNotExist;
  }
  const JackHeaderRead first = ReadJackHeader(piece.string());
  if (first.status != JackHeaderStatus::Ok) {
    log.Line(piece.filename().string() + ": " + DescribeJackStatus(first.status));
    return first.status == JackHeaderStatus::NotJack ? kArcNotArcFile : kArcBrokenData;
  }
  std::vector<FoundPiece> set;
  if (int r = CollectSet(piece, first.header, set, log); r != kArcOk) {
    log.Line("nothing joined");
    return r;
  }

  fs::create_directories(folder, ec);
  if (!fs::is_directory(folder, ec)) {
    log.Line("cannot make the folder " + folder.string());
    return kArcMakeDirectory;
  }
  const fs::path target = folder / first.header.name;
  bool replace = false;
  if (int r = MayWrite(owner, target, set, replace, log); r != kArcOk) return r;

  TempOutput output(target);
  OutFile out;
  if (!out.Open(output.temp(), "wb")) {
    log.Line("cannot write " + target.string() + ": " + std::strerror(out.error()));
    return WriteErrorResult(out.error());
  }
  auto progress = TheArchiverHost().BeginProgress(owner, "Jack");
  std::vector<char> buffer(kChunk);
  Crc32 total;
  std::uint64_t done = 0;
  for (const FoundPiece& p : set) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(p.path.c_str(), "rb"),
                                                       std::fclose);
    if (!in || std::fseek(in.get(), static_cast<long>(p.header.headerSize()), SEEK_SET) != 0) {
      log.Line("cannot read " + p.path.string());
      return kArcCannotRead;
    }
    Crc32 data;
    for (std::uint64_t left = p.header.dataSize; left > 0;) {
      const std::size_t want = left < kChunk ? static_cast<std::size_t>(left) : kChunk;
      const std::size_t got = std::fread(buffer.data(), 1, want, in.get());
      if (got == 0) {
        log.Line("cannot read " + p.path.string() + " to its end");
        return kArcCannotRead;
      }
      if (!out.Write(buffer.data(), got)) {
        log.Line("cannot write " + target.string() + ": " + std::strerror(out.error()));
        return WriteErrorResult(out.error());
      }
      data.Update(buffer.data(), got);
      total.Update(buffer.data(), got);
      left -= got;
      done += got;
      if (!progress->Update(p.path.filename().string(), done, first.header.totalSize)) {
        log.Line("cancelled; nothing joined");
        return kArcUserCancel;
      }
    }
    if (data.value() != p.header.dataCrc) {
      log.Line(PieceLabel(p.header.pieceNumber, p.header.pieceCount) +
               " is damaged (CRC mismatch): " + p.path.filename().string() + "; nothing joined");
      return kArcBrokenData;
    }
  }
  if (!out.Close()) {
    log.Line("cannot write " + target.string() + ": " + std::strerror(out.error()));
    return WriteErrorResult(out.error());
  }
  if (total.value() != first.header.totalCrc) {
    log.Line("the joined data does not match its CRC-32; nothing joined");
    return kArcBrokenData;
  }
  if (const auto err = output.Commit(replace)) {
    log.Line("cannot name " + target.string() + ": " + err.message());
    return err == std::errc::file_exists ? kArcAlreadyExist : WriteErrorResult(err);
  }
  log.Line("joined " + std::to_string(set.size()) + " piece(s) into " + target.string());
  return kArcOk;
}

}  // namespace ks
