#pragma once
// The extraction every stub runs, whatever its format and its window: a
// first pass over the headers (a damaged header stops the run before
// anything is written, and the sizes give the progress its total), then
// every entry decoded into a temporary file beside its place, which takes
// the entry's name only once its data is verified.

#include <cstdint>

#include "sfx/core/SafeName.h"
#include "sfx/core/StubArchive.h"

namespace ks::sfx {

// Where the entries go: the destination folder, paths relative to it.
class Files {
 public:
  virtual ~Files() = default;
  // The stored name in UTF-16, without a terminating 0; false when the
  // bytes are not valid text of the code page.
  virtual bool Decode(const char* bytes, std::size_t size, std::uint32_t codePage, WideText& out) = 0;
  // Makes the folder and every folder above it. False when a part of the
  // path cannot be made or is a file.
  virtual bool MakeFolder(const WideText& path) = 0;
  // True when anything exists under the name.
  virtual bool Exists(const WideText& path) = 0;
  // Starts a file that will take `path`'s name.
  virtual bool Begin(const WideText& path) = 0;
  virtual bool Write(const std::uint8_t* data, std::size_t size) = 0;
  // Gives the finished file its name (replacing a file of that name only
  // with `replace`) and the entry's time.
  virtual bool Commit(bool replace, const Entry& entry) = 0;
  // Removes the file begun.
  virtual void Abort() = 0;
};

// What the user is asked and told while the entries are written.
class Feedback {
 public:
  enum class Answer { Replace, Keep, Cancel };
  virtual ~Feedback() = default;
  virtual Answer AskReplace(const WideText& path) = 0;
  // The entry being written and the bytes done of all; false cancels.
  virtual bool Progress(const WideText& path, std::uint64_t done, std::uint64_t total) = 0;
};

enum class Outcome : std::uint8_t {
  Done,
  Damaged,      // an entry or a header fails its check; the other entries are written
  Refused,      // names that would leave the folder or that Windows cannot hold were skipped
  WriteFailed,  // a file or folder could not be made or written
  Cancelled,
  Unsupported,  // a method or header kind this program does not decode
  NoArchive,    // nothing is appended to the program
};

// Makes a reader of the format this stub was built for.
using ArchiveMaker = Archive* (*)(Source& source);

struct Report {
  Outcome outcome = Outcome::Done;
  WideText where;  // the entry or path the outcome is about, if any
};

Report Extract(ArchiveMaker make, Source& source, Files& files, Feedback& feedback);

}  // namespace ks::sfx
