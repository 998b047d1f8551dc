#include "app/cli/drawing_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/core/directory_handle.h"

namespace pictrove {
namespace {

// A folder itself, not a link to one.
bool IsRealFolder(int dirFd, const dirent& entry) {
  if (entry.d_type == DT_DIR) return true;
  if (entry.d_type != DT_UNKNOWN) return false;
  struct stat st {};
  if (fstatat(dirFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  return S_ISDIR(st.st_mode);
}

void Walk(const std::string& path, const std::string& prefix, const UnreadableFolder& unreadable,
          std::vector<FoundFile>& found) {
  for (FoundFile& file : FindDrawingFiles(path)) {
    file.name = prefix + file.name;
    found.push_back(std::move(file));
  }
  std::vector<std::string> subfolders;
  if (const int error = ListSubfolders(path, subfolders)) {
    if (unreadable && !prefix.empty()) unreadable(path, error);
    return;
  }
  for (const std::string& name : subfolders)
    Walk(JoinPath(path, name), prefix + name + "/", unreadable, found);
}

}  // namespace

int ListSubfolders(const std::string& folder, std::vector<std::string>& names) {
  names.clear();
  const DirectoryHandle dir = OpenDirectory(folder.c_str());
  if (!dir) return errno;
  const int dirFd = dirfd(dir.get());
  while (const dirent* entry = readdir(dir.get())) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    if (IsRealFolder(dirFd, *entry)) names.emplace_back(entry->d_name);
  }
  std::sort(names.begin(), names.end(), NameLess);
  return 0;
}

std::vector<FoundFile> FindDrawingTree(const std::string& folder, const UnreadableFolder& unreadable) {
  std::vector<FoundFile> found;
  if (folder.empty()) return found;
  Walk(folder, "", unreadable, found);
  return found;
}

}  // namespace pictrove
