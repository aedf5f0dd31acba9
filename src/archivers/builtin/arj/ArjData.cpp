#include "archivers/builtin/arj/ArjData.h"

#include <algorithm>
#include <vector>

#include "archivers/builtin/arj/ArjFastest.h"
#include "archivers/builtin/codec/Checksums.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "archivers/builtin/codec/StaticHuffmanDecoder.h"

namespace ks {
namespace {

constexpr std::uint8_t kArjLastMethod = 4;
constexpr std::size_t kStoredChunk = 65536;

ArjDataResult Fail(int code, std::string text) { return {code, std::move(text)}; }

// Hands decoded bytes to the sink and keeps their CRC-32 and count.
class SinkOutput : public DecodeOutput {
 public:
  explicit SinkOutput(const ArjSink& sink) : sink_(sink) {}
  bool Write(const std::uint8_t* data, std::size_t size) override {
    crc_.Update(data, size);
    written_ += size;
    result_ = sink_(data, size);
    return result_ == 0;
  }
  std::uint32_t crc() const { return crc_.value(); }
  std::uint64_t written() const { return written_; }
  int result() const { return result_; }

 private:
  const ArjSink& sink_;
  Crc32 crc_;
  std::uint64_t written_ = 0;
  int result_ = 0;
};

// Method 0: the data is the file.
DecodeError CopyStored(ArjDataSource& in, std::uint64_t size, SinkOutput& out) {
  std::vector<std::uint8_t> buffer(static_cast<std::size_t>(std::min<std::uint64_t>(size, kStoredChunk)));
  while (size > 0) {
    const std::size_t n = in.Read(buffer.data(), std::min<std::uint64_t>(size, buffer.size()));
    if (n == 0) return DecodeError::Truncated;
    if (!out.Write(buffer.data(), n)) return DecodeError::OutputStopped;
    size -= n;
  }
  return DecodeError::None;
}

// Whether the data of `header` can be decoded at all: code kArcOk, or the
// reason it cannot.
ArjDataResult ArjDataReadable(const ArjHeader& header) {
  if (header.Has(kArjGarbled))
    return Fail(kArcPassword, "encrypted with a password (garbled); not supported");
  if (header.Has(kArjExtFile))
    return Fail(kArcMissingPiece, "begins in the previous volume of a multi-volume archive");
  if (header.Has(kArjVolume))
    return Fail(kArcMissingPiece, "goes on in the next volume of a multi-volume archive");
  if (header.method > kArjLastMethod)
    return Fail(kArcMethod, "compression method " + std::to_string(header.method) + " is unknown");
  return {};
}

}  // namespace

std::size_t ArjDataSource::Read(std::uint8_t* data, std::size_t size) {
  const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(size, remaining_));
  if (want == 0) return 0;
  const std::size_t got = std::fread(data, 1, want, file_);
  remaining_ -= got;
  if (got < want) {
    truncated_ = true;
    remaining_ = 0;
  }
  return got;
}

ArjDecoder::ArjDecoder() = default;
ArjDecoder::~ArjDecoder() = default;

ArjDataResult ArjDecoder::Decode(const ArjHeader& header, ArjDataSource& in, const ArjSink& sink) {
  if (ArjDataResult refused = ArjDataReadable(header); refused.code != kArcOk) return refused;
  SinkOutput out(sink);
  DecodeError e;
  if (header.method == 0) {
    if (header.compressedSize != header.originalSize)
      return Fail(kArcBrokenData, "stored data whose size differs from the file's");
    e = CopyStored(in, header.originalSize, out);
  } else if (header.method == 4) {
    if (!fastest_) fastest_ = std::make_unique<ArjFastestDecoder>();
    e = fastest_->Decode(in, header.originalSize, out);
  } else {
    if (!huffman_) huffman_ = std::make_unique<StaticHuffmanDecoder>(kArjHuffman);
    e = huffman_->Decode(in, header.originalSize, out);
  }
  switch (e) {
    case DecodeError::None:
      break;
    case DecodeError::OutputStopped:
      return Fail(out.result(), "");
    case DecodeError::Truncated:
      // Data that ends early inside the file is damage; a file that ends
      // early is a cut archive.
      if (in.truncated()) return Fail(kArcUnexpectedEof, "the archive ends early (inside the data)");
      return Fail(kArcBrokenData, "compressed data damaged (" + std::string(DecodeErrorText(e)) + ")");
    case DecodeError::Damaged:
      return Fail(kArcBrokenData, "compressed data damaged (" + std::string(DecodeErrorText(e)) + ")");
  }
  if (out.written() != header.originalSize) return Fail(kArcBrokenData, "compressed data damaged (size)");
  if (out.crc() != header.crc) return Fail(kArcFileCrc, "CRC error: the data is damaged");
  return {};
}

}  // namespace ks
