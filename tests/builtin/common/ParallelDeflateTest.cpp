#include <gtest/gtest.h>

#include <zlib.h>

#include <random>
#include <string>

#include "archivers/builtin/common/ParallelDeflate.h"
#include "archivers/builtin/common/ResultCodes.h"

namespace ks {
namespace {

// Text with long-range repeats, the kind a carried dictionary matters for.
std::string Corpus(std::size_t size) {
  std::mt19937 gen(5);
  static const char* const kWords[] = {"archive ", "folder ", "日本語 ", "data\n", "kestrino ",
                                       "圧縮 ", "return 0;\n", "{ int i; }\n"};
  std::string s;
  while (s.size() < size) {
    s += kWords[gen() % 8];
    if (gen() % 64 == 0) s += std::to_string(gen());
  }
  s.resize(size);
  return s;
}

std::string Inflate(const std::string& data, int windowBits) {
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, windowBits), Z_OK);
  std::string out(64 << 20, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(inflate(&z, Z_FINISH), Z_STREAM_END);
  EXPECT_EQ(z.avail_in, 0u) << "bytes after the end of the stream";
  out.resize(z.total_out);
  inflateEnd(&z);
  return out;
}

std::size_t ZlibSize(const std::string& data, int level) {
  uLongf size = compressBound(data.size());
  std::string out(size, '\0');
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                      reinterpret_cast<const Bytef*>(data.data()), data.size(), level),
            Z_OK);
  return size - 6;  // without the zlib wrapper
}

std::string Gzip(const std::string& data, unsigned threads, std::size_t piece) {
  std::string out;
  ParallelGzip gzip(6, threads, [&](const char* d, std::size_t n) {
    out.append(d, n);
    return static_cast<int>(kArcOk);
  });
  for (std::size_t at = 0; at < data.size(); at += piece)
    EXPECT_EQ(gzip.Write(data.data() + at, std::min(piece, data.size() - at)), kArcOk);
  EXPECT_EQ(gzip.Finish(), kArcOk);
  return out;
}

TEST(ParallelDeflate, OneGzipStreamTheSameForAnyThreadsAndBarelyLarger) {
  const std::string data = Corpus(3 * ParallelDeflate::kBlockSize * 4 + 777);
  const std::string one = Gzip(data, 1, 100000);
  // Written in other pieces, on four threads: the same bytes.
  EXPECT_TRUE(Gzip(data, 4, 4096) == one);
  EXPECT_TRUE(Inflate(one, 16 + MAX_WBITS) == data);
  const double single = static_cast<double>(ZlibSize(data, 6) + 18);
  EXPECT_LT(static_cast<double>(one.size()), single * 1.005) << one.size() << " vs " << single;

  // Edge sizes: nothing, exactly one block, one block and a byte.
  for (std::size_t size : {std::size_t{0}, ParallelDeflate::kBlockSize, ParallelDeflate::kBlockSize + 1}) {
    const std::string part = data.substr(0, size);
    const std::string packed = Gzip(part, 3, 1000);
    EXPECT_TRUE(Inflate(packed, 16 + MAX_WBITS) == part) << size;
  }
}

TEST(ParallelDeflate, TheSinksFailureStopsTheStream) {
  int calls = 0;
  ParallelDeflate deflate(6, 2, [&](const char*, std::size_t) {
    ++calls;
    return static_cast<int>(kArcDiskSpace);
  });
  const std::string data = Corpus(20 * ParallelDeflate::kBlockSize);
  int r = kArcOk;
  for (std::size_t at = 0; r == kArcOk && at < data.size(); at += 65536) r = deflate.Write(data.data() + at, 65536);
  if (r == kArcOk) r = deflate.Finish();
  EXPECT_EQ(r, kArcDiskSpace);
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace ks
