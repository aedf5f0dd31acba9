#pragma once
// Where the LZH decoders (and ARJ's, which shares the static-Huffman one) take
// their coded bytes from and hand their decoded bytes to, and how a decode
// ends. Both ends are called once per large piece, never per byte.

#include <cstddef>
#include <cstdint>

namespace ks {

// The coded bytes of one entry, and nothing after them: the decoder tells a
// truncated entry from a whole one by where this input ends.
class DecodeInput {
 public:
  virtual ~DecodeInput() = default;
  // Copies up to `capacity` further bytes into `buffer` and returns how many;
  // 0 means the input has ended. A read error also ends the input: the
  // decode then fails as Truncated and the input keeps the real reason.
  virtual std::size_t Read(std::uint8_t* buffer, std::size_t capacity) = 0;
};

// Receives the decoded bytes in order.
class DecodeOutput {
 public:
  virtual ~DecodeOutput() = default;
  // Takes the next `size` bytes (size > 0). False stops the decode
  // (a write error or a cancel; the output knows which).
  virtual bool Write(const std::uint8_t* data, std::size_t size) = 0;
};

enum class DecodeError {
  None,
  Truncated,      // the coded data ended before the entry's size was reached
  Damaged,        // the coded data cannot be what an encoder wrote
  OutputStopped,  // DecodeOutput::Write returned false
};

// One decoding method. An object keeps its buffers, so one decoder serves
// the entries of an archive one after the other.
class EntryDecoder {
 public:
  virtual ~EntryDecoder() = default;
  // Decodes one entry: reads coded bytes from `input` until `size` bytes
  // went to `output`. None only when exactly `size` bytes were written and
  // no bit beyond the input's end was needed. On any error the bytes
  // written so far are not the entry and must be discarded; a caller still
  // checks the entry's CRC on success.
  virtual DecodeError Decode(DecodeInput& input, std::uint64_t size, DecodeOutput& output) = 0;
};

// A short English phrase for logs: "coded data ends early" and so on.
const char* DecodeErrorText(DecodeError error);

}  // namespace ks
