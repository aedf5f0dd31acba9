#pragma once
// Our own reader of LZH archives (and the LArc archives LHA tools also
// open): every header level, the methods of LzhDecoders, names as
// LzhEntryPath makes them, each file's CRC-16 verified. It feeds the shared
// extraction and test loops, so everything is written through SafeExtract.

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "archivers/builtin/common/EntryReader.h"
#include "archivers/builtin/codec/DecodeStream.h"
#include "archivers/builtin/lha/LzhArchiveFile.h"
#include "archivers/builtin/lha/LzhEntryInfo.h"

namespace ks {

class LzhReader : public EntryReader {
 public:
  LzhReader();
  ~LzhReader() override;

  // kArcOk; kArcArcFileOpen when the file cannot be read; kArcNotArcFile
  // when no LZH header is found (at the start, or after the program of a
  // self-extracting archive).
  int Open(const std::string& path);

  // Damaged at a header that is not sound: the next call looks on, byte by
  // byte, for the next sound header, as the chain of headers is cut there.
  // Broken only where nothing can follow (the file ends, or cannot be read).
  Next NextEntry() override;
  const ExtractEntry& entry() const override { return entry_; }
  bool entryEncrypted() const override { return false; }
  // Decodes the entry: kArcOk, kArcFileCrc, kArcBrokenData,
  // kArcUnexpectedEof, kArcCannotRead, kArcMethod (a method we do not
  // decode), or what the sink returned.
  int ReadData(const DataSink& sink) override;
  int SkipData() override;
  // Entries of every method we decode: their coded bytes are read here and
  // decoded by a decoder of their own.
  std::optional<DetachedData> DetachData(std::uint64_t largest) override;

  std::uint64_t bytesRead() const override { return file_.position(); }
  std::uint64_t fileSize() const override { return file_.size(); }

  // The header as read, for tests and logs.
  const LzhEntryInfo& info() const { return info_; }

 private:
  EntryDecoder* DecoderFor(const std::string& method);

  LzhArchiveFile file_;
  LzhEntryInfo info_;
  ExtractEntry entry_;
  bool haveEntry_ = false;
  bool empty_ = false;
  bool lhaMethodSeen_ = false;  // an -lh?- entry: the archive must end with its mark
  // Where to look for a sound header after a damaged one.
  std::optional<std::uint64_t> searchFrom_;
  bool firstDamaged_ = false;  // told by the first NextEntry
  std::map<std::string, std::unique_ptr<EntryDecoder>> decoders_;
};

}  // namespace ks
