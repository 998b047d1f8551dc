// What start-up asks of the desktop: the display's depth, a message box,
// the settings location and the main dialog.
#pragma once

#include <string>

namespace pictrove {

class StartupHost {
 public:
  virtual ~StartupHost() = default;
  // Bits per pixel of the screen.
  virtual int ScreenBitsPerPixel() = 0;
  // A message box with the application's caption (MB_ styles); the button
  // chosen.
  virtual int MessageBox(const std::string& text, unsigned style) = 0;
  // Settings go under this company's key from now on.
  virtual void SetRegistryKey(const std::string& company) = 0;
  // Constructs the main dialog and runs it modally to its end.
  virtual void RunMainDialog() = 0;
};

}  // namespace pictrove
