#pragma once
// Helpers of the check tests: dropping names on a widget as a file manager
// would, and the result lines written out by hand for ASCII names.

#include <QApplication>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QUrl>
#include <QWindow>
#include <QtTest>
#include <memory>
#include <string>
#include <vector>

namespace ks::test {

inline std::unique_ptr<QMimeData> FileDrop(const std::vector<std::string>& paths) {
  auto data = std::make_unique<QMimeData>();
  QList<QUrl> urls;
  for (const auto& p : paths) urls << QUrl::fromLocalFile(QString::fromStdString(p));
  data->setUrls(urls);
  return data;
}

inline void DropOn(QWidget* target, const QMimeData& data) {
  const QPointF at(target->width() / 2.0, target->height() / 2.0);
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
}

// A drop as the window system delivers it: to the native window under the
// mouse, at `target`'s middle. Unlike TryDrop it reaches a disabled window.
inline bool TryDropThroughWindow(QWidget* target, const QMimeData& data) {
  QWindow* window = target->window()->windowHandle();
  const QPointF at = target->mapTo(target->window(), QPointF(target->width() / 2.0, target->height() / 2.0));
  QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &enter);
  QDragMoveEvent move(at.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &move);
  if (!move.isAccepted()) return false;
  QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(window, &drop);
  return drop.isAccepted();
}

// Runs a peer tool in `folder`; the test fails when it does not succeed.
inline void Run(const QString& folder, const QString& program, const QStringList& args) {
  QProcess p;
  p.setWorkingDirectory(folder);
  p.start(program, args);
  QVERIFY2(p.waitForFinished(30000), qPrintable(program));
  QVERIFY2(p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
           qPrintable(program + ": " + p.readAllStandardError()));
}

// Flips one byte in the middle of the data of entry `index` (counted from
// 0) of a ZIP archive written without data descriptors.
inline void DamageZipEntry(const QString& path, int index) {
  QFile f(path);
  QVERIFY(f.open(QIODevice::ReadWrite));
  QByteArray bytes = f.readAll();
  const auto u16 = [&](int at) {
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned char>(bytes[at + 1]) << 8;
  };
  int header = 0;
  for (;; --index) {
    QVERIFY(bytes.mid(header, 4) == "PK\x03\x04");
    const int packed = u16(header + 18) | u16(header + 20) << 16;
    const int dataStart = header + 30 + u16(header + 26) + u16(header + 28);
    if (index == 0) {
      QVERIFY(packed > 4);
      bytes[dataStart + packed / 2] = static_cast<char>(bytes[dataStart + packed / 2] ^ 0x55);
      break;
    }
    header = dataStart + packed;
  }
  f.seek(0);
  f.write(bytes);
}
inline void DamageFirstZipEntry(const QString& path) { DamageZipEntry(path, 0); }

inline std::string Pad(std::size_t n) { return std::string(n, ' '); }

// The expected line for an ASCII name of at most 25 characters.
inline QString AsciiLine(const std::string& name, const std::string& type,
                         const std::string& word) {
  std::string line = Pad(25 - name.size()) + name + Pad(5) + type;
  if (type != "UnKnown") line += Pad(9 - type.size()) + word;
  return QString::fromStdString(line);
}

}  // namespace ks::test
