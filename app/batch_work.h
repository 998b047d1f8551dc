// The command line's work over a folder's drawings, streamed: each drawing
// is read, and for an export its thumbnail made and saved, on all cores,
// while lines come out in name order as each is known. Nothing is kept from
// one drawing to the next, so memory does not grow with the folder.
#pragma once

#include <cstddef>
#include <ostream>
#include <vector>

#include "app/core/drawing_search.h"

namespace pictrove {

struct BatchResult {
  std::size_t previews = 0;  // drawings that have a preview
  std::size_t failed = 0;    // of those, how many were not saved
};

// One line per drawing with a preview: name, tab, the preview's width x
// height as its header states, tab, BMP or PNG ("-" when neither).
BatchResult ListPreviews(const std::vector<FoundFile>& drawings, int threads, std::ostream& out);

// Saves every preview's thumbnail beside its drawing in output format
// `type`: the path of each written file to `out`, "path: reason" for each
// failure to `err`.
BatchResult ExportPreviews(const std::vector<FoundFile>& drawings, int type, int threads,
                           std::ostream& out, std::ostream& err);

}  // namespace pictrove
