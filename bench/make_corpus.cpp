// Writes a deterministic benchmark corpus: thousands of small text files,
// fewer large text files, and binaries from barely to not compressible,
// in a few levels of folders (some empty). The same size and seed always
// give the same bytes.
//
//   make_corpus OUTDIR SIZE_MB
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

struct Rng {
  std::uint64_t s;
  std::uint64_t Next() {
    s ^= s << 13;
    s ^= s >> 7;
    s ^= s << 17;
    return s;
  }
  std::uint64_t Below(std::uint64_t n) { return Next() % n; }
};

const char* const kWords[] = {
    "archive", "folder", "extract", "compress", "header", "window", "panel", "drop",
    "the", "of", "and", "a", "to", "in", "is", "that", "for", "it", "as", "with",
    "data", "file", "name", "size", "time", "list", "check", "result", "library",
    "kestrino", "lzh", "zip", "tar", "cab", "rar", "huffman", "dictionary", "window",
    "int", "return", "const", "std::string", "void", "if", "else", "for (;;)", "{", "}",
    "圧縮", "解凍", "検査", "正常", "日本語", "ファイル", "フォルダ"};
constexpr std::size_t kWordCount = sizeof kWords / sizeof kWords[0];

std::string Text(Rng& r, std::size_t size) {
  std::string s;
  s.reserve(size + 32);
  std::size_t line = 0;
  while (s.size() < size) {
    const char* w = kWords[r.Below(kWordCount)];
    s += w;
    line += std::char_traits<char>::length(w) + 1;
    if (line > 60 + r.Below(20)) {
      s += '\n';
      line = 0;
    } else {
      s += ' ';
    }
  }
  s.resize(size);
  return s;
}

// `entropy` 0..8: bits of randomness per byte.
std::string Binary(Rng& r, std::size_t size, int entropy) {
  std::string s(size, '\0');
  const unsigned mask = (1u << entropy) - 1;
  std::uint64_t v = 0;
  for (std::size_t i = 0; i < size; ++i) {
    if (i % 8 == 0) v = r.Next();
    s[i] = static_cast<char>(((v >> (8 * (i % 8))) & mask) + (entropy < 8 ? 0x20 : 0));
  }
  return s;
}

void Write(const std::filesystem::path& p, const std::string& data) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary).write(data.data(), static_cast<std::streamsize>(data.size()));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_corpus OUTDIR SIZE_MB\n");
    return 2;
  }
  const std::filesystem::path root = argv[1];
  const std::uint64_t budget = std::strtoull(argv[2], nullptr, 10) << 20;
  Rng r{0x9E3779B97F4A7C15ull};
  std::uint64_t written = 0;
  std::uint64_t files = 0;
  // Most files are small texts; most bytes are in the few large texts and
  // binaries, as in a real download folder.
  while (written < budget) {
    const std::string dir = "d" + std::to_string(files / 400) + "/s" + std::to_string((files / 40) % 10);
    const std::uint64_t kind = files % 100;
    std::string data, name;
    if (kind < 94) {
      data = Text(r, 200 + r.Below(12000));
      name = "note" + std::to_string(files) + ".txt";
    } else if (kind < 96) {
      data = Text(r, 200000 + r.Below(600000));
      name = "book" + std::to_string(files) + ".txt";
    } else if (kind < 98) {
      data = Binary(r, 100000 + r.Below(700000), 4 + static_cast<int>(r.Below(4)));
      name = "image" + std::to_string(files) + ".bin";
    } else {
      data = Binary(r, 200000 + r.Below(800000), 8);
      name = "packed" + std::to_string(files) + ".dat";
    }
    Write(root / dir / name, data);
    written += data.size();
    ++files;
    if (files % 500 == 0) std::filesystem::create_directories(root / dir / "empty");
  }
  std::printf("%llu files, %llu bytes in %s\n", static_cast<unsigned long long>(files),
              static_cast<unsigned long long>(written), root.c_str());
  return 0;
}
