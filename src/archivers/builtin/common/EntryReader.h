#pragma once
// What the shared extraction and test loops (ArchiveExtract) need from an
// archive reader: entries one after the other, each with its data read and
// verified or skipped. libarchive's reader and our own readers all offer
// it, so all go through the same secure extraction.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <optional>
#include <utility>

#include "archivers/builtin/common/DetachedData.h"
#include "archivers/builtin/common/SafeExtract.h"

namespace ks {

class EntryReader {
 public:
  // Entry: entry() is the next entry. End: no more entries.
  // Damaged: a stretch of the archive could not be read (error() and
  // errorText() say why), but the reader can look past it: the next call
  // goes on with the first entry that can still be found. A test stops
  // there; an extraction goes on, to save what is intact.
  // Broken: nothing more can be read (error() and errorText() say why).
  enum class Next { Entry, End, Damaged, Broken };
  // Receives data block by block; a non-zero result (an ArcResult) stops.
  using DataSink = std::function<int(const void*, std::size_t)>;

  virtual ~EntryReader() = default;

  // Reads the next entry header, passing over the current entry's data when
  // it was not read, or read only in part.
  virtual Next NextEntry() = 0;
  virtual const ExtractEntry& entry() const = 0;
  // Encrypted entries cannot be verified without a password.
  virtual bool entryEncrypted() const = 0;
  // Passes the current entry's data to `sink`. kArcOk only when all of it
  // was read and verified.
  virtual int ReadData(const DataSink& sink) = 0;
  // Told of a run of zero bytes a sparse entry does not store, so that it
  // can stay a hole on disk.
  using HoleSink = std::function<int(std::uint64_t)>;
  // As ReadData, with the holes of a sparse entry told to `hole` rather
  // than passed to `sink` as zeros. Formats without holes need not offer it.
  virtual int ReadSparseData(const DataSink& sink, const HoleSink& hole) {
    (void)hole;
    return ReadData(sink);
  }
  // Passes over the current entry's data.
  virtual int SkipData() = 0;
  // The current entry's data as a job of its own, when the format allows it
  // and they come to at most `largest` bytes; the reader then passes over
  // them as if skipped. nullopt: read them with ReadData.
  virtual std::optional<DetachedData> DetachData(std::uint64_t largest) {
    (void)largest;
    return std::nullopt;
  }

  // The result code and text of the last failure.
  int error() const { return error_; }
  const std::string& errorText() const { return errorText_; }
  // Bytes of the archive file consumed so far, and its size (for progress).
  virtual std::uint64_t bytesRead() const = 0;
  virtual std::uint64_t fileSize() const = 0;

 protected:
  // Records a failure; returns `code` so that a reader can `return Fail(...)`.
  int Fail(int code, std::string text) {
    error_ = code;
    errorText_ = std::move(text);
    return code;
  }

 private:
  int error_ = 0;
  std::string errorText_;
};

}  // namespace ks
