#include "app/core/save_thumbnail.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>

#include "app/core/output_format.h"

namespace pictrove {
namespace {

// Writes every byte, going on after interruptions; the errno of a failure.
int WriteAll(int descriptor, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = write(descriptor, bytes.data() + done, bytes.size() - done);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += static_cast<std::size_t>(wrote);
  }
  return 0;
}

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
    return SaveOutcome{SaveStatus::WriteFailed, std::string(), ENOMEM};
  }
}

SaveOutcome SaveBatch::Write(const std::string& output, const std::string& drawingPath, OutputFormat type,
                             const EncodedThumbnail* encoded) {
  SaveOutcome outcome;
  if (OutputFormatText(type) == nullptr) return Failed(outcome, SaveStatus::NoFormat, 0);
  outcome.path = output;
  if (encoded == nullptr) return Failed(outcome, SaveStatus::NoPicture, 0);

  // Only an image file may be created or replaced: never a folder, FIFO or
  // device of that name, nor the drawing itself through a link.
  struct stat target {};
  if (stat(output.c_str(), &target) == 0) {
    if (S_ISDIR(target.st_mode)) return Failed(outcome, SaveStatus::CannotCreate, EISDIR);
    if (!S_ISREG(target.st_mode)) {
      return Failed(outcome, SaveStatus::CannotCreate, 0, "not a regular file");
    }
    struct stat drawing {};
    if (stat(drawingPath.c_str(), &drawing) == 0 && drawing.st_dev == target.st_dev &&
        drawing.st_ino == target.st_ino)
      return Failed(outcome, SaveStatus::CannotCreate, 0, "it is the drawing itself");
    if (written_.count({target.st_dev, target.st_ino}) != 0)
      return Failed(outcome, SaveStatus::WouldReplace, 0);
  }

  const int descriptor = open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (descriptor < 0) return Failed(outcome, SaveStatus::CannotCreate, errno);
  struct stat made {};
  const bool known = fstat(descriptor, &made) == 0;
  // A writer that failed leaves the file it created empty, as a failed
  // write into the file would.
  int error = encoded->ok ? WriteAll(descriptor, encoded->bytes) : encoded->systemError;
  const bool wrote = encoded->ok && error == 0;
  // A file that fails only as it is closed (quotas, network file systems)
  // was not saved either.
  if (close(descriptor) != 0 && wrote) error = errno;
  if (!wrote || error != 0) return Failed(outcome, SaveStatus::WriteFailed, error);
  // A file that failed holds nothing worth keeping from a later drawing.
  // Without memory to remember it, the file is saved all the same.
  try {
    if (known) written_.insert({made.st_dev, made.st_ino});
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
    return SaveOutcome{SaveStatus::WriteFailed, std::string(), ENOMEM};
  }
}

}  // namespace pictrove
