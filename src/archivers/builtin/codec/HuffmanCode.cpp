#include "archivers/builtin/codec/HuffmanCode.h"

#include <algorithm>
#include <numeric>

namespace ks {

namespace {

// Depth of each leaf of an unlimited Huffman tree; `order` holds the used
// symbols by rising count. Built with two queues (leaves, then the merged
// nodes, whose weights come out in rising order), so no heap is needed.
std::vector<unsigned> LeafDepths(const std::vector<std::uint32_t>& freq,
                                 const std::vector<std::size_t>& order) {
  const std::size_t m = order.size();
  std::vector<std::uint64_t> weight(2 * m - 1);
  std::vector<std::size_t> parent(2 * m - 1, 0);
  for (std::size_t i = 0; i < m; ++i) weight[i] = freq[order[i]];
  std::size_t leaf = 0, node = m, next = m;
  auto take = [&]() {
    if (leaf < m && (node >= next || weight[leaf] <= weight[node])) return leaf++;
    return node++;
  };
  while (next < 2 * m - 1) {
    const std::size_t a = take();
    const std::size_t b = take();
    weight[next] = weight[a] + weight[b];
    parent[a] = parent[b] = next;
    ++next;
  }
  std::vector<unsigned> depth(2 * m - 1, 0);
  for (std::size_t i = 2 * m - 1; i-- > 0;)
    if (i != 2 * m - 2) depth[i] = depth[parent[i]] + 1;
  depth.resize(m);
  return depth;
}

}  // namespace

std::size_t UsedSymbols(const std::vector<std::uint32_t>& freq) {
  return static_cast<std::size_t>(
      std::count_if(freq.begin(), freq.end(), [](std::uint32_t f) { return f != 0; }));
}

std::vector<std::uint8_t> HuffmanLengths(const std::vector<std::uint32_t>& freq,
                                         unsigned maxBits) {
  std::vector<std::uint8_t> lengths(freq.size(), 0);
  std::vector<std::size_t> order;
  for (std::size_t s = 0; s < freq.size(); ++s)
    if (freq[s] != 0) order.push_back(s);
  if (order.empty()) return lengths;
  if (order.size() == 1) {
    lengths[order[0]] = 1;
    return lengths;
  }
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return freq[a] < freq[b]; });
  const std::vector<unsigned> depth = LeafDepths(freq, order);

  // Count the leaves per length, then move over-long ones up while keeping
  // the code complete: two leaves at the deepest level give way to one leaf
  // a level higher, and a shorter leaf is split into two to make room.
  const unsigned deepest = *std::max_element(depth.begin(), depth.end());
  std::vector<std::size_t> count(std::max(deepest, maxBits) + 1, 0);
  for (unsigned d : depth) ++count[d];
  for (unsigned len = deepest; len > maxBits; --len) {
    while (count[len] > 0) {
      unsigned j = len - 2;
      while (count[j] == 0) --j;
      count[len] -= 2;
      count[len - 1] += 1;
      count[j + 1] += 2;
      count[j] -= 1;
    }
  }
  // The rarest symbols take the longest codes.
  std::size_t next = 0;
  for (unsigned len = maxBits; len >= 1; --len)
    for (std::size_t k = 0; k < count[len]; ++k) lengths[order[next++]] = static_cast<std::uint8_t>(len);
  return lengths;
}

std::vector<std::uint16_t> CanonicalCodes(const std::vector<std::uint8_t>& lengths) {
  std::uint32_t count[kLzhMaxCodeBits + 2] = {};
  for (std::uint8_t len : lengths) ++count[len];
  count[0] = 0;
  std::uint32_t start[kLzhMaxCodeBits + 2] = {};
  std::uint32_t code = 0;
  for (unsigned len = 1; len <= kLzhMaxCodeBits; ++len) {
    code = (code + count[len - 1]) << 1;
    start[len] = code;
  }
  std::vector<std::uint16_t> codes(lengths.size(), 0);
  for (std::size_t s = 0; s < lengths.size(); ++s)
    if (lengths[s] != 0) codes[s] = static_cast<std::uint16_t>(start[lengths[s]]++);
  return codes;
}

}  // namespace ks
