// The command line's work over a folder's drawings, streamed: each drawing
// is read, and for an export its thumbnail made and saved, on several
// threads, while lines come out in name order as each is known. Where
// reading waits on the storage (a disk, a share), more drawings are read at
// once than there are cores; decoding and encoding keep to the cores. Nothing is kept from one
// drawing to the next, so memory does not grow with the folder.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <vector>

#include "app/core/drawing_search.h"
#include "app/core/output_format.h"

namespace pictrove {

class ProgressLine;

// How many threads a run uses: `reading` drawings are read at once where
// the first drawings' reads waited on the storage (otherwise `working`),
// and of those `working` at most decode, compose and encode at once (or
// read a preview larger than kKeptPreviewBytes). The others each hold at
// most kKeptPreviewBytes of preview while they wait.
struct BatchThreads {
  int reading = 1;
  int working = 1;
};

struct BatchResult {
  std::size_t previews = 0;  // drawings that have a preview
  std::size_t failed = 0;    // of those, how many were not saved
  std::size_t unreadable = 0;  // drawings whose reads failed (reported as such)
};

// One line per drawing with a preview: name, tab, the preview's width x
// height as its header states, tab, BMP or PNG ("-" when neither). A
// drawing that cannot be read is named on `err` with the system's reason,
// and the others are listed all the same.
BatchResult ListPreviews(const std::vector<FoundFile>& drawings, BatchThreads threads, std::ostream& out,
                         std::ostream& err);

struct ExportOptions {
  // Where the images go: "" beside each drawing; otherwise this folder,
  // with each drawing's name (a path relative to the scanned folder) below
  // it, its folders made as needed.
  std::string outputFolder;
  // The counter on a terminal, advanced once per drawing; the lines to
  // standard error are printed above it.
  ProgressLine* progress = nullptr;
  // Standard output is the counter's terminal too: its lines are printed
  // above the counter as well.
  bool outputOnTerminal = false;
};

// Saves every preview's thumbnail in `format`: the path of each written
// file to `out`, "path: reason" for each failure to `err`, and
// "pictrove: NAME: cannot read (REASON)" for each drawing that cannot be
// read.
BatchResult ExportPreviews(const std::vector<FoundFile>& drawings, OutputFormat format, BatchThreads threads,
                           std::ostream& out, std::ostream& err, const ExportOptions& options = {});

}  // namespace pictrove
