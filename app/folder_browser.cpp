#include "app/folder_browser.h"

#include "app/dialog_view.h"
#include "app/text_utils.h"
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

}  // namespace pictrove
