#include "platform/qt/QtPlatform.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>
#include <QWidget>
#include <QWindow>
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
  widget = widget->window();
  const bool current = widget->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
  if (current != topMost) {
    // QWidget::setWindowFlag would destroy and re-create a shown native
    // window (the taskbar entry flickers and the window pops up again above
    // others). The widget's own copy of the flags is updated silently and the
    // existing native window is told its new band, which the window manager
    // applies in place.
    const Qt::WindowFlags flags = widget->windowFlags().setFlag(Qt::WindowStaysOnTopHint, topMost);
    widget->overrideWindowFlags(flags);
    if (QWindow* native = widget->windowHandle()) native->setFlags(flags);
  }
  // Entering the top-most band, or asking for it again, puts the window at
  // the front of that band; stepping down to the normal band never raises.
  if (topMost && widget->isVisible()) widget->raise();
}

void QtPlatform::ActivateWindow(WindowHandle window) {
  auto* widget = static_cast<QWidget*>(window);
  if (!widget) return;
  widget = widget->window();
  if (!widget->isVisible()) return;
  widget->raise();
  widget->activateWindow();
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
