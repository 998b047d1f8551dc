// Start-up's desktop services in Qt: the primary screen's depth, message
// boxes, the settings location, and the main dialog in a PreviewWindow.
//
// Qt draws nothing on a screen of fewer than 16 bits per pixel, so a message
// box there would wait unseen: on such a screen messages go to standard
// error instead.
#pragma once

#include <QString>
#include <string>

#include "app/dialog/startup_host.h"

namespace pictrove {

class QtStartupHost : public StartupHost {
 public:
  int ScreenBitsPerPixel() override;
  int MessageBox(const std::string& text, unsigned style) override;
  void SetRegistryKey(const std::string& company) override;
  void RunMainDialog() override;

  // The folder or drawing the dialog opens as soon as it is shown.
  void setOpenPath(const std::string& path) { openPath_ = path; }

 private:
  QString organization_;
  std::string openPath_;
  bool screenDrawable_ = true;
};

}  // namespace pictrove
