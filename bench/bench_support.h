// What several benchmarks share: a scratch folder, the drawing with the
// largest preview, and one timed run of the thumbnailer program.
#pragma once

#include <string>

#include "tests/support/temp_dir.h"

namespace benchsupport {

// A folder under $TMPDIR (or /tmp) for the benchmarks' files, removed at exit.
const testsupport::TempDir& Scratch();

// r2010-large-preview.dwg from the shared drawings (672 x 448 at 8 bits), or
// a generated drawing of that shape when the folder is absent.
const std::string& LargePreviewDrawing();

// Runs `program -s SIZE INPUT OUTPUT` once, quietly, with an empty
// environment; its wall time in seconds. Throws when it cannot start or
// does not succeed.
double RunThumbnailerOnce(const std::string& program, const std::string& size, const std::string& input,
                          const std::string& output);

}  // namespace benchsupport
