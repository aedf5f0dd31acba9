#pragma once
// The password window "Password": asks for the password of an archive that
// is to be made encrypted. Shown modally over its owner; OK needs at least
// one character and none the command line cannot carry.

#include <QDialog>
#include <optional>
#include <string>

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace ks {

class FrmPass : public QDialog {
  Q_OBJECT
 public:
  explicit FrmPass(QWidget* owner);

  // What the window hands back once hidden: the typed text and the result
  // flag (checked only when confirmed with OK).
  std::string Password() const;
  bool Confirmed() const;

 private:
  void Confirm();
  void Cancel();

  QLineEdit* txtPass_ = nullptr;
  QPushButton* cmdOk_ = nullptr;
  QPushButton* command1_ = nullptr;
  QCheckBox* chkPass_ = nullptr;
};

// Shows a fresh window modally over `owner`; the password after OK, nullopt
// after Cancel, Esc or the close box.
std::optional<std::string> AskNewPassword(QWidget* owner);

}  // namespace ks
