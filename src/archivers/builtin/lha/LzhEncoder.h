#pragma once
// Streams one file's data through the -lh5-/-lh6-/-lh7- coder. Memory is the
// window, the parser's tables and one block of tokens, whatever the file size.

#include <cstddef>
#include <cstdint>
#include <functional>

#include "archivers/builtin/codec/BitWriter.h"
#include "archivers/builtin/codec/LzTokens.h"
#include "archivers/builtin/lha/LzhMethod.h"
#include "archivers/builtin/codec/MatchFinder.h"

namespace ks {

class LzhEncoder {
 public:
  // Receives coded bytes; returns 0 or an ArcResult that stops the coder.
  using Sink = std::function<int(const std::uint8_t*, std::size_t)>;

  LzhEncoder(LzhMethod method, Sink sink);

  // Starts a new file. Coded output beyond `limit` bytes is not sent; the
  // coder stops and limitExceeded() tells (the caller then stores the file).
  void Reset(std::uint64_t limit);
  // Codes more of the file. Returns 0 or the sink's error.
  int Write(const void* data, std::size_t size);
  // Codes the rest and sends the last bytes. Returns 0 or the sink's error.
  int Finish();

  bool limitExceeded() const { return exceeded_; }
  // Coded bytes sent to the sink for this file.
  std::uint64_t codedSize() const { return sent_; }
  LzhMethod method() const { return method_; }

 private:
  // Decides where the piece of tokens just parsed goes.
  int PieceDone();
  // Writes every token held as one block.
  int EmitBlock();
  int Send(bool all);

  LzhMethod method_;
  const LzhMethodInfo& info_;
  Sink sink_;
  MatchFinder finder_;
  LzTokens tokens_;
  std::size_t blockEnd_ = 0;      // tokens [0, blockEnd_) form the block being built
  std::uint64_t blockCost_ = 0;  // its cost in bits, with its own codes
  BitWriter bits_;
  std::uint64_t limit_ = 0;
  std::uint64_t sent_ = 0;
  bool exceeded_ = false;
};

}  // namespace ks
