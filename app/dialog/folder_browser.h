// The folder chooser behind Select: remembers the folder to preselect, the
// folder the user ends with, and the status text shown while browsing. The
// browsing itself is the view's (DialogView::BrowseForFolder), which calls
// back OnInitialized and OnSelectionChanged. With no folder to preselect the
// browser opens at the home folder, with nothing selected.
#pragma once

#include <string>

namespace pictrove {

class DialogView;

// The browser shows a status line (always added to the caller's flags).
constexpr unsigned BIF_STATUSTEXT = 0x0004;

class FolderBrowser {
 public:
  FolderBrowser(const std::string& initialFolder, unsigned flags, DialogView* owner);

  // Runs the browser. IDOK when the user chose a folder with a file-system
  // path (SelectedFolder() then holds it), IDCANCEL otherwise.
  int DoModal();

  // Callbacks of the browsing view.
  // When the browser opens: the folder to preselect is InitialFolder(); the
  // result is the status text.
  std::string OnInitialized() const;
  // When the selection changes to `path`; the result is the status text.
  std::string OnSelectionChanged(const std::string& path);

  const std::string& Title() const { return title_; }
  unsigned Flags() const { return flags_; }
  const std::string& InitialFolder() const { return initialFolder_; }
  // Where the browser opens: InitialFolder() while it is a folder, else the
  // home folder.
  std::string StartFolder() const;
  const std::string& SelectedFolder() const { return selectedFolder_; }

 private:
  DialogView* owner_;
  std::string title_;
  unsigned flags_;
  std::string initialFolder_;
  std::string selectedFolder_;
};

// The user's home folder: $HOME, or the password database's entry; "/" as a
// last resort.
std::string HomeFolder();

}  // namespace pictrove
