#pragma once
// Helpers of the extraction tests: a folder of dropped files, the expected
// result lines for ASCII names, and reading what a run left on the disk.

#include <QApplication>
#include <QDropEvent>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "check/CheckTestSupport.h"
#include "platform/RecordingPlatform.h"

namespace ks::test {

// A folder for the dropped files. The short base keeps "<folder>/name"
// inside the 25 columns of a result line.
class DropFolder {
 public:
  DropFolder() : dir_("/tmp/ke-XXXXXX") { QVERIFY(dir_.isValid()); }
  // The folder with a trailing separator.
  std::string Dl() const { return dir_.path().toStdString() + "/"; }
  std::string Path(const std::string& name) const { return Dl() + name; }
  std::string Write(const std::string& name, const std::string& bytes) const {
    std::filesystem::create_directories(std::filesystem::path(Path(name)).parent_path());
    std::ofstream(Path(name), std::ios::binary) << bytes;
    return Path(name);
  }
  std::string Folder(const std::string& name) const {
    std::filesystem::create_directories(Path(name));
    return Path(name);
  }

 private:
  QTemporaryDir dir_;
};

// The expected line of an extraction for an ASCII name of at most 25
// characters.
inline QString ExtractedLine(const std::string& name, const std::string& type,
                             const std::string& verdict) {
  return QString::fromStdString(Pad(25 - name.size()) + name + Pad(5) + type +
                                Pad(9 - type.size()) + verdict);
}

// Sends a drop as a file manager would, without asserting that it is
// taken; true when the target accepted the drop itself.
inline bool TryDrop(QWidget* target, const QMimeData& data) {
  const QPointF at(target->width() / 2.0, target->height() / 2.0);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  return drop.isAccepted();
}

// The entries of a folder (hidden ones too), folders marked with a
// trailing "/"; nested entries as "dir/name".
inline std::set<std::string> Tree(const std::string& folder) {
  namespace fs = std::filesystem;
  std::set<std::string> names;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string rel = fs::relative(it->path(), folder).string();
    if (it->is_directory() && !it->is_symlink()) rel += "/";
    names.insert(rel);
  }
  return names;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The stacking calls of the run, as "panel:1", "chk:1" ...
inline std::vector<std::string> Stacking(const RecordingPlatform& p, const void* panel) {
  std::vector<std::string> calls;
  for (const PlatformCall& c : p.Of("SetTopMost"))
    calls.push_back(std::string(c.window == panel ? "panel" : "chk") + ":" +
                    std::to_string(c.value));
  return calls;
}

}  // namespace ks::test
