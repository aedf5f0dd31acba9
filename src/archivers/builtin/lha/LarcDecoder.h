#pragma once
// Decoders for the LArc methods found in LZH archives: -lzs- (2 KB window,
// one flag bit per command, matches of 2 to 17 bytes) and -lz5- (4 KB
// window, a flag byte per eight commands, matches of 3 to 18 bytes). Both
// name a match by its absolute place in a ring buffer whose writing starts
// just before its end; -lz5- starts from a ring prepared with runs of every
// byte value, ascending and descending bytes, zeros and spaces.

#include <cstdint>
#include <vector>

#include "archivers/builtin/codec/DecodeWindow.h"

namespace ks {

class LzsDecoder : public EntryDecoder {
 public:
  LzsDecoder();
  DecodeError Decode(DecodeInput& input, std::uint64_t size, DecodeOutput& output) override;

 private:
  DecodeWindow window_;
  std::vector<std::uint8_t> inputBuffer_;
};

class Lz5Decoder : public EntryDecoder {
 public:
  Lz5Decoder();
  DecodeError Decode(DecodeInput& input, std::uint64_t size, DecodeOutput& output) override;

 private:
  DecodeWindow window_;
  std::vector<std::uint8_t> initialHistory_;
  std::vector<std::uint8_t> inputBuffer_;
};

}  // namespace ks
