// pictrove-thumbnailer [-s SIZE] INPUT OUTPUT: the preview of a drawing as a
// PNG thumbnail, as the desktop's thumbnail services call it (see
// share/thumbnailers/pictrove.thumbnailer).
//
// It runs inside their sandbox: it reads the drawing and writes the output's
// folder, and nothing else: no settings, no lock, no display, no files of
// its own. Toolkit messages, critical errors among them, go to standard
// error; nobody is there to answer them.
//
// Its texts go out through stdio: the C++ streams would set up their
// locales at every start, which costs a run that fails at once a tenth of
// its time.
#include <malloc.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "app/core/toolkit_session.h"
#include "app/host/critical_error.h"
#include "thumbnailer/drawing_thumbnail.h"
#include "thumbnailer/png_replace.h"
#include "thumbnailer/thumbnailer_options.h"

namespace {

using pictrove::ThumbnailerOptions;

// Writes `text` to `stream` in one go; false when it could not be written.
bool Print(std::FILE* stream, const std::string& text) {
  return std::fwrite(text.data(), 1, text.size(), stream) == text.size() && std::fflush(stream) == 0;
}

void Complain(const std::string& text) { Print(stderr, "pictrove-thumbnailer: " + text + "\n"); }

int Thumbnail(const ThumbnailerOptions& options) {
  pictrove::ThumbnailPicture thumbnail;
  {
    const pictrove::ToolkitSession toolkit;
    if (!toolkit.started()) {
      Complain(pictrove::ToolkitStartFailureText(toolkit.error()));
      return ThumbnailerOptions::kExitToolkitFailed;
    }
    int readError = 0;
    const pictrove::PictureResult result =
        pictrove::MakeDrawingThumbnail(options.input, options.size, thumbnail, &readError);
    if (result != pictrove::PictureResult::Made) {
      std::string text = options.input + ": " + pictrove::PictureResultText(result);
      if (readError != 0) text += std::string(" (") + std::strerror(readError) + ")";
      Complain(text);
      return ThumbnailerOptions::kExitNoThumbnail;
    }
  }
  switch (pictrove::WritePngReplacing(options.output, thumbnail)) {
    case pictrove::PngWriteResult::Written:
      return ThumbnailerOptions::kExitOk;
    case pictrove::PngWriteResult::CannotCreate:
      Complain(options.output + ": cannot create a file in its folder");
      break;
    case pictrove::PngWriteResult::WriteFailed:
      Complain(options.output + ": cannot write the thumbnail");
      break;
  }
  return ThumbnailerOptions::kExitWriteFailed;
}

// Every page the process touches for the first time costs a fault, and a
// thumbnail's run is short enough for those to count. Memory freed on the
// way (the preview's bytes, then the decoded picture) is kept in the heap,
// so that the scaled rows and the PNG encoder reuse it instead of mapping
// fresh pages.
void KeepFreedMemory() {
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
}

}  // namespace

int main(int argc, char** argv) {
  KeepFreedMemory();
  // A drawing that cannot be read is no thumbnail, told on standard error.
  FailUnreadableFiles(true);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  const ThumbnailerOptions options = pictrove::ParseThumbnailerOptions(arguments);
  switch (options.mode) {
    case ThumbnailerOptions::Mode::Help:
      return Print(stdout, pictrove::ThumbnailerUsageText()) ? ThumbnailerOptions::kExitOk
                                                              : ThumbnailerOptions::kExitWriteFailed;
    case ThumbnailerOptions::Mode::Version:
      return Print(stdout, pictrove::ThumbnailerVersionText() + "\n")
                 ? ThumbnailerOptions::kExitOk
                 : ThumbnailerOptions::kExitWriteFailed;
    case ThumbnailerOptions::Mode::Invalid:
      Print(stderr, "pictrove-thumbnailer: " + options.error + "\n" + pictrove::ThumbnailerUsageText());
      return ThumbnailerOptions::kExitUsage;
    case ThumbnailerOptions::Mode::Thumbnail:
      break;
  }
  try {
    return Thumbnail(options);
  } catch (const std::bad_alloc&) {
    Complain("out of memory");
    return ThumbnailerOptions::kExitNoThumbnail;
  }
}
