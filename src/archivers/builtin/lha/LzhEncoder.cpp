#include "archivers/builtin/lha/LzhEncoder.h"

#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/lha/LzhBlock.h"

namespace ks {

namespace {

// Tokens are weighed in pieces of this many: each piece either joins the
// block being built or, when separate codes are cheaper than shared ones
// (the data changed), starts the next block. Small blocks follow changes in
// the data; each costs its trees (some tens of bytes).
constexpr std::size_t kPieceTokens = 4 * 1024;
// Coded bytes are handed on in pieces of about this size.
constexpr std::size_t kSendChunk = 64 * 1024;
// Deep chain searches: on mixed data they cost little time (most positions
// have short chains) and give archives smaller than other LHA packers'.
constexpr MatchTuning kTuning{256, 32, 256, 128};

}  // namespace

LzhEncoder::LzhEncoder(LzhMethod method, Sink sink)
    : method_(method),
      info_(MethodInfo(method)),
      sink_(std::move(sink)),
      finder_(info_.windowBits, kTuning),
      tokens_(kLzhMaxBlockTokens) {
  tokens_.SetLimit(kPieceTokens);
}

void LzhEncoder::Reset(std::uint64_t limit) {
  finder_.Reset();
  tokens_.Clear();
  tokens_.SetLimit(kPieceTokens);
  blockEnd_ = 0;
  blockCost_ = 0;
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
      if (int r = PieceDone(); r != kArcOk) return r;
    }
  }
  return kArcOk;
}

int LzhEncoder::Finish() {
  if (exceeded_) return kArcOk;
  for (;;) {
    const bool done = finder_.Parse(true, tokens_);
    if (tokens_.Full() || (done && tokens_.size() > blockEnd_))
      if (int r = PieceDone(); r != kArcOk) return r;
    if (done || exceeded_) break;
  }
  if (!exceeded_ && !tokens_.Empty())
    if (int r = EmitBlock(); r != kArcOk) return r;
  if (exceeded_) return kArcOk;
  bits_.Flush();
  return Send(true);
}

int LzhEncoder::PieceDone() {
  const std::size_t end = tokens_.size();
  if (blockEnd_ > 0) {
    std::vector<std::uint32_t> pieceLiterals, piecePositions;
    tokens_.CountRange(blockEnd_, end, pieceLiterals, piecePositions);
    std::vector<std::uint32_t> blockLiterals = tokens_.literalFreq();
    std::vector<std::uint32_t> blockPositions = tokens_.positionFreq();
    for (std::size_t s = 0; s < blockLiterals.size(); ++s) blockLiterals[s] -= pieceLiterals[s];
    for (std::size_t s = 0; s < blockPositions.size(); ++s) blockPositions[s] -= piecePositions[s];
    const std::uint64_t together =
        LzhBlockCodes(tokens_.literalFreq(), tokens_.positionFreq(), info_).CostBits();
    const std::uint64_t piece = LzhBlockCodes(pieceLiterals, piecePositions, info_).CostBits();
    if (blockCost_ + piece < together) {
      // The piece is better off in a block of its own.
      LzhBlockCodes(blockLiterals, blockPositions, info_).Write(tokens_, 0, blockEnd_, bits_);
      tokens_.DropFront(blockEnd_);
      blockEnd_ = tokens_.size();
      blockCost_ = piece;
      tokens_.SetLimit(blockEnd_ + kPieceTokens);
      return Send(false);
    }
    blockCost_ = together;
  } else {
    blockCost_ = LzhBlockCodes(tokens_.literalFreq(), tokens_.positionFreq(), info_).CostBits();
  }
  blockEnd_ = end;
  // A block holds at most 65535 tokens: write it before the next piece
  // could overflow it.
  if (blockEnd_ + kPieceTokens > tokens_.capacity()) return EmitBlock();
  tokens_.SetLimit(blockEnd_ + kPieceTokens);
  return kArcOk;
}

int LzhEncoder::EmitBlock() {
  LzhBlockCodes(tokens_.literalFreq(), tokens_.positionFreq(), info_).Write(tokens_, 0, tokens_.size(), bits_);
  tokens_.Clear();
  blockEnd_ = 0;
  blockCost_ = 0;
  tokens_.SetLimit(kPieceTokens);
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
