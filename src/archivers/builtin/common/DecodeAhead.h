#pragma once
// Entries' data decoded on worker threads ahead of the one thread that
// writes them: the writer hands over each entry the reader could split off
// (DetachData) and takes them back in archive order, so files are still
// written, and questions still asked, one after the other. Memory stays
// bounded: only entries up to kLargest bytes are handed over, and no more
// than kBudget bytes of them wait at once.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "archivers/builtin/common/DetachedData.h"
#include "archivers/builtin/common/OrderedWorkPool.h"
#include "archivers/builtin/common/PooledBytes.h"
#include "archivers/builtin/common/SafeExtract.h"

namespace ks {

struct DecodedEntry {
  ExtractEntry entry;
  // Bytes of the archive the reader had consumed when it handed the entry
  // over: where the progress stands once it is written.
  std::uint64_t readTo = 0;
  int code = 0;  // ArcResult of the decoding
  std::string why;
  PooledBytes data;  // as far as it decoded
};

class DecodeAhead {
 public:
  static constexpr std::uint64_t kLargest = std::uint64_t{4} << 20;
  static constexpr std::uint64_t kBudget = std::uint64_t{16} << 20;

  // With one thread nothing is handed over: entries are read in order by
  // the writer, as on a single core there is nothing to gain.
  explicit DecodeAhead(unsigned threads);

  bool enabled() const { return enabled_; }
  // Whether an entry of `size` bytes can be handed over now, or the oldest
  // must be taken first. Always true when none waits.
  bool Fits(std::uint64_t size) const;
  void Submit(ExtractEntry entry, DetachedData data, std::uint64_t readTo);
  // An entry without data (a folder, a link) and the result of passing
  // over it, to be taken in its turn.
  void SubmitDecoded(ExtractEntry entry, int code, std::string why, std::uint64_t readTo);
  bool empty() const { return work_.pending() == 0; }
  DecodedEntry TakeOldest();

 private:
  bool enabled_;
  OrderedWork<DecodedEntry> work_;
  std::deque<std::uint64_t> sizes_;  // of the entries handed over, oldest first
  std::uint64_t waiting_ = 0;
};

}  // namespace ks
