// Kestrino: the archiver panel. Everything the program is given arrives by
// drag and drop; it reads no command-line argument of its own (Qt still takes
// its usual ones, such as -platform).

#include <QApplication>
#include <memory>

#include "archivers/builtin/Backends.h"
#include "check/ArchiveCheck.h"
#include "extract/ExtractDriver.h"
#include "compress/CompressZone.h"
#include "panel/FrmMain.h"
#include "panel/Startup.h"
#include "platform/qt/QtArchiverHost.h"
#include "platform/qt/QtJapanese.h"
#include "platform/qt/QtPlatform.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ks::InstallQtJapanese(app);
  ks::QtPlatform platform;
  ks::SetPlatform(&platform);
  ks::QtArchiverHost archiverHost;
  ks::SetArchiverHost(&archiverHost);

  ks::StartupOptions options;
  options.programFolder = QCoreApplication::applicationDirPath().toStdString();
  options.installLibraries = ks::InstallBuiltinLibraries;
  std::unique_ptr<ks::FrmMain> panel(ks::Main(options));
  ks::InstallCheckZone(panel.get());
  ks::InstallExtractZone(panel.get());
  ks::InstallCompressZone(panel.get());

  const int result = app.exec();
  ks::SetArchiverHost(nullptr);
  ks::SetPlatform(nullptr);
  return result;
}
