#pragma once
// What the self-extractor tests pack and compare: trees of names and
// contents, and the sample the Windows stubs' tests use.

#include <iconv.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>

namespace ks::test {

namespace fs = std::filesystem;

// `bytes` in `from` as text of `to`; nullopt when they are not valid text.
inline std::optional<std::string> Iconv(const std::string& bytes, const char* from, const char* to) {
  iconv_t cd = iconv_open(to, from);
  std::string out(bytes.size() * 4 + 8, '\0');
  char* in = const_cast<char*>(bytes.data());
  char* at = out.data();
  std::size_t inLeft = bytes.size(), outLeft = out.size();
  const bool ok = iconv(cd, &in, &inLeft, &at, &outLeft) != static_cast<std::size_t>(-1);
  iconv_close(cd);
  if (!ok) return std::nullopt;
  out.resize(out.size() - outLeft);
  return out;
}

// Relative path -> content, "<dir>" for a folder.
using Contents = std::map<std::string, std::string>;

inline Contents ContentsOf(const fs::path& root) {
  Contents tree;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = fs::relative(e.path(), root).string();
    if (e.is_directory()) {
      tree[rel] = "<dir>";
      continue;
    }
    std::ifstream in(e.path(), std::ios::binary);
    tree[rel] = std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  return tree;
}

inline void WriteContents(const fs::path& root, const Contents& tree) {
  for (const auto& [name, content] : tree) {
    if (content == "<dir>") {
      fs::create_directories(root / name);
      continue;
    }
    fs::create_directories((root / name).parent_path());
    std::ofstream(root / name, std::ios::binary) << content;
  }
}

inline std::string FileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The names the Windows stubs' tests pack: Japanese names, an empty folder,
// a file over 1 MB.
inline Contents SampleTree() {
  std::string big;
  for (int i = 0; big.size() < 1100000; ++i) big += "行 " + std::to_string(i * 7919 % 100003) + " of the sample\n";
  return {{"資料", "<dir>"},
          {"資料/日本語のテキスト.txt", "こんにちは\n"},
          {"資料/空のフォルダ", "<dir>"},
          {"big.txt", big},
          {"表示.bin", std::string("\0\1\2\xFF", 4)}};
}

}  // namespace ks::test
