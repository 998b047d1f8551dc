#include "app/core/file_checks.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "app/core/directory_handle.h"

namespace pictrove {
namespace {

// The path without symbolic links, "." or ".." (realpath); 0 or the error.
int CanonicalPath(const std::string& path, std::string& canonical) {
  const std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr),
                                                             &std::free);
  if (resolved == nullptr) return errno;
  canonical = resolved.get();
  return 0;
}

}  // namespace

std::string SystemErrorText(int error) {
  char buffer[256];
  // The GNU strerror_r returns the text, which may or may not be in `buffer`.
  return strerror_r(error, buffer, sizeof buffer);
}

int CheckReadableFolder(const std::string& folder) {
  if (folder.empty()) return ENOENT;
  struct stat st {};
  if (stat(folder.c_str(), &st) != 0) return errno;
  if (!S_ISDIR(st.st_mode)) return ENOTDIR;
  if (!OpenDirectory(folder.c_str())) return errno;
  return 0;
}

int MakeFolders(const std::string& folder) {
  if (folder.empty()) return ENOENT;
  struct stat st {};
  if (stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
  // Each missing folder from the top down; one made meanwhile by someone
  // else is as good as our own.
  std::size_t at = 0;
  while (at != std::string::npos) {
    at = folder.find('/', at + 1);
    const std::string part = folder.substr(0, at);
    if (part.empty() || part.back() == '/') continue;
    if (mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return errno;
  }
  if (stat(folder.c_str(), &st) != 0) return errno;
  return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
}

int ResolveOpenPath(const std::string& path, OpenTarget& target) {
  if (path.empty()) return ENOENT;
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return errno;
  OpenTarget resolved;
  if (S_ISDIR(st.st_mode)) {
    if (const int error = CanonicalPath(path, resolved.folder)) return error;
  } else {
    const std::size_t slash = path.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : slash == 0 ? std::string("/") : path.substr(0, slash);
    resolved.name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (S_ISREG(st.st_mode)) {
      // Opening without blocking and closing at once: only whether the file
      // may be read is asked.
      const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
      if (fd < 0) return errno;
      close(fd);
    }
    if (const int error = CanonicalPath(folder, resolved.folder)) return error;
  }
  if (const int error = CheckReadableFolder(resolved.folder)) return error;
  target = std::move(resolved);
  return 0;
}

}  // namespace pictrove
