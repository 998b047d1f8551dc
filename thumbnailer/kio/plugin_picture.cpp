#include "thumbnailer/kio/plugin_picture.h"

#include <algorithm>
#include <cstdio>
#include <new>

#include "app/core/toolkit_session.h"
#include "thumbnailer/drawing_thumbnail.h"
#include "thumbnailer/kio/plugin_critical_error.h"
#include "thumbnailer/thumbnailer_options.h"
#include "toolkit/messages.h"

namespace pictrove::kio {
namespace {

// The toolkit keeps one context per process: started by the first thumbnail
// the worker asks for (a function-local static, so two threads cannot both
// start it) and never stopped. A worker ends by leaving the process, and
// stopping it then would only race a thumbnail still being made.
const ToolkitSession& Toolkit() {
  static const ToolkitSession* const session = [] {
    auto* started = new ToolkitSession();
    if (!started->started()) {
      std::fprintf(stderr, "pictrovethumbnail: the drawing toolkit did not start: %s (%d)\n",
                   ErrorText(started->error()), started->error());
    }
    return started;
  }();
  return *session;
}

// The one call into the core for a drawing's picture.
bool FitDrawingPicture(const std::string& path, std::uint32_t box, ThumbnailPicture& picture) {
  return MakeDrawingThumbnail(path, box, picture) == PictureResult::Made;
}

}  // namespace

bool MakePluginPicture(const std::string& path, std::uint32_t box, ThumbnailPicture& picture) {
  picture = ThumbnailPicture();
  if (box == 0) return false;
  try {
    if (!Toolkit().started()) return false;
    if (FitDrawingPicture(path, std::min(box, ThumbnailerOptions::kMaxSize), picture)) return true;
  } catch (const ToolkitGaveUp&) {
  } catch (const std::bad_alloc&) {
  }
  picture = ThumbnailPicture();
  return false;
}

}  // namespace pictrove::kio
