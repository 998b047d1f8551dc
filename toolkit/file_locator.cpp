#include "toolkit/file_locator.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "toolkit/host_functions.h"

namespace {

bool Accept(const std::string& candidate, char* found, std::size_t capacity) {
  if (candidate.empty() || candidate.size() >= capacity) return false;
  if (HostFileTest(candidate.c_str(), F_OK) != 0) return false;
  std::memcpy(found, candidate.c_str(), candidate.size() + 1);
  return true;
}

const char* LastComponent(const char* name) {
  const char* last = name;
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p == '/' || *p == '\\') last = p + 1;
  }
  return last;
}

}  // namespace

std::int16_t LocateToolkitFile(const char* name, char* found, std::size_t capacity) {
  if (name == nullptr || name[0] == '\0' || found == nullptr) return 0;
  if (Accept(name, found, capacity)) return 1;
  const std::string base = LastComponent(name);
  if (base.empty()) return 0;
  if (base != name && Accept(base, found, capacity)) return 1;
  const char* searchPath = std::getenv(kSearchPathVariable);
  if (searchPath == nullptr) return 0;
  std::string folder;
  for (const char* p = searchPath;; ++p) {
    if (*p == ':' || *p == ';' || *p == '\0') {
      if (!folder.empty() && Accept(folder + "/" + base, found, capacity)) return 1;
      folder.clear();
      if (*p == '\0') break;
    } else {
      folder += *p;
    }
  }
  return 0;
}
