#pragma once
// Helpers of the GZA/BZA tests: the back-end itself, its command lines,
// archives built entry by entry (also hostile and damaged ones), and the
// genuine sample archives.

#include <gtest/gtest.h>

#include <zlib.h>

#include <memory>
#include <string>
#include <vector>

#include "archivers/builtin/Backends.h"
#include "archivers/builtin/bga/BgaFormat.h"
#include "archivers/builtin/common/ResultCodes.h"
#include "builtin/common/PackTestSupport.h"
#include "support/Fixtures.h"

namespace ks::test {

// Bytes no compressor can make smaller.
inline std::string RandomBytes(std::size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(size, '\0');
  for (auto& c : s) c = static_cast<char>(gen());
  return s;
}

// Text that compresses well.
inline std::string SomeText(std::size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  static const char* const kWords[] = {"archive ", "folder ", "日本語 ", "data\n", "kestrino ", "圧縮 "};
  std::string s;
  while (s.size() < size) s += kWords[gen() % 6];
  s.resize(size);
  return s;
}

// One entry of a hand-built archive; `data` is stored as given.
struct BgaRawEntry {
  BgaHeader header;
  std::string data;
};

// A stored file entry; the name uses "\" between folders (bytes as stored).
inline BgaRawEntry StoredEntry(const std::string& folderPart, const std::string& filePart,
                               const std::string& data, BgaMethod method = BgaMethod::Gzip) {
  BgaRawEntry e;
  e.header.method = method;
  e.header.folderPart = folderPart;
  e.header.filePart = filePart;
  e.header.storage = kBgaStorageStored;
  e.header.dataSize = e.header.originalSize = static_cast<std::uint32_t>(data.size());
  e.header.stamp = {(42 << 9) | (3 << 5) | 2, (21 << 11) | (44 << 5) | 23};
  e.data = data;
  return e;
}

inline std::string BuildBga(const std::vector<BgaRawEntry>& entries) {
  std::string out;
  for (const BgaRawEntry& e : entries) out += EncodeBgaHeader(e.header) + e.data;
  return out;
}

// A gzip member of `data` made by zlib directly, with the optional header
// fields that gzip(1) sets (a file name and a time): readers must take any
// valid member, not only the ones we write.
inline std::string GzipWithName(const std::string& data, const std::string& name) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
  gz_header header{};
  header.name = reinterpret_cast<Bytef*>(const_cast<char*>(name.c_str()));
  header.time = 1600000000;
  header.os = 11;
  deflateSetHeader(&z, &header);
  std::string out(deflateBound(&z, data.size()) + name.size() + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(out.size() - z.avail_out);
  deflateEnd(&z);
  return out;
}

// A compressed entry holding `packed` (a gzip member or bzip2 stream).
inline BgaRawEntry PackedEntry(const std::string& folderPart, const std::string& filePart,
                               const std::string& packed, std::size_t originalSize,
                               BgaMethod method) {
  BgaRawEntry e = StoredEntry(folderPart, filePart, packed, method);
  e.header.storage = kBgaStorageCompressed;
  e.header.originalSize = static_cast<std::uint32_t>(originalSize);
  return e;
}

inline BgaRawEntry FolderEntry(const std::string& folderPart) {
  BgaRawEntry e = StoredEntry(folderPart, "", "");
  e.header.attributes = kBgaAttrFolder;
  e.header.storage = kBgaStorageCompressed;
  e.header.stamp = {0, 0};
  return e;
}

// The genuine archives made by the original library, or empty when the
// samples are not there (the test then skips, saying so).
inline fs::path BgaFixture(const std::string& name) {
  const fs::path folder = FixturesFolder();
  if (folder.empty() || !fs::exists(folder / "bga" / name)) return {};
  return folder / "bga" / name;
}

#define KS_REQUIRE_BGA_FIXTURE(var, name)                                             \
  const fs::path var = BgaFixture(name);                                              \
  if (var.empty()) GTEST_SKIP() << "sample archive bga/" << name                      \
                                << " not found (../shared/fixtures beside the sources)"

// The back-end and its command lines as the program writes them.
class BgaTest : public ScratchFolderTest {
 protected:
  std::shared_ptr<CommonArchiver> bga = MakeBgaBackend();

  CommandRun Extract(const fs::path& archive, const fs::path& folder) {
    return RunCommand(*bga, "x -a -r " + Q(archive) + " " + Q(folder.string() + "/"));
  }
  // "a -a -m1 -r " + sp + QDA + sp + QL: note the two spaces.
  CommandRun Create(const fs::path& archive, const std::vector<std::string>& listed,
                    BgaMethod method) {
    const fs::path list = WriteList(listed);
    return RunCommand(*bga, std::string("a -a ") + (method == BgaMethod::Gzip ? "-m1" : "-m2") +
                                " -r  " + Q(archive) + " " + Q("@" + list.string()));
  }
  int Check(const fs::path& archive, int mode) { return bga->CheckArchive(archive.string(), mode); }

  // Files of `folder` whose name says they are unfinished work.
  static std::vector<std::string> Leftovers(const fs::path& folder) {
    std::vector<std::string> found;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
      const std::string name = e.path().filename().string();
      if (name.find("~kspart") != std::string::npos ||
          name.rfind(".~ks", 0) == 0)
        found.push_back(e.path().string());
    }
    return found;
  }
};

}  // namespace ks::test
