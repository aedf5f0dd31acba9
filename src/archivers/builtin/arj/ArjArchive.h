#pragma once
// An ARJ archive file read entry by entry: the main header (also behind a
// self-extractor's program), then each local header with its data.

#include <cstdint>
#include <cstdio>
#include <string>

#include "archivers/builtin/arj/ArjData.h"
#include "archivers/builtin/arj/ArjHeader.h"

namespace ks {

class ArjArchive {
 public:
  enum class Next { Entry, End, Broken };

  ArjArchive() = default;
  ~ArjArchive();
  ArjArchive(const ArjArchive&) = delete;
  ArjArchive& operator=(const ArjArchive&) = delete;

  // Opens the file and reads its main header. kArcOk, kArcArcFileOpen (it
  // cannot be opened), kArcNotArcFile (no ARJ main header where one must be)
  // or kArcHeaderBroken / kArcUnexpectedEof (a main header that is damaged).
  int Open(const std::string& path);
  const ArjHeader& mainHeader() const { return main_; }

  // Reads the next local header, passing over the data of the current entry
  // when it was not read. End at the archive's end mark; Broken when a
  // header is damaged or the file ends before the end mark (see error()).
  Next NextEntry();
  const ArjHeader& entry() const { return entry_; }

  // Decodes the current entry's data into `sink` and verifies it; see
  // ArjDecoder::Decode. Only once per entry.
  ArjDataResult ReadData(const ArjSink& sink);

  int error() const { return error_; }
  const std::string& errorText() const { return errorText_; }
  // Where reading stands in the file, and the file's size.
  std::uint64_t position() const;
  std::uint64_t fileSize() const { return fileSize_; }

 private:
  // Reads one header block at the current position into `out`; `end` is set
  // for the end mark. kArcOk or the failure, with errorText_ set.
  int ReadBlock(ArjHeader& out, bool& end);
  int FindMainHeader();
  bool Seek(std::uint64_t offset);
  Next Broken(int code, std::string text);

  std::FILE* file_ = nullptr;
  std::uint64_t fileSize_ = 0;
  ArjDecoder decoder_;
  ArjHeader main_;
  ArjHeader entry_;
  bool haveEntry_ = false;
  std::uint64_t dataStart_ = 0;  // where the current entry's data begins
  bool ended_ = false;
  int error_ = 0;
  std::string errorText_;
};

}  // namespace ks
