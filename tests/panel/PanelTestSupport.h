#pragma once
// A panel started the way the program starts it, against a settings file in
// a temporary program folder, with fake libraries and a recording platform.

#include <QCheckBox>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <memory>

#include "core/AppFolder.h"
#include "core/Settings.h"
#include "panel/FrmMain.h"
#include "panel/Startup.h"
#include "platform/RecordingPlatform.h"
#include "support/FakeLibrary.h"

namespace ks::test {

class PanelRun {
 public:
  PanelRun() = default;
  ~PanelRun() { Stop(); }

  std::string Folder() const { return dir.path().toStdString() + "/"; }
  std::string Ini() const { return Folder() + "Kestrino.ini"; }

  // Replaces the settings file with `text` (lines of section "Main").
  void Settings(const std::string& mainLines) {
    std::ofstream(Ini(), std::ios::binary) << "[Main]\r\n" << mainLines;
  }
  std::string Read(const std::string& key) {
    return ReadIniFile(Ini(), "Main", key, "<absent>");
  }

  FrmMain& Start() {
    Stop();
    StartupOptions options;
    options.programFolder = dir.path().toStdString();
    panel.reset(Main(options));
    ended = false;
    panel->setEndHandler([this] { ended = true; });
    return *panel;
  }
  // Closes the panel as the user would and forgets it.
  void Close() {
    QVERIFY(panel->close());
    QVERIFY(ended);
    panel.reset();
  }
  void Stop() { panel.reset(); }

  template <typename T>
  T* Find(const char* name) {
    return panel->findChild<T*>(QString::fromLatin1(name));
  }
  QCheckBox* Box(const char* name) { return Find<QCheckBox>(name); }

  QTemporaryDir dir;
  FakeLibrarySet libraries;
  ScopedRecordingPlatform recorder;
  std::unique_ptr<FrmMain> panel;
  bool ended = false;
};

}  // namespace ks::test
