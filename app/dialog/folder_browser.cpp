#include "app/dialog/folder_browser.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "app/dialog/dialog_view.h"
#include "app/core/text_utils.h"
#include "platform/message_box.h"

namespace pictrove {

FolderBrowser::FolderBrowser(const std::string& initialFolder, unsigned flags, DialogView* owner)
    : owner_(owner),
      title_("Current Selection"),
      flags_(flags | BIF_STATUSTEXT),
      initialFolder_(initialFolder) {}

int FolderBrowser::DoModal() {
  selectedFolder_ = initialFolder_;
  if (owner_ == nullptr) return IDCANCEL;
  std::string chosen;
  if (!owner_->BrowseForFolder(*this, chosen) || chosen.empty()) return IDCANCEL;
  selectedFolder_ = chosen;
  return IDOK;
}

std::string FolderBrowser::OnInitialized() const { return ShortenPath(initialFolder_); }

std::string FolderBrowser::OnSelectionChanged(const std::string& path) {
  selectedFolder_ = path;
  return ShortenPath(selectedFolder_);
}

std::string FolderBrowser::StartFolder() const {
  struct stat st {};
  const bool isFolder = !initialFolder_.empty() && stat(initialFolder_.c_str(), &st) == 0 &&
                        S_ISDIR(st.st_mode);
  return isFolder ? initialFolder_ : HomeFolder();
}

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry {};
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_dir != nullptr && found->pw_dir[0] != '\0')
    return found->pw_dir;
  return "/";
}

}  // namespace pictrove
