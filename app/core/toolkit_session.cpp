#include "app/core/toolkit_session.h"

#include "app/host/init_data_stream.h"
#include "imaging/tessera.h"
#include "toolkit/startup.h"

namespace pictrove {

std::int16_t ToolkitSession::StartWithEmbeddedInitData(std::int16_t* error) {
  InstallToolkitHooks();
  return ToolkitStart(nullptr, error);
}

ToolkitSession::ToolkitSession(Starter start) {
  std::int16_t error = 0;
  started_ = start(&error) != 0;
  error_ = started_ ? 0 : error;
}

ToolkitSession::~ToolkitSession() { Stop(); }

void ToolkitSession::Stop() {
  if (!started_) return;
  started_ = false;
  ToolkitStop();
  tsCleanup();
}

}  // namespace pictrove
