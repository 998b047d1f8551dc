// An open directory owned by an object, so that a listing cut short by an
// exception (a name that cannot be stored) still closes its directory.
#pragma once

#include <dirent.h>

#include <memory>

namespace pictrove {

struct DirectoryCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

using DirectoryHandle = std::unique_ptr<DIR, DirectoryCloser>;

inline DirectoryHandle OpenDirectory(const char* path) { return DirectoryHandle(opendir(path)); }

}  // namespace pictrove
