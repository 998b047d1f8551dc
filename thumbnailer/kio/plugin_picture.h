// The plugin's way into the core, without Qt: the toolkit for the life of
// the worker process, and a drawing's thumbnail picture.
#pragma once

#include <cstdint>
#include <string>

#include "thumbnailer/thumbnail_picture.h"

namespace pictrove::kio {

// The preview of the drawing at `path` as the thumbnailer program makes it
// with `-s box`: fitted into box x box (a box above the program's largest
// is taken as that), never enlarged, area-averaged, alpha over white.
// Starts the toolkit on the first call. False, with `picture` empty, when
// the drawing gives no thumbnail or the toolkit does not start; never ends
// the process.
bool MakePluginPicture(const std::string& path, std::uint32_t box, ThumbnailPicture& picture);

}  // namespace pictrove::kio
