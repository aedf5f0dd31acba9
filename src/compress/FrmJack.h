#pragma once
// The split settings window "Jack32の切り裂き設定": the piece size and whether
// the pieces join themselves. Opened from the compression dialog or from the
// panel's menu; OK stores the settings, and closing it in any way gives its
// opener back.

#include <QDialog>
#include <QPointer>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace ks {

class FrmInBox;
class PanelWindow;

enum class SplitOpener { Main, InBox };

class FrmJack : public QDialog {
  Q_OBJECT
 public:
  // Loads the window from the stored settings; showing it is the opener's part.
  FrmJack(PanelWindow* panel, FrmInBox* inBox);

  // The hidden opener field: "inbox" or "main".
  void SetOpener(SplitOpener opener);

  void done(int result) override;

 private:
  void BuildControls();
  void Load();
  void PresetSelected();
  void Confirm();

  QPointer<PanelWindow> panel_;
  QPointer<FrmInBox> inBox_;
  QListWidget* lstJack_ = nullptr;
  QLineEdit* txtJackSize_ = nullptr;
  QCheckBox* chkSfx_ = nullptr;
  QLineEdit* txtFrom_ = nullptr;
  QPushButton* cmdOk_ = nullptr;
  QPushButton* cmdCancel_ = nullptr;
  bool unloaded_ = false;
};

// Opens the window over the panel for `opener`. The compression dialog
// disables itself before; the panel is disabled here.
FrmJack* OpenFrmJack(PanelWindow* panel, SplitOpener opener, FrmInBox* inBox = nullptr);
// The loaded split settings window, or nullptr.
FrmJack* LoadedFrmJack();

}  // namespace ks
