#include "platform/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

struct NamedLock {
  int fd = -1;
};

namespace {

// $XDG_RUNTIME_DIR when it is an absolute path to a folder of our own.
std::string RuntimeFolder() {
  const char* dir = std::getenv("XDG_RUNTIME_DIR");
  if (dir == nullptr || dir[0] != '/') return std::string();
  struct stat st {};
  if (stat(dir, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid()) return std::string();
  return dir;
}

bool IsPlainName(const char* name) {
  if (name == nullptr || name[0] == '\0') return false;
  if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) return false;
  return std::strchr(name, '/') == nullptr;
}

}  // namespace

std::string NamedLockPath(const char* name) {
  const std::string folder = RuntimeFolder();
  if (!folder.empty()) return folder + "/" + name + ".lock";
  return std::string("/tmp/") + name + "-" + std::to_string(geteuid()) + ".lock";
}

NamedLock* CreateNamedLock(const char* name) {
  if (!IsPlainName(name)) {
    SetLastError(EINVAL);
    return nullptr;
  }
  const std::string path = NamedLockPath(name);
  // No link following, and only a regular file of our own: in a shared
  // folder such as /tmp another user could otherwise plant the file.
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
  if (fd < 0) {
    SetLastError(static_cast<DWORD>(errno));
    return nullptr;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
    close(fd);
    SetLastError(EACCES);
    return nullptr;
  }
  DWORD outcome = 0;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (errno != EWOULDBLOCK) {
      const int error = errno;
      close(fd);
      SetLastError(static_cast<DWORD>(error));
      return nullptr;
    }
    outcome = ERROR_ALREADY_EXISTS;
  }
  auto* lock = new NamedLock;
  lock->fd = fd;
  SetLastError(outcome);
  return lock;
}

void CloseNamedLock(NamedLock* lock) {
  if (lock == nullptr) return;
  if (lock->fd >= 0) close(lock->fd);
  delete lock;
}
