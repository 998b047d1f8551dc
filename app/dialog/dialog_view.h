// What the main dialog's logic asks of the user interface. The Qt dialog
// implements it for the desktop and a fake for the tests. Control
// identifiers are those of resource_ids.h.
#pragma once

#include <functional>
#include <string>

#include "app/dialog/rect.h"
#include "app/dialog/settings_store.h"

namespace pictrove {

class FolderBrowser;
struct ViewerContent;

class DialogView {
 public:
  virtual ~DialogView() = default;

  // ---- Window life ----
  // Builds the dialog window from its template, not yet shown.
  virtual void CreateControls() = 0;
  // Shows the dialog modally; returns the code given to EndDialog.
  virtual int RunModal() = 0;
  virtual void EndDialog(int result) = 0;

  // ---- Data exchange ----
  // Texts are UTF-8.
  virtual void SetControlText(int id, const std::string& text) = 0;
  virtual std::string GetControlText(int id) = 0;
  // Selects item `index` of a list; an index outside the items clears the
  // selection.
  virtual void SetListSelection(int id, int index) = 0;
  // The selected item's index, -1 when none is selected.
  virtual int GetListSelection(int id) = 0;
  // The text of item `index`, empty when there is no such item.
  virtual std::string GetListItemText(int id, int index) = 0;

  // ---- Controls ----
  virtual void EnableControl(int id, bool enable) = 0;
  virtual void ShowControl(int id, bool show) = 0;
  // The up-down control's range and position.
  virtual void SetSpinRange(int low, int high) = 0;
  virtual void SetSpinPosition(int position) = 0;
  // The animation control: open a clip, play it looping, stop it.
  virtual bool OpenAnimation(int clipId) = 0;
  virtual void PlayAnimation() = 0;
  virtual void StopAnimation() = 0;

  // ---- Window ----
  // The frame control's client rectangle in the dialog's client coordinates.
  virtual Rect ControlClientRect(int id) = 0;
  // Marks `rect` for repainting; `erase` repaints the background first.
  virtual void InvalidateRect(const Rect& rect, bool erase) = 0;
  // How many device pixels the window's screen has per point (1 on most
  // desktop screens, 2 on many laptops').
  virtual double DevicePixelRatio() { return 1.0; }
  // Sets the window's big and small icons from icon resource `iconId`.
  virtual void SetIcon(int iconId) = 0;
  // The system menu (on Linux the dialog's context menu).
  virtual bool HasSystemMenu() = 0;
  virtual void AppendSystemMenuSeparator() = 0;
  virtual void AppendSystemMenuItem(unsigned command, const std::string& text) = 0;
  // Puts an item at the top of the system menu, parted from the platform's
  // own items below it by a separator.
  virtual void PrependSystemMenuItem(unsigned command, const std::string& text) = 0;
  // The platform's own handling of a system command the dialog does not use.
  virtual void DefaultSysCommand(unsigned command) = 0;
  // Shows the About box modally.
  virtual void ShowAboutBox() = 0;
  // Shows the viewer of the whole preview with `content`, or puts `content`
  // in the viewer already up in place of what it showed. The viewer takes
  // the dialog's input while it is up; its steps come back as steps of the
  // up-down control, its closing as PreviewDialog::OnViewerClosed.
  virtual void ShowPreviewViewer(ViewerContent&& content) = 0;

  // ---- Messages and cursor ----
  // A message box with the application's caption; `style` takes the MB_
  // values of platform/message_box.h. Returns the button chosen (IDOK...).
  virtual int MessageBox(const std::string& text, unsigned style) = 0;
  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;

  // ---- Services ----
  // Runs the folder browser for `browser`; returns the chosen folder's path,
  // or false when the user cancelled or chose nothing with a path.
  virtual bool BrowseForFolder(FolderBrowser& browser, std::string& chosenPath) = 0;
  // The application's profile.
  virtual SettingsStore& Profile() = 0;
  // Runs `task` once, as soon as the dialog shown by RunModal runs its
  // loop: work that should happen in the dialog, not before it is there.
  virtual void RunWhenShown(const std::function<void()>& task) = 0;
  // Runs `work` to completion while the dialog takes no input and the
  // animation keeps moving. `work` touches no user-interface state; it may
  // run on another thread. An exception from `work` reaches the caller.
  virtual void RunWork(const std::function<void()>& work) { work(); }
};

}  // namespace pictrove
