// Support for tests of the Qt widgets: one QApplication per test program
// (offscreen unless a platform is set), a private settings folder, and a way
// to act on the next modal window from inside the nested event loop that
// shows it.
#pragma once

#include <QWidget>
#include <functional>
#include <string>

namespace apptest {

// Runs `action` once on the next modal window that becomes active (and that
// `accepts`, when given).
void WhenModal(std::function<void(QWidget*)> action,
               std::function<bool(QWidget*)> accepts = nullptr);

// Answers the next message box by clicking its default button; stores its
// text.
void AcceptNextMessageBox(std::string* text);

}  // namespace apptest
