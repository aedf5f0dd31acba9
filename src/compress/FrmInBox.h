#pragma once
// The compression dialog "圧縮": the archive format, the archive's name, the
// split option and the libraries' settings. It opens over a disabled panel
// without blocking; closing it in any way (キャンセル, Esc, the close box, or
// the run when it is done) gives the panel back.

#include <QDialog>
#include <QPointer>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace ks {

class PanelWindow;

class FrmInBox : public QDialog {
  Q_OBJECT
 public:
  // Builds and loads the dialog from the settings and the current drop;
  // placing and showing it is the opener's part.
  explicit FrmInBox(PanelWindow* panel);

  PanelWindow* Panel() const { return panel_; }

  // What the compression run reads.
  std::string ArcNameText() const;
  bool ArcNameEnabled() const;
  // The selected entry of lstArc; "" when none is selected.
  std::string SelectedEntry() const;
  bool JackChecked() const;
  bool AfterJackEnabledAndChecked() const;
  std::string JackSizeText() const;
  void ClearArcName();

  // The split settings window confirmed from this dialog.
  void SetSplitSummary(const std::string& summary, const std::string& sizeText);

  // Selects the entry with this text, or none when the list lacks it.
  void SelectEntry(const std::string& entry);

  // Closes and destroys the dialog, as キャンセル does.
  void Unload();
  void done(int result) override;

 protected:
  void closeEvent(QCloseEvent* e) override;

 private:
  void BuildControls();
  void Load();
  void EntrySelected();
  void JackClicked();
  void ShowLibrarySettings();
  void OpenSplitSettings();
  void StartCompression();

  QPointer<PanelWindow> panel_;
  QLabel* lblType1_ = nullptr;
  QPushButton* cmdConf_ = nullptr;
  QListWidget* lstArc_ = nullptr;
  QCheckBox* chkJack_ = nullptr;
  QPushButton* cmdConf2_ = nullptr;
  QLabel* lblJack_ = nullptr;
  QCheckBox* chkAfterJack_ = nullptr;
  QLabel* lblArcName_ = nullptr;
  QLineEdit* cboArcName_ = nullptr;
  QPushButton* cmdCompress_ = nullptr;
  QPushButton* cmdCancel_ = nullptr;
  QLabel* lblJackSize_ = nullptr;
  bool unloaded_ = false;
};

// Loads the dialog over `panel` and shows it without blocking; the panel is
// disabled meanwhile. Returns the loaded dialog.
FrmInBox* OpenInBox(PanelWindow* panel);
// The loaded compression dialog, or nullptr.
FrmInBox* LoadedInBox();

}  // namespace ks
