#include "panel/SettingsMenu.h"

#include <QAction>
#include <QMenu>

namespace ks {
namespace {

QAction* Entry(QMenu* menu, const char* name, const QString& caption, bool checkable) {
  QAction* action = menu->addAction(caption);
  action->setObjectName(QString::fromLatin1(name));
  action->setCheckable(checkable);
  return action;
}

QAction* Separator(QMenu* menu, const char* name) {
  QAction* action = menu->addSeparator();
  action->setObjectName(QString::fromLatin1(name));
  return action;
}

}  // namespace

SettingsMenu BuildSettingsMenu(QWidget* owner) {
  SettingsMenu m;
  m.mnuSetup = new QMenu(QStringLiteral("設定"), owner);
  m.mnuSetup->setObjectName(QStringLiteral("mnuSetup"));

  m.mnuSetPanel = m.mnuSetup->addMenu(QStringLiteral("簡易設定"));
  m.mnuSetPanel->setObjectName(QStringLiteral("mnuSetPanel"));
  m.mnuSetPanel->menuAction()->setObjectName(QStringLiteral("mnuSetPanel"));

  QMenu* sub = m.mnuSetPanel;
  m.mnuDblFolder = Entry(sub, "mnuDblFolder", QStringLiteral("解凍時重複フォルダ抑制"), true);
  m.mnuFolderOpen = Entry(sub, "mnuFolderOpen", QStringLiteral("解凍後フォルダ開く"), true);
  m.mnuErrRep = Entry(sub, "mnuErrRep", QStringLiteral("常に解凍結果を表示"), true);
  m.mnuErrRepPac = Entry(sub, "mnuErrRepPac", QStringLiteral("常に圧縮結果を表示"), true);
  m.mnuSep3 = Separator(sub, "mnuSep3");
  m.mnuClrLine = Entry(sub, "mnuClrLine", QStringLiteral("境界線を消す"), true);
  m.mnuClrTxt = Entry(sub, "mnuClrTxt", QStringLiteral("説明を消す"), true);
  m.mnuSetTxt = Entry(sub, "mnuSetTxt", QStringLiteral("説明の色"), false);
  m.mnuClrLogo = Entry(sub, "mnuClrLogo", QStringLiteral("ロゴを消す"), true);
  m.mnuSetLogo = Entry(sub, "mnuSetLogo", QStringLiteral("ロゴの色設定"), false);
  m.mnuClrDll = Entry(sub, "mnuClrDll", QStringLiteral("使用可能DLLを消す"), true);
  m.mnuSetDll = Entry(sub, "mnuSetDll", QStringLiteral("使用可能DLLの色"), false);
  m.mnuSetBack = Entry(sub, "mnuSetBack", QStringLiteral("ウインドウの色"), false);
  m.mnuSep2 = Separator(sub, "mnuSep2");
  m.mnuSetJack = Entry(sub, "mnuSetJack", QStringLiteral("Jack32.dllの設定"), false);
  m.mnuSetJack->setEnabled(false);

  m.mnuSep = Separator(m.mnuSetup, "mnuSep");
  m.mnuVer = Entry(m.mnuSetup, "mnuVer", QStringLiteral("バージョン情報"), false);
  return m;
}

}  // namespace ks
