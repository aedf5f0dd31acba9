#pragma once
// Helpers of the check tests: dropping names on a widget as a file manager
// would, and the result lines written out by hand for ASCII names.

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
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

inline std::string Pad(std::size_t n) { return std::string(n, ' '); }

// The expected line for an ASCII name of at most 25 characters.
inline QString AsciiLine(const std::string& name, const std::string& type,
                         const std::string& word) {
  std::string line = Pad(25 - name.size()) + name + Pad(5) + type;
  if (type != "UnKnown") line += Pad(9 - type.size()) + word;
  return QString::fromStdString(line);
}

}  // namespace ks::test
