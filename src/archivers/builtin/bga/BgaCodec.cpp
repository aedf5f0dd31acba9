#include "archivers/builtin/bga/BgaCodec.h"

#include <bzlib.h>
#include <isa-l/igzip_lib.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <vector>

#include "archivers/builtin/common/ParallelDeflate.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks {
namespace {

constexpr std::size_t kOutChunk = 256 * 1024;
// zlib's windowBits for a gzip wrapper around deflate data.
constexpr int kGzipWindow = 15 + 16;
// Both libraries count bytes in unsigned int: large buffers go in slices.
constexpr std::size_t kMaxSlice = UINT_MAX / 2;

// One call of a library over the buffers in `io`, which it advances.
struct StepIo {
  const unsigned char* in = nullptr;
  std::size_t inLeft = 0;
  unsigned char* out = nullptr;
  std::size_t outLeft = 0;
};

enum class StepResult { Progress, End, Damaged, CrcMismatch };

// Points a zlib or libbz2 stream at the buffers of `io`, makes `call`, and
// moves `io` on by what the library used and wrote. The library's result.
template <class Stream, class Call>
int RunOn(Stream& stream, StepIo& io, Call call) {
  stream.next_in = reinterpret_cast<decltype(stream.next_in)>(const_cast<unsigned char*>(io.in));
  stream.avail_in = static_cast<decltype(stream.avail_in)>(io.inLeft);
  stream.next_out = reinterpret_cast<decltype(stream.next_out)>(io.out);
  stream.avail_out = static_cast<decltype(stream.avail_out)>(io.outLeft);
  const int r = call();
  io.in = reinterpret_cast<const unsigned char*>(stream.next_in);
  io.inLeft = stream.avail_in;
  io.outLeft = stream.avail_out;
  return r;
}

// Memory for libbz2, kept for the next stream. Each stream takes a few MiB
// of tables (more for larger blocks) and clears some of them; taken afresh
// from the system for each of thousands of small entries, the new pages cost
// a fifth more time than the compression itself.
class BzMemory {
 public:
  BzMemory() = default;
  ~BzMemory() {
    for (const Block& b : free_) std::free(b.at);
  }
  BzMemory(const BzMemory&) = delete;
  BzMemory& operator=(const BzMemory&) = delete;

  static void* Alloc(void* self, int items, int size) {
    return static_cast<BzMemory*>(self)->Take(static_cast<std::size_t>(items) * static_cast<std::size_t>(size));
  }
  static void Free(void* self, void* at) { static_cast<BzMemory*>(self)->Give(at); }

 private:
  struct Block {
    void* at;
    std::size_t size;
  };
  // At most this much waits for the next stream: a 900 kB block's tables.
  static constexpr std::size_t kKept = std::size_t{12} << 20;

  void* Take(std::size_t size) {
    // The smallest kept block that holds `size`, unless it is far larger.
    auto best = free_.end();
    for (auto it = free_.begin(); it != free_.end(); ++it)
      if (it->size >= size && it->size <= 2 * size + 4096 && (best == free_.end() || it->size < best->size)) best = it;
    Block b{nullptr, size};
    if (best != free_.end()) {
      b = *best;
      kept_ -= b.size;
      free_.erase(best);
    } else {
      b.at = std::malloc(size);
      if (!b.at) return nullptr;
    }
    used_.push_back(b);
    return b.at;
  }

  void Give(void* at) {
    const auto it = std::find_if(used_.begin(), used_.end(), [&](const Block& b) { return b.at == at; });
    if (it == used_.end()) return;
    const Block b = *it;
    used_.erase(it);
    if (kept_ + b.size > kKept) {
      std::free(b.at);
      return;
    }
    kept_ += b.size;
    free_.push_back(b);
  }

  std::vector<Block> used_, free_;
  std::size_t kept_ = 0;
};

// A libbz2 stream, ended by the call that matches how it was begun.
class BzStream {
 public:
  explicit BzStream(int (*end)(bz_stream*)) : end_(end) {}
  ~BzStream() { Close(); }
  BzStream(const BzStream&) = delete;
  BzStream& operator=(const BzStream&) = delete;

  // Ends the stream begun, if any, and gives a fresh one to begin.
  bz_stream& Fresh() {
    Close();
    bz.bzalloc = &BzMemory::Alloc;
    bz.bzfree = &BzMemory::Free;
    bz.opaque = &memory_;
    return bz;
  }
  void Begun() { open_ = true; }

  bz_stream bz{};

 private:
  void Close() {
    if (open_) end_(&bz);
    open_ = false;
    bz = bz_stream{};
  }
  BzMemory memory_;  // the stream is ended (in Close) while this still lives
  int (*end_)(bz_stream*);
  bool open_ = false;
};

// The loop both decoders share: feed input, pass output on, and hold the
// stream to the header's promises.
class StreamDecoder : public BgaDecoder {
 public:
  explicit StreamDecoder(const char* kind) : kind_(kind), out_(kOutChunk) {}

