#pragma once
// The result window shared by the check, extraction and compression: one
// list of result lines in a fixed-pitch font and a close button. It is
// created on first use and destroyed when closed; closing it, in any way,
// gives the panel back (stacking from chkTop, then enabled).

#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <string>

class QListWidget;
class QPushButton;

namespace ks {

class PanelWindow;

class FrmChk : public QDialog {
  Q_OBJECT
 public:
  explicit FrmChk(PanelWindow* panel);

  void SetCaption(const std::string& caption);
  void Clear();
  void AddLine(const std::string& line);
  // Replaces the last line; adds it when the list is empty.
  void ReplaceLastLine(const std::string& line);
  QStringList Lines() const;
  // Shows the window without blocking.
  void ShowWindow();
  // Closes and destroys the window, as the close button does.
  void Unload();

  void done(int result) override;

 protected:
  void resizeEvent(QResizeEvent* e) override;

 private:
  friend FrmChk* TheFrmChk(PanelWindow* panel);
  void ApplyLayout();

  QPointer<PanelWindow> panel_;
  QListWidget* lstChk_ = nullptr;
  QPushButton* cmdClose_ = nullptr;
  bool unloaded_ = false;
};

// The loaded result window, created over `panel` when there is none.
FrmChk* TheFrmChk(PanelWindow* panel);
// The loaded result window, or nullptr.
FrmChk* LoadedFrmChk();
// Unloads the result window if one is loaded.
void UnloadFrmChk();
// The result window for a run that reports at its end: hidden, captioned,
// emptied and centred over the panel; the run shows or unloads it.
FrmChk* PrepareFrmChk(PanelWindow* panel, const std::string& caption);

}  // namespace ks
