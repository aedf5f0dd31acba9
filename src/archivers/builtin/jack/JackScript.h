#pragma once
// The joiner script of a self-joining Jack set: a POSIX sh script, written
// beside the pieces, that rebuilds the original file with standard tools
// only (wc, tail, cksum, mv, rm, dirname). It checks every piece's size,
// strips each header by its byte length, and verifies the joined file's
// size and POSIX cksum before giving it its name; an existing file of that
// name is never replaced.

#include <cstdint>
#include <string>

namespace ks {

struct JackScriptFacts {
  std::string name;             // the original file name
  std::uint32_t pieceCount = 1;
  std::size_t headerSize = 0;   // bytes of header at the start of each piece
  std::uint64_t pieceData = 0;  // data bytes of every piece but the last
  std::uint64_t lastData = 0;   // data bytes of the last piece
  std::uint64_t totalSize = 0;
  std::uint32_t cksum = 0;      // POSIX cksum of the whole file
};

std::string JackJoinerScript(const JackScriptFacts& facts);
// `text` as one sh word in single quotes.
std::string ShellSingleQuoted(const std::string& text);

}  // namespace ks