  void Begin(std::uint64_t expectedSize) override {
    Restart();
    expected_ = expectedSize;
    produced_ = 0;
    ended_ = false;
    errorText_.clear();
  }

  int Feed(const unsigned char* data, std::size_t size, bool last, const BgaSink& sink) override {
    for (;;) {
      if (ended_) {
        if (size > 0) return Fail(kArcBrokenData, std::string("data follows the end of the ") + kind_);
        break;
      }
      const std::size_t slice = std::min(size, kMaxSlice);
      StepIo io{data, slice, out_.data(), out_.size()};
      const StepResult r = Step(io);
      const std::size_t got = out_.size() - io.outLeft;
      const std::size_t used = slice - io.inLeft;
      data += used;
      size -= used;
      if (r == StepResult::CrcMismatch)
        return Fail(kArcFileCrc, std::string("the ") + kind_ + " does not match its checksum");
      if (r == StepResult::Damaged) return Fail(kArcBrokenData, std::string("the ") + kind_ + " is damaged");
      if (r == StepResult::End) ended_ = true;
      if (got > 0) {
        produced_ += got;
        if (produced_ > expected_)
          return Fail(kArcBrokenData, "the entry decompresses to more than its header says");
        if (int s = sink(reinterpret_cast<const char*>(out_.data()), got); s != kArcOk) return s;
      }
      // Input used up and room left for output: the library wants more.
      if (!ended_ && size == 0 && io.outLeft > 0) break;
      // A library that neither reads nor writes would never get further.
      if (!ended_ && used == 0 && got == 0) return Fail(kArcBrokenData, std::string("the ") + kind_ + " is damaged");
    }
    if (!last) return kArcOk;
    if (!ended_) return Fail(kArcBrokenData, std::string("the ") + kind_ + " ends early");
    if (produced_ != expected_)
      return Fail(kArcBrokenData, "the entry decompresses to " + std::to_string(produced_) +
                                      " bytes, its header says " + std::to_string(expected_));
    return kArcOk;
  }

 protected:
  virtual void Restart() = 0;
  virtual StepResult Step(StepIo& io) = 0;

 private:
  int Fail(int code, std::string text) {
    errorText_ = std::move(text);
    return code;
  }

  const char* kind_;
  std::vector<unsigned char> out_;
  std::uint64_t expected_ = 0;
  std::uint64_t produced_ = 0;
  bool ended_ = false;
};

// Through ISA-L's inflate, which decodes a good deal faster than zlib's and
// checks the member's CRC-32 and length.
class GzipDecoder : public StreamDecoder {
 public:
  GzipDecoder() : StreamDecoder("gzip member") { Restart(); }

 protected:
  void Restart() override {
    isal_inflate_init(&s_);
    s_.crc_flag = ISAL_GZIP;
  }

  StepResult Step(StepIo& io) override {
    const auto inTurn = static_cast<std::uint32_t>(std::min<std::size_t>(io.inLeft, UINT32_MAX));
    const auto outTurn = static_cast<std::uint32_t>(std::min<std::size_t>(io.outLeft, UINT32_MAX));
    s_.next_in = const_cast<std::uint8_t*>(io.in);
    s_.avail_in = inTurn;
    s_.next_out = io.out;
    s_.avail_out = outTurn;
    const int r = isal_inflate(&s_);
    io.in = s_.next_in;
    io.inLeft -= inTurn - s_.avail_in;
    io.out = s_.next_out;
    io.outLeft -= outTurn - s_.avail_out;
    if (r == ISAL_INCORRECT_CHECKSUM) return StepResult::CrcMismatch;  // the trailer's CRC-32 or length
    if (r < 0) return StepResult::Damaged;
    return s_.block_state == ISAL_BLOCK_FINISH ? StepResult::End : StepResult::Progress;
  }

 private:
  inflate_state s_{};
};

class Bzip2Decoder : public StreamDecoder {
 public:
  Bzip2Decoder() : StreamDecoder("bzip2 stream") {}

 protected:
  void Restart() override {
    if (BZ2_bzDecompressInit(&bz_.Fresh(), 0, 0) != BZ_OK) throw std::bad_alloc();
    bz_.Begun();
  }

  StepResult Step(StepIo& io) override {
    switch (RunOn(bz_.bz, io, [&] { return BZ2_bzDecompress(&bz_.bz); })) {
      case BZ_STREAM_END:
        return StepResult::End;
      case BZ_OK:
        return StepResult::Progress;
      case BZ_MEM_ERROR:
        throw std::bad_alloc();
      case BZ_DATA_ERROR:  // a block or stream CRC, or the structure
        return StepResult::CrcMismatch;
      default:
        return StepResult::Damaged;
    }
  }

 private:
  BzStream bz_{BZ2_bzDecompressEnd};
};

// The loop both encoders share.
class StreamEncoder : public BgaEncoder {
 public:
  StreamEncoder() : out_(kOutChunk) {}

