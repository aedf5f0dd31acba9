// The Qt host of the back-ends: progress window with Cancel, password prompt
// and the overwrite question, answered through the test hook.

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QWindow>
#include <QtTest>

#include "platform/qt/QtArchiverHost.h"

using namespace ks;

namespace {

template <typename T>
T* Child(QWidget* w, const char* name) {
  return w->findChild<T*>(QString::fromLatin1(name));
}

QProgressDialog* ProgressWindow() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "frmProgress" && w->isVisible()) return qobject_cast<QProgressDialog*>(w);
  return nullptr;
}

// A shown window in the top-most band, as a panel with "TopMost" on.
void ShowOnTop(QWidget& window) {
  window.setWindowFlag(Qt::WindowStaysOnTopHint, true);
  window.resize(300, 200);
  window.show();
}

// A top-most owner with a command's progress window showing over it: the
// host shows it at once and the command has reported its first step.
struct ProgressOverOwner {
  ProgressOverOwner(const char* title, const std::string& entry, std::uint64_t done, std::uint64_t total) {
    ShowOnTop(owner);
    host.setProgressDelay(0);
    progress = host.BeginProgress(&owner, title);
    stillGoing = progress->Update(entry, done, total);
    window = ProgressWindow();
  }
  QWidget owner;
  QtArchiverHost host;
  std::unique_ptr<Progress> progress;
  bool stillGoing = false;
  QProgressDialog* window = nullptr;
};

}  // namespace

class ArchiverHostTest : public QObject {
  Q_OBJECT
 private slots:
  void quickWorkShowsNoWindow() {
    QtArchiverHost host;
    host.setProgressDelay(60000);
    auto progress = host.BeginProgress(nullptr, "解凍中");
    QVERIFY(progress->Update("a.txt", 1, 2));
    QVERIFY(ProgressWindow() == nullptr);
  }

