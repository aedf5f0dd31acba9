// Tar32 on gzip files of several members, on damaged compressed archives,
// and on sparse files: every member decoded, every damage a failure with
// its real cause, and holes written as holes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "archivers/builtin/Backends.h"
#include "builtin/common/CompressSupport.h"
#include "builtin/common/ExtractTestSupport.h"

namespace ks::test {
namespace {

class TarIntegrity : public ::testing::Test {
 protected:
  fs::path Write(const std::string& name, const std::string& bytes) {
    const fs::path p = scratch / name;
    WriteFile(p, bytes);
    return p;
  }
  CommandResult Extract(const fs::path& archive, const std::string& folder) {
    fs::remove_all(scratch / folder);
    return RunCommand(*tar, "-xvaf " + Q(archive) + " " + Q(scratch / (folder + "/")));
  }

  TestHost host;
  ScratchFolder scratch;
  std::shared_ptr<CommonArchiver> tar = MakeTarBackend();
};

// The reader takes the file in blocks of 256 KiB: a member that starts on
// the last byte or two of a block must not end the file there.
constexpr std::size_t kReadBlock = 1 << 18;

// A first member of stored (level 0) data whose compressed size is exactly
// `size`: stored deflate grows by one byte per byte, apart from the block
// headers every 64 KiB, so the data length is found by stepping.
// Returns the member and its data.
std::pair<std::string, std::string> MemberOfSize(std::size_t size) {
  std::size_t length = size - 100;
  for (;;) {
    const std::string data = SomeBytes(length, 3);
    const std::string m = GzipMember(data, 0);
    if (m.size() == size) return {m, data};
    if (m.size() > size) {
      length -= m.size() - size;
      continue;
    }
    length += size - m.size();
  }
}

TEST_F(TarIntegrity, EveryGzipMemberIsDecodedWhereverItStarts) {
  const std::string second = SomeBytes(3000, 5), third = "third member\n";
  for (std::size_t start = kReadBlock - 3; start <= kReadBlock + 1; ++start) {
    SCOPED_TRACE(start);
    const auto [first, plain] = MemberOfSize(start);
    const fs::path a = Write("members.txt.gz", first + GzipMember(second) + GzipMember(third));
    const auto r = Extract(a, "out");
    ASSERT_EQ(r.code, kArcOk) << r.output;
    EXPECT_EQ(ReadFile(scratch / "out" / "members.txt"), plain + second + third);
    EXPECT_NE(tar->CheckArchive(a.string(), 2), 0);
  }
}

TEST_F(TarIntegrity, ATarStreamSpanningMembersExtractsWhole) {
  const std::string tarBytes = TarOf({{"a.txt", SomeBytes(40000, 1)}, {"b.txt", SomeBytes(30000, 2)}});
  const std::size_t half = tarBytes.size() / 2 + 77;
  const fs::path a = Write("split.tgz", GzipMember(tarBytes.substr(0, half)) + GzipMember(tarBytes.substr(half)));
  const auto r = Extract(a, "out");
  ASSERT_EQ(r.code, kArcOk) << r.output;
  EXPECT_EQ(ReadFile(scratch / "out" / "a.txt"), SomeBytes(40000, 1));
  EXPECT_EQ(ReadFile(scratch / "out" / "b.txt"), SomeBytes(30000, 2));
  EXPECT_NE(tar->CheckArchive(a.string(), 2), 0);
}

TEST_F(TarIntegrity, ADamagedLaterMemberFails) {
  // gzip members and bzip2 streams alike: parallel tools write many.
  for (Compression c : {Compression::Gzip, Compression::Bzip2}) {
    const std::string ext = c == Compression::Gzip ? ".gz" : ".bz2";
    SCOPED_TRACE(ext);
    const std::string first = Compress("first\n", c), second = Compress(SomeBytes(5000, 9), c);
    const fs::path whole = Write("whole.txt" + ext, first + second);
    ASSERT_EQ(Extract(whole, "out").code, kArcOk);
    EXPECT_EQ(ReadFile(scratch / "out" / "whole.txt"), "first\n" + SomeBytes(5000, 9));
    std::string magic = second, data = second;
    magic[1] ^= 0x40;                  // its signature
    data[second.size() / 2] ^= 0x10;  // its data
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"magic", first + magic}, {"data", first + data}, {"cut", first + second.substr(0, second.size() - 3)},
        {"lone byte", first + second.substr(0, 1)}, {"garbage", first + "trailing garbage"}};
    for (const auto& [what, bytes] : cases) {
      const fs::path a = Write("damaged.txt" + ext, bytes);
      EXPECT_NE(Extract(a, "out").code, kArcOk) << what;
      EXPECT_EQ(tar->CheckArchive(a.string(), 2), 0) << what;
    }
    // Zeros after the last member pad some files (tape blocks): nothing lost.
    const fs::path padded = Write("padded.txt" + ext, first + std::string(1000, '\0'));
    EXPECT_EQ(Extract(padded, "out").code, kArcOk);
    EXPECT_EQ(ReadFile(scratch / "out" / "padded.txt"), "first\n");
  }
}

