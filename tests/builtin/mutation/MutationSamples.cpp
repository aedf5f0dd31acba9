#include "MutationSamples.h"

#include <unistd.h>

#include <random>

#include "archivers/TypeDetect.h"
#include "archivers/builtin/Backends.h"
#include "archivers/builtin/common/NameText.h"
#include "builtin/common/CompressSupport.h"
#include "builtin/common/ExtractTestSupport.h"
#include "builtin/rar/RarWriter.h"

namespace ks::test {

int Run(CommonArchiver& library, const std::string& line) {
  std::vector<char> output(65536, '\0');
  return library.Command(nullptr, line, output.data(), 65535);
}

namespace {

// The back-ends' pack commands take names relative to the current folder.
class InFolder {
 public:
  explicit InFolder(const fs::path& folder) : old_(fs::current_path()) { fs::current_path(folder); }
  ~InFolder() { fs::current_path(old_); }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

 private:
  fs::path old_;
};

std::string Noise(std::size_t size, unsigned seed) {
  std::mt19937 gen(seed);
  std::string s(size, '\0');
  for (char& c : s) c = static_cast<char>(gen() & 0xFF);
  return s;
}

struct Source {
  std::string notes = SomeBytes(2500, 1);  // text that compresses well
  std::string data = Noise(700, 2);        // bytes that do not
  std::string memo = "日本語のメモ\n";
  std::string empty;
  std::vector<std::string> contents() const { return {notes, data, memo, empty}; }
};

// Where each entry of a BGA archive ends: a 28-byte header, the folder and
// file parts of the name, then the data.
std::vector<std::size_t> BgaEntryEnds(const std::string& a) {
  auto le = [&](std::size_t at, int n) {
    std::size_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(a[at + static_cast<std::size_t>(i)]);
    return v;
  };
  std::vector<std::size_t> ends;
  for (std::size_t pos = 0; pos + 28 <= a.size();) {
    pos += 28 + le(pos + 24, 2) + le(pos + 26, 2) + le(pos + 8, 4);
    ends.push_back(pos);
  }
  return ends;
}

}  // namespace

// Makes `name` in `folder` with the back-end's own pack command.
std::string Packed(const fs::path& folder, CommonArchiver& library, const std::string& line,
                   const std::string& name) {
  {
    InFolder in(folder);
    const int r = Run(library, line);
    if (r != kArcOk) throw std::runtime_error("cannot make the sample " + name + ": " + std::to_string(r));
  }
  const std::string bytes = ReadFile(folder / name);
  fs::remove(folder / name);
  return bytes;
}

ExtractFn ExtractWith(std::shared_ptr<CommonArchiver> (*make)(), std::string before, std::string after,
                      std::string folderTail) {
  return [=](const fs::path& dropped, const fs::path& out) {
    auto library = make();
    return Run(*library, before + Q(dropped) + after + " " + Q(out.string() + folderTail));
  };
}

CheckFn CheckWith(std::shared_ptr<CommonArchiver> (*make)()) {
  return [=](const fs::path& dropped) -> std::optional<bool> {
    return make()->CheckArchive(dropped.string(), 2) != 0;
  };
}

std::vector<MutationSample> MakeMutationSamples(const fs::path& work) {
  const Source src;
  const fs::path tree = work / "src";
  fs::create_directories(tree / "docs");
  fs::create_directories(tree / "日本");
  WriteFile(tree / "docs" / "notes.txt", src.notes);
  WriteFile(tree / "data.bin", src.data);
  WriteFile(tree / "日本" / "メモ.txt", src.memo);
  WriteFile(tree / "zero.txt", src.empty);
  WriteFile(tree / "list.tmp", "\"docs/*.*\"\r\n\"data.bin\"\r\n\"日本/*.*\"\r\n\"zero.txt\"\r\n");
  const std::string list = " \"@list.tmp\"";

  std::vector<MutationSample> samples;
  const auto tarExtract = ExtractWith(&MakeTarBackend, "-xvaf ", "", "/");
  const auto tarCheck = CheckWith(&MakeTarBackend);
  auto add = [&](std::string format, std::string label, std::vector<std::pair<std::string, std::string>> files,
                 std::vector<std::string> contents, ExtractFn extract, CheckFn check) {
    samples.push_back({std::move(format), std::move(label), std::move(files), std::move(contents),
                       std::move(extract), std::move(check)});
  };

  auto zip = MakeZipBackend();
  add("ZIP", "made by Zip32j", {{"a.zip", Packed(tree, *zip, "-r \"a.zip\"" + list, "a.zip")}},
      src.contents(), ExtractWith(&MakeUnZipBackend, "-x -q ", "", "/"), CheckWith(&MakeUnZipBackend));

  auto unlha = MakeUnlhaBackend();
  add("LZH", "made by Unlha32 (-lh5-)",
      {{"a.lzh", Packed(tree, *unlha, "a -x1 -r2 \"a.lzh\" \"docs/*.*\" data.bin \"日本/*.*\" zero.txt", "a.lzh")}},
      src.contents(), ExtractWith(&MakeUnlhaBackend, "x ", "", "/"), CheckWith(&MakeUnlhaBackend));

  auto cab = MakeCabBackend();
  add("CAB", "made by Cab32 (MSZIP)", {{"a.cab", Packed(tree, *cab, "-a \"a.cab\"" + list, "a.cab")}},
      src.contents(), ExtractWith(&MakeCabBackend, "-x ", "", "/"), CheckWith(&MakeCabBackend));

  auto tar = MakeTarBackend();
  add("gzip", "tar.gz made by Tar32", {{"a.tgz", Packed(tree, *tar, "-czf \"a.tgz\"" + list, "a.tgz")}},
      src.contents(), tarExtract, tarCheck);
  samples.back().keptFilesVerified = false;
  add("gzip", "lone .gz", {{"notes.txt.gz", GzipMember(src.notes)}}, {src.notes}, tarExtract, tarCheck);
  add("gzip", "lone .gz of two members",
      {{"notes.txt.gz", GzipMember(src.notes.substr(0, 1000)) + GzipMember(src.notes.substr(1000))}},
      {src.notes}, tarExtract, tarCheck);
  add("bzip2", "tar.bz2 made by Tar32", {{"a.tbz", Packed(tree, *tar, "-cBf \"a.tbz\"" + list, "a.tbz")}},
      src.contents(), tarExtract, tarCheck);
  samples.back().keptFilesVerified = false;
  add("bzip2", "lone .bz2 of two streams",
      {{"notes.txt.bz2", Compress(src.notes.substr(0, 1200), Compression::Bzip2) +
                             Compress(src.notes.substr(1200), Compression::Bzip2)}},
      {src.notes}, tarExtract, tarCheck);
  add("xz", "tar.xz",
      {{"a.txz", TarOf({{"docs/notes.txt", src.notes}, {"data.bin", src.data}, {"日本/メモ.txt", src.memo},
                        {"zero.txt", src.empty}},
                       Compression::Xz)}},
      src.contents(), tarExtract, tarCheck);
  samples.back().keptFilesVerified = false;
  add("xz", "lone .xz", {{"notes.txt.xz", Compress(src.notes, Compression::Xz)}}, {src.notes}, tarExtract,
      tarCheck);

  const auto rarExtract = ExtractWith(&MakeUnrar32Backend, "-x ", "", "//");
  const CheckFn rarCheck = [](const fs::path& dropped) -> std::optional<bool> { return RarTest(dropped.string()); };
  const std::string nihon932 = *Utf8ToCp932Exact("日本"), memo932 = *Utf8ToCp932Exact("メモ.txt");
  add("RAR", "RAR 4, stored, CP932 names",
      {{"a.rar", MakeRar4({{"docs", "", true},
                           {"docs\\notes.txt", src.notes},
                           {"data.bin", src.data},
                           {nihon932, "", true},
                           {nihon932 + "\\" + memo932, src.memo},
                           {"zero.txt", src.empty}})}},
      src.contents(), rarExtract, rarCheck);
  add("RAR", "RAR 5, stored",
      {{"a.rar", MakeRar5({{"docs", "", true},
                           {"docs/notes.txt", src.notes},
                           {"data.bin", src.data},
                           {"日本", "", true},
                           {"日本/メモ.txt", src.memo},
                           {"zero.txt", src.empty}})}},
      src.contents(), rarExtract, rarCheck);
  std::vector<RarEntry> hashed = {{"docs", "", true}, {"docs/notes.txt", src.notes}, {"data.bin", src.data},
                                  {"日本", "", true}, {"日本/メモ.txt", src.memo}, {"zero.txt", src.empty}};
  for (RarEntry& e : hashed) e.blake2Only = true;
  add("RAR", "RAR 5, stored, BLAKE2 hashes only", {{"a.rar", MakeRar5(hashed)}}, src.contents(), rarExtract,
      rarCheck);

  // Formats whose back-ends came later: GZA and BZA by Bga32, ARJ by the
  // arj tool when it is there. Bga32 stores a file raw, with no checksum
  // at all, when packing does not make it smaller: these samples hold text
  // that packs, so every byte is under a checksum.
  const fs::path packable = work / "packable";
  const std::string memoLong = [&] {
    std::string t;
    for (int i = 0; i < 40; ++i) t += src.memo;
    return t;
  }();
  WriteFile(packable / "docs" / "notes.txt", src.notes);
  WriteFile(packable / "日本" / "メモ.txt", memoLong);
  WriteFile(packable / "zero.txt", src.empty);
  WriteFile(packable / "list.tmp", "\"docs/*.*\"\r\n\"日本/*.*\"\r\n\"zero.txt\"\r\n");
  const std::vector<std::string> packed = {src.notes, memoLong, src.empty};
  auto bga = MakeBgaBackend();
  add("GZA", "made by Bga32", {{"a.gza", Packed(packable, *bga, "a -a -m1 -r \"a.gza\"" + list, "a.gza")}},
      packed, ExtractWith(&MakeBgaBackend, "x -a -r ", "", "/"), CheckWith(&MakeBgaBackend));
  samples.back().soundCuts = BgaEntryEnds(samples.back().files[0].second);
  add("BZA", "made by Bga32", {{"a.bza", Packed(packable, *bga, "a -a -m2 -r \"a.bza\"" + list, "a.bza")}},
      packed, ExtractWith(&MakeBgaBackend, "x -a -r ", "", "/"), CheckWith(&MakeBgaBackend));
  samples.back().soundCuts = BgaEntryEnds(samples.back().files[0].second);
  fs::remove(tree / "list.tmp");
  if (HaveTool("arj") && Shell("cd " + Quote(tree) + " && arj a -r -a1 -y -m1 a.arj '*'") == 0) {
    const std::string arj = ReadFile(tree / "a.arj");
    fs::remove(tree / "a.arj");
    add("ARJ", "made by arj -m1", {{"a.arj", arj}}, src.contents(),
        ExtractWith(&MakeUnarjBackend, "x -hk -jyc ", "", "/"), CheckWith(&MakeUnarjBackend));
  }

  // A file split into pieces of 1 KB; the first piece is dropped.
  const std::string whole = SomeBytes(4000, 9);
  WriteFile(work / "split" / "data.bin", whole);
  auto jack = MakeJackBackend();
  if (Run(*jack, "-r -m0 -v:1 " + Q(work / "split" / "data.bin") + " " + Q(work / "pieces/")) != kArcOk)
    throw std::runtime_error("cannot split the Jack sample");
  std::vector<std::pair<std::string, std::string>> pieces;
  for (const auto& e : fs::directory_iterator(work / "pieces"))
    pieces.emplace_back(e.path().filename().string(), ReadFile(e.path()));
  std::sort(pieces.begin(), pieces.end());
  add("Jack", "4000 bytes in pieces of 1 KB", pieces, {whole}, ExtractWith(&MakeJackBackend, "-c ", "", "/"),
      [](const fs::path&) { return std::nullopt; });

  fs::remove_all(tree);
  fs::remove_all(packable);
  fs::remove_all(work / "split");
  fs::remove_all(work / "pieces");
  return samples;
}

}  // namespace ks::test
