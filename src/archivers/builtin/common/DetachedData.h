#pragma once
// An entry's data split off from the reader that found it: a job that reads
// the archive through a handle of its own, so it can be decoded on a worker
// thread while the reader goes on with the next headers. Only a whole,
// small entry is split off (its data are held in memory until written);
// the others are read in order, streamed, as always.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

namespace ks {

struct DetachedData {
  // Receives data block by block; a non-zero result (an ArcResult) stops.
  using Sink = std::function<int(const void*, std::size_t)>;
  // The bytes the entry's data come to, as its headers state.
  std::uint64_t size = 0;
  // Passes the data to the sink and verifies them: kArcOk, or the failure
  // with `why` telling it. Runs on any thread, once.
  std::function<int(const Sink& sink, std::string& why)> decode;
};

}  // namespace ks
