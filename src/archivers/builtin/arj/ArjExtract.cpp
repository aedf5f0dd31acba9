#include "archivers/builtin/arj/ArjExtract.h"

#include <chrono>
#include <filesystem>
#include <memory>

#include "archivers/ArchiverHost.h"
#include "archivers/builtin/arj/ArjArchive.h"
#include "archivers/builtin/common/NameText.h"
#include "archivers/builtin/common/SafeExtract.h"

namespace ks {
namespace {

// The output buffer holds 64 KiB; naming every file of a huge archive would
// only grow the log past what anyone reads.
constexpr std::uint64_t kNamesLogged = 500;

// How an ARJ entry is written; nullopt for entries that hold nothing to
// write (volume labels, chapter marks).
std::optional<ExtractEntry> EntryFor(const ArjHeader& h) {
  ExtractEntry e;
  e.name = StoredNameToUtf8(h.name);
  e.mtime = ArjModifiedTime(h);
  e.mode = ArjPermissions(h);
  e.size = h.originalSize;
  switch (h.type()) {
    case ArjFileType::Binary:
    case ArjFileType::Text:  // stored as it was; nothing to convert
      e.type = EntryType::File;
      return e;
    case ArjFileType::Directory:
      e.type = EntryType::Directory;
      return e;
    case ArjFileType::UnixSpecial:
      e.type = EntryType::Special;
      if (h.special && h.special->kind == ArjUnixSpecial::Kind::SymLink) {
        e.type = EntryType::Symlink;
        e.link = StoredNameToUtf8(h.special->target);
      } else if (h.special && h.special->kind == ArjUnixSpecial::Kind::HardLink) {
        e.type = EntryType::Hardlink;
        e.link = StoredNameToUtf8(h.special->target);
      }
      return e;
    default:
      return std::nullopt;
  }
}

bool KnownType(const ArjHeader& h) {
  return h.type() == ArjFileType::Binary || h.type() == ArjFileType::Text ||
         h.type() == ArjFileType::Directory || h.type() == ArjFileType::UnixSpecial ||
         h.type() == ArjFileType::Label || h.type() == ArjFileType::Chapter;
}

// Failures after which the rest of the archive is not worth reading: the
// user said stop, or the disk cannot take more.
bool EndsTheRun(int code) {
  return code == kArcUserCancel || code == kArcDiskSpace || code == kArcCannotWrite ||
         code == kArcUnexpectedEof;
}

// Progress of a test, which writes nothing: updates are spaced out, since
// each one lets the window layer handle its events.
class TestProgress {
 public:
  TestProgress() : progress_(TheArchiverHost().BeginProgress(nullptr, "UnArj")) {}
  bool Update(const std::string& name, std::uint64_t done, std::uint64_t total) {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(50) && name == lastName_) return true;
    last_ = now;
    lastName_ = name;
    return progress_->Update(name, done, total);
  }

 private:
  std::unique_ptr<Progress> progress_;
  std::chrono::steady_clock::time_point last_{};
  std::string lastName_;
};

}  // namespace

int ExtractArj(const std::string& archive, const std::string& folder, WindowHandle owner,
               OutputLog& log) {
  ArjArchive arc;
  if (const int r = arc.Open(archive); r != kArcOk) {
    log.Line(arc.errorText());
    return r;
  }
  SafeExtract out(owner, std::filesystem::path(folder), log, "UnArj", arc.fileSize());
  if (const int r = out.Open(); r != kArcOk) return r;

  log.Line("extracting " + archive);
  int failure = kArcOk;  // the first entry left out
  const auto leftOut = [&](const std::string& name, int code, const std::string& why) {
    log.Line("not extracted: " + name + " (" + why + ")");
    if (failure == kArcOk) failure = code;
  };
  std::uint64_t named = 0;
  for (;;) {
    const ArjArchive::Next next = arc.NextEntry();
    if (next == ArjArchive::Next::End) break;
    if (next == ArjArchive::Next::Broken) {
      log.Line("archive damaged: " + arc.errorText());
      out.Finish();
      return arc.error();
    }
    const ArjHeader& h = arc.entry();
    if (!KnownType(h)) {
      leftOut(StoredNameToUtf8(h.name), kArcMethod,
              "unknown kind of entry " + std::to_string(h.fileType));
      continue;
    }
    const std::optional<ExtractEntry> entry = EntryFor(h);
    if (!entry) continue;
    if (entry->type == EntryType::File) {
      // Refused before a file is begun, so nothing is made for it.
      if (const ArjDataResult why = ArjDataReadable(h); why.code != kArcOk) {
        leftOut(entry->name, why.code, why.text);
        continue;
      }
    }
    const int begun = out.Begin(*entry);
    if (begun == SafeExtract::kSkipEntry) continue;
    if (begun != kArcOk) {
      out.Finish();
      return begun;
    }
    if (entry->type != EntryType::File) {
      if (!out.Progress(arc.position())) {
        log.Line("cancelled");
        out.Finish();
        return kArcUserCancel;
      }
      continue;
    }
    const ArjDataResult data =
        arc.ReadData([&](const std::uint8_t* p, std::size_t n) { return out.Write(p, n); });
    if (data.code != kArcOk) {
      out.Abort();
      // Write logs its own failures and leaves the text empty.
      if (!data.text.empty()) leftOut(entry->name, data.code, data.text);
      if (EndsTheRun(data.code)) {
        out.Finish();
        return data.code;
      }
      if (failure == kArcOk) failure = data.code;
      continue;
    }
    if (const int c = out.Commit(); c != kArcOk) {
      out.Finish();
      return c;
    }
    if (++named <= kNamesLogged)
      log.Line("  " + entry->name);
    else if (named == kNamesLogged + 1)
      log.Line("  ...");
  }
  const int finished = out.Finish();
  log.Line(std::to_string(out.filesWritten()) + " file(s) extracted");
  return failure != kArcOk ? failure : finished;
}

int TestArj(const std::string& archive, OutputLog& log) {
  ArjArchive arc;
  if (const int r = arc.Open(archive); r != kArcOk) {
    log.Line(arc.errorText());
    return r;
  }
  TestProgress progress;
  std::uint64_t tested = 0;
  for (;;) {
    const ArjArchive::Next next = arc.NextEntry();
    if (next == ArjArchive::Next::End) break;
    if (next == ArjArchive::Next::Broken) {
      log.Line("archive damaged: " + arc.errorText());
      return arc.error();
    }
    const ArjHeader& h = arc.entry();
    const std::string name = StoredNameToUtf8(h.name);
    if (!KnownType(h)) {
      log.Line(name + ": unknown kind of entry " + std::to_string(h.fileType));
      return kArcMethod;
    }
    if (h.type() != ArjFileType::Binary && h.type() != ArjFileType::Text) continue;
    ++tested;
    const ArjDataResult data = arc.ReadData([&](const std::uint8_t*, std::size_t) {
      return progress.Update(name, arc.position(), arc.fileSize()) ? kArcOk : kArcUserCancel;
    });
    if (data.code != kArcOk) {
      log.Line(name + ": " + (data.code == kArcUserCancel ? std::string("cancelled") : data.text));
      return data.code;
    }
  }
  log.Line(std::to_string(tested) + " file(s) tested");
  return kArcOk;
}

bool LooksLikeArj(const std::string& archive) {
  // A main header whose CRC-32 matches does not happen by chance. Damage
  // after it is for the full check to report: the archive is still ARJ.
  ArjArchive arc;
  return arc.Open(archive) == kArcOk;
}

}  // namespace ks
