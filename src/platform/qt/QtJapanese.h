#pragma once
// Qt draws some windows itself: the buttons of message boxes, the colour,
// file and progress dialogs. Their texts come from Qt's own translation,
// which Debian ships in the package qt6-translations-l10n.

class QCoreApplication;

namespace ks {

// Loads Qt's Japanese texts into `app`, whatever the user's locale: every
// other text of the program is Japanese too. Returns false, after a warning
// on stderr that names the package, when the translation is not installed;
// Qt's dialogs then speak English and the program works on.
bool InstallQtJapanese(QCoreApplication& app);

}  // namespace ks
