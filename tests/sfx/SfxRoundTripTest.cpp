// The self-extracting entries end to end: names dropped on 圧縮 become
// name.exe, and the program really extracts them, byte for byte: the
// Windows stubs' x86-64 twins under wine64 (this machine kind runs no
// 32-bit x86 code), the DOS stub under dosbox. The programs dropped on 解凍
// and 検査 are extracted and checked by the back-ends, and the peer tools
// find the archive inside.
//
// Each slot runs as its own CTest test (by name); a slot whose tools are
// missing skips with exit code 77, naming the Debian packages to install.

#include <QProcess>
#include <QProcessEnvironment>
#include <variant>

#include "archivers/builtin/common/SelfExtractor.h"
#include "check/ArchiveCheck.h"
#include "compress/RealCompressSupport.h"
#include "extract/ExtractDriver.h"
#include "sfx/SfxSamples.h"
#include "support/QtMissingSkip.h"

using namespace ks;
using namespace ks::test;

namespace {

// True when `program` can be found; otherwise notes `package` as missing.
bool Have(const QString& program, const char* package) {
  if (!QStandardPaths::findExecutable(program).isEmpty() || QFileInfo(program).isExecutable()) return true;
  NoteMissing(std::string("the Debian package ") + package + " (scripts/deps.sh --tests installs it)");
  return false;
}

fs::path BuildFolder() { return qEnvironmentVariable("KS_BINARY_DIR").toStdString(); }

// The names of the Windows stubs' test: Japanese names, an empty folder and
// a file over 1 MB, in the folder they are dropped from.
struct Sample {
  QTemporaryDir dir{"/tmp/ksfx-XXXXXX"};
  fs::path src;
  std::vector<std::string> dropped;
  Contents expected;

  explicit Sample(const Contents& tree) : src(fs::path(dir.path().toStdString()) / "src") {
    WriteContents(src, tree);
    for (const auto& e : fs::directory_iterator(src)) dropped.push_back(e.path().string());
    expected = tree;
  }
  fs::path Run() const { return fs::path(dir.path().toStdString()) / "run"; }
};

// dosbox 0.74 takes only a few bytes above 7Fh in file names (A0, BD, E5,
// F6, FF); these Japanese names are made of them: 裹 is E5 E5, 蠖蝣 E5 BD
// E5 A0, ｽ BD. The rest are 8.3 names in capitals, as DOS keeps them.
Contents DosTree() {
  Contents t = {{"README.TXT", "hello, DOS\r\n"}, {"裹", "<dir>"}, {"裹/蠖蝣.TXT", "漢字\r\n"},
                {"ｽｽ.TXT", "kana\r\n"},          {"EMPTY", "<dir>"}};
  t["BIG.DAT"] = SampleTree()["big.txt"];
  return t;
}

// The panel with the real back-ends on all three zones.
struct SfxPanel : RealPanel {
  SfxPanel() : RealPanel("ErrRepPac=-1\r\n") {
    InstallExtractZone(panel);
    InstallCheckZone(panel);
  }
  // Drops the sample on 圧縮 and makes `name` with `entry`; the program.
  fs::path Make(const Sample& s, const QString& entry, const QString& name) {
    Drop(s.dropped);
    ClickEntry(InBoxChild<QListWidget>("lstArc"), entry);
    TypeNameAndEnter(name);
    FrmChk* chk = LoadedFrmChk();
    if (!chk || chk->Lines().size() != 1 || !chk->Lines().at(0).endsWith("     OK")) {
      QTest::qFail(qPrintable("the result line: " + (chk ? chk->Lines().join("|") : QString("none"))),
                   __FILE__, __LINE__);
      return {};
    }
    chk->Unload();
    return s.src / (name.toStdString() + ".exe");
  }
  // The result lines of a drop of `names` on the zone `label`.
  QStringList DropOnZone(const char* label, const std::vector<std::string>& names) {
    DropOn(run.Find<QLabel>(label), *FileDrop(names));
    FrmChk* chk = LoadedFrmChk();
    const QStringList lines = chk ? chk->Lines() : QStringList();
    if (chk) chk->Unload();
    return lines;
  }
};

// Runs a program; its exit code (-1 when it does not finish in time).
int RunProcess(const QString& program, const QStringList& args, const fs::path& folder,
               const QProcessEnvironment& env) {
  QProcess p;
  p.setWorkingDirectory(QString::fromStdString(folder.string()));
  p.setProcessEnvironment(env);
  p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  p.start(program, args);
  if (!p.waitForFinished(120000)) return -1;
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

const QString kWine = "/usr/lib/wine/wine64";
bool gWineStarted = false;

QProcessEnvironment WineEnvironment() {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  // One prefix for every run, kept in the build folder; wine would link
  // folders of the real home into it otherwise.
  const QString prefix = QString::fromStdString((BuildFolder() / "sfx-wine").string());
  env.insert("WINEPREFIX", prefix);
  env.insert("HOME", prefix + "-home");
  env.insert("WINELOADER", kWine);
  env.insert("WINEDEBUG", "-all");
  env.remove("DISPLAY");  // the stubs run silently; no window may try to open
  fs::create_directories((prefix + "-home").toStdString());
  gWineStarted = true;
  return env;
}

// Ends the wine server of the prefix: it outlives the programs it ran, and
// one started without a display would keep the next program from showing
// its window.
void StopWine() {
  if (!gWineStarted) return;
  RunProcess("/usr/lib/wine/wineserver", {"-k"}, BuildFolder(), WineEnvironment());
  RunProcess("/usr/lib/wine/wineserver", {"-w"}, BuildFolder(), WineEnvironment());
}

// The x86-64 twin of the stub `twin` ("lzhwin.exe"), or why it cannot run
// here (the missing package is noted).
std::variant<fs::path, QString> TwinStub(const char* twin) {
  const fs::path path = BuildFolder() / "sfx-stubs" / "x64" / twin;
  if (!Have(kWine, "wine64")) return QString("wine64 is not installed");
  if (fs::exists(path)) return path;
  Have("x86_64-w64-mingw32-g++", "g++-mingw-w64-x86-64-win32");
  return QString("the x86-64 twins of the stubs were not built (the build needs the cross compiler)");
}

// The program with its stub swapped for the stub's x86-64 twin.
std::string Twin(const fs::path& program, SfxStub stub, const fs::path& twin) {
  const std::string bytes = FileBytes(program);
  const SfxStubImage image = SelfExtractorStub(stub);
  return FileBytes(twin) + bytes.substr(image.size);
}

}  // namespace

class SfxRoundTripTest : public QObject {
  Q_OBJECT
 private slots:
  void cleanup() { UnloadCompressWindows(); }
  void cleanupTestCase() { StopWine(); }

