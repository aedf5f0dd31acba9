#include "platform/qt/QtPlatform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>
#include <QWidget>
#include <cstdio>
#include <cstdlib>

namespace ks {

void QtPlatform::MessageBox(const std::string& text, const std::string& title,
                            MessageStyle style) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  if (style == MessageStyle::Critical) icon = QMessageBox::Critical;
  if (style == MessageStyle::Information) icon = QMessageBox::Information;
  // Owned by the active window so that it opens above a top-most panel.
  QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text),
                  QMessageBox::Ok, QApplication::activeWindow());
  box.exec();
}

void QtPlatform::Beep() { QApplication::beep(); }

void QtPlatform::EndProgram() {
  // Ending "at once" means no window gets to run its closing code, which
  // would write the settings; flush what was printed and leave.
  std::fflush(nullptr);
  std::_Exit(0);
}

void QtPlatform::SetTopMost(WindowHandle window, bool topMost) {
  auto* widget = static_cast<QWidget*>(window);
  if (!widget) return;
  widget->setAttribute(Qt::WA_ShowWithoutActivating, true);
  const bool current = widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
  if (current == topMost) {
    // Already in the band: bring it to the front of it, as a re-stack would.
    if (widget->isVisible()) widget->raise();
    return;
  }
  const bool visible = widget->isVisible();
  // Changing a window flag re-creates the native window and hides it.
  widget->setWindowFlag(Qt::WindowStaysOnTopHint, topMost);
  if (visible) widget->show();
}

void QtPlatform::OpenFolder(const std::string& folder) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

void QtPlatform::OpenAddress(const std::string& address) {
  QDesktopServices::openUrl(QUrl(QString::fromStdString(address), QUrl::TolerantMode));
}

std::string QtPlatform::DesktopFolder() { return XdgDesktopFolder(); }

std::string QtPlatform::ShortPathName(const std::string& path) { return path; }

}  // namespace ks
