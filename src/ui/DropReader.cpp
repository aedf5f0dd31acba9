#include "ui/DropReader.h"

#include <QDir>
#include <QMimeData>
#include <QUrl>

#include "platform/Platform.h"

namespace ks {

std::optional<std::vector<std::string>> DroppedNames(const QMimeData* data) {
  // File managers (Nautilus, Dolphin, Thunar) and Qt programs all put the
  // names into text/uri-list as file: addresses; that is the whole protocol.
  if (!data || !data->hasUrls()) return std::nullopt;
  std::vector<std::string> names;
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const QString local = url.toLocalFile();
    if (local.isEmpty()) continue;
    names.push_back(QDir::toNativeSeparators(local).toStdString());
  }
  if (names.empty()) return std::nullopt;
  return names;
}

void RefuseDropWithoutNames() {
  ThePlatform().MessageBox("マイコンピュータやごみ箱はドロップしないでね(^-^;", "そのアイコンはあかんわ",
                           MessageStyle::Critical);
}

}  // namespace ks
