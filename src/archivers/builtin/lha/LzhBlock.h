#pragma once
// Writes one block of LHA coded data (-lh5-, -lh6-, -lh7-): the token count,
// the code-length tree, the literal/length tree coded through it, the
// position tree, then the tokens.

#include "archivers/builtin/codec/BitWriter.h"
#include "archivers/builtin/codec/LzTokens.h"
#include "archivers/builtin/lha/LzhMethod.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace ks {

// The code tables of one block, made from its symbol counts.
class LzhBlockCodes {
 public:
  LzhBlockCodes(const std::vector<std::uint32_t>& literalFreq,
                const std::vector<std::uint32_t>& positionFreq, const LzhMethodInfo& method);
  ~LzhBlockCodes();
  LzhBlockCodes(const LzhBlockCodes&) = delete;
  LzhBlockCodes& operator=(const LzhBlockCodes&) = delete;

  // The bits the block takes: its trees and codes. The raw bits below each
  // position code are left out, since they are the same however the tokens
  // are cut into blocks.
  std::uint64_t CostBits() const;
  // Appends the block of tokens [begin, end) (1 to 65535 of them), whose
  // counts these codes were made from.
  void Write(const LzTokens& tokens, std::size_t begin, std::size_t end, BitWriter& out) const;

 private:
  struct Tables;
  std::unique_ptr<Tables> tables_;
};

}  // namespace ks
