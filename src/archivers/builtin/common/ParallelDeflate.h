#pragma once
// One deflate stream compressed on several threads at once. The data is cut
// into blocks of a fixed size, each deflated on its own with the 32 KiB
// before it as its dictionary (as pigz does), so matches still reach across
// block ends and the stream is barely larger than one made in a single run.
// Blocks are cut at the same places whatever the number of threads, so the
// stream is the same byte for byte with one thread or many.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "archivers/builtin/common/OrderedWorkPool.h"
#include "archivers/builtin/common/RawDeflater.h"

namespace ks {

class ParallelDeflate {
 public:
  // Receives the stream's bytes in order, in the caller's thread; returns 0
  // or an ArcResult that stops the work.
  using Sink = std::function<int(const char* data, std::size_t size)>;

  // `level` 1 to 9.
  ParallelDeflate(int level, unsigned threads, Sink sink);
  ParallelDeflate(const ParallelDeflate&) = delete;
  ParallelDeflate& operator=(const ParallelDeflate&) = delete;

  // Adds data; full blocks go to the workers, finished ones to the sink.
  // 0 or the sink's result.
  int Write(const char* data, std::size_t size);
  // Deflates what is left as the last block and sends everything still
  // held. 0 or the sink's result.
  int Finish();

  // Of the data written so far.
  std::uint32_t crc() const { return crc_; }
  std::uint64_t size() const { return size_; }

  static constexpr std::size_t kBlockSize = 128 * 1024;

 private:
  struct Block {
    std::vector<char> bytes;
    std::uint32_t crc = 0;
    std::size_t size = 0;
  };

  void Submit(bool last);
  int Send(const Block& block);

  int level_;
  Sink sink_;
  std::vector<char> input_;       // the block being filled
  std::vector<char> dictionary_;  // the 32 KiB before it
  std::uint32_t crc_ = 0;
  std::uint64_t size_ = 0;
  std::vector<std::unique_ptr<RawDeflater>> deflaters_;  // one per worker
  OrderedWork<Block> work_;  // last: its workers stop before what they use goes
};

// A gzip file (one member, no name, time 0) made with ParallelDeflate: any
// gzip reads it as one stream.
class ParallelGzip {
 public:
  using Sink = ParallelDeflate::Sink;
  ParallelGzip(int level, unsigned threads, Sink sink);
  int Write(const char* data, std::size_t size);
  // Ends the member with its CRC and length.
  int Finish();

 private:
  Sink sink_;
  bool headerSent_ = false;
  ParallelDeflate deflate_;
};

}  // namespace ks
