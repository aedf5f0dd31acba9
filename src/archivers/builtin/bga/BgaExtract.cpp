#include "archivers/builtin/bga/BgaExtract.h"

#include <chrono>
#include <filesystem>

#include "archivers/ArchiverHost.h"
#include "archivers/builtin/bga/BgaReader.h"
#include "archivers/builtin/common/DosTime.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/common/SafeExtract.h"

namespace ks {
namespace {

// The output buffer holds 64 KiB; naming every file of a huge archive would
// only grow the log past what anyone reads.
constexpr std::uint64_t kNamesLogged = 500;

ExtractEntry EntryOf(const BgaReader& reader) {
  const BgaHeader& h = reader.header();
  ExtractEntry e;
  e.name = reader.name();
  e.type = h.isFolder() ? EntryType::Directory : EntryType::File;
  e.mtime = DosToUnixTime(h.stamp);
  e.size = h.originalSize;
  // Read-only is the one attribute this system has a place for; on a
  // folder it would only stop the extraction writing into it.
  if (!h.isFolder() && (h.attributes & kBgaAttrReadOnly)) e.mode = 0444;
  return e;
}

std::string Described(const std::string& archive, const BgaReader& reader) {
  if (!reader.selfExtracting()) return archive;
  return archive + " (self-extracting, archive at offset " + std::to_string(reader.start()) + ")";
}

// A full test of a large archive shows a progress window like an extraction
// does; updates are spaced out, since each one lets the window layer run.
class TestProgress {
 public:
  explicit TestProgress(std::uint64_t total)
      : progress_(TheArchiverHost().BeginProgress(nullptr, "Bga")), total_(total) {}

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

int ExtractBga(WindowHandle owner, const std::string& archive, const std::string& folder,
               OutputLog& log) {
  // One pass over the headers gives the amount of work; damage found there
  // is reported when the extraction reaches it, after what comes before.
  BgaSummary summary;
  std::string why;
  WalkBga(archive, summary, why);

  BgaReader reader;
  if (int r = reader.Open(archive); r != kArcOk) {
    log.Line(reader.errorText());
    return r;
  }
  SafeExtract out(owner, std::filesystem::path(folder), log, "Bga", summary.originalBytes);
  if (int r = out.Open(); r != kArcOk) return r;
  log.Line("extracting " + Described(archive, reader));

  std::uint64_t done = 0, named = 0;
  for (;;) {
    const BgaReader::Next next = reader.NextEntry();
    if (next == BgaReader::Next::End) break;
    if (next == BgaReader::Next::Broken) {
      log.Line("archive damaged: " + reader.errorText());
      out.Finish();
      return reader.error();
    }
    const ExtractEntry entry = EntryOf(reader);
    const int begun = out.Begin(entry);
    if (begun != kArcOk && begun != SafeExtract::kSkipEntry) {
      out.Finish();
      return begun;
    }
    if (begun == kArcOk && entry.type == EntryType::File) {
      const int r = reader.ReadData([&](const char* data, std::size_t size) {
        return out.Write(data, size);
      });
      if (r != kArcOk) {
        out.Abort();
        if (r != kArcUserCancel) log.Line(reader.errorText());
        out.Finish();
        return r;
      }
      if (int c = out.Commit(); c != kArcOk) {
        out.Finish();
        return c;
      }
      if (++named <= kNamesLogged)
        log.Line("  " + entry.name);
      else if (named == kNamesLogged + 1)
        log.Line("  ...");
    }
    done += entry.size;
    if (!out.Progress(done)) {
      log.Line("cancelled");
      out.Finish();
      return kArcUserCancel;
    }
  }
  const int result = out.Finish();
  log.Line(std::to_string(out.filesWritten()) + " file(s) extracted");
  return result;
}

int TestBga(const std::string& archive, OutputLog& log) {
  BgaSummary summary;
  std::string why;
  WalkBga(archive, summary, why);

  BgaReader reader;
  if (int r = reader.Open(archive); r != kArcOk) {
    log.Line(reader.errorText());
    return r;
  }
  TestProgress progress(summary.originalBytes);
  std::uint64_t done = 0, entries = 0;
  for (;;) {
    const BgaReader::Next next = reader.NextEntry();
    if (next == BgaReader::Next::End) break;
    if (next == BgaReader::Next::Broken) {
      log.Line("archive damaged: " + reader.errorText());
      return reader.error();
    }
    ++entries;
    const std::string name = reader.name();
    if (!progress.Update(name, done, true)) {
      log.Line("cancelled");
      return kArcUserCancel;
    }
    const int r = reader.ReadData([&](const char*, std::size_t size) {
      done += size;
      return progress.Update(name, done, false) ? kArcOk : kArcUserCancel;
    });
    if (r == kArcUserCancel) {
      log.Line("cancelled");
      return r;
    }
    if (r != kArcOk) {
      log.Line(reader.errorText());
      return r;
    }
  }
  log.Line(std::to_string(entries) + " entries tested in " + Described(archive, reader));
  return kArcOk;
}

}  // namespace ks
