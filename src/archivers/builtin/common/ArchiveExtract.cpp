#include "archivers/builtin/common/ArchiveExtract.h"

#include <chrono>
#include <filesystem>

#include "archivers/ArchiverHost.h"
#include "archivers/builtin/common/SafeExtract.h"

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
  const std::uint64_t before = out.filesWritten();
  if (const int c = out.Commit(); c != kArcOk) return Outcome(Kind::Stop, c);
  // An entry the file system could not take is logged as such already.
  return Outcome(out.filesWritten() == before ? Kind::Passed : Kind::Written);
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

}  // namespace

int ExtractEntries(EntryReader& reader, const ExtractRequest& request, OutputLog& log) {
  SafeExtract out(request.owner, std::filesystem::path(request.folder), log,
                  request.progressTitle.empty() ? "Extracting" : request.progressTitle,
                  reader.fileSize());
  out.MeasureBy([&reader] { return reader.bytesRead(); });
  if (const int r = out.Open(); r != kArcOk) return r;

  log.Line("extracting " + request.archive);
  DamageTally damage(log);
  std::uint64_t named = 0;
  for (bool more = true; more;) {
    switch (reader.NextEntry()) {
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
    const std::string name = reader.entry().name;
    const EntryOutcome outcome = ExtractOne(reader, out);
    switch (outcome.kind) {
      case EntryOutcome::Kind::Stop:
        if (!outcome.why.empty()) log.Line(name + ": " + outcome.why);
        out.Finish();
        return outcome.code;
      case EntryOutcome::Kind::Damaged:
        damage.Entry(name, outcome.code, outcome.why);
        if (!out.Progress(reader.bytesRead())) {
          log.Line("cancelled");
          out.Finish();
          return kArcUserCancel;
        }
        break;
      case EntryOutcome::Kind::Written:
        if (++named <= kNamesLogged)
          log.Line("  " + name);
        else if (named == kNamesLogged + 1)
          log.Line("  ...");
        break;
      case EntryOutcome::Kind::Passed:
        break;
    }
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