  int Feed(const char* data, std::size_t size, bool last, const BgaSink& sink) override {
    do {
      const std::size_t slice = std::min(size, kMaxSlice);
      const bool finish = last && slice == size;
      StepIo io{reinterpret_cast<const unsigned char*>(data), slice, nullptr, 0};
      for (;;) {
        io.out = out_.data();
        io.outLeft = out_.size();
        const bool ended = Step(io, finish);
        const std::size_t got = out_.size() - io.outLeft;
        if (got > 0)
          if (int s = sink(reinterpret_cast<const char*>(out_.data()), got); s != kArcOk) return s;
        if (finish ? ended : (io.inLeft == 0 && io.outLeft > 0)) break;
      }
      data += slice;
      size -= slice;
    } while (size > 0);
    return kArcOk;
  }

 protected:
  // Compresses what `io` holds; with `finish`, also ends the stream and
  // returns true once all of it has been written out.
  virtual bool Step(StepIo& io, bool finish) = 0;

 private:
  std::vector<unsigned char> out_;
};

class GzipEncoder : public StreamEncoder {
 public:
  GzipEncoder() {
    if (deflateInit2(&z_, Z_DEFAULT_COMPRESSION, Z_DEFLATED, kGzipWindow, 8,
                     Z_DEFAULT_STRATEGY) != Z_OK)
      throw std::bad_alloc();
  }
  ~GzipEncoder() override { deflateEnd(&z_); }

  int Begin(std::uint64_t) override {
    deflateReset(&z_);
    return kArcOk;
  }

 protected:
  bool Step(StepIo& io, bool finish) override {
    const int r = RunOn(z_, io, [&] { return deflate(&z_, finish ? Z_FINISH : Z_NO_FLUSH); });
    if (r == Z_STREAM_ERROR) throw std::runtime_error("zlib refused the data");
    return r == Z_STREAM_END;
  }

 private:
  z_stream z_{};
};

class Bzip2Encoder : public StreamEncoder {
 public:
  int Begin(std::uint64_t size) override {
    // A block holds up to level x 100 kB. A small file needs a small block,
    // which compresses it just as well and spares setting up 900 kB blocks
    // for each of thousands of small files. Runs of equal bytes can grow
    // the data by a quarter before the block is sorted.
    const std::uint64_t need = size + size / 4 + 100;
    const int level = static_cast<int>(std::min<std::uint64_t>(9, need / 100000 + 1));
    if (BZ2_bzCompressInit(&bz_.Fresh(), level, 0, 0) != BZ_OK) throw std::bad_alloc();
    bz_.Begun();
    return kArcOk;
  }

 protected:
  bool Step(StepIo& io, bool finish) override {
    const int r = RunOn(bz_.bz, io, [&] { return BZ2_bzCompress(&bz_.bz, finish ? BZ_FINISH : BZ_RUN); });
    if (r < 0) throw std::runtime_error("libbz2 refused the data");
    return r == BZ_STREAM_END;
  }

 private:
  BzStream bz_{BZ2_bzCompressEnd};
};

// A large file's gzip member compressed on several threads: blocks with the
// window carried across, so it is barely larger than GzipEncoder's member
// and the same whatever the number of threads.
class BlockGzipEncoder : public BgaEncoder {
 public:
  explicit BlockGzipEncoder(unsigned threads) : threads_(threads) {}

  int Begin(std::uint64_t) override {
    gzip_.reset();  // its workers stop before a new member begins
    gzip_ = std::make_unique<ParallelGzip>(kGzipLevel, threads_, [this](const char* data, std::size_t n) {
      return (*sink_)(data, n);
    });
    return kArcOk;
  }

  int Feed(const char* data, std::size_t size, bool last, const BgaSink& sink) override {
    sink_ = &sink;
    int r = gzip_->Write(data, size);
    if (r == kArcOk && last) r = gzip_->Finish();
    return r;
  }

 private:
  static constexpr int kGzipLevel = 6;  // zlib's default, as GzipEncoder uses
  unsigned threads_;
  const BgaSink* sink_ = nullptr;
  std::unique_ptr<ParallelGzip> gzip_;
};

}  // namespace

std::unique_ptr<BgaDecoder> MakeBgaDecoder(BgaMethod method) {
  if (method == BgaMethod::Gzip) return std::make_unique<GzipDecoder>();
  return std::make_unique<Bzip2Decoder>();
}

std::unique_ptr<BgaEncoder> MakeBgaEncoder(BgaMethod method) {
  if (method == BgaMethod::Gzip) return std::make_unique<GzipEncoder>();
  return std::make_unique<Bzip2Encoder>();
}

std::unique_ptr<BgaEncoder> MakeBgaStreamEncoder(BgaMethod method, unsigned threads) {
  if (method == BgaMethod::Gzip) return std::make_unique<BlockGzipEncoder>(threads);
  return std::make_unique<Bzip2Encoder>();
}

}  // namespace ks
