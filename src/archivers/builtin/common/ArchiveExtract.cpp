#include "archivers/builtin/common/ArchiveExtract.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <vector>

#include "archivers/ArchiverHost.h"
#include "archivers/builtin/common/DecodeAhead.h"
#include "archivers/builtin/common/ReadAheadReader.h"
#include "archivers/builtin/common/SafeExtract.h"
#include "archivers/builtin/common/WorkerThreads.h"

namespace ks {
namespace {

// The output buffer holds 64 KiB; naming every file of a huge archive would
// only grow the log past what anyone reads.
constexpr std::uint64_t kNamesLogged = 500;

// A full test of a big archive takes a while: it shows the host's progress
// window like an extraction does. Updates are spaced out, since each one
// lets the window layer handle its events.
class TestProgress {
 public:
  explicit TestProgress(std::uint64_t total)
      : progress_(TheArchiverHost().BeginProgress(nullptr, "Testing")), total_(total) {}

  bool Update(const std::string& name, std::uint64_t done, bool force) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - last_ < std::chrono::milliseconds(50)) return true;
    last_ = now;
    return progress_->Update(name, done, total_);
  }

 private:
  std::unique_ptr<Progress> progress_;
  std::uint64_t total_;
  std::chrono::steady_clock::time_point last_{};
};

}  // namespace

int ExtractArchive(const ExtractRequest& request, OutputLog& log) {
  ArchiveReader reader(request.formats, request.guard);
  if (!request.singleName.empty()) reader.SetSingleName(request.singleName);
  if (request.askPasswords) {
    reader.SetPasswordSource([&](const std::string& entry, bool wrongBefore) {
      return TheArchiverHost().AskPassword(request.owner, request.archive, entry, wrongBefore);
    });
  }
  if (const int r = reader.Open(request.archive); r != kArcOk) {
    log.Line(reader.errorText());
    return r;
  }
  // A cabinet's folder, a solid RAR and a tar.xz (or .zst) are each one
  // coding run that libarchive decodes as it reads: reading ahead on a
  // thread of its own overlaps that with writing. Elsewhere it does not
  // pay: ZIP entries are decoded apart on the workers (DetachData), a gzip
  // or bzip2 stream has a decoding thread of its own (StreamSource), a plain
  // tar needs no decoding, and a password question must come from the
  // writing thread.
  const bool oneRun = (request.formats & (kFormatCab | kFormatRar)) || reader.decompressedByLibarchive();
  if (!request.askPasswords && oneRun && !(request.formats & kFormatZip))
    return ExtractEntriesReadingAhead(reader, request, log);
  return ExtractEntries(reader, request, log);
}

int ExtractEntriesReadingAhead(EntryReader& reader, const ExtractRequest& request, OutputLog& log) {
  if (WorkerThreads() > 1) {
    ReadAheadReader ahead(reader);
    return ExtractEntries(ahead, request, log);
  }
  return ExtractEntries(reader, request, log);
}

