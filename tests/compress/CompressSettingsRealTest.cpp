// The settings dialogs of the creating back-ends, opened by 設定 of the
// compression dialog, and what they change in the archives the panel makes:
// the LZH method, the ZIP level and the cabinet's compression.

#include <QComboBox>
#include <QDialogButtonBox>

#include "archivers/Probe.h"
#include "check/FrmChk.h"
#include "compress/RealCompressSupport.h"
#include "core/Settings.h"
#include "platform/qt/QtArchiverHost.h"

using namespace ks;
using namespace ks::test;

namespace {

// ASCII names only, so lhasa (which keeps names as stored) gives them back
// exactly; repeats far apart, where only the larger windows reach.
struct AsciiFolder {
  QTemporaryDir dir{"/tmp/kc-XXXXXX"};
  fs::path src;
  Tree expected;
  AsciiFolder() {
    src = fs::path(dir.path().toStdString()) / "src";
    std::string far = Bytes(30000);
    far += Text(2000, 7) + far + Text(1000, 9) + far;
    Write(src / "data" / "far.bin", far);
    Write(src / "data" / "text.txt", Text(3000, 4));
    Write(src / "notes.txt", Text(100, 5));
    fs::create_directories(src / "data" / "empty");
    expected = TreeOf(src);
  }
  std::vector<std::string> Dropped() const { return {(src / "data").string(), (src / "notes.txt").string()}; }
};

// Starts the panel with the real back-ends and the Qt archiver host, drops
// `names` and selects `entry` by a click.
class SettingsRun : public RealPanel {
 public:
  SettingsRun(const std::vector<std::string>& names, const QString& entry)
      : RealPanel("DefaultArcType=TAR\r\n") {
    SetArchiverHost(&host);
    Drop(names);
    ClickEntry(InBoxChild<QListWidget>("lstArc"), entry);
  }
  ~SettingsRun() { SetArchiverHost(nullptr); }

  // 設定, then the choice whose stored value is `value` and OK (or Cancel).
  // Returns the caption of the dialog that showed, "" when none did.
  QString Configure(const QString& value, bool ok = true) {
    QString caption;
    host.onWindowShown = [&](QDialog* dialog) {
      caption = dialog->windowTitle();
      auto* list = dialog->findChild<QComboBox*>("cboSetting");
      const int index = list->findData(value);
      if (index >= 0) list->setCurrentIndex(index);
      dialog->findChild<QPushButton*>(ok ? "cmdOk" : "cmdCancel")->click();
    };
    QTest::mouseClick(InBoxChild<QPushButton>("cmdConf"), Qt::LeftButton);
    host.onWindowShown = nullptr;
    return caption;
  }

  QtArchiverHost host;
};

std::uint64_t SizeOf(const Tree& tree) {
  std::uint64_t total = 0;
  for (const auto& [name, content] : tree) total += content == "<dir>" ? 0 : content.size();
  return total;
}

}  // namespace

class CompressSettingsRealTest : public QObject {
  Q_OBJECT
 private slots:
  void initTestCase() {
    if (!HaveTools()) QSKIP("lhasa, jlha, unzip, bsdtar or cabextract is not installed");
  }

  void lh7ChosenInTheDialogIsReadIdenticallyByLhasa() {
    AsciiFolder fx;
    SettingsRun s(fx.Dropped(), "Lha");
    QCOMPARE(s.Configure("-lh7-"), QString("Unlha32の設定"));
    QCOMPARE(ReadIniFile(s.run.Ini(), "Unlha32", "Method", ""), std::string("-lh7-"));
    TypeNameAndEnter("seven");

    const fs::path archive = fx.src / "seven.lzh";
    QVERIFY(fs::is_regular_file(archive));
    const ToolResult listing = Tool("lhasa -v " + Q(archive.string()));
    QVERIFY2(listing.output.contains("-lh7-"), qPrintable(listing.output));
    QVERIFY2(!listing.output.contains("-lh5-"), qPrintable(listing.output));
    QCOMPARE(Tool("lhasa -t " + Q(archive.string())).exitCode, 0);
    const fs::path out = fs::path(fx.dir.path().toStdString()) / "out";
    fs::create_directories(out);
    const ToolResult x = Tool("cd " + Q(out.string()) + " && lhasa -x " + Q(archive.string()));
    QVERIFY2(x.exitCode == 0, qPrintable(x.output));
    QVERIFY(TreeOf(out) == fx.expected);
  }

  void cancelledSettingsKeepTheStoredValue() {
    AsciiFolder fx;
    SettingsRun s(fx.Dropped(), "Zip");
    QCOMPARE(s.Configure("3"), QString("Zip32jの設定"));
    QCOMPARE(ReadIniFile(s.run.Ini(), "Zip32j", "Level", ""), std::string("3"));
    QCOMPARE(s.Configure("9", false), QString("Zip32jの設定"));
    QCOMPARE(ReadIniFile(s.run.Ini(), "Zip32j", "Level", ""), std::string("3"));
    // Tar has no settings dialog: nothing shows.
    ClickEntry(InBoxChild<QListWidget>("lstArc"), "Tar");
    QCOMPARE(s.Configure("x"), QString());
    LoadedInBox()->Unload();
  }

  void zipLevelZeroStoresTheFiles() {
    AsciiFolder fx;
    SettingsRun s(fx.Dropped(), "Zip");
    QCOMPARE(s.Configure("0"), QString("Zip32jの設定"));
    TypeNameAndEnter("stored");
    const QString archive = Q((fx.src / "stored.zip").string());
    const ToolResult verbose = Tool("unzip -v " + archive);
    QVERIFY2(verbose.output.contains("Stored") && !verbose.output.contains("Defl"),
             qPrintable(verbose.output));
    QCOMPARE(Tool("unzip -t " + archive).exitCode, 0);
  }

  void cabinetWithoutCompression() {
    AsciiFolder fx;
    SettingsRun s(fx.Dropped(), "Cab");
    QCOMPARE(s.Configure("NONE"), QString("Cab32の設定"));
    TypeNameAndEnter("plain");
    const fs::path archive = fx.src / "plain.cab";
    QVERIFY(fs::file_size(archive) >= SizeOf(fx.expected));
    QCOMPARE(Tool("cabextract -t " + Q(archive.string())).exitCode, 0);
    // Set back: the next cabinet is compressed again.
    fs::remove(archive);
    if (LoadedFrmChk()) LoadedFrmChk()->Unload();
    s.Drop(fx.Dropped());
    ClickEntry(InBoxChild<QListWidget>("lstArc"), "Cab");
    QCOMPARE(s.Configure("MSZIP"), QString("Cab32の設定"));
    TypeNameAndEnter("plain");
    QVERIFY(fs::file_size(archive) < SizeOf(fx.expected) / 2);
  }
};

QTEST_MAIN(CompressSettingsRealTest)
#include "CompressSettingsRealTest.moc"
