#include "platform/qt/QtJapanese.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>

namespace ks {

bool InstallQtJapanese(QCoreApplication& app) {
  const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  // qtbase holds the dialogs and buttons of Qt Widgets.
  auto* translator = new QTranslator(&app);
  if (translator->load(QStringLiteral("qtbase_ja"), folder) &&
      QCoreApplication::installTranslator(translator))
    return true;
  delete translator;
  std::fprintf(stderr,
               "kestrino: Qt's Japanese translation (qtbase_ja.qm) is not in %s;"
               " install the Debian package qt6-translations-l10n\n",
               folder.toLocal8Bit().constData());
  return false;
}

}  // namespace ks
