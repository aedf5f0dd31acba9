#include "archivers/builtin/common/ParallelDeflate.h"

#include <algorithm>

#include "archivers/builtin/common/ResultCodes.h"

namespace ks {

namespace {
constexpr std::size_t kDictionary = 32 * 1024;
}

ParallelDeflate::ParallelDeflate(int level, unsigned threads, Sink sink)
    : level_(level), sink_(std::move(sink)), work_(threads) {
  deflaters_.resize(work_.threads());
  input_.reserve(kBlockSize);
}

void ParallelDeflate::Submit(bool last) {
  auto input = std::make_shared<std::vector<char>>(std::move(input_));
  auto dictionary = std::make_shared<std::vector<char>>(dictionary_);
  // The next block's dictionary is the end of this one (blocks are larger
  // than the window, except a last one, after which nothing follows).
  const std::size_t keep = std::min(input->size(), kDictionary);
  dictionary_.assign(input->end() - static_cast<std::ptrdiff_t>(keep), input->end());
  input_ = std::vector<char>();
  input_.reserve(kBlockSize);
  work_.Submit([this, input, dictionary, last](unsigned worker) {
    auto& deflater = deflaters_[worker];
    if (!deflater) deflater = std::make_unique<RawDeflater>(level_);
    Block block;
    block.size = input->size();
    block.crc = ExtendCrc32(0, input->data(), input->size());
    block.bytes.reserve(input->size() / 2 + 64);
    deflater->Deflate(input->data(), input->size(), dictionary->data(), dictionary->size(), last,
                      block.bytes);
    return block;
  });
}

int ParallelDeflate::Send(const Block& block) {
  crc_ = CombineCrc32(crc_, block.crc, block.size);
  return sink_(block.bytes.data(), block.bytes.size());
}

int ParallelDeflate::Write(const char* data, std::size_t size) {
  size_ += size;
  while (size > 0) {
    const std::size_t n = std::min(size, kBlockSize - input_.size());
    input_.insert(input_.end(), data, data + n);
    data += n;
    size -= n;
    // A full block waits for the next byte, so the last block is never empty
    // when the data fills whole blocks.
    if (input_.size() == kBlockSize && size > 0) {
      Submit(false);
      while (work_.full())
        if (int r = Send(work_.TakeOldest()); r != kArcOk) return r;
    }
  }
  return kArcOk;
}

int ParallelDeflate::Finish() {
  Submit(true);
  while (work_.pending() > 0)
    if (int r = Send(work_.TakeOldest()); r != kArcOk) return r;
  return kArcOk;
}

namespace {
// Magic, deflate, no flags, no time, no extra flags, made on Unix: what
// zlib writes for a gzip stream without a header of its own.
constexpr unsigned char kGzipHeader[10] = {0x1f, 0x8b, 8, 0, 0, 0, 0, 0, 0, 3};
}  // namespace

ParallelGzip::ParallelGzip(int level, unsigned threads, Sink sink)
    : sink_(sink), deflate_(level, threads, std::move(sink)) {}

int ParallelGzip::Write(const char* data, std::size_t size) {
  if (!headerSent_) {
    headerSent_ = true;
    if (int r = sink_(reinterpret_cast<const char*>(kGzipHeader), sizeof kGzipHeader); r != kArcOk) return r;
  }
  return deflate_.Write(data, size);
}

int ParallelGzip::Finish() {
  if (int r = Write(nullptr, 0); r != kArcOk) return r;
  if (int r = deflate_.Finish(); r != kArcOk) return r;
  char trailer[8];
  const std::uint32_t crc = deflate_.crc();
  const auto length = static_cast<std::uint32_t>(deflate_.size());  // modulo 2^32, as gzip keeps it
  for (int i = 0; i < 4; ++i) {
    trailer[i] = static_cast<char>(crc >> (8 * i));
    trailer[4 + i] = static_cast<char>(length >> (8 * i));
  }
  return sink_(trailer, sizeof trailer);
}

}  // namespace ks