  void longWorkShowsProgressOverItsOwnerAndCancels() {
    ProgressOverOwner run("検査中", "big.bin", 250, 1000);
    auto& [owner, host, progress, stillGoing, window] = run;
    QVERIFY(stillGoing);
    QVERIFY(window);
    QCOMPARE(window->windowTitle(), QString("検査中"));
    QCOMPARE(window->labelText(), QString("big.bin"));
    QCOMPARE(window->value(), 250);
    // No parent (a disabled owner would disable Cancel), but the owner's band.
    QVERIFY(window->parent() == nullptr);
    QVERIFY(window->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    owner.setEnabled(false);
    QPushButton* cancel = window->findChild<QPushButton*>();
    QVERIFY(cancel && cancel->isEnabled());
    QTest::mouseClick(cancel, Qt::LeftButton);
    QVERIFY(!progress->Update("big.bin", 500, 1000));
    QVERIFY(!progress->Update("big.bin", 600, 1000));  // stays cancelled
    progress.reset();
    QVERIFY(ProgressWindow() == nullptr);
  }

  void theCaptionNamesTheRunAndTheArchiveNotTheLibrary() {
    QtArchiverHost host;
    host.setProgressDelay(0);
    {
      const RunCaption run("解凍中", "/home/u/dl/写真 2024.zip");
      auto progress = host.BeginProgress(nullptr, "UnZip");
      QVERIFY(progress->Update("img/0001.jpg", 30, 120));
      QCOMPARE(ProgressWindow()->windowTitle(), QString("解凍中 — 写真 2024.zip"));
      QCOMPARE(ProgressWindow()->labelText(), QString("img/0001.jpg"));
      QCOMPARE(ProgressWindow()->value(), 250);
    }
    // Outside a run the back-end's own title stays.
    auto progress = host.BeginProgress(nullptr, "Jack");
    QVERIFY(progress->Update("a.001", 1, 2));
    QCOMPARE(ProgressWindow()->windowTitle(), QString("Jack"));
  }

  void aFastBackEndDoesNotRepaintTheWindowOnEveryUpdate() {
    QtArchiverHost host;
    host.setProgressDelay(0);
    auto progress = host.BeginProgress(nullptr, "解凍中");
    QVERIFY(progress->Update("first", 0, 100000));
    QProgressDialog* window = ProgressWindow();
    QVERIFY(window);
    QApplication::processEvents();
    int paints = 0;
    struct Counter : QObject {
      int* paints;
      bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && o->objectName() == "frmProgress") ++*paints;
        return false;
      }
    } counter;
    counter.paints = &paints;
    qApp->installEventFilter(&counter);
    QElapsedTimer clock;
    clock.start();
    for (int i = 1; i <= 20000; ++i) QVERIFY(progress->Update("f" + std::to_string(i), i, 100000));
    const qint64 elapsed = clock.elapsed();
    qApp->removeEventFilter(&counter);
    // One turn per 50 ms at most, whatever the number of updates.
    QVERIFY2(paints <= elapsed / 50 + 1, qPrintable(QString("%1 paints in %2 ms").arg(paints).arg(elapsed)));
  }

  void withoutAnOwnerItGoesOverTheTopMostWindow() {
    QWidget normal, onTop;
    normal.show();
    onTop.setWindowFlag(Qt::WindowStaysOnTopHint, true);
    onTop.setGeometry(400, 300, 300, 200);
    onTop.show();
    QApplication::setActiveWindow(nullptr);
    QtArchiverHost host;
    host.setProgressDelay(0);
    auto progress = host.BeginProgress(nullptr, "検査中");  // no owner handle
    QVERIFY(progress->Update("a", 1, 2));
    QVERIFY(ProgressWindow()->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(onTop.frameGeometry().contains(ProgressWindow()->frameGeometry().center()));
  }

  void unknownTotalsDoNotDivideByZero() {
    QtArchiverHost host;
    host.setProgressDelay(0);
    auto progress = host.BeginProgress(nullptr, "x");
    QVERIFY(progress->Update("a", 5, 0));
    QCOMPARE(ProgressWindow()->maximum(), 0);
    QTest::qSleep(60);  // the window takes news at most 20 times a second
    QVERIFY(progress->Update("a", ~0ull, ~0ull));  // no overflow past the end
    QCOMPARE(ProgressWindow()->value(), 1000);
  }

  void passwordIsMaskedAndCancelGivesNothing() {
    QtArchiverHost host;
    bool masked = false;
    host.onWindowShown = [&](QDialog* d) {
      QCOMPARE(d->objectName(), QString("frmEntryPass"));
      auto* field = Child<QLineEdit>(d, "txtPassword");
      masked = field->echoMode() == QLineEdit::Password;
      field->insert(QStringLiteral("秘密"));  // typed through an input method
      QTest::keyClicks(field, "pw");
      QTest::mouseClick(Child<QPushButton>(d, "cmdOk"), Qt::LeftButton);
    };
    QCOMPARE(host.AskPassword(nullptr, "/t/a.zip", "secret.txt", false),
             std::optional<std::string>("秘密pw"));
    QVERIFY(masked);
    host.onWindowShown = [](QDialog* d) {
      QTest::keyClicks(Child<QLineEdit>(d, "txtPassword"), "typed");
      QTest::mouseClick(Child<QPushButton>(d, "cmdCancel"), Qt::LeftButton);
    };
    QCOMPARE(host.AskPassword(nullptr, "/t/a.zip", "secret.txt", false), std::nullopt);
  }

  void aPromptBelongsToTheProgressWindowInFrontOfItsOwner() {
    ProgressOverOwner run("解凍中", "secret.txt", 1, 2);
    auto& [owner, host, progress, stillGoing, front] = run;
    QVERIFY(stillGoing);
    QVERIFY(front);
    QWindow* transientParent = nullptr;
    bool onTop = false;
    host.onWindowShown = [&](QDialog* d) {
      transientParent = d->windowHandle()->transientParent();
      onTop = d->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
      QTest::mouseClick(Child<QPushButton>(d, "cmdCancel"), Qt::LeftButton);
    };
    host.AskPassword(&owner, "/t/a.zip", "secret.txt", false);
    QCOMPARE(transientParent, front->windowHandle());
    QVERIFY(onTop);
    // Without a window in front, the owner itself.
    progress.reset();
    host.AskPassword(&owner, "/t/a.zip", "secret.txt", false);
    QCOMPARE(transientParent, owner.windowHandle());
  }

  void overwriteAnswers_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("answer");
    QTest::newRow("replace") << "cmdReplace" << int(OverwriteAnswer::Replace);
    QTest::newRow("skip") << "cmdSkip" << int(OverwriteAnswer::Skip);
    QTest::newRow("all") << "cmdReplaceAll" << int(OverwriteAnswer::ReplaceAll);
    QTest::newRow("skip all") << "cmdSkipAll" << int(OverwriteAnswer::SkipAll);
    QTest::newRow("cancel") << "cmdCancel" << int(OverwriteAnswer::Cancel);
    QTest::newRow("esc") << "" << int(OverwriteAnswer::Cancel);
  }
  void overwriteAnswers() {
    QFETCH(QString, button);
    QFETCH(int, answer);
    QtArchiverHost host;
    QString text;
    host.onWindowShown = [&](QDialog* d) {
      text = static_cast<QMessageBox*>(d)->text();
      if (button.isEmpty())
        QTest::keyClick(d, Qt::Key_Escape);
      else
        QTest::mouseClick(d->findChild<QPushButton*>(button), Qt::LeftButton);
    };
    QCOMPARE(int(host.AskOverwrite(nullptr, "/t/out/readme.txt")), answer);
    QVERIFY(text.contains("/t/out/readme.txt"));
  }
};

QTEST_MAIN(ArchiverHostTest)
#include "ArchiverHostTest.moc"
