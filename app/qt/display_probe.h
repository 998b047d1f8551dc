// Whether the X display the dialog would use can be reached, asked before
// Qt is started: Qt's own start on an unreachable display ends the program
// with an abort and a message about platform plugins.
#pragma once

#include <string>

namespace pictrove {

// When Qt would use X (QT_QPA_PLATFORM unset or "xcb...", and no Wayland
// session to try first), connects to $DISPLAY and disconnects again. True
// when the display answered or another platform will be used; otherwise
// false with `problem` saying why.
bool XDisplayReachable(std::string& problem);

// Turns a fatal message from Qt while the application object is being made
// (no platform plugin could start) into a message on standard error and
// exit code 1, instead of an abort. Undone when the guard ends.
class QtStartGuard {
 public:
  QtStartGuard();
  ~QtStartGuard();
  QtStartGuard(const QtStartGuard&) = delete;
  QtStartGuard& operator=(const QtStartGuard&) = delete;
};

}  // namespace pictrove
