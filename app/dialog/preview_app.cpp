#include "app/dialog/preview_app.h"

#include "app/dialog/resource_ids.h"
#include "app/dialog/startup_host.h"
#include "app/dialog/string_table.h"
#include "platform/gdi.h"
#include "platform/message_box.h"
#include "platform/thread_slot.h"

namespace pictrove {

PreviewApp::PreviewApp(StartupHost& host) : host_(host) {}

PreviewApp::~PreviewApp() {
  if (m_hMutex != nullptr) CloseNamedLock(m_hMutex);
}

int ModelledScreenDepth(int bitsPerPixel) {
  if (bitsPerPixel <= 16) return 16;
  if (bitsPerPixel <= 24) return 24;
  return 32;
}

BOOL PreviewApp::InitInstance() {
  const std::string title = LoadAppString(IDS_APP_TITLE);
  m_hMutex = CreateNamedLock(title.c_str());
  // Without a lock (no usable folder, no locking) start-up goes on
  // unprotected.
  if (m_hMutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS) {
    host_.MessageBox(LoadAppString(IDS_MULTIPLE_INSTANCES), MB_ICONINFORMATION | MB_OK);
    return FALSE;
  }

  const int bitsPerPixel = host_.ScreenBitsPerPixel();
  if (bitsPerPixel < 16) {
    host_.MessageBox(LoadAppString(IDS_DISPLAY_DEPTH), MB_ICONERROR | MB_OK);
    return FALSE;
  }
  // Device bitmaps keep the screen's colour precision, so saved thumbnails
  // hold the colours shown.
  SetScreenBitsPerPixel(ModelledScreenDepth(bitsPerPixel));

  host_.SetRegistryKey(LoadAppString(IDS_REGISTRY_KEY));
  host_.RunMainDialog();
  return FALSE;
}

}  // namespace pictrove
