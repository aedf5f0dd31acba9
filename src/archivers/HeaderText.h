#pragma once
// The first bytes of a file as the characters a Japanese (CP932) system reads
// them: a lead byte and the byte after it make one character, every other byte
// is a character of its own. Signature positions count these characters, so a
// double-byte character in front of a signature moves it one place left.

#include <cstddef>
#include <string>
#include <vector>

namespace ks {

// How many bytes of a file the signature tests look at.
constexpr std::size_t kHeaderBytes = 45;

// One header character: its raw bytes (one or two).
using HeaderChar = std::string;

// True for the bytes that open a two-byte CP932 character.
bool IsCp932LeadByte(unsigned char byte);
// True for the bytes that may follow a lead byte.
bool IsCp932TrailByte(unsigned char byte);

// Splits raw header bytes into characters. A lead byte whose next byte cannot
// follow it, or a lead byte that is the last byte, is a character of its own;
// the byte after it then starts the next character. This is how the system's
// converter treats a broken pair (the lead becomes one replacement character
// and the next byte is read afresh), and it never hides an ASCII byte inside a
// broken pair, so a signature right after garbage is still seen.
std::vector<HeaderChar> SplitHeader(const std::string& bytes);

// True when the characters from 1-based `position` on spell `text`
// (single-byte characters only, exact case). False when they run past the end.
bool HeaderHasAt(const std::vector<HeaderChar>& header, std::size_t position,
                 const std::string& text);

}  // namespace ks
