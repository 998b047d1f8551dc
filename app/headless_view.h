// The dialog without a window, for the command line: controls are plain
// values, messages go to an output stream, the scan runs on the calling
// thread, and settings are read but never written.
#pragma once

#include <map>
#include <ostream>
#include <string>

#include "app/dialog_view.h"

namespace pictrove {

class SettingsStore;

class HeadlessView : public DialogView {
 public:
  HeadlessView(SettingsStore& settings, std::ostream& messages);

  void CreateControls() override;
  int RunModal() override;
  void EndDialog(int result) override;
  void SetControlText(int id, const std::string& text) override;
  std::string GetControlText(int id) override;
  void SetListSelection(int id, int index) override;
  int GetListSelection(int id) override;
  std::string GetListItemText(int id, int index) override;
  void EnableControl(int id, bool enable) override;
  bool IsControlEnabled(int id) override;
  void ShowControl(int id, bool show) override;
  bool IsControlVisible(int id) override;
  void SetSpinRange(int low, int high) override;
  void SetSpinPosition(int position) override;
  bool OpenAnimation(int clipId) override;
  void PlayAnimation() override;
  void StopAnimation() override;
  Rect ControlClientRect(int id) override;
  void InvalidateRect(const Rect& rect, bool erase) override;
  void SetIcon(int iconId) override;
  bool HasSystemMenu() override;
  void AppendSystemMenuSeparator() override;
  void AppendSystemMenuItem(unsigned command, const std::string& text) override;
  void DefaultSysCommand(unsigned command) override;
  void ShowAboutBox() override;
  int MessageBox(const std::string& text, unsigned style) override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  bool BrowseForFolder(FolderBrowser& browser, std::string& chosenPath) override;
  int GetProfileInt(const std::string& section, const std::string& key, int defaultValue) override;
  void WriteProfileInt(const std::string& section, const std::string& key, int value) override;

 private:
  SettingsStore& settings_;
  std::ostream& messages_;
  std::map<int, std::string> texts_;
  std::map<int, bool> enabled_;
  std::map<int, bool> visible_;
  int selection_ = -1;
};

}  // namespace pictrove
