#pragma once
// Helpers of the compression tests that run the real back-ends: peer tools,
// a folder of files to drop, trees to compare.

#include <QProcess>
#include <QTemporaryDir>
#include <map>

#include "archivers/builtin/Backends.h"
#include "compress/CompressTestSupport.h"
#include "core/Settings.h"

namespace ks::test {


struct ToolResult {
  int exitCode = -1;
  QString output;
};

inline ToolResult Tool(const QString& shellCommand) {
  QProcess p;
  p.setProcessChannelMode(QProcess::MergedChannels);
  p.start("sh", {"-c", "LC_ALL=C.UTF-8 " + shellCommand});
  if (!p.waitForFinished(60000)) return {};
  return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
          QString::fromUtf8(p.readAll())};
}

inline QString Q(const std::string& path) {
  QString text = QString::fromStdString(path);
  text.replace("'", "'\\''");
  return "'" + text + "'";
}

inline bool HaveTools() {
  for (const char* tool : {"lhasa", "jlha", "unzip", "bsdtar", "cabextract"})
    if (Tool(QString("command -v ") + tool).exitCode != 0) return false;
  return true;
}

inline void Write(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string Text(int lines, int seed) {
  std::string text;
  for (int i = 0; i < lines; ++i)
    text += "line " + std::to_string((i * 7919 + seed) % 1000) + " of the sample\n";
  return text;
}

inline std::string Bytes(std::size_t n) {
  std::string bytes(n, '\0');
  unsigned x = 12345;
  for (auto& b : bytes) b = static_cast<char>((x = x * 1103515245 + 12345) >> 16);
  return bytes;
}

// Relative path -> content, "<dir>" for a folder.
using Tree = std::map<std::string, std::string>;

inline Tree TreeOf(const fs::path& root, bool withEmptyFolders = true) {
  Tree tree;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    const std::string rel = fs::relative(e.path(), root).string();
    if (e.is_directory()) {
      if (withEmptyFolders) tree[rel] = "<dir>";
      continue;
    }
    std::ifstream in(e.path(), std::ios::binary);
    tree[rel] = std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  return tree;
}

// The folder of the dropped names and what of it is dropped.
struct Fixture {
  QTemporaryDir dir{"/tmp/kc-XXXXXX"};
  fs::path src;
  std::vector<std::string> dropped;
  Tree expected;  // what an archive of the dropped names holds

  Fixture() {
    src = fs::path(dir.path().toStdString()) / "src";
    Write(src / "a file.txt", Text(900, 1));
    Write(src / "日本語の名前.txt", Text(300, 2));
    Write(src / "doc" / "中身.txt", Text(500, 3));
    Write(src / "doc" / "sub" / "deep.bin", Bytes(40000));
    fs::create_directories(src / "doc" / "empty");
    fs::create_directories(src / "空フォルダ");
    Write(src / "other.txt", "not dropped\n");
    for (const char* name : {"a file.txt", "日本語の名前.txt", "doc", "空フォルダ"})
      dropped.push_back((src / name).string());
    expected = TreeOf(src);
    expected.erase("other.txt");
  }
  std::string Src() const { return src.string() + "/"; }
  fs::path Out(const std::string& name) const { return fs::path(dir.path().toStdString()) / name; }
};

// Cabinets hold files only.
inline Tree FilesOnly(const Tree& tree) {
  Tree files;
  for (const auto& [name, content] : tree)
    if (content != "<dir>") files[name] = content;
  return files;
}

// The real back-ends behind the names the compress zone uses; every command
// line, with the list file of that moment, goes to `seen`.
struct Seen {
  std::vector<std::string> commands;
  std::vector<std::vector<std::string>> lists;
};

inline void InstallRealLibraries(PanelRun& run, Seen& seen) {
  run.libraries.AllMissing();
  for (LibraryId id : {LibraryId::Unlha, LibraryId::UnZip, LibraryId::Zip, LibraryId::Cab,
                       LibraryId::Tar, LibraryId::Jack, LibraryId::Bga}) {
    Libraries().Replace(id, std::make_shared<WatchedLibrary>(
                                MakeBuiltinLibrary(id),
                                [&seen](const std::string& line, const std::vector<std::string>& list) {
                                  seen.commands.push_back(line);
                                  seen.lists.push_back(list);
                                }));
  }
}


// The panel started with the real back-ends over the settings `mainLines`
// (and a stored split size when given), with the compress zone installed.
struct RealPanel {
  explicit RealPanel(const std::string& mainLines, const std::string& jackSize = "") {
    InstallRealLibraries(run, seen);
    run.Settings(mainLines);
    if (!jackSize.empty()) WriteIniFile(run.Ini(), "Jack", "JackRipSize", jackSize);
    panel = &run.Start();
    InstallCompressZone(panel);
  }
  // Drops the names on "圧縮".
  void Drop(const std::vector<std::string>& names) {
    DropOn(run.Find<QLabel>("lbl1"), *FileDrop(names));
  }

  PanelRun run;
  Seen seen;
  FrmMain* panel = nullptr;
};

}  // namespace ks::test
