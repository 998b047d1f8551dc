#include "app/core/save_thumbnail.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "app/core/output_format.h"
#include "app/core/replace_file.h"

namespace pictrove {
namespace {

SaveOutcome Failed(SaveOutcome outcome, SaveStatus status, int systemError,
                   const char* refusal = nullptr) {
  outcome.status = status;
  outcome.systemError = systemError;
  outcome.refusal = refusal;
  return outcome;
}

}  // namespace

SaveOutcome SaveBatch::Save(const std::string& output, const std::string& drawingPath, OutputFormat type,
                            const EncodedThumbnail* encoded) {
  try {
    return Write(output, drawingPath, type, encoded);
  } catch (const std::bad_alloc&) {
    return OutOfMemoryOutcome();
  }
}

SaveOutcome SaveBatch::Write(const std::string& output, const std::string& drawingPath, OutputFormat type,
                             const EncodedThumbnail* encoded) {
  SaveOutcome outcome;
  if (OutputFormatText(type) == nullptr) return Failed(outcome, SaveStatus::NoFormat, 0);
  outcome.path = output;
  if (encoded == nullptr) return Failed(outcome, SaveStatus::NoPicture, 0);

  // Only an image file, or a link, may be replaced: never a folder, FIFO or
  // device of that name, nor the drawing itself. A link is replaced by the
  // new file; what it points to is never written.
  struct stat target {};
  const bool exists = lstat(output.c_str(), &target) == 0;
  if (exists) {
    if (S_ISDIR(target.st_mode)) return Failed(outcome, SaveStatus::CannotCreate, EISDIR);
    if (!S_ISREG(target.st_mode) && !S_ISLNK(target.st_mode)) {
      return Failed(outcome, SaveStatus::CannotCreate, 0, "not a regular file");
    }
    struct stat pointed {};
    struct stat drawing {};
    if (stat(output.c_str(), &pointed) == 0 && stat(drawingPath.c_str(), &drawing) == 0 &&
        drawing.st_dev == pointed.st_dev && drawing.st_ino == pointed.st_ino)
      return Failed(outcome, SaveStatus::CannotCreate, 0, "it is the drawing itself");
    if (written_.count({target.st_dev, target.st_ino}) != 0)
      return Failed(outcome, SaveStatus::WouldReplace, 0);
    // An image its owner made read-only, or another user's, stays: the
    // rename needs only the folder's permission, but writing into the image
    // was never allowed.
    if (S_ISREG(target.st_mode) && access(output.c_str(), W_OK) != 0)
      return Failed(outcome, SaveStatus::CannotCreate, errno);
  }
  // A writer that failed leaves everything as it was.
  if (!encoded->ok) return Failed(outcome, SaveStatus::WriteFailed, encoded->systemError);

  // An image that is replaced reaches the disk before it takes the old
  // one's place, so that a crash cannot lose both; a new one need not wait.
  const ReplaceResult replaced = ReplaceFile(output, encoded->bytes, exists);
  if (replaced.systemError != 0) {
    return Failed(outcome, replaced.created ? SaveStatus::WriteFailed : SaveStatus::CannotCreate,
                  replaced.systemError);
  }
  // A file that failed holds nothing worth keeping from a later drawing.
  // Without memory to remember it, the file is saved all the same.
  try {
    written_.insert({replaced.made.st_dev, replaced.made.st_ino});
  } catch (const std::bad_alloc&) {
  }
  outcome.status = SaveStatus::Written;
  return outcome;
}

SaveOutcome SaveThumbnail(const std::string& drawingPath, OutputFormat type, const std::string& extension,
                          const std::uint8_t* pixels, std::uint32_t width, std::uint32_t height) {
  if (OutputFormatText(type) == nullptr || extension.empty()) {
    return SaveOutcome{SaveStatus::NoFormat, std::string(), 0};
  }
  try {
    const EncodedThumbnail encoded = EncodeThumbnail(type, pixels, width, height);
    SaveBatch single;
    return single.Save(OutputPathFor(drawingPath, extension), drawingPath, type,
                       pixels == nullptr ? nullptr : &encoded);
  } catch (const std::bad_alloc&) {
    return OutOfMemoryOutcome();
  }
}

}  // namespace pictrove
