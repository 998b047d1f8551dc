#include "app/core/replace_file.h"

#include <fcntl.h>
#include <sys/random.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>

namespace pictrove {
namespace {

// Attempts at a free temporary name before giving up; each name carries 64
// random bits, so a clash is as good as impossible unless someone plants
// names on purpose.
constexpr int kNameAttempts = 16;

// What follows the prefix: 16 hexadecimal digits and ".tmp".
constexpr std::size_t kSuffixLength = 16 + 4;
// The most of the image's name a temporary name holds: the longest entry
// name less the two dots and the suffix.
constexpr std::size_t kNameRoom = NAME_MAX - 2 - kSuffixLength;

std::uint64_t RandomBits() {
  std::uint64_t bits = 0;
  if (getrandom(&bits, sizeof bits, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof bits)) return bits;
  // No entropy yet (early boot): the clock and the stack address differ
  // enough from call to call for names that are only meant not to clash.
  timespec now {};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_nsec) ^
         (static_cast<std::uint64_t>(now.tv_sec) << 30) ^
         reinterpret_cast<std::uintptr_t>(&bits);
}

int WriteAll(int descriptor, const std::vector<std::uint8_t>& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = write(descriptor, bytes.data() + done, bytes.size() - done);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (wrote == 0) return EIO;
    done += static_cast<std::size_t>(wrote);
  }
  return 0;
}

}  // namespace

std::string TemporaryNameFor(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  // An image name may be as long as a folder entry allows: its temporary
  // name takes only as much of it as leaves room for the dots and suffix.
  if (name.size() > kNameRoom) name.resize(kNameRoom);
  return folder + "." + name + ".";
}

ReplaceResult ReplaceFile(const std::string& path, const std::vector<std::uint8_t>& bytes,
                          bool durable) {
  ReplaceResult result;
  std::string temporary;
  int descriptor = -1;
  try {
    const std::string prefix = TemporaryNameFor(path);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
      char suffix[32];
      std::snprintf(suffix, sizeof suffix, "%016llx.tmp",
                    static_cast<unsigned long long>(RandomBits()));
      temporary = prefix + suffix;
      // Created here and now, never an existing file or a link: the mode
      // passes through the umask as for any new file.
      descriptor = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
      if (descriptor >= 0 || errno != EEXIST) break;
    }
  } catch (...) {
    result.systemError = ENOMEM;
    result.created = false;
    return result;
  }
  if (descriptor < 0) {
    result.systemError = errno;
    result.created = false;
    return result;
  }

  int error = WriteAll(descriptor, bytes);
  if (error == 0 && durable && fdatasync(descriptor) != 0) error = errno;
  if (error == 0 && fstat(descriptor, &result.made) != 0) error = errno;
  // A file that fails only as it is closed (quotas, network file systems)
  // was not written either.
  if (close(descriptor) != 0 && error == 0) error = errno;
  if (error == 0 && rename(temporary.c_str(), path.c_str()) != 0) error = errno;
  if (error != 0) {
    unlink(temporary.c_str());
    result.systemError = error;
  }
  return result;
}

}  // namespace pictrove
