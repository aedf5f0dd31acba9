#include "archivers/builtin/common/DecodeAhead.h"

#include <utility>

#include "archivers/builtin/common/ResultCodes.h"

namespace ks {
namespace {

// Enough waiting entries to keep every worker busy while the writer writes.
constexpr std::size_t kAheadPerThread = 4;

}  // namespace

// The writing thread is busy all along (system calls for every file), so
// there is one worker fewer than threads: a worker more would only take
// turns with the writer, which every file waits for. When the writer has
// caught up, it decodes an entry itself rather than wait.
DecodeAhead::DecodeAhead(unsigned threads)
    : enabled_(threads > 1),
      work_(threads, OrderedWorkPool::CallerHelps{}, kAheadPerThread * threads) {}

bool DecodeAhead::Fits(std::uint64_t size) const {
  if (work_.pending() == 0) return true;
  return !work_.full() && waiting_ + size <= kBudget;
}

void DecodeAhead::Submit(ExtractEntry entry, DetachedData data, std::uint64_t readTo) {
  waiting_ += data.size;
  sizes_.push_back(data.size);
  work_.Submit([entry = std::move(entry), data = std::move(data), readTo](unsigned) {
    DecodedEntry decoded;
    decoded.entry = entry;
    decoded.readTo = readTo;
    decoded.data = PooledBytes(static_cast<std::size_t>(data.size));
    decoded.code = data.decode(
        [&out = decoded.data.bytes()](const void* block, std::size_t size) {
          const auto* bytes = static_cast<const unsigned char*>(block);
          out.insert(out.end(), bytes, bytes + size);
          return kArcOk;
        },
        decoded.why);
    return decoded;
  });
}

void DecodeAhead::SubmitDecoded(ExtractEntry entry, int code, std::string why, std::uint64_t readTo) {
  sizes_.push_back(0);
  work_.Submit([entry = std::move(entry), code, why = std::move(why), readTo](unsigned) {
    DecodedEntry decoded;
    decoded.entry = entry;
    decoded.readTo = readTo;
    decoded.code = code;
    decoded.why = why;
    return decoded;
  });
}

DecodedEntry DecodeAhead::TakeOldest() {
  DecodedEntry decoded = work_.TakeOldest();
  waiting_ -= sizes_.front();
  sizes_.pop_front();
  return decoded;
}

}  // namespace ks
