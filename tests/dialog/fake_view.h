// A DialogView that records what the dialog logic does to its window and
// answers its questions from scripted values, for tests without widgets.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/dialog/dialog_view.h"
#include "app/dialog/preview_viewer.h"
#include "app/dialog/rect.h"

namespace apptest {

class FakeView : public pictrove::DialogView, public pictrove::SettingsStore {
 public:
  struct Message {
    std::string text;
    unsigned style;
  };

  // ---- Scripted answers ----
  // Folder browser answers in order: a path, or nullopt for Cancel. With
  // none left the browser is cancelled.
  std::deque<std::optional<std::string>> browseAnswers;
  // Message box answers in order; IDOK when none are left.
  std::deque<int> messageAnswers;
  // The frame control's rectangle in dialog client coordinates.
  pictrove::Rect frameRect{20, 130, 378, 302};
  // The settings store.
  std::map<std::string, int> settings;
  std::map<std::string, std::string> stringSettings;
  bool hasSystemMenu = true;
  // The screen's device pixels per point.
  double pixelRatio = 1.0;

  // ---- Recorded state ----
  bool created = false;
  std::map<int, std::string> texts;
  int selection = -1;
  std::map<int, bool> enabled;
  std::map<int, bool> visible;
  int spinLow = -1;
  int spinHigh = -1;
  int spinPosition = -1;
  int openedClip = 0;
  bool playing = false;
  int playCount = 0;
  int cursorDepth = 0;
  std::vector<Message> messages;
  std::vector<std::pair<pictrove::Rect, bool>> invalidations;
  std::vector<std::pair<unsigned, std::string>> menu;  // command 0: separator
  std::vector<std::pair<unsigned, std::string>> menuTop;  // put above the platform's items
  std::vector<unsigned> defaultCommands;
  int iconId = 0;
  int aboutShown = 0;
  // The viewer: the title of each content shown, and the last content.
  std::vector<std::string> viewerTitles;
  pictrove::ViewerContent viewer;
  std::optional<int> endResult;
  std::vector<std::pair<std::string, int>> settingWrites;
  std::vector<std::pair<std::string, std::string>> stringSettingWrites;
  std::vector<std::string> browsedInitialFolders;
  std::vector<std::string> browsedStartFolders;
  std::vector<std::string> browseStatusTexts;  // status line at each browser opening
  int workRuns = 0;
  int tasksWhenShown = 0;
  // Whether every piece of work ran with the clip playing and the wait cursor shown.
  bool workAlwaysAnimated = true;
  // The work of this run (counted from 1) runs out of memory instead of
  // running; 0 for none.
  int workOutOfMemoryAt = 0;

  // ---- DialogView ----
  void CreateControls() override;
  int RunModal() override;
  void EndDialog(int result) override { endResult = result; }
  void SetControlText(int id, const std::string& text) override { texts[id] = text; }
  std::string GetControlText(int id) override { return texts[id]; }
  void SetListSelection(int, int index) override;
  int GetListSelection(int) override { return selection; }
  std::string GetListItemText(int id, int index) override;
  void EnableControl(int id, bool enable) override { enabled[id] = enable; }
  void ShowControl(int id, bool show) override { visible[id] = show; }
  void SetSpinRange(int low, int high) override {
    spinLow = low;
    spinHigh = high;
  }
  void SetSpinPosition(int position) override { spinPosition = position; }
  bool OpenAnimation(int clipId) override {
    openedClip = clipId;
    return true;
  }
  void PlayAnimation() override {
    playing = true;
    ++playCount;
  }
  void StopAnimation() override { playing = false; }
  pictrove::Rect ControlClientRect(int) override { return frameRect; }
  double DevicePixelRatio() override { return pixelRatio; }
  void InvalidateRect(const pictrove::Rect& rect, bool erase) override {
    invalidations.emplace_back(rect, erase);
  }
  void SetIcon(int id) override { iconId = id; }
  bool HasSystemMenu() override { return hasSystemMenu; }
  void AppendSystemMenuSeparator() override { menu.emplace_back(0, ""); }
  void AppendSystemMenuItem(unsigned command, const std::string& text) override {
    menu.emplace_back(command, text);
  }
  void DefaultSysCommand(unsigned command) override { defaultCommands.push_back(command); }
  void PrependSystemMenuItem(unsigned command, const std::string& text) override {
    menuTop.emplace_back(command, text);
  }
  void ShowAboutBox() override { ++aboutShown; }
  void ShowPreviewViewer(pictrove::ViewerContent&& content) override {
    viewerTitles.push_back(content.title);
    viewer = std::move(content);
  }
  int MessageBox(const std::string& text, unsigned style) override;
  void BeginWaitCursor() override { ++cursorDepth; }
  void EndWaitCursor() override { --cursorDepth; }
  bool BrowseForFolder(pictrove::FolderBrowser& browser, std::string& chosenPath) override;
  pictrove::SettingsStore& Profile() override { return *this; }
  int GetProfileInt(const std::string& section, const std::string& key, int defaultValue) override;
  void WriteProfileInt(const std::string& section, const std::string& key, int value) override;
  std::string GetProfileString(const std::string& section, const std::string& key,
                               const std::string& defaultValue) override;
  void WriteProfileString(const std::string& section, const std::string& key,
                          const std::string& value) override;
  // Runs the task at once; RunModal returns at once as well.
  void RunWhenShown(const std::function<void()>& task) override {
    ++tasksWhenShown;
    task();
  }
  void RunWork(const std::function<void()>& work) override;

  // The last message's text, or "" when none was shown.
  std::string lastMessage() const { return messages.empty() ? "" : messages.back().text; }
};

}  // namespace apptest
