// Writing a thumbnail to its output file so that the file only ever holds a
// whole PNG picture, or stays as it was.
//
// The picture goes to a new temporary file beside the output (same folder,
// so the rename cannot cross file systems) and is renamed over the output
// once it is written and closed; on any failure, and on SIGHUP, SIGINT or
// SIGTERM while it is written, the temporary file is removed again.
#pragma once

#include <string>

#include "thumbnailer/thumbnail_picture.h"

namespace pictrove {

enum class PngWriteResult {
  Written,
  CannotCreate,  // no temporary file could be made in the output's folder
  WriteFailed,   // encoding, writing, closing or the rename failed
};

// Writes the picture (8 bits per sample, no alpha) as a PNG file to
// `output`, whatever its name ends with. The file gets the permissions the
// process's umask leaves of 0666, as a newly created file would.
PngWriteResult WritePngReplacing(const std::string& output, const ThumbnailPicture& picture);

// Where the temporary files for `output` are made: its folder ("." for a
// bare name) and the name prefix they share.
std::string TemporaryPrefixFor(const std::string& output);

}  // namespace pictrove
