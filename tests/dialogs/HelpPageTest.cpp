// Finding the program's help page in an installed tree, a build folder and
// the data folders, and the address it is opened by.

#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <fstream>

#include "dialogs/HelpPage.h"

using namespace ks;
namespace fs = std::filesystem;

namespace {

void Touch(const fs::path& file) {
  fs::create_directories(file.parent_path());
  std::ofstream(file) << "<html></html>";
}

// Points the XDG data folders at `root` for the lifetime of the object.
class DataFolders {
 public:
  explicit DataFolders(const fs::path& root) {
    Save("XDG_DATA_HOME", home_);
    Save("XDG_DATA_DIRS", dirs_);
    qputenv("XDG_DATA_HOME", (root / "home").string().c_str());
    qputenv("XDG_DATA_DIRS", ((root / "a").string() + ":" + (root / "b").string()).c_str());
  }
  ~DataFolders() {
    Restore("XDG_DATA_HOME", home_);
    Restore("XDG_DATA_DIRS", dirs_);
  }

 private:
  static void Save(const char* name, std::optional<QByteArray>& into) {
    if (qEnvironmentVariableIsSet(name)) into = qgetenv(name);
  }
  static void Restore(const char* name, const std::optional<QByteArray>& value) {
    if (value) qputenv(name, *value);
    else qunsetenv(name);
  }
  std::optional<QByteArray> home_, dirs_;
};

}  // namespace

class HelpPageTest : public QObject {
  Q_OBJECT
 private slots:
  void installedBuildAndDataFolders() {
    QTemporaryDir dir;
    const fs::path root = dir.path().toStdString();
    DataFolders data(root / "data");
    // Nothing anywhere: no page.
    QCOMPARE(FindHelpPage((root / "prefix/bin").string()), std::string());

    // Another install in the data folders; the second folder of the list.
    Touch(root / "data/b/kestrino/help/index.html");
    QCOMPARE(FindHelpPage((root / "prefix/bin").string()),
             (root / "data/b/kestrino/help/index.html").string());
    // The program's own install wins over any other.
    Touch(root / "prefix/share/kestrino/help/index.html");
    QCOMPARE(FindHelpPage((root / "prefix/bin").string()),
             (root / "prefix/share/kestrino/help/index.html").string());
    QCOMPARE(FindHelpPage((root / "prefix/bin/").string()),
             (root / "prefix/share/kestrino/help/index.html").string());
    // A build folder holds it under share/ inside.
    Touch(root / "build/share/kestrino/help/index.html");
    QCOMPARE(FindHelpPage((root / "build").string()),
             (root / "build/share/kestrino/help/index.html").string());
    // A folder where the page should be is not a page.
    fs::create_directories(root / "odd/share/kestrino/help/index.html");
    QCOMPARE(FindHelpPage((root / "odd").string()),
             (root / "data/b/kestrino/help/index.html").string());
  }

  void fileAddress() {
    QCOMPARE(FileAddress("/usr/share/kestrino/help/index.html"),
             std::string("file:///usr/share/kestrino/help/index.html"));
    QCOMPARE(FileAddress("/home/a b/#1%/ヘルプ.html"),
             std::string("file:///home/a%20b/%231%25/%E3%83%98%E3%83%AB%E3%83%97.html"));
    // What a browser makes of it is the same file again.
    const std::string odd = "/tmp/a b/#?%/ヘルプ.html";
    QCOMPARE(QUrl(QString::fromStdString(FileAddress(odd))).toLocalFile().toStdString(), odd);
  }
};

QTEST_MAIN(HelpPageTest)
#include "HelpPageTest.moc"