  void windowsRoundTrip_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<int>("stub");
    QTest::addColumn<QString>("twin");
    QTest::addColumn<bool>("emptyFolders");
    QTest::newRow("WinSFX") << "Lzh WinSFX Win32用" << int(SfxStub::LzhWindow) << "lzhwin.exe" << true;
    QTest::newRow("WinSFXM") << "Lzh WinSFXM Win32用" << int(SfxStub::LzhMinimal) << "lzhmin.exe" << true;
    QTest::newRow("Cab") << "Cab SFX" << int(SfxStub::Cab) << "cabwin.exe" << false;
    QTest::newRow("GZA") << "GZA SFX" << int(SfxStub::Bga) << "bgawin.exe" << true;
    QTest::newRow("BZA") << "BZA SFX" << int(SfxStub::Bga) << "bgawin.exe" << true;
  }

  void windowsRoundTrip() {
    QFETCH(QString, entry);
    QFETCH(int, stub);
    QFETCH(QString, twin);
    QFETCH(bool, emptyFolders);
    Sample s(SampleTree());
    SfxPanel panel;
    const fs::path program = panel.Make(s, entry, "展開テスト");
    QVERIFY(fs::exists(program));
    const SfxStubImage image = SelfExtractorStub(static_cast<SfxStub>(stub));
    QCOMPARE(FileBytes(program).substr(0, image.size),
             std::string(reinterpret_cast<const char*>(image.data), image.size));

    const auto twinStub = TwinStub(qPrintable(twin));
    if (const auto* why = std::get_if<QString>(&twinStub)) QSKIP(qPrintable(*why));
    fs::create_directories(s.Run());
    Write(s.Run() / "展開テスト.exe", Twin(program, static_cast<SfxStub>(stub), std::get<fs::path>(twinStub)));
    QCOMPARE(RunProcess(kWine, {"展開テスト.exe", "/s"}, s.Run(), WineEnvironment()), 0);
    Contents expected = s.expected;
    if (!emptyFolders) expected.erase("資料/空のフォルダ");  // a cabinet holds files only
    QVERIFY(ContentsOf(s.Run() / "展開テスト") == expected);
  }

  // WinSFX as a user meets it: the window, Enter for 展開, the message.
  void windowStubExtractsWhenEnterIsPressed() {
    Sample s(SampleTree());
    SfxPanel panel;
    const fs::path program = panel.Make(s, "Lzh WinSFX Win32用", "window");
    QVERIFY(fs::exists(program));
    const bool tools = Have("xvfb-run", "xvfb") & Have("xdotool", "xdotool") & Have("openbox", "openbox");
    if (!tools) QSKIP("a tool to show the window is missing");
    const auto twinStub = TwinStub("lzhwin.exe");
    if (const auto* why = std::get_if<QString>(&twinStub)) QSKIP(qPrintable(*why));
    fs::create_directories(s.Run());
    Write(s.Run() / "window.exe", Twin(program, SfxStub::LzhWindow, std::get<fs::path>(twinStub)));
    const QString script = qEnvironmentVariable("KS_SOURCE_DIR") + "/tests/sfx/window_stub.sh";
    StopWine();
    QCOMPARE(RunProcess("xvfb-run", {"-a", "bash", script, "window.exe"}, s.Run(), WineEnvironment()), 0);
    QVERIFY(ContentsOf(s.Run() / "window") == s.expected);
  }

