#pragma once
// The compressed data of one BGA entry: one gzip member (zlib) or one bzip2
// stream (libbz2), streamed in both directions so no entry is ever held
// whole in memory.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "archivers/builtin/bga/BgaFormat.h"

namespace ks {

// Receives output bytes; returns 0 or an ArcResult that stops the work.
using BgaSink = std::function<int(const char* data, std::size_t size)>;
// What a sink of compressed data answers once the data has grown to the
// size of the original: compressing it is no gain, so it is stored as it is.
constexpr int kBgaNotSmaller = 1;

// Decompresses the data of entries one after the other, verifying each:
// the gzip member's CRC-32 and length, the bzip2 stream's block and stream
// CRCs, that the stream ends exactly where the entry's data does, and that
// it gives exactly the size the header promises (never more: a damaged or
// hostile entry cannot fill the disk).
class BgaDecoder {
 public:
  virtual ~BgaDecoder() = default;
  // Starts an entry that must decompress to `expectedSize` bytes.
  virtual void Begin(std::uint64_t expectedSize) = 0;
  // Decompresses `size` bytes of the entry's data; `last` marks the end of
  // it. kArcOk; kArcFileCrc for a checksum that does not match;
  // kArcBrokenData for anything else wrong; or the sink's result.
  virtual int Feed(const unsigned char* data, std::size_t size, bool last, const BgaSink& sink) = 0;
  // Why the last Feed failed.
  const std::string& errorText() const { return errorText_; }

 protected:
  std::string errorText_;
};
std::unique_ptr<BgaDecoder> MakeBgaDecoder(BgaMethod method);

// Compresses the data of entries one after the other: gzip at zlib's
// default level (as gzip(1)), bzip2 with the block size a file of its size
// needs, up to 900 kB (as bzip2(1)).
class BgaEncoder {
 public:
  virtual ~BgaEncoder() = default;
  // Starts an entry of `size` bytes.
  virtual int Begin(std::uint64_t size) = 0;
  // Compresses `size` bytes; `last` marks the end of the entry's data.
  // kArcOk, or the sink's result.
  virtual int Feed(const char* data, std::size_t size, bool last, const BgaSink& sink) = 0;
};
std::unique_ptr<BgaEncoder> MakeBgaEncoder(BgaMethod method);
// The encoder for a file too large to hold in memory: gzip compressed on
// `threads` threads in blocks (see ParallelDeflate), so its member differs
// a little from MakeBgaEncoder's but not with the number of threads; bzip2
// as MakeBgaEncoder's.
std::unique_ptr<BgaEncoder> MakeBgaStreamEncoder(BgaMethod method, unsigned threads);

}  // namespace ks
