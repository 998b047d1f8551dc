#include "app/core/drawing_search.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

#include "app/core/directory_handle.h"

namespace pictrove {
namespace {

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Regular file, following a symbolic link; a broken link is not one.
bool IsRegularFile(int dirFd, const dirent& entry) {
  if (entry.d_type == DT_REG) return true;
  if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return false;
  struct stat st {};
  if (fstatat(dirFd, entry.d_name, &st, 0) != 0) return false;
  return S_ISREG(st.st_mode);
}

}  // namespace

bool NameLess(const std::string& a, const std::string& b) {
  const std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    const auto x = static_cast<unsigned char>(FoldCase(a[i]));
    const auto y = static_cast<unsigned char>(FoldCase(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

bool MatchesDrawingPattern(const std::string& name) {
  static constexpr const char* kSuffixes[] = {".dwg", ".dxf"};
  constexpr std::size_t kLength = 4;
  if (name.size() < kLength) return false;
  for (const char* suffix : kSuffixes) {
    std::size_t i = 0;
    while (i < kLength && FoldCase(name[name.size() - kLength + i]) == suffix[i]) ++i;
    if (i == kLength) return true;
  }
  return false;
}

std::vector<FoundFile> FindDrawingFiles(const std::string& folder) {
  std::vector<FoundFile> found;
  if (folder.empty()) return found;
  const DirectoryHandle dir = OpenDirectory(folder.c_str());
  if (!dir) return found;
  const int dirFd = dirfd(dir.get());
  while (const dirent* entry = readdir(dir.get())) {
    const std::string name(entry->d_name);
    if (!MatchesDrawingPattern(name)) continue;
    if (!IsRegularFile(dirFd, *entry)) continue;
    found.push_back(FoundFile{JoinPath(folder, name), name});
  }
  std::sort(found.begin(), found.end(),
            [](const FoundFile& a, const FoundFile& b) { return NameLess(a.name, b.name); });
  return found;
}

}  // namespace pictrove
