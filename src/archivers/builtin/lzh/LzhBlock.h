#pragma once
// Writes one block of LHA coded data (-lh5-, -lh6-, -lh7-): the token count,
// the code-length tree, the literal/length tree coded through it, the
// position tree, then the tokens.

#include "archivers/builtin/lzh/BitWriter.h"
#include "archivers/builtin/lzh/LzTokens.h"
#include "archivers/builtin/lzh/LzhMethod.h"

namespace ks {

// Appends the block of `tokens` (1 to 65535 of them) to `out`.
void WriteLzhBlock(const LzTokens& tokens, const LzhMethodInfo& method, BitWriter& out);

}  // namespace ks
