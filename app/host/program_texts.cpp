#include "app/host/program_texts.h"

#include <cstdio>

#include "toolkit/messages.h"

namespace pictrove {

std::string ToolkitStartFailureText(std::int16_t error) {
  const char* message = ErrorText(error);
  if (message == nullptr) message = "";
  const int needed = std::snprintf(nullptr, 0, kToolkitStartFailureFormat, static_cast<int>(error), message);
  if (needed <= 0) return std::string();
  std::string text(static_cast<std::size_t>(needed) + 1, '\0');
  std::snprintf(text.data(), text.size(), kToolkitStartFailureFormat, static_cast<int>(error), message);
  text.resize(static_cast<std::size_t>(needed));
  return text;
}

const char* ProductVersion() { return PICTROVE_VERSION; }

std::string ProductVersionText() { return std::string("Pictrove Version ") + PICTROVE_SHORT_VERSION; }

}  // namespace pictrove
