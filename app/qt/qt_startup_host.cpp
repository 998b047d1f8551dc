#include "app/qt/qt_startup_host.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <iostream>

#include "app/dialog/preview_dialog.h"
#include "app/qt/message_boxes.h"
#include "app/qt/preview_window.h"
#include "app/qt/qt_settings_store.h"
#include "platform/message_box.h"

namespace pictrove {

int QtStartupHost::ScreenBitsPerPixel() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int depth = screen == nullptr ? 0 : screen->depth();
  screenDrawable_ = depth >= 16;
  return depth;
}

int QtStartupHost::MessageBox(const std::string& text, unsigned style) {
  if (!screenDrawable_) {
    std::cerr << text << std::endl;
    return IDOK;
  }
  return ShowMessageBox(nullptr, text, style);
}

void QtStartupHost::SetRegistryKey(const std::string& company) {
  organization_ = QString::fromStdString(company);
  QCoreApplication::setOrganizationName(organization_);
}

void QtStartupHost::RunMainDialog() {
  QtSettingsStore settings(organization_, QCoreApplication::applicationName());
  PreviewWindow window(settings);
  PreviewDialog dialog(window);
  window.attach(&dialog);
  dialog.DoModal(openPath_);
  window.attach(nullptr);
}

}  // namespace pictrove
