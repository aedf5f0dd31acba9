#include "archivers/builtin/lzh/LzhEncoder.h"

#include "archivers/builtin/ResultCodes.h"
#include "archivers/builtin/lzh/LzhBlock.h"

namespace ks {

namespace {

// Smaller blocks follow changes in the data more closely; each one costs its
// trees (some tens of bytes). This size gave the smallest archives on mixed
// text and binaries.
constexpr std::size_t kBlockTokens = 16 * 1024;
// Coded bytes are handed on in pieces of about this size.
constexpr std::size_t kSendChunk = 64 * 1024;

}  // namespace

MatchTuning TuningFor(LzhMethod method) {
  switch (method) {
    case LzhMethod::Lh5:
      return {256, 32, 256, 128};
    case LzhMethod::Lh6:
    case LzhMethod::Lh7:
      return {96, 8, 160, 32};
  }
  return {64, 8, 128, 32};
}

LzhEncoder::LzhEncoder(LzhMethod method, Sink sink)
    : method_(method),
      info_(MethodInfo(method)),
      sink_(std::move(sink)),
      finder_(info_.windowBits, TuningFor(method)),
      tokens_(kBlockTokens) {}

void LzhEncoder::Reset(std::uint64_t limit) {
  finder_.Reset();
  tokens_.Clear();
  bits_ = BitWriter();
  limit_ = limit;
  sent_ = 0;
  exceeded_ = false;
}

int LzhEncoder::Write(const void* data, std::size_t size) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  while (size > 0 && !exceeded_) {
    const std::size_t taken = finder_.Append(p, size);
    p += taken;
    size -= taken;
    for (;;) {
      finder_.Parse(false, tokens_);
      if (!tokens_.Full()) break;
      if (int r = EmitBlock(); r != kArcOk) return r;
    }
  }
  return kArcOk;
}

int LzhEncoder::Finish() {
  if (exceeded_) return kArcOk;
  for (;;) {
    const bool done = finder_.Parse(true, tokens_);
    if (!tokens_.Empty() && (tokens_.Full() || done))
      if (int r = EmitBlock(); r != kArcOk) return r;
    if (done || exceeded_) break;
  }
  if (exceeded_) return kArcOk;
  bits_.Flush();
  return Send(true);
}

int LzhEncoder::EmitBlock() {
  WriteLzhBlock(tokens_, info_, bits_);
  tokens_.Clear();
  return Send(false);
}

int LzhEncoder::Send(bool all) {
  std::vector<std::uint8_t>& bytes = bits_.bytes();
  if (bytes.empty() || (!all && bytes.size() < kSendChunk)) return kArcOk;
  if (sent_ + bytes.size() > limit_) {
    exceeded_ = true;
    bits_.Consumed();
    return kArcOk;
  }
  const int r = sink_(bytes.data(), bytes.size());
  sent_ += bytes.size();
  bits_.Consumed();
  return r;
}

}  // namespace ks
