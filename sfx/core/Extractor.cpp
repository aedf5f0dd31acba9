#include "sfx/core/Extractor.h"

namespace ks::sfx {
namespace {

Outcome OutcomeOf(Fault f) {
  switch (f) {
    case Fault::None: return Outcome::Done;
    case Fault::Unsupported: return Outcome::Unsupported;
    case Fault::Stopped: return Outcome::WriteFailed;
    case Fault::Damaged:
    case Fault::Truncated: break;
  }
  return Outcome::Damaged;
}

// Hands an entry's bytes to the file begun and tells the progress.
class FileSink : public Sink {
 public:
  FileSink(Files& files, Feedback& feedback, const WideText& path, std::uint64_t& done, std::uint64_t total)
      : files_(files), feedback_(feedback), path_(path), done_(done), total_(total) {}
  bool Write(const std::uint8_t* data, std::size_t size) override {
    if (!files_.Write(data, size)) {
      failed_ = true;
      return false;
    }
    done_ += size;
    if (feedback_.Progress(path_, done_, total_)) return true;
    cancelled_ = true;
    return false;
  }
  bool cancelled() const { return cancelled_; }

 private:
  Files& files_;
  Feedback& feedback_;
  const WideText& path_;
  std::uint64_t& done_;
  std::uint64_t total_;
  bool failed_ = false;
  bool cancelled_ = false;
};

class Run {
 public:
  Run(Files& files, Feedback& feedback) : files_(files), feedback_(feedback) {}

  // Every entry of `archive`; false when the run must stop.
  bool All(Archive& archive, std::uint64_t total) {
    total_ = total;
    for (;;) {
      Entry entry;
      const Archive::Step step = archive.Next(entry);
      if (step == Archive::Step::End) return true;
      if (step == Archive::Step::Fault) return Stop(OutcomeOf(archive.fault()), nullptr);
      if (!One(archive, entry)) return false;
    }
  }
  Report& report() { return report_; }

 private:
  bool Stop(Outcome outcome, const WideText* where) {
    report_.outcome = outcome;
    if (where) report_.where = *where;
    return false;
  }
  // Damage and refused names do not stop the run: every other entry is
  // still worth having. Damage is what the user must hear of first.
  void Note(Outcome outcome, const WideText& where) {
    if (report_.outcome == Outcome::Damaged) return;
    report_.outcome = outcome;
    report_.where = where;
  }

  bool One(Archive& archive, const Entry& entry) {
    WideText name;
    if (!files_.Decode(entry.name, entry.nameSize, entry.codePage, name) ||
        !SafeRelativePath(name.data(), name.size(), path_)) {
      name.push_back(0);
      Note(Outcome::Refused, name);
      return Skip(archive);
    }
    if (entry.folder) {
      if (!files_.MakeFolder(path_)) return Stop(Outcome::WriteFailed, &path_);
      return Skip(archive);
    }
    if (!MakeParent()) return Stop(Outcome::WriteFailed, &path_);
    bool replace = false;
    if (files_.Exists(path_)) {
      switch (feedback_.AskReplace(path_)) {
        case Feedback::Answer::Replace: replace = true; break;
        case Feedback::Answer::Keep: return Skip(archive);
        case Feedback::Answer::Cancel: return Stop(Outcome::Cancelled, nullptr);
      }
    }
    if (!files_.Begin(path_)) return Stop(Outcome::WriteFailed, &path_);
    FileSink sink(files_, feedback_, path_, done_, total_);
    const Fault f = archive.Read(sink);
    if (f != Fault::None) {
      files_.Abort();
      if (sink.cancelled()) return Stop(Outcome::Cancelled, nullptr);
      if (f == Fault::Damaged || f == Fault::Truncated) {
        Note(Outcome::Damaged, path_);
        return true;
      }
      return Stop(OutcomeOf(f), &path_);
    }
    if (!files_.Commit(replace, entry)) return Stop(Outcome::WriteFailed, &path_);
    return true;
  }

  bool Skip(Archive& archive) {
    const Fault f = archive.Skip();
    return f == Fault::None || Stop(OutcomeOf(f), nullptr);
  }

  bool MakeParent() {
    std::size_t cut = path_.size();
    while (cut > 0 && path_[cut - 1] != u'\\') --cut;
    if (cut == 0) return true;
    WideText parent(path_.begin(), path_.begin() + static_cast<long>(cut - 1));
    parent.push_back(0);
    return files_.MakeFolder(parent);
  }

  Files& files_;
  Feedback& feedback_;
  Report report_;
  WideText path_;
  std::uint64_t done_ = 0;
  std::uint64_t total_ = 0;
};

// The first pass: every header read, the sizes summed.
Fault Survey(Archive& archive, std::uint64_t& total) {
  for (;;) {
    Entry entry;
    const Archive::Step step = archive.Next(entry);
    if (step == Archive::Step::End) return Fault::None;
    if (step == Archive::Step::Fault) return archive.fault();
    total += entry.size;
    if (const Fault f = archive.Skip(); f != Fault::None) return f;
  }
}

}  // namespace

Report Extract(ArchiveMaker make, Source& source, Files& files, Feedback& feedback) {
  Report report;
  if (source.Size() == 0) {
    report.outcome = Outcome::NoArchive;
    return report;
  }
  std::uint64_t total = 0;
  {
    Archive* survey = make(source);
    const Fault f = Survey(*survey, total);
    delete survey;
    if (f != Fault::None) {
      report.outcome = OutcomeOf(f);
      return report;
    }
  }
  Run run(files, feedback);
  Archive* archive = make(source);
  run.All(*archive, total);
  delete archive;
  return run.report();
}

}  // namespace ks::sfx
