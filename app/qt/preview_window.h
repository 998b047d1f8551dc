// The main dialog's window in Qt: template 102's controls, laid out in
// dialog units, forwarding every event to PreviewDialog and serving it as
// its DialogView. Besides the controls' own input it takes a folder or a
// drawing dropped on it, steps through the previews with the mouse wheel
// over the picture and with Page Up and Page Down, and opens the whole
// preview on a double-click on the picture and on F3.
#pragma once

#include <QDialog>
#include <QMenu>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/dialog/dialog_view.h"

class QComboBox;
class QMimeData;
class QPainter;
class QWheelEvent;

namespace pictrove {

class AnimationControl;
class PreviewDialog;
class SettingsStore;
class UpDownControl;
class ViewerWindow;

class PreviewWindow : public QDialog, public DialogView {
  Q_OBJECT

 public:
  explicit PreviewWindow(SettingsStore& settings, QWidget* parent = nullptr);
  ~PreviewWindow() override;

  // The dialog logic that receives this window's events.
  void attach(PreviewDialog* logic) { logic_ = logic; }

  // The control with that ID, null before CreateControls.
  QWidget* control(int id) const;
  AnimationControl* animation() const { return animation_; }
  UpDownControl* upDown() const { return upDown_; }
  // The system-menu stand-in as it would pop up.
  QMenu* systemMenu() { return &systemMenu_; }
  // Sends a system-menu command as if chosen from the menu.
  void sendSysCommand(unsigned command);
  // The viewer of the whole preview, null until it was first shown.
  ViewerWindow* viewer() const { return viewer_; }

  // ---- DialogView ----
  void CreateControls() override;
  int RunModal() override;
  void EndDialog(int result) override;
  void SetControlText(int id, const std::string& text) override;
  std::string GetControlText(int id) override;
  void SetListSelection(int id, int index) override;
  int GetListSelection(int id) override;
  std::string GetListItemText(int id, int index) override;
  void EnableControl(int id, bool enable) override;
  void ShowControl(int id, bool show) override;
  void SetSpinRange(int low, int high) override;
  void SetSpinPosition(int position) override;
  bool OpenAnimation(int clipId) override;
  void PlayAnimation() override;
  void StopAnimation() override;
  Rect ControlClientRect(int id) override;
  void InvalidateRect(const Rect& rect, bool erase) override;
  double DevicePixelRatio() override;
  void SetIcon(int iconId) override;
  bool HasSystemMenu() override;
  void AppendSystemMenuSeparator() override;
  void AppendSystemMenuItem(unsigned command, const std::string& text) override;
  void DefaultSysCommand(unsigned command) override;
  void PrependSystemMenuItem(unsigned command, const std::string& text) override;
  void ShowAboutBox() override;
  void ShowPreviewViewer(ViewerContent&& content) override;
  int MessageBox(const std::string& text, unsigned style) override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  bool BrowseForFolder(FolderBrowser& browser, std::string& chosenPath) override;
  SettingsStore& Profile() override { return settings_; }
  void RunWhenShown(const std::function<void()>& task) override;
  void RunWork(const std::function<void()>& work) override;

 public slots:
  void reject() override;

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  template <typename Widget>
  Widget* addControl(int id, Widget* widget, const QRect& geometry);
  void showSystemMenu(const QPoint& globalPos);
  void paintThumbnail(QPainter& painter);
  // The local path a drag carries when the dialog would open it.
  bool droppedPath(const QMimeData* data, std::string& path) const;
  void wheelOverPicture(const QWheelEvent* event);

  SettingsStore& settings_;
  PreviewDialog* logic_ = nullptr;
  std::map<int, QWidget*> controls_;
  QComboBox* output_ = nullptr;
  AnimationControl* animation_ = nullptr;
  UpDownControl* upDown_ = nullptr;
  QMenu systemMenu_;
  std::vector<std::function<void()>> tasksWhenShown_;
  int wheelRemainder_ = 0;  // eighths of a degree not yet a whole notch
  bool dragAccepted_ = false;  // whether the drag over the window would be taken
  ViewerWindow* viewer_ = nullptr;
};

}  // namespace pictrove