namespace {

// What became of one entry. The loop below decides only from this, so the
// decoding of an entry can move elsewhere and its outcome be gathered here.
struct EntryOutcome {
  enum class Kind {
    Written,  // a file put in place under its name
    Passed,   // a folder or link made, or an entry left out (logged)
    Damaged,  // its data failed to read or verify: nothing under its name
    Stop,     // the command ends (cancelled, or the target cannot be written)
  };
  Kind kind = Kind::Passed;
  int code = kArcOk;
  std::string why;
};

EntryOutcome Outcome(EntryOutcome::Kind kind, int code = kArcOk, std::string why = {}) {
  return {kind, code, std::move(why)};
}

// Puts the file begun, its data verified, in place.
EntryOutcome CommitFile(SafeExtract& out) {
  const std::uint64_t before = out.filesWritten();
  if (const int c = out.Commit(); c != kArcOk) return Outcome(EntryOutcome::Kind::Stop, c);
  // An entry the file system could not take is logged as such already.
  return Outcome(out.filesWritten() == before ? EntryOutcome::Kind::Passed : EntryOutcome::Kind::Written);
}

// Extracts the reader's current entry through `out`.
EntryOutcome ExtractOne(EntryReader& reader, SafeExtract& out) {
  using Kind = EntryOutcome::Kind;
  const ExtractEntry& entry = reader.entry();
  const int begun = out.Begin(entry);
  if (begun != kArcOk && begun != SafeExtract::kSkipEntry) return Outcome(Kind::Stop, begun);
  if (begun == SafeExtract::kSkipEntry || entry.type != EntryType::File) {
    // Links and folders carry no data; a skipped file's data is passed by.
    if (const int r = reader.SkipData(); r != kArcOk) return Outcome(Kind::Damaged, r, reader.errorText());
    if (!out.Progress(reader.bytesRead())) return Outcome(Kind::Stop, kArcUserCancel, "cancelled");
    return Outcome(Kind::Passed);
  }
  // A failure of the writing side ends the command; one of the reading
  // side is this entry's alone.
  bool writeFailed = false;
  const auto written = [&](int r) {
    writeFailed = r != kArcOk;
    return r;
  };
  const int r = reader.ReadSparseData(
      [&](const void* data, std::size_t size) { return written(out.Write(data, size)); },
      [&](std::uint64_t size) { return written(out.WriteHole(size)); });
  if (r != kArcOk) {
    out.Abort();
    if (writeFailed) return Outcome(Kind::Stop, r);
    // A password the user could not give after a few tries (or declined)
    // would only be asked again for every following entry.
    if (r == kArcUserCancel || r == kArcPassword) return Outcome(Kind::Stop, r, reader.errorText());
    return Outcome(Kind::Damaged, r, reader.errorText());
  }
  return CommitFile(out);
}

// Writes an entry decoded ahead through `out`, as ExtractOne would have.
EntryOutcome WriteDecoded(const DecodedEntry& decoded, SafeExtract& out) {
  using Kind = EntryOutcome::Kind;
  const int begun = out.Begin(decoded.entry);
  if (begun != kArcOk && begun != SafeExtract::kSkipEntry) return Outcome(Kind::Stop, begun);
  if (begun == SafeExtract::kSkipEntry || decoded.entry.type != EntryType::File) {
    // A folder's or a link's code is that of passing over its data.
    if (decoded.entry.type != EntryType::File && decoded.code != kArcOk)
      return Outcome(Kind::Damaged, decoded.code, decoded.why);
    if (!out.Progress(decoded.readTo)) return Outcome(Kind::Stop, kArcUserCancel, "cancelled");
    return Outcome(Kind::Passed);
  }
  // In blocks, so that Cancel is heard within a large file too.
  constexpr std::size_t kBlock = 1 << 20;
  const std::vector<unsigned char>& data = decoded.data.bytes();
  for (std::size_t at = 0; at < data.size(); at += kBlock) {
    if (const int w = out.Write(data.data() + at, std::min(kBlock, data.size() - at)); w != kArcOk) {
      out.Abort();
      return Outcome(Kind::Stop, w);
    }
  }
  if (decoded.code != kArcOk) {
    out.Abort();
    return Outcome(Kind::Damaged, decoded.code, decoded.why);
  }
  return CommitFile(out);
}

// The damage met on the way, each logged; the first one's code is the
// command's result.
class DamageTally {
 public:
  explicit DamageTally(OutputLog& log) : log_(log) {}
  void Entry(const std::string& name, int code, const std::string& why) {
    log_.Line("not extracted: " + name + " (" + (why.empty() ? "damaged" : why) + ")");
    Note(code);
  }
  void Archive(int code, const std::string& why) {
    log_.Line("archive damaged: " + why);
    Note(code);
  }
  int first() const { return first_; }
  std::uint64_t count() const { return count_; }

 private:
  void Note(int code) {
    if (first_ == kArcOk) first_ = code;
    ++count_;
  }
  OutputLog& log_;
  int first_ = kArcOk;
  std::uint64_t count_ = 0;
};

// One extraction's writing side: the outcome of each entry, in archive
// order, logged and turned into the command's end where it ends it.
class EntryLog {
 public:
  EntryLog(SafeExtract& out, OutputLog& log) : out_(out), log_(log), damage_(log) {}

  // The command's result when `outcome` ends it, after which nothing more
  // is written; nullopt to go on.
  std::optional<int> Settle(const std::string& name, const EntryOutcome& outcome, std::uint64_t position) {
    switch (outcome.kind) {
      case EntryOutcome::Kind::Stop:
        if (!outcome.why.empty()) log_.Line(name + ": " + outcome.why);
        out_.Finish();
        return outcome.code;
      case EntryOutcome::Kind::Damaged:
        damage_.Entry(name, outcome.code, outcome.why);
        if (!out_.Progress(position)) {
          log_.Line("cancelled");
          out_.Finish();
          return kArcUserCancel;
        }
        break;
      case EntryOutcome::Kind::Written:
        if (++named_ <= kNamesLogged)
          log_.Line("  " + name);
        else if (named_ == kNamesLogged + 1)
          log_.Line("  ...");
        break;
      case EntryOutcome::Kind::Passed:
        break;
    }
    return std::nullopt;
  }

  DamageTally& damage() { return damage_; }

 private:
  SafeExtract& out_;
  OutputLog& log_;
  DamageTally damage_;
  std::uint64_t named_ = 0;
};

}  // namespace

