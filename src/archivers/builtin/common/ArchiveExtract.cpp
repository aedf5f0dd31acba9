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
    reader.SetPasswordSource([&](const std::string& entry) {
      return TheArchiverHost().AskPassword(request.owner, request.archive, entry);
    });
  }
  if (const int r = reader.Open(request.archive); r != kArcOk) {
    log.Line(reader.errorText());
    return r;
  }
  return ExtractEntries(reader, request, log);
}

int ExtractEntries(EntryReader& reader, const ExtractRequest& request, OutputLog& log) {
  SafeExtract out(request.owner, std::filesystem::path(request.folder), log,
                  request.progressTitle.empty() ? "Extracting" : request.progressTitle,
                  reader.fileSize());
  out.MeasureBy([&reader] { return reader.bytesRead(); });
  if (const int r = out.Open(); r != kArcOk) return r;

  log.Line("extracting " + request.archive);
  std::uint64_t named = 0;
  for (;;) {
    const EntryReader::Next next = reader.NextEntry();
    if (next == EntryReader::Next::End) break;
    if (next == EntryReader::Next::Broken) {
      log.Line("archive damaged: " + reader.errorText());
      out.Finish();
      return reader.error();
    }
    const ExtractEntry& entry = reader.entry();
    const int begun = out.Begin(entry);
    if (begun == SafeExtract::kSkipEntry || entry.type != EntryType::File || begun != kArcOk) {
      if (begun != kArcOk && begun != SafeExtract::kSkipEntry) {
        out.Finish();
        return begun;
      }
      // Links and folders carry no data; a skipped file's data is passed by.
      if (const int r = reader.SkipData(); r != kArcOk) {
        log.Line("archive damaged: " + reader.errorText());
        out.Finish();
        return r;
      }
      if (!out.Progress(reader.bytesRead())) {
        log.Line("cancelled");
        out.Finish();
        return kArcUserCancel;
      }
      continue;
    }
    const int r = reader.ReadSparseData(
        [&](const void* data, std::size_t size) { return out.Write(data, size); },
        [&](std::uint64_t size) { return out.WriteHole(size); });
    if (r != kArcOk) {
      out.Abort();
      if (r != kArcUserCancel || !reader.errorText().empty())
        log.Line(entry.name + ": " + reader.errorText());
      out.Finish();
      return r;
    }
    const std::uint64_t before = out.filesWritten();
    if (const int c = out.Commit(); c != kArcOk) {
      out.Finish();
      return c;
    }
    // An entry the file system could not take is logged as such already.
    if (out.filesWritten() == before) continue;
    if (++named <= kNamesLogged)
      log.Line("  " + entry.name);
    else if (named == kNamesLogged + 1)
      log.Line("  ...");
  }
  const int result = out.Finish();
  log.Line(std::to_string(out.filesWritten()) + " file(s) extracted");
  return result;
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
    if (next == EntryReader::Next::Broken) {
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
  return reader.NextEntry() != ArchiveReader::Next::Broken || reader.damagedCompression();
}

int CheckArchiveMode(const std::string& archive, unsigned formats, int mode, ArchiveGuardMaker guard) {
  if (mode == 0) return LooksLikeArchive(archive, formats, guard) ? 1 : 0;
  OutputLog ignored;
  return TestArchive(archive, formats, ignored, guard) == kArcOk ? 1 : 0;
}

}  // namespace ks
