#include "platform/qt/QtArchiverHost.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

namespace ks {
namespace {

// Entry points such as the full archive test get no owner handle. Their
// windows then go over the window the user looks at: the active one, else a
// shown top-most one (a result window kept on top), else any shown one.
QWidget* OwnerWindow(WindowHandle owner) {
  if (auto* widget = static_cast<QWidget*>(owner)) return widget->window();
  if (QWidget* active = QApplication::activeWindow()) return active;
  QWidget* shown = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (!w->isVisible() || w->windowType() == Qt::ToolTip || w->windowType() == Qt::Popup)
      continue;
    if (w->windowFlags().testFlag(Qt::WindowStaysOnTopHint)) return w;
    if (!shown) shown = w;
  }
  return shown;
}

// The windows have no Qt parent: the owner is often disabled while its
// command runs, and a child would be disabled with it. They are centred over
// the owner instead and share its band, so a top-most panel does not hide
// them.
void PlaceOver(QWidget* window, QWidget* owner) {
  if (!owner) return;
  if (owner->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
    window->setWindowFlag(Qt::WindowStaysOnTopHint, true);
  window->adjustSize();
  const QRect frame = owner->frameGeometry();
  const QSize own = window->frameGeometry().size();
  window->move(frame.center() - QPoint(own.width() / 2, own.height() / 2));
}

// The window the user sees in front of `owner`: a modal window already open
// over it, else the progress window of the running command (it is not
// modal, so the panel can take further drops), else the owner.
QWidget* FrontWindow(QWidget* owner) {
  QWidget* modal = QApplication::activeModalWidget();
  if (modal && modal->isVisible()) return modal;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->isVisible() && w->objectName() == QStringLiteral("frmProgress")) return w;
  return owner;
}

// Placed over `owner` and owned by it the way the window system knows
// (its transient parent), so the window manager keeps it in front of the
// owner and never lets it fall behind; a Qt parent would disable it along
// with a disabled owner.
void OwnBy(QWidget* window, QWidget* owner) {
  PlaceOver(window, owner);
  if (!owner) return;
  window->winId();
  owner->winId();
  window->windowHandle()->setTransientParent(owner->windowHandle());
}

void CallWhenShown(const std::function<void(QDialog*)>& hook, QDialog* dialog) {
  if (!hook) return;
  QPointer<QDialog> guarded(dialog);
  QTimer::singleShot(0, dialog, [hook, guarded] {
    if (guarded) hook(guarded);
  });
}

// OK ("cmdOk") and キャンセル ("cmdCancel") at the foot of a prompt.
void AddOkCancel(QDialog& dialog, QVBoxLayout* layout) {
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("cmdOk"));
  buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("cmdCancel"));
  buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(buttons);
}

class QtProgress : public Progress {
 public:
  QtProgress(QWidget* owner, QString title, int delay, std::function<void(QDialog*)> hook)
      : owner_(owner), title_(std::move(title)), delay_(delay), hook_(std::move(hook)) {
    started_.start();
  }
  ~QtProgress() override { delete dialog_; }

  // A fast back-end reports every file; between two turns of the window
  // (at most 20 a second) an update only reads the clock. Showing a value
  // is itself a turn: a modal progress dialog handles events, and repaints,
  // whenever its value is set.
  bool Update(const std::string& currentName, std::uint64_t done, std::uint64_t total) override {
    if (cancelled_) return false;
    if (sinceTurn_.isValid() && sinceTurn_.elapsed() < kTurnIntervalMs) return true;
    sinceTurn_.start();
    if (!dialog_ && started_.elapsed() >= delay_) Show();
    if (dialog_) {
      dialog_->setLabelText(QString::fromStdString(currentName));
      if (total == 0) {
        dialog_->setRange(0, 0);  // moving bar: the size of the work is unknown
      } else {
        dialog_->setRange(0, kSteps);
        // In floating point: done * kSteps would overflow for sizes near 2^64.
        const long double part = static_cast<long double>(std::min(done, total)) / total;
        dialog_->setValue(static_cast<int>(part * kSteps));
      }
    }
    // Repaints and, with the window up, takes clicks on Cancel. Before the
    // window shows, user input waits: nothing must start a second operation
    // while this one blocks the program.
    QCoreApplication::processEvents(dialog_ ? QEventLoop::AllEvents
                                            : QEventLoop::ExcludeUserInputEvents);
    return !cancelled_;
  }

 private:
  static constexpr int kSteps = 1000;
  static constexpr int kTurnIntervalMs = 50;

  void Show() {
    dialog_ = new QProgressDialog(title_, QStringLiteral("キャンセル"), 0, kSteps);
    dialog_->setObjectName(QStringLiteral("frmProgress"));
    dialog_->setWindowTitle(title_);
    // Shown by us after our own delay, never by its own timer, and kept open
    // when the bar reaches the end: the caller closes it.
    dialog_->setMinimumDuration(0);
    dialog_->setAutoClose(false);
    dialog_->setAutoReset(false);
    // It blocks no window: the panel takes the drops that arrive meanwhile,
    // which wait their turn, and keeps the rest of itself still while an
    // operation runs, as the compression dialog does; a Qt dialog stays
    // above the program's other windows.
    dialog_->setWindowModality(Qt::NonModal);
    dialog_->setMinimumWidth(320);
    QObject::connect(dialog_, &QProgressDialog::canceled, [this] { cancelled_ = true; });
    PlaceOver(dialog_, owner_);
    dialog_->show();
    CallWhenShown(hook_, dialog_);
  }

