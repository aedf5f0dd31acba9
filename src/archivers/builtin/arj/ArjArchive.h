#pragma once
// An ARJ archive file read entry by entry: the main header (also behind a
// self-extractor's program), then each local header with its data, offered
// to the shared extraction and test loops as an EntryReader.

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "archivers/builtin/arj/ArjData.h"
#include "archivers/builtin/arj/ArjHeader.h"
#include "archivers/builtin/common/EntryReader.h"

namespace ks {

class ArjArchive : public EntryReader {
 public:
  ArjArchive() = default;
  ~ArjArchive() override;
  ArjArchive(const ArjArchive&) = delete;
  ArjArchive& operator=(const ArjArchive&) = delete;

  // Opens the file and reads its main header. kArcOk, kArcArcFileOpen (it
  // cannot be opened), kArcNotArcFile (no ARJ main header where one must be)
  // or kArcHeaderBroken / kArcUnexpectedEof (a main header that is damaged).
  int Open(const std::string& path);

  // Reads the next local header that holds something to write, passing
  // over the data of the current entry and over volume labels and chapter
  // marks. End at the archive's end mark. Damaged at a header that is
  // damaged or of a kind unknown to us (see error()): the next call goes on
  // with the next sound header, searched for byte by byte where the damage
  // cut the chain of headers. Broken when the file ends before the end mark.
  Next NextEntry() override;
  const ExtractEntry& entry() const override { return entry_; }
  // Garbled entries are not passed over by a test: their data cannot be
  // verified without the password, so the test fails on them (as `arj t`
  // does) rather than calling the archive sound.
  bool entryEncrypted() const override { return false; }

  // Decodes the current entry's data into `sink` and verifies it; see
  // ArjDecoder::Decode. Only once per entry.
  int ReadData(const DataSink& sink) override;
  // The data is passed over by the next NextEntry.
  int SkipData() override { return kArcOk; }
  // The coded bytes are read here, in the order of the file, and decoded
  // by a decoder of their own.
  std::optional<DetachedData> DetachData(std::uint64_t largest) override;

  std::uint64_t bytesRead() const override;
  std::uint64_t fileSize() const override { return fileSize_; }

 private:
  // Reads one header block at the current position into `out`; `end` is set
  // for the end mark. kArcOk or the failure, with errorText() set.
  int ReadBlock(ArjHeader& out, bool& end);
  int FindMainHeader();
  bool Seek(std::uint64_t offset);
  // Where the first header block with a sound CRC lies at or after `from`.
  std::optional<std::uint64_t> NextSoundHeader(std::uint64_t from);
  Next Broken(int code, std::string text);
  // A damaged stretch; the next entry is looked for from `searchFrom`.
  Next Damaged(int code, std::string text, std::uint64_t searchFrom);

  std::FILE* file_ = nullptr;
  std::uint64_t fileSize_ = 0;
  ArjDecoder decoder_;
  ArjHeader main_;
  ArjHeader header_;
  ExtractEntry entry_;
  bool haveEntry_ = false;
  std::uint64_t dataStart_ = 0;  // where the current entry's data begins
  bool ended_ = false;
  std::optional<std::uint64_t> searchFrom_;
};

}  // namespace ks
