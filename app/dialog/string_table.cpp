#include "app/dialog/string_table.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "app/dialog/resource_ids.h"
#include "app/host/program_texts.h"

namespace pictrove {

std::string LoadAppString(unsigned id) {
  switch (id) {
    case IDS_ABOUTBOX:
      return "&About Pictrove...";
    case IDS_APP_TITLE:
      return "Pictrove";
    case IDS_MULTIPLE_INSTANCES:
      return "You cannot run multiple instances of Pictrove!";
    case IDS_TOOLKIT_INIT_FAILED:
      return kToolkitStartFailureFormat;
    case IDS_LABEL_FORMAT:
      return "%s - %d of %d";
    case IDS_REGISTRY_KEY:
      return "Quillory";
    case IDS_NO_PREVIEWS:
      return "No bitmap previews have been found in the following folder:\n\n%s";
    case IDS_DISPLAY_DEPTH:
      return "Pictrove requires display settings to be set to High Colour (16 bit) or "
             "better.  Please adjust display settings.";
    case IDS_PREVIEW_SAVED:
      return "Bitmap preview saved!";
    case IDS_ALL_PREVIEWS_SAVED:
      return "All bitmap previews have been saved!";
    case IDS_CANNOT_OPEN:
      return "The following cannot be opened:\n\n%s\n\n%s";
    case IDS_VIEW_PREVIEW:
      return "&View Whole Preview\tF3";
    case IDS_VIEWER_TITLE:
      return "%s (%d x %d)";
    default:
      return std::string();
  }
}

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  const int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text;
  if (needed > 0) {
    std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
    std::vsnprintf(buffer.data(), buffer.size(), format, args);
    text.assign(buffer.data(), static_cast<std::size_t>(needed));
  }
  va_end(args);
  return text;
}

}  // namespace pictrove