  QPointer<QWidget> owner_;
  QString title_;
  int delay_;
  std::function<void(QDialog*)> hook_;
  QElapsedTimer started_;
  QElapsedTimer sinceTurn_;
  QPointer<QProgressDialog> dialog_;
  bool cancelled_ = false;
};

}  // namespace

std::unique_ptr<Progress> QtArchiverHost::BeginProgress(WindowHandle owner,
                                                        const std::string& title) {
  const std::string& caption = CurrentRunCaption();
  return std::make_unique<QtProgress>(OwnerWindow(owner),
                                      QString::fromStdString(caption.empty() ? title : caption),
                                      progressDelay_, onWindowShown);
}

std::optional<std::string> QtArchiverHost::AskPassword(WindowHandle owner,
                                                       const std::string& archive,
                                                       const std::string& entry,
                                                       bool wrongBefore) {
  QDialog dialog;
  dialog.setObjectName(QStringLiteral("frmEntryPass"));
  dialog.setWindowTitle(QStringLiteral("パスワード入力"));
  auto* layout = new QVBoxLayout(&dialog);
  const QString archiveName = QFileInfo(QString::fromStdString(archive)).fileName();
  const QString question = wrongBefore ? QStringLiteral("パスワードが違います。\n"
                                                        "もう一度入力して下さい。")
                                       : QStringLiteral("パスワードを入力して下さい。");
  auto* prompt = new QLabel(QStringLiteral("%1 の %2 はパスワードで保護されています。\n%3")
                                .arg(archiveName, QString::fromStdString(entry), question),
                            &dialog);
  prompt->setObjectName(QStringLiteral("lblPrompt"));
  layout->addWidget(prompt);
  auto* field = new QLineEdit(&dialog);
  field->setObjectName(QStringLiteral("txtPassword"));
  field->setEchoMode(QLineEdit::Password);
  layout->addWidget(field);
  AddOkCancel(dialog, layout);
  dialog.setWindowModality(Qt::ApplicationModal);
  OwnBy(&dialog, FrontWindow(OwnerWindow(owner)));
  CallWhenShown(onWindowShown, &dialog);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return field->text().toStdString();
}

OverwriteAnswer QtArchiverHost::AskOverwrite(WindowHandle owner, const std::string& path) {
  QMessageBox box(QMessageBox::Question, QStringLiteral("上書きの確認"),
                  QStringLiteral("同じ名前のファイルが既にあります。上書きしますか？\n\n%1")
                      .arg(QString::fromStdString(path)),
                  QMessageBox::NoButton);
  box.setObjectName(QStringLiteral("frmOverwrite"));
  auto add = [&box](const char* name, const QString& text, QMessageBox::ButtonRole role) {
    QPushButton* button = box.addButton(text, role);
    button->setObjectName(QString::fromLatin1(name));
    return button;
  };
  QPushButton* replace = add("cmdReplace", QStringLiteral("上書き"), QMessageBox::YesRole);
  QPushButton* skip = add("cmdSkip", QStringLiteral("スキップ"), QMessageBox::NoRole);
  QPushButton* replaceAll = add("cmdReplaceAll", QStringLiteral("すべて上書き"), QMessageBox::YesRole);
  QPushButton* skipAll = add("cmdSkipAll", QStringLiteral("すべてスキップ"), QMessageBox::NoRole);
  QPushButton* cancel = add("cmdCancel", QStringLiteral("キャンセル"), QMessageBox::RejectRole);
  // Nothing is replaced by accident: Enter skips, Esc cancels.
  box.setDefaultButton(skip);
  box.setEscapeButton(cancel);
  box.setWindowModality(Qt::ApplicationModal);
  PlaceOver(&box, OwnerWindow(owner));
  CallWhenShown(onWindowShown, &box);
  box.exec();
  QAbstractButton* clicked = box.clickedButton();
  if (clicked == replace) return OverwriteAnswer::Replace;
  if (clicked == replaceAll) return OverwriteAnswer::ReplaceAll;
  if (clicked == skip) return OverwriteAnswer::Skip;
  if (clicked == skipAll) return OverwriteAnswer::SkipAll;
  return OverwriteAnswer::Cancel;
}

std::optional<std::string> QtArchiverHost::AskSetting(WindowHandle owner,
                                                      const SettingChoices& choices) {
  QDialog dialog;
  dialog.setObjectName(QStringLiteral("frmConfig"));
  dialog.setWindowTitle(QString::fromStdString(choices.title));
  auto* layout = new QVBoxLayout(&dialog);
  auto* label = new QLabel(QString::fromStdString(choices.label), &dialog);
  label->setObjectName(QStringLiteral("lblSetting"));
  layout->addWidget(label);
  auto* list = new QComboBox(&dialog);
  list->setObjectName(QStringLiteral("cboSetting"));
  for (const auto& [value, text] : choices.choices) {
    list->addItem(QString::fromStdString(text), QString::fromStdString(value));
    if (value == choices.current) list->setCurrentIndex(list->count() - 1);
  }
  label->setBuddy(list);
  layout->addWidget(list);
  AddOkCancel(dialog, layout);
  dialog.setMinimumWidth(260);
  dialog.setWindowModality(Qt::ApplicationModal);
  PlaceOver(&dialog, OwnerWindow(owner));
  CallWhenShown(onWindowShown, &dialog);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return list->currentData().toString().toStdString();
}

}  // namespace ks
