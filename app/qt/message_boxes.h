// Message boxes with the application's caption, in Qt.
#pragma once

#include <string>

class QWidget;

namespace pictrove {

// Shows `text` modally with the buttons (OK, or Retry and Cancel) and the
// icon of the MB_ `style`; returns IDOK, IDRETRY or IDCANCEL.
// Must run on the user-interface thread.
int ShowMessageBox(QWidget* parent, const std::string& text, unsigned style);

// Routes the application's message boxes (those the toolkit raises too) to
// ShowMessageBox. A box requested from another thread is shown on the
// user-interface thread while the requesting thread waits for the answer.
void InstallQtMessageBoxHandler();

}  // namespace pictrove
