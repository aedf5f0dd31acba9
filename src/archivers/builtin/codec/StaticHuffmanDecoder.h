#pragma once
// Decoder for the static-Huffman LZ format of -lh4-, -lh5-, -lh6-, -lh7-,
// -lhx- and of ARJ methods 1 to 3.
//
// The coded data is a series of blocks, read most significant bit first:
//   16 bits  number of symbols in the block (0: an empty block, read the next)
//   the code-length code (19 symbols, 5-bit count): lengths 0-6 in 3 bits,
//            7 and up as 111 followed by one 1 per extra unit and a 0; after
//            the third length a 2-bit count of zero lengths follows
//   the literal/length code (510 symbols, 9-bit count), its lengths coded
//            with the code above: 0 = one zero, 1 = 3 + 4 bits zeros,
//            2 = 20 + 9 bits zeros, n >= 3 = length n - 2
//   the position code (`positionCodes` symbols, count in `positionCountBits`
//            bits), lengths as in the code-length code, no zero run
//   each table has a one-symbol form: count 0, then that symbol in as many
//   bits as the count, and codes of length 0
//   the symbols: 0-255 a literal byte; 256 and up a match of symbol - 253
//            bytes (3 to 256), followed by position code p: the match starts
//            d + 1 bytes back, d = p for p < 2, else 2^(p-1) + (p-1) bits.
// History before the first byte reads as spaces.
//
// ARJ methods 1 to 3 are this format with 17 position codes counted in 5
// bits (kArjHuffman). ARJ's window is 26,624 bytes, which its encoder never
// reaches beyond; the decoder keeps the full 64 KB the position codes can
// address, so any distance in a block is safe. An ARJ back-end decodes one
// entry like this:
//
//   StaticHuffmanDecoder decoder(kArjHuffman);   // once, reused per entry
//   MyFileInput in(archive, entry.compressedSize);  // a DecodeInput
//   MyCrc32Output out(file);                        // a DecodeOutput
//   DecodeError e = decoder.Decode(in, entry.originalSize, out);
//   // e != DecodeError::None, or a CRC-32 that differs: the entry is bad;
//   // bytes already written must be thrown away.
//
// ARJ method 4 is a different format and is not decoded here.

#include <cstdint>
#include <memory>
#include <vector>

#include "archivers/builtin/codec/DecodeStream.h"

namespace ks {

struct StaticHuffmanFormat {
  // 14 for -lh4-/-lh5-, 16 for -lh6-, 17 for -lh7- and ARJ, 20 for -lhx-;
  // the window is 2^(positionCodes - 1) bytes.
  unsigned positionCodes;
  unsigned positionCountBits;  // 4 for -lh4-/-lh5-, 5 otherwise
};

inline constexpr StaticHuffmanFormat kLh4Huffman{14, 4};
inline constexpr StaticHuffmanFormat kLh5Huffman{14, 4};
inline constexpr StaticHuffmanFormat kLh6Huffman{16, 5};
inline constexpr StaticHuffmanFormat kLh7Huffman{17, 5};
// -lhx- of the later Windows LHA libraries: -lh7- with a 512 KB window.
inline constexpr StaticHuffmanFormat kLhxHuffman{20, 5};
inline constexpr StaticHuffmanFormat kArjHuffman{17, 5};

class StaticHuffmanDecoder : public EntryDecoder {
 public:
  explicit StaticHuffmanDecoder(const StaticHuffmanFormat& format);
  ~StaticHuffmanDecoder() override;
  StaticHuffmanDecoder(const StaticHuffmanDecoder&) = delete;
  StaticHuffmanDecoder& operator=(const StaticHuffmanDecoder&) = delete;

  // As EntryDecoder::Decode.
  DecodeError Decode(DecodeInput& input, std::uint64_t size, DecodeOutput& output) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace ks
