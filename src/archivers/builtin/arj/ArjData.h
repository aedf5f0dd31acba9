#pragma once
// The data of one ARJ entry: its compressed bytes as they come from the
// archive file, and their decoding into the original file, CRC-32 verified.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "archivers/builtin/arj/ArjHeader.h"
#include "archivers/builtin/common/EntryReader.h"
#include "archivers/builtin/codec/DecodeStream.h"

namespace ks {

class ArjFastestDecoder;
class StaticHuffmanDecoder;

// Receives decoded data block by block; a non-zero result stops decoding and
// is passed back.
using ArjSink = EntryReader::DataSink;

// The compressed bytes of one entry, read from the archive file.
class ArjDataSource : public DecodeInput {
 public:
  ArjDataSource(std::FILE* file, std::uint64_t size) : file_(file), remaining_(size) {}
  // Up to `size` bytes; 0 once the entry's data is used up. A file that ends
  // before that sets truncated().
  std::size_t Read(std::uint8_t* data, std::size_t size) override;
  bool truncated() const { return truncated_; }

 private:
  std::FILE* file_;
  std::uint64_t remaining_;
  bool truncated_ = false;
};

// Why an entry's data could not be given back.
struct ArjDataResult {
  int code = 0;      // kArcOk or an ArcResult (or the sink's own result)
  std::string text;  // what went wrong, for the log; empty on success or
                     // when the sink stopped (it tells its own reason)
};

// Decodes entries: method 0 stored, 1 to 3 the static-Huffman format shared
// with LHA, 4 ARJ's own "fastest" format. The decoders and their windows are
// made at first use and kept for the next entry.
class ArjDecoder {
 public:
  ArjDecoder();
  ~ArjDecoder();
  ArjDecoder(const ArjDecoder&) = delete;
  ArjDecoder& operator=(const ArjDecoder&) = delete;

  // Decodes the data of `header` from `in` into `sink`, and checks its size
  // and CRC-32. Entries that are encrypted, span volumes or use an unknown
  // method are refused before anything is decoded.
  ArjDataResult Decode(const ArjHeader& header, ArjDataSource& in, const ArjSink& sink);

 private:
  std::unique_ptr<StaticHuffmanDecoder> huffman_;
  std::unique_ptr<ArjFastestDecoder> fastest_;
};

}  // namespace ks
