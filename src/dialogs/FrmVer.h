#pragma once
// The version window: the program's name and version, the version of every
// usable archiver library and a link to the program's help page. Opened over a
// disabled panel; closing it gives the panel back.

#include <QPointer>
#include <QWidget>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace ks {

class PanelWindow;

class FrmVer : public QWidget {
  Q_OBJECT
 public:
  // Loads the window for `panel`: the library lines and the logo text. The
  // panel opens it (centred, always in the top-most band, with the focus);
  // it deletes itself when closed.
  explicit FrmVer(PanelWindow* panel);

 protected:
  void closeEvent(QCloseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPointer<PanelWindow> panel_;
  QLabel* lblVer_ = nullptr;
  QPlainTextEdit* txtVer_ = nullptr;
  QPushButton* cmdOk_ = nullptr;
  QLabel* lblForward_ = nullptr;
  std::string helpPage_;  // the installed help page; empty when missing
};

}  // namespace ks
