#include "compress/CompressZone.h"

#include <QPointer>

#include "compress/FrmInBox.h"
#include "compress/FrmJack.h"
#include "core/DropList.h"
#include "core/PathText.h"
#include "ui/DropReader.h"
#include "ui/PanelWindow.h"
#include "platform/Platform.h"

namespace ks {

namespace {

void RefuseDrop() {
  ThePlatform().MessageBox("そのアイコンは処理できません(^-^;", "そのアイコンはあかんわ",
                           MessageStyle::Critical);
}

}  // namespace

bool IsRefusedDropRoot(const std::string& name) {
  const std::size_t first = name.find(kPathSeparator);
  if (first != std::string::npos && first + 1 == name.size()) return true;
  const std::string twoSeparators(2, kPathSeparator);
  if (name.compare(0, 2, twoSeparators) == 0) {
    const std::size_t p = name.find(kPathSeparator, 2);
    // "//server" alone names no share: it is let through.
    if (p == std::string::npos) return false;
    return name.find(kPathSeparator, p + 1) == std::string::npos;
  }
  return false;
}

std::vector<std::string> NormalisedDropNames(const std::vector<std::string>& names) {
  std::vector<std::string> out;
  out.reserve(names.size());
  for (const std::string& name : names)
    out.push_back(name.size() > 1 ? RemoveBackslash(name) : name);
  return out;
}

void CompressDrop(PanelWindow* panel, const QMimeData* data) {
  const auto names = DroppedNames(data);
  if (!names || names->size() > kMaxDroppedNames) {
    RefuseDrop();
    return;
  }
  // The list is replaced before the test, so a refused drop replaces it too.
  SetDroppedFiles(NormalisedDropNames(*names));
  if (IsRefusedDropRoot(DroppedFiles[1])) {
    RefuseDrop();
    return;
  }
  OpenInBox(panel);
}

void InstallCompressZone(PanelWindow* panel) {
  QPointer<PanelWindow> guarded(panel);
  panel->setDropHandler(Zone::Compress, [guarded](const QMimeData* data) {
    if (guarded) CompressDrop(guarded, data);
  });
  panel->setSplitSettingsHandler([guarded] {
    if (guarded) OpenFrmJack(guarded, SplitOpener::Main);
  });
}

}  // namespace ks
