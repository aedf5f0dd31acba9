// Compresses through the real panel, as a user does, and reports how long
// it took: the program starts (off screen) with its built-in back-ends, the
// names are dropped on "圧縮", the format is selected, the name typed and
// 圧縮開始 pressed. The benchmark script compares this with kestrino-archiver
// running the same command on the same list file.
//
//   ks_compress_bench PROGRAM_FOLDER ENTRY NAME PATH...
// prints "run_ms N" (from 圧縮開始 to the end of the run) and exits 0 when
// the archive exists and the run reported success.

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <cstdio>
#include <filesystem>

#include "archivers/builtin/Backends.h"
#include "check/FrmChk.h"
#include "compress/CompressRun.h"
#include "compress/CompressZone.h"
#include "compress/FrmInBox.h"
#include "core/DropList.h"
#include "panel/FrmMain.h"
#include "panel/Startup.h"
#include "platform/RecordingPlatform.h"

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: ks_compress_bench PROGRAM_FOLDER ENTRY NAME PATH...\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // Message boxes would wait for a hand; this platform records them.
  ks::ScopedRecordingPlatform platform;

  ks::StartupOptions options;
  options.programFolder = argv[1];
  options.installLibraries = ks::InstallBuiltinLibraries;
  std::unique_ptr<ks::FrmMain> panel(ks::Main(options));
  ks::InstallCompressZone(panel.get());

  QMimeData drop;
  QList<QUrl> urls;
  for (int i = 4; i < argc; ++i) urls << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
  drop.setUrls(urls);
  ks::CompressDrop(panel.get(), &drop);
  ks::FrmInBox* box = ks::LoadedInBox();
  if (!box) {
    std::fprintf(stderr, "the drop was refused\n");
    return 1;
  }
  box->SelectEntry(argv[2]);
  box->findChild<QLineEdit*>("cboArcName")->setText(QString::fromLocal8Bit(argv[3]));

  QElapsedTimer timer;
  timer.start();
  box->findChild<QPushButton*>("cmdCompress")->click();
  const qint64 ms = timer.elapsed();
  std::printf("run_ms %lld\n", static_cast<long long>(ms));

  const ks::FrmChk* chk = ks::LoadedFrmChk();
  for (const auto& call : platform.platform.Of("MessageBox"))
    std::fprintf(stderr, "message: %s\n", call.text.c_str());
  if (chk) {
    for (const QString& line : chk->Lines()) std::fprintf(stderr, "%s\n", line.toUtf8().constData());
    return 1;  // shown only on failure (the option is off in a fresh folder)
  }
  std::error_code ec;
  const std::string archive = ks::LongestDropFolder() + ks::ArchiveName;
  return std::filesystem::is_regular_file(archive, ec) ? 0 : 1;
}
