// Extraction through the panel, for the benchmark: starts the real panel
// (offscreen unless a platform is chosen) with the built-in back-ends, the Qt
// progress window and the Qt platform, drops the archives named on the
// command line on "解凍" as a file manager would, and reports how long the
// run took and how often the progress window was painted.
//
//   ks_panel_extract PROGRAM_FOLDER ARCHIVE...
//
// PROGRAM_FOLDER receives the settings file: "Folder" and "DblFolder" on,
// "FolderOpen", "ErrRep" and "TopMost" off, so nothing but the extraction
// happens. Exit status 0 when every archive was extracted.

#include <QApplication>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QMimeData>
#include <QUrl>
#include <sys/resource.h>

#include <cstdio>
#include <fstream>
#include <memory>

#include "archivers/builtin/Backends.h"
#include "check/FrmChk.h"
#include "extract/ExtractDriver.h"
#include "panel/FrmMain.h"
#include "panel/Startup.h"
#include "platform/qt/QtArchiverHost.h"
#include "platform/qt/QtPlatform.h"

namespace {

// Processor time used by the process so far, in seconds, in user and in
// system mode: less swayed than the clock by other work on a busy machine.
struct CpuTime {
  double user = 0, system = 0;
};
CpuTime CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}

// Counts the paintings of the progress window itself (its children are
// painted with it).
class PaintCounter : public QObject {
 public:
  int paints = 0;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && watched->objectName() == "frmProgress") ++paints;
    return false;
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: ks_panel_extract PROGRAM_FOLDER ARCHIVE...\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ks::QtPlatform platform;
  ks::SetPlatform(&platform);
  ks::QtArchiverHost host;
  ks::SetArchiverHost(&host);

  const std::string programFolder = argv[1];
  std::ofstream(programFolder + "/Kestrino.ini", std::ios::binary)
      << "[Main]\r\nFolder=-1\r\nDblFolder=-1\r\nFolderOpen=0\r\nErrRep=0\r\nTopMost=0\r\n";
  ks::StartupOptions options;
  options.programFolder = programFolder;
  options.installLibraries = ks::InstallBuiltinLibraries;
  std::unique_ptr<ks::FrmMain> panel(ks::Main(options));
  ks::InstallExtractZone(panel.get());
  QApplication::processEvents();

  PaintCounter counter;
  app.installEventFilter(&counter);
  QMimeData data;
  QList<QUrl> urls;
  for (int i = 2; i < argc; ++i) urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
  data.setUrls(urls);
  auto* zone = panel->findChild<QLabel*>(QStringLiteral("lbl2"));
  const QPointF at(zone->width() / 2.0, zone->height() / 2.0);

  QElapsedTimer timer;
  const CpuTime cpuBefore = CpuSeconds();
  timer.start();
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(zone, &enter);
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(zone, &drop);
  const double seconds = timer.nsecsElapsed() / 1e9;
  const CpuTime cpuAfter = CpuSeconds();

  const bool failed = ks::LoadedFrmChk() && ks::LoadedFrmChk()->isVisible();
  std::printf("panel run %.3f s, user %.3f s, system %.3f s; progress window painted %d times "
              "(%.1f a second)%s\n",
              seconds, cpuAfter.user - cpuBefore.user, cpuAfter.system - cpuBefore.system,
              counter.paints, seconds > 0 ? counter.paints / seconds : 0.0,
              failed ? "; the result window reports a failure" : "");
  ks::UnloadFrmChk();
  ks::SetArchiverHost(nullptr);
  ks::SetPlatform(nullptr);
  return failed ? 1 : 0;
}
