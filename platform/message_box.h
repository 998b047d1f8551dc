// The application's message box, as the toolkit glue calls it. The desktop
// application installs the real dialog with SetMessageBoxHandler; without
// one, the text goes to standard error and the box answers at once.
#pragma once

#include <functional>
#include <string>

#include "platform/win_types.h"

// Buttons (low four bits of the style).
constexpr UINT MB_OK = 0x00;
constexpr UINT MB_RETRYCANCEL = 0x05;
constexpr UINT MB_TYPEMASK = 0x0F;
// Icons.
constexpr UINT MB_ICONERROR = 0x10;
constexpr UINT MB_ICONEXCLAMATION = 0x30;
constexpr UINT MB_ICONINFORMATION = 0x40;

// Answers.
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDRETRY = 4;

// Shows the text with the buttons and icon of the style; returns the button
// chosen.
using MessageBoxHandler = std::function<int(const std::string& text, UINT style)>;

// Installs the handler every message box goes to; an empty handler restores
// the default.
void SetMessageBoxHandler(MessageBoxHandler handler);

// Shows a message box. Without a handler: writes the text to standard error
// and answers IDCANCEL for a Retry/Cancel box, IDOK otherwise.
int AfxMessageBox(const std::string& text, UINT style);

// AfxMessageBox for paths that must neither allocate nor throw, such as
// reporting that memory is exhausted. Without a handler it writes the text
// to standard error with no allocation at all and answers as AfxMessageBox
// does. With one, the handler gets the text as usual (which needs a copy);
// if that copy or the handler throws, the text goes to standard error and
// the default answer comes back.
int AfxMessageBoxNoThrow(const char* text, UINT style) noexcept;
