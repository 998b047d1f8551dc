// Writing a thumbnail to its output file so that the file only ever holds a
// whole PNG picture, or stays as it was.
//
// The picture is encoded in memory first; nothing is touched when that
// fails. A new output then goes to a temporary file beside it (same folder,
// so the rename cannot cross file systems) that is renamed into place once
// written and closed; on any failure, and on SIGHUP, SIGINT or SIGTERM
// while it is written, the temporary file is removed again.
//
// An output that exists as a regular file is written in place instead, in
// one go: a thumbnail service that made the file itself (tumbler does) reads
// the result through the descriptor it holds, which a rename would leave on
// the old, empty file. Should that write fail, the file is emptied again.
// A symbolic link, or a file that has other names too (hard links), is
// never written through: the new file replaces that name alone.
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
// `output`, whatever its name ends with. A new file gets the permissions the
// process's umask leaves of 0666; an existing one keeps its own. A symbolic
// link or a hard link at `output` is replaced, not written through.
PngWriteResult WritePngReplacing(const std::string& output, const ThumbnailPicture& picture);

// Where the temporary files for `output` are made: its folder ("." for a
// bare name) and the name prefix they share.
std::string TemporaryPrefixFor(const std::string& output);

}  // namespace pictrove
