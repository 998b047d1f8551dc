#include "thumbnailer/png_replace.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <new>

namespace pictrove {
namespace {

constexpr const char kTemporaryName[] = ".pictrove-thumbnailer-";

// The temporary file being written, for the signal handler: a fixed buffer,
// since the handler may only make async-signal-safe calls.
char gPending[4096];
volatile std::sig_atomic_t gPendingSet = 0;

void RemovePendingAndDie(int signal) {
  if (gPendingSet != 0) unlink(gPending);
  std::signal(signal, SIG_DFL);
  raise(signal);
}

constexpr int kCleanupSignals[] = {SIGHUP, SIGINT, SIGTERM};

sigset_t CleanupSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signal : kCleanupSignals) sigaddset(&set, signal);
  return set;
}

// Holds the temporary file from creation until it is renamed away or
// removed; the signals above remove it too meanwhile. The name and the
// file's existence change together with those signals blocked, so the
// handler never removes a name that is not, or no longer, ours.
class PendingFile {
 public:
  explicit PendingFile(const std::string& pattern) {
    if (pattern.size() >= sizeof gPending) return;
    std::memcpy(gPending, pattern.c_str(), pattern.size() + 1);
    struct sigaction action {};
    action.sa_handler = RemovePendingAndDie;
    action.sa_mask = CleanupSignals();
    for (std::size_t i = 0; i < std::size(kCleanupSignals); ++i)
      sigaction(kCleanupSignals[i], &action, &previous_[i]);
    armed_ = true;
    const Blocked blocked;
    descriptor_ = mkostemp(gPending, O_CLOEXEC);
    gPendingSet = descriptor_ >= 0 ? 1 : 0;
  }
  ~PendingFile() {
    if (descriptor_ >= 0) close(descriptor_);
    {
      const Blocked blocked;
      if (gPendingSet != 0) unlink(gPending);
      gPendingSet = 0;
    }
    if (armed_)
      for (std::size_t i = 0; i < std::size(kCleanupSignals); ++i)
        sigaction(kCleanupSignals[i], &previous_[i], nullptr);
  }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  int descriptor() const { return descriptor_; }
  // The descriptor was closed by the caller.
  void release() { descriptor_ = -1; }

  // Renames the file to `target`; true when it is there.
  bool RenameTo(const std::string& target) {
    const Blocked blocked;
    const bool renamed = rename(gPending, target.c_str()) == 0;
    if (renamed) gPendingSet = 0;
    return renamed;
  }

 private:
  // The cleanup signals wait while one of these lives.
  class Blocked {
   public:
    Blocked() {
      const sigset_t set = CleanupSignals();
      sigprocmask(SIG_BLOCK, &set, &before_);
    }
    ~Blocked() { sigprocmask(SIG_SETMASK, &before_, nullptr); }
    Blocked(const Blocked&) = delete;
    Blocked& operator=(const Blocked&) = delete;

   private:
    sigset_t before_{};
  };

  int descriptor_ = -1;
  bool armed_ = false;
  struct sigaction previous_[std::size(kCleanupSignals)] {};
};

mode_t CreationMode() {
  const mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

// The picture as a whole PNG file in memory; empty when libpng refuses it or
// memory runs out.
struct EncodedPng {
  std::unique_ptr<std::uint8_t[]> bytes;
  std::size_t length = 0;
};

EncodedPng Encode(const ThumbnailPicture& picture) {
  EncodedPng png;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = picture.width();
  image.height = picture.height();
  image.format = PNG_FORMAT_RGB;
  // Speed over size: the thumbnail services decode the file at once and
  // store their own copy, so its compression saves nothing lasting.
  image.flags = PNG_IMAGE_FLAG_FAST;
  png_alloc_size_t capacity = PNG_IMAGE_PNG_SIZE_MAX(image);
  png.bytes.reset(new (std::nothrow) std::uint8_t[capacity]);
  if (png.bytes == nullptr) return {};
  const bool encoded =
      png_image_write_to_memory(&image, png.bytes.get(), &capacity, 0, picture.pixels(),
                                static_cast<png_int_32>(picture.stride()), nullptr) != 0;
  png_image_free(&image);
  if (!encoded) return {};
  png.length = capacity;
  return png;
}

bool WriteAll(int descriptor, const std::uint8_t* data, std::size_t length) {
  while (length > 0) {
    const ssize_t written = write(descriptor, data, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    length -= static_cast<std::size_t>(written);
  }
  return true;
}

// The in-place case: the output exists as a regular file of that one name.
// Returns false when the output is anything else (or nothing), with
// `result` untouched: a symbolic link is never followed (O_NOFOLLOW), and a
// file with other names (hard links) is not written either, since that
// would change what the other names hold; the rename replaces both kinds.
bool TryWriteInPlace(const std::string& output, const EncodedPng& png, PngWriteResult& result) {
  const int descriptor = open(output.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return false;
  struct stat info {};
  if (fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode) || info.st_nlink != 1) {
    close(descriptor);
    return false;
  }
  bool written = ftruncate(descriptor, 0) == 0 && WriteAll(descriptor, png.bytes.get(), png.length);
  if (!written) {
    // Empty, as its maker had it, rather than half written.
    const int emptied = ftruncate(descriptor, 0);
    static_cast<void>(emptied);
  }
  written = close(descriptor) == 0 && written;
  result = written ? PngWriteResult::Written : PngWriteResult::WriteFailed;
  return true;
}

}  // namespace

std::string TemporaryPrefixFor(const std::string& output) {
  const std::size_t slash = output.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : output.substr(0, slash == 0 ? 1 : slash);
  return (folder == "/" ? "" : folder) + "/" + kTemporaryName;
}

PngWriteResult WritePngReplacing(const std::string& output, const ThumbnailPicture& picture) {
  if (picture.empty() ||
      picture.stride() > static_cast<std::uint32_t>(std::numeric_limits<png_int_32>::max()))
    return PngWriteResult::WriteFailed;
  const EncodedPng png = Encode(picture);
  if (png.length == 0) return PngWriteResult::WriteFailed;

  PngWriteResult result = PngWriteResult::WriteFailed;
  if (TryWriteInPlace(output, png, result)) return result;

  PendingFile pending(TemporaryPrefixFor(output) + "XXXXXX");
  if (pending.descriptor() < 0) return PngWriteResult::CannotCreate;
  const bool written = fchmod(pending.descriptor(), CreationMode()) == 0 &&
                       WriteAll(pending.descriptor(), png.bytes.get(), png.length);
  const bool closed = close(pending.descriptor()) == 0;
  pending.release();
  if (!written || !closed) return PngWriteResult::WriteFailed;
  return pending.RenameTo(output) ? PngWriteResult::Written : PngWriteResult::WriteFailed;
}

}  // namespace pictrove
