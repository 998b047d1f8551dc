#include "app/qt/display_probe.h"

#include <xcb/xcb.h>

#include <QString>
#include <QtGlobal>
#include <cstdlib>
#include <iostream>

namespace pictrove {
namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value == nullptr ? std::string() : value;
}

const char* ConnectionErrorText(int error) {
  switch (error) {
    case XCB_CONN_CLOSED_EXT_NOTSUPPORTED:
      return "an extension it needs is missing";
    case XCB_CONN_CLOSED_MEM_INSUFFICIENT:
      return "out of memory";
    case XCB_CONN_CLOSED_PARSE_ERR:
      return "the display name cannot be read";
    case XCB_CONN_CLOSED_INVALID_SCREEN:
      return "the display has no such screen";
    default:
      return "no X server answers there, or it refused the connection";
  }
}

QtMessageHandler previousHandler = nullptr;

void FatalToExit(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    if (previousHandler != nullptr) previousHandler(type, context, message);
    return;
  }
  std::cerr << "pictrove: the dialog cannot start: " << message.section(QLatin1Char('\n'), 0, 0).toStdString()
            << "\nThe same work runs headless, for example: pictrove --export FOLDER\n";
  std::cerr.flush();
  std::_Exit(1);
}

}  // namespace

bool XDisplayReachable(std::string& problem) {
  const std::string platform = Env("QT_QPA_PLATFORM");
  if (!platform.empty() && platform.rfind("xcb", 0) != 0) return true;
  // Qt tries Wayland first in a Wayland session; that is its own affair.
  if (platform.empty() && !Env("WAYLAND_DISPLAY").empty()) return true;
  const std::string display = Env("DISPLAY");
  int screen = 0;
  xcb_connection_t* connection = xcb_connect(display.empty() ? nullptr : display.c_str(), &screen);
  const int error = xcb_connection_has_error(connection);
  xcb_disconnect(connection);
  if (error == 0) return true;
  problem = "cannot open the X display '" + display + "': " + ConnectionErrorText(error);
  return false;
}

QtStartGuard::QtStartGuard() { previousHandler = qInstallMessageHandler(FatalToExit); }

QtStartGuard::~QtStartGuard() {
  qInstallMessageHandler(previousHandler);
  previousHandler = nullptr;
}

}  // namespace pictrove
