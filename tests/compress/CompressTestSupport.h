#pragma once
// Helpers of the compression tests: a real panel with the compress zone, the
// dialog's controls, answering modal windows, and a watcher that sees the
// list file while a library command runs (the run deletes it afterwards).

#include <QApplication>
#include <QCheckBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "check/CheckTestSupport.h"
#include "check/FrmChk.h"
#include "compress/CompressZone.h"
#include "compress/FrmJack.h"
#include "compress/FrmInBox.h"
#include "core/AppFolder.h"
#include "panel/PanelTestSupport.h"

namespace ks::test {

namespace fs = std::filesystem;

// A library that forwards every call to another one and shows each command
// line, with the list file's lines as they are at that moment, to a hook.
class WatchedLibrary : public CommonArchiver {
 public:
  using Hook = std::function<void(const std::string& commandLine, const std::vector<std::string>& list)>;
  WatchedLibrary(std::shared_ptr<CommonArchiver> real, Hook hook)
      : real_(std::move(real)), hook_(std::move(hook)) {}

  int Command(WindowHandle owner, const std::string& line, char* output, std::size_t size) override {
    if (hook_) hook_(line, ReadLines(AppFolder + "kestrino.tmp"));
    return real_->Command(owner, line, output, size);
  }
  int GetVersion() override { return real_->GetVersion(); }
  int GetRunning() override { return real_->GetRunning(); }
  int CheckArchive(const std::string& file, int mode) override { return real_->CheckArchive(file, mode); }
  int ConfigDialog(WindowHandle owner, char* buffer, int mode) override {
    return real_->ConfigDialog(owner, buffer, mode);
  }
  std::string CommandRefusal(const std::string& line) override { return real_->CommandRefusal(line); }

  // The file's lines without their CR LF ends; a line not ended by CR LF
  // keeps what it has, so a wrong ending shows in a comparison.
  static std::vector<std::string> ReadLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < bytes.size()) {
      const std::size_t end = bytes.find("\r\n", start);
      if (end == std::string::npos) {
        lines.push_back(bytes.substr(start));
        break;
      }
      lines.push_back(bytes.substr(start, end - start));
      start = end + 2;
    }
    return lines;
  }

 private:
  std::shared_ptr<CommonArchiver> real_;
  Hook hook_;
};

template <typename T>
T* InBoxChild(const char* name) {
  FrmInBox* box = LoadedInBox();
  return box ? box->findChild<T*>(QString::fromLatin1(name)) : nullptr;
}

inline QStringList ListTexts(QListWidget* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
  return texts;
}

// Clicks the entry of a list as a user would.
inline void ClickEntry(QListWidget* list, const QString& text) {
  const auto found = list->findItems(text, Qt::MatchExactly);
  QVERIFY2(!found.isEmpty(), qPrintable(text));
  list->scrollToItem(found.first());
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
}

// Types text into a box: ASCII key by key, anything else as an input
// method commits it (Japanese is typed through one).
inline void TypeText(QWidget* box, const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() < 0x80) {
      QTest::keyClick(box, c.toLatin1());
    } else {
      QInputMethodEvent commit;
      commit.setCommitString(QString(c));
      QApplication::sendEvent(box, &commit);
    }
  }
}

// Types the name into the dialog's name box and presses Enter there.
inline void TypeNameAndEnter(const QString& name) {
  QLineEdit* box = InBoxChild<QLineEdit>("cboArcName");
  QVERIFY(box);
  TypeText(box, name);
  QTest::keyClick(box, Qt::Key_Return);
}

// Calls `answer` with the first modal window that opens (a password window, a
// settings dialog), from inside its own event loop.
inline void AnswerNextModal(std::function<void(QWidget*)> answer) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, answer] {
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) return;
    timer->stop();
    timer->deleteLater();
    answer(modal);
  });
  timer->start();
}

// Names in a folder that a run must never leave behind: temporary archives
// and intermediate programs.
inline std::vector<std::string> LeftOvers(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("~ks", 0) == 0 || name.rfind(".ks", 0) == 0) found.push_back(name);
  }
  return found;
}

// Closes every window a test of the compression left open and lets Qt
// delete them, so the next test starts with none.
inline void UnloadCompressWindows() {
  if (FrmJack* jack = LoadedFrmJack()) jack->reject();
  if (FrmInBox* box = LoadedInBox()) box->Unload();
  UnloadFrmChk();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace ks::test
