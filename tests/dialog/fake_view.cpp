#include "tests/dialog/fake_view.h"

#include <exception>
#include <new>
#include <thread>

#include "app/dialog/folder_browser.h"
#include "app/core/output_format.h"
#include "app/dialog/resource_ids.h"
#include "platform/message_box.h"

namespace apptest {

using namespace pictrove;

void FakeView::CreateControls() {
  created = true;
  texts[IDC_FOLDER] = "";
  texts[IDC_FILENAME] = "FileName";
  for (int id : {IDC_SELECT, IDC_FOLDER, IDC_OUTPUT, IDC_ANIMATE, IDC_EXIT}) enabled[id] = true;
  for (int id : {IDC_SAVE, IDC_SAVEALL, IDC_SPIN, IDC_FRAME}) enabled[id] = false;
  for (int id : {IDC_SELECT, IDC_FOLDER, IDC_OUTPUT, IDC_ANIMATE, IDC_EXIT, IDC_SAVE, IDC_SAVEALL,
                 IDC_SPIN, IDC_FRAME, IDC_FILENAME})
    visible[id] = true;
}

int FakeView::RunModal() { return endResult.value_or(IDCANCEL); }

void FakeView::SetListSelection(int, int index) {
  selection = OutputFormatText(index) != nullptr ? index : -1;
}

std::string FakeView::GetListItemText(int, int index) {
  const char* text = OutputFormatText(index);
  return text == nullptr ? "" : text;
}

int FakeView::MessageBox(const std::string& text, unsigned style) {
  messages.push_back(Message{text, style});
  if (messageAnswers.empty()) return IDOK;
  const int answer = messageAnswers.front();
  messageAnswers.pop_front();
  return answer;
}

bool FakeView::BrowseForFolder(FolderBrowser& browser, std::string& chosenPath) {
  browsedInitialFolders.push_back(browser.InitialFolder());
  browsedStartFolders.push_back(browser.StartFolder());
  browseStatusTexts.push_back(browser.OnInitialized());
  if (browseAnswers.empty()) return false;
  const std::optional<std::string> answer = browseAnswers.front();
  browseAnswers.pop_front();
  if (!answer) return false;
  browser.OnSelectionChanged(*answer);
  chosenPath = *answer;
  return true;
}

int FakeView::GetProfileInt(const std::string& section, const std::string& key, int defaultValue) {
  const auto it = settings.find(section + "/" + key);
  return it == settings.end() ? defaultValue : it->second;
}

void FakeView::WriteProfileInt(const std::string& section, const std::string& key, int value) {
  settings[section + "/" + key] = value;
  settingWrites.emplace_back(section + "/" + key, value);
}

std::string FakeView::GetProfileString(const std::string& section, const std::string& key,
                                       const std::string& defaultValue) {
  const auto it = stringSettings.find(section + "/" + key);
  return it == stringSettings.end() ? defaultValue : it->second;
}

void FakeView::WriteProfileString(const std::string& section, const std::string& key,
                                  const std::string& value) {
  stringSettings[section + "/" + key] = value;
  stringSettingWrites.emplace_back(section + "/" + key, value);
}

void FakeView::RunWork(const std::function<void()>& work) {
  ++workRuns;
  if (!playing || cursorDepth < 1 || !visible[IDC_ANIMATE]) workAlwaysAnimated = false;
  if (workRuns == workOutOfMemoryAt) throw std::bad_alloc();
  // Off the calling thread, as the window runs it; an exception comes back.
  std::exception_ptr failure;
  std::thread worker([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
  });
  worker.join();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace apptest