int ExtractEntries(EntryReader& reader, const ExtractRequest& request, OutputLog& log) {
  SafeExtract out(request.owner, std::filesystem::path(request.folder), log,
                  request.progressTitle.empty() ? "Extracting" : request.progressTitle,
                  reader.fileSize());
  // While an entry decoded ahead is written, the reader is already further
  // on: the progress shows where it stood when it handed the entry over.
  std::optional<std::uint64_t> writingFrom;
  const auto position = [&] { return writingFrom ? *writingFrom : reader.bytesRead(); };
  out.MeasureBy(position);
  if (const int r = out.Open(); r != kArcOk) return r;

  log.Line("extracting " + request.archive);
  EntryLog entries(out, log);
  DamageTally& damage = entries.damage();
  DecodeAhead ahead(WorkerThreads());
  // Writes the oldest entry decoded ahead; the command's result if it ends.
  const auto writeOldest = [&]() -> std::optional<int> {
    const DecodedEntry decoded = ahead.TakeOldest();
    writingFrom = decoded.readTo;
    const std::optional<int> end = entries.Settle(decoded.entry.name, WriteDecoded(decoded, out), decoded.readTo);
    writingFrom.reset();
    return end;
  };
  // Everything handed over is written before the reader's own turn, so
  // files are written and questions asked in archive order.
  const auto writeAll = [&]() -> std::optional<int> {
    while (!ahead.empty())
      if (const std::optional<int> end = writeOldest()) return end;
    return std::nullopt;
  };
  for (bool more = true; more;) {
    const EntryReader::Next next = reader.NextEntry();
    if (next != EntryReader::Next::Entry)
      if (const std::optional<int> end = writeAll()) return *end;
    switch (next) {
      case EntryReader::Next::End:
        more = false;
        continue;
      case EntryReader::Next::Broken:
        damage.Archive(reader.error(), reader.errorText() +
                                           (damage.count() > 0 ? " (nothing after this point can be read)" : ""));
        more = false;
        continue;
      case EntryReader::Next::Damaged:
        damage.Archive(reader.error(), reader.errorText());
        continue;
      case EntryReader::Next::Entry:
        break;
    }
    if (ahead.enabled()) {
      if (std::optional<DetachedData> data = reader.DetachData(DecodeAhead::kLargest)) {
        while (!ahead.Fits(data->size))
          if (const std::optional<int> end = writeOldest()) return *end;
        ahead.Submit(reader.entry(), std::move(*data), reader.bytesRead());
        continue;
      }
      if (reader.entry().type != EntryType::File) {
        // A folder or a link has nothing to decode: it waits in line with
        // the rest, rather than the workers running dry while everything
        // handed over before it is written.
        const int skipped = reader.SkipData();
        while (!ahead.Fits(0))
          if (const std::optional<int> end = writeOldest()) return *end;
        ahead.SubmitDecoded(reader.entry(), skipped, skipped == kArcOk ? std::string() : reader.errorText(),
                            reader.bytesRead());
        continue;
      }
      if (const std::optional<int> end = writeAll()) return *end;
    }
    const std::string name = reader.entry().name;
    if (const std::optional<int> end = entries.Settle(name, ExtractOne(reader, out), reader.bytesRead())) return *end;
  }
  const int finished = out.Finish();
  std::string summary = std::to_string(out.filesWritten()) + " file(s) extracted";
  if (damage.count() > 0) summary += ", " + std::to_string(damage.count()) + " damaged part(s) left out";
  log.Line(summary);
  return damage.first() != kArcOk ? damage.first() : finished;
}

int TestArchive(const std::string& archive, unsigned formats, OutputLog& log, ArchiveGuardMaker guard) {
  ArchiveReader reader(formats, guard);
  if (const int r = reader.Open(archive); r != kArcOk) {
    log.Line(reader.errorText());
    return r;
  }
  return TestEntries(reader, log);
}

int TestEntries(EntryReader& reader, OutputLog& log) {
  TestProgress progress(reader.fileSize());
  std::uint64_t entries = 0;
  for (;;) {
    const EntryReader::Next next = reader.NextEntry();
    if (next == EntryReader::Next::End) break;
    if (next == EntryReader::Next::Broken || next == EntryReader::Next::Damaged) {
      log.Line("archive damaged: " + reader.errorText());
      return reader.error();
    }
    ++entries;
    const std::string& name = reader.entry().name;
    if (!progress.Update(name, reader.bytesRead(), true)) {
      log.Line("cancelled");
      return kArcUserCancel;
    }
    const int r = reader.entryEncrypted()
                      ? reader.SkipData()
                      : reader.ReadData([&](const void*, std::size_t) {
                          return progress.Update(name, reader.bytesRead(), false)
                                     ? kArcOk
                                     : kArcUserCancel;
                        });
    if (r != kArcOk) {
      log.Line(reader.entry().name + ": " +
               (r == kArcUserCancel ? std::string("cancelled") : reader.errorText()));
      return r;
    }
  }
  log.Line(std::to_string(entries) + " entries tested");
  return kArcOk;
}

bool LooksLikeArchive(const std::string& archive, unsigned formats, ArchiveGuardMaker guard) {
  ArchiveReader reader(formats, guard);
  // A damaged compressed file is still one of ours: the full test then
  // says it is damaged.
  if (reader.Open(archive) != kArcOk) return reader.damagedCompression();
  // An archive without entries is still an archive; a damaged first header
  // is not recognisable as one.
  const EntryReader::Next first = reader.NextEntry();
  return first == EntryReader::Next::Entry || first == EntryReader::Next::End || reader.damagedCompression();
}

int CheckArchiveMode(const std::string& archive, unsigned formats, int mode, ArchiveGuardMaker guard) {
  if (mode == 0) return LooksLikeArchive(archive, formats, guard) ? 1 : 0;
  OutputLog ignored;
  return TestArchive(archive, formats, ignored, guard) == kArcOk ? 1 : 0;
}

}  // namespace ks
