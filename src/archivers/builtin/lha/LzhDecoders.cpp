#include "archivers/builtin/lha/LzhDecoders.h"

#include <algorithm>

#include "archivers/builtin/lha/AdaptiveHuffmanDecoder.h"
#include "archivers/builtin/lha/LarcDecoder.h"
#include "archivers/builtin/codec/StaticHuffmanDecoder.h"

namespace ks {

DecodeError StoredDecoder::Decode(DecodeInput& input, std::uint64_t size, DecodeOutput& output) {
  buffer_.resize(256 * 1024);
  while (size > 0) {
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size, buffer_.size()));
    const std::size_t got = input.Read(buffer_.data(), want);
    if (got == 0) return DecodeError::Truncated;
    if (!output.Write(buffer_.data(), got)) return DecodeError::OutputStopped;
    size -= got;
  }
  return DecodeError::None;
}

std::unique_ptr<EntryDecoder> MakeLzhDecoder(const std::string& method) {
  if (method == "-lh0-" || method == "-lz4-") return std::make_unique<StoredDecoder>();
  if (method == "-lh1-") return std::make_unique<AdaptiveHuffmanDecoder>();
  if (method == "-lh4-") return std::make_unique<StaticHuffmanDecoder>(kLh4Huffman);
  if (method == "-lh5-") return std::make_unique<StaticHuffmanDecoder>(kLh5Huffman);
  if (method == "-lh6-") return std::make_unique<StaticHuffmanDecoder>(kLh6Huffman);
  if (method == "-lh7-") return std::make_unique<StaticHuffmanDecoder>(kLh7Huffman);
  if (method == "-lhx-") return std::make_unique<StaticHuffmanDecoder>(kLhxHuffman);
  if (method == "-lzs-") return std::make_unique<LzsDecoder>();
  if (method == "-lz5-") return std::make_unique<Lz5Decoder>();
  return nullptr;
}

}  // namespace ks