TEST_F(TarIntegrity, SmallDamagedCompressedArchivesAreDamagedNotForeign) {
  for (Compression c : {Compression::Gzip, Compression::Bzip2, Compression::Xz}) {
    std::string bytes = TarOf({{"a.txt", SomeBytes(20000, 4)}}, c);
    ASSERT_GT(bytes.size(), 200u);
    bytes[bytes.size() / 3] ^= 0x55;
    const fs::path a = Write("damaged.tgz", bytes);
    const auto r = Extract(a, "out");
    EXPECT_TRUE(r.code == kArcBrokenData || r.code == kArcFileCrc || r.code == kArcUnexpectedEof)
        << std::hex << r.code << " " << r.output;
    EXPECT_EQ(r.output.find("unrecognized"), std::string::npos) << r.output;
    EXPECT_NE(tar->CheckArchive(a.string(), 0), 0) << "a damaged compressed file is still ours";
    EXPECT_EQ(tar->CheckArchive(a.string(), 2), 0);
  }
  // A file that only looks compressed is not.
  EXPECT_EQ(tar->CheckArchive(Write("text.txt", "plain text").string(), 0), 0);
}

TEST_F(TarIntegrity, SparseFilesKeepTheirHoles) {
  if (!HaveTool("tar")) GTEST_SKIP() << "GNU tar is not installed";
  const fs::path src = scratch / "src";
  fs::create_directories(src);
  const std::uint64_t size = 256ull << 20;
  {
    std::ofstream f(src / "sparse.img", std::ios::binary);
    f.seekp(4096);
    f << "start";
    f.seekp(static_cast<std::streamoff>(size / 2));
    f << "middle";
  }
  fs::resize_file(src / "sparse.img", size);  // ends in a hole
  ASSERT_EQ(Shell("tar -cSf " + Quote(scratch / "sparse.tar") + " -C " + Quote(src) + " sparse.img"), 0);
  ASSERT_LT(fs::file_size(scratch / "sparse.tar"), 64u << 10);
  const auto r = Extract(scratch / "sparse.tar", "out");
  ASSERT_EQ(r.code, kArcOk) << r.output;
  const fs::path out = scratch / "out" / "sparse.img";
  ASSERT_EQ(fs::file_size(out), size);
  struct stat st;
  ASSERT_EQ(::stat(out.c_str(), &st), 0);
  EXPECT_LT(static_cast<std::uint64_t>(st.st_blocks) * 512, 4u << 20) << "holes were written as zeros";
  std::ifstream in(out, std::ios::binary);
  std::string got(6, '\0');
  in.seekg(4096);
  in.read(got.data(), 5);
  EXPECT_EQ(got.substr(0, 5), "start");
  in.seekg(static_cast<std::streamoff>(size / 2));
  in.read(got.data(), 6);
  EXPECT_EQ(got, "middle");
  in.seekg(static_cast<std::streamoff>(size / 4));
  in.read(got.data(), 6);
  EXPECT_EQ(got, std::string(6, '\0'));
}

}  // namespace
}  // namespace ks::test