  void dosRoundTrip() {
    Sample s(DosTree());
    SfxPanel panel;
    const fs::path program = panel.Make(s, "Lzh DosSFX DOS用", "DOSTEST");
    QVERIFY(fs::exists(program));
    if (!Have("dosbox", "dosbox")) QSKIP("dosbox is not installed");
    fs::create_directories(s.Run());
    fs::copy_file(program, s.Run() / "DOSTEST.EXE");
    const fs::path conf = s.Run().parent_path() / "dosbox.conf";
    std::ofstream(conf) << "[sdl]\noutput=surface\n[cpu]\ncycles=max\n[mixer]\nnosound=true\n"
                           "[speaker]\npcspeaker=false\n";
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SDL_VIDEODRIVER", "dummy");
    env.insert("SDL_AUDIODRIVER", "dummy");
    env.insert("HOME", QString::fromStdString(s.Run().parent_path().string()));
    // dosbox always ends with 0: the stub's ERRORLEVEL goes to a file (which
    // the redirection makes, empty, whatever the test).
    RunProcess("dosbox", {"-conf", QString::fromStdString(conf.string()), "-c",
                          QString::fromStdString("mount c " + s.Run().string()), "-c", "c:", "-c",
                          "DOSTEST.EXE /S", "-c", "IF ERRORLEVEL 1 ECHO FAILED> RESULT.TXT", "-c", "exit"},
               s.Run(), env);
    const std::string result = FileBytes(s.Run() / "RESULT.TXT");
    Contents extracted;  // the names as DOS wrote them, in CP932
    for (const auto& [name, content] : ContentsOf(s.Run() / "DOSTEST"))
      extracted[Iconv(name, "CP932", "UTF-8").value_or(name)] = content;
    // Qt cannot name files whose names are not UTF-8 to remove them.
    fs::remove_all(s.Run());
    QVERIFY2(result.find("FAILED") == std::string::npos, "the stub's ERRORLEVEL was not 0");
    QVERIFY(extracted == s.expected);
  }

  void extractAndCheckOnThePanel_data() {
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("checked");
    QTest::newRow("LZH") << "Lzh WinSFXM Win32用" << "LZH      " << "正常";
    QTest::newRow("CAB") << "Cab SFX" << "CAB      " << "正常";
    QTest::newRow("GZA/BZA") << "BZA SFX" << "GZA/BZA  " << "Skip";
  }

  void extractAndCheckOnThePanel() {
    QFETCH(QString, entry);
    QFETCH(QString, type);
    QFETCH(QString, checked);
    Sample s(SampleTree());
    SfxPanel panel;
    const fs::path program = panel.Make(s, entry, "prog");
    QVERIFY(fs::exists(program));
    std::string bytes = FileBytes(program);
    bytes[bytes.size() - bytes.size() / 4] ^= 0x33;  // inside the big file's data
    Write(s.src / "damaged.exe", bytes);

    QStringList lines = panel.DropOnZone("lbl2", {program.string(), (s.src / "damaged.exe").string()});
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].endsWith("     " + type + "OK"), qPrintable(lines[0]));
    QVERIFY2(lines[1].endsWith("     " + type + "失敗！"), qPrintable(lines[1]));
    Contents expected = s.expected;
    if (type.startsWith("CAB")) expected.erase("資料/空のフォルダ");
    QVERIFY(ContentsOf(s.src / "prog") == expected);

    lines = panel.DropOnZone("lbl3", {program.string(), (s.src / "damaged.exe").string()});
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].endsWith("     " + type + checked), qPrintable(lines[0]));
    QVERIFY2(lines[1].endsWith("     " + type + (checked == "Skip" ? "Skip" : "異常！")), qPrintable(lines[1]));
  }

  void peerToolsFindTheArchiveInside() {
    Sample s(SampleTree());
    SfxPanel panel;
    const fs::path lzh = panel.Make(s, "Lzh WinSFX Win32用", "lzh");
    const fs::path cab = panel.Make(s, "Cab SFX", "cab");
    const std::vector<std::pair<QString, const char*>> tools = {
        {"lhasa", "lhasa"}, {"7z", "p7zip-full"}, {"bsdtar", "libarchive-tools"}, {"cabextract", "cabextract"}};
    bool all = true;
    for (const auto& [tool, package] : tools) all = Have(tool, package) && all;
    if (!all) QSKIP("a peer tool is missing");
    for (const QString& command : {"lhasa l " + Q(lzh.string()), "7z l " + Q(lzh.string()),
                                   "bsdtar tf " + Q(lzh.string()), "cabextract -l " + Q(cab.string()),
                                   "7z l " + Q(cab.string())}) {
      const ToolResult r = Tool(command);
      QVERIFY2(r.exitCode == 0 && r.output.contains("big.txt"), qPrintable(command + "\n" + r.output));
    }
  }
};

KS_QTEST_MAIN_NOTING_MISSING(SfxRoundTripTest)

#include "SfxRoundTripTest.moc"
