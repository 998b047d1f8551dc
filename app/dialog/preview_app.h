// The application object: decides whether the program may run (one
// instance per user session, a display of at least 16 bits per pixel), then
// runs the main dialog.
#pragma once

#include "platform/instance_lock.h"
#include "platform/win_types.h"

namespace pictrove {

class StartupHost;

class PreviewApp {
 public:
  explicit PreviewApp(StartupHost& host);
  // Releases the instance lock.
  ~PreviewApp();
  PreviewApp(const PreviewApp&) = delete;
  PreviewApp& operator=(const PreviewApp&) = delete;

  // Runs the program; always FALSE, so that no message loop follows.
  BOOL InitInstance();

  // The single-instance lock, held for the life of the process.
  NamedLock* m_hMutex = nullptr;

 private:
  StartupHost& host_;
};

// The depth the graphics stand-in models for a screen of `bitsPerPixel`:
// 16, 24 or 32.
int ModelledScreenDepth(int bitsPerPixel);

}  // namespace pictrove
