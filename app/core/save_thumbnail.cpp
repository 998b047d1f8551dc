#include "app/core/save_thumbnail.h"

#include <sys/stat.h>

#include "app/core/output_format.h"
#include "app/core/stream_handles.h"
#include "imaging/tessera.h"

namespace pictrove {
namespace {

// Whether writing `output` can only create or replace an image file: a
// folder, FIFO, device or the drawing itself (through a link) under that
// name must not be opened for writing.
bool SafeToWrite(const std::string& output, const std::string& drawing) {
  struct stat target {};
  if (stat(output.c_str(), &target) != 0) return true;  // does not exist yet
  if (!S_ISREG(target.st_mode)) return false;
  struct stat source {};
  if (stat(drawing.c_str(), &source) == 0 && source.st_dev == target.st_dev &&
      source.st_ino == target.st_ino)
    return false;
  return true;
}

}  // namespace

SaveOutcome SaveThumbnail(const std::string& drawingPath, int type, const std::string& extension,
                          const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height) {
  SaveOutcome outcome;
  if (OutputFormatText(type) == nullptr || extension.empty()) {
    outcome.status = SaveStatus::NoFormat;
    return outcome;
  }
  outcome.path = OutputPathFor(drawingPath, extension);
  if (pixels == nullptr) {
    outcome.status = SaveStatus::NoPicture;
    return outcome;
  }
  if (!SafeToWrite(outcome.path, drawingPath)) {
    outcome.status = SaveStatus::CannotCreate;
    return outcome;
  }
  SinkHandle sink(tsOpenFileSink(outcome.path.c_str()));
  if (sink == nullptr) {
    outcome.status = SaveStatus::CannotCreate;
    return outcome;
  }
  const std::uint32_t written = WriteThumbnail(type, sink.get(), pixels, width, height);
  const std::uint32_t closed = tsCloseSink(sink.release());
  outcome.status = written != 0 && closed != 0 ? SaveStatus::Written : SaveStatus::WriteFailed;
  return outcome;
}

}  // namespace pictrove
