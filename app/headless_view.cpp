#include "app/headless_view.h"

#include "app/output_format.h"
#include "app/preview_dialog.h"
#include "app/resource_ids.h"
#include "app/settings_store.h"
#include "platform/message_box.h"

namespace pictrove {

HeadlessView::HeadlessView(SettingsStore& settings, std::ostream& messages)
    : settings_(settings), messages_(messages) {}

void HeadlessView::CreateControls() {}
int HeadlessView::RunModal() { return IDCANCEL; }
void HeadlessView::EndDialog(int) {}

void HeadlessView::SetControlText(int id, const std::string& text) { texts_[id] = text; }

std::string HeadlessView::GetControlText(int id) {
  const auto it = texts_.find(id);
  return it == texts_.end() ? std::string() : it->second;
}

void HeadlessView::SetListSelection(int, int index) {
  selection_ = OutputFormatText(index) != nullptr ? index : -1;
}

int HeadlessView::GetListSelection(int) { return selection_; }

std::string HeadlessView::GetListItemText(int, int index) {
  const char* text = OutputFormatText(index);
  return text == nullptr ? std::string() : text;
}

void HeadlessView::EnableControl(int id, bool enable) { enabled_[id] = enable; }

bool HeadlessView::IsControlEnabled(int id) {
  const auto it = enabled_.find(id);
  return it == enabled_.end() || it->second;
}

void HeadlessView::ShowControl(int id, bool show) { visible_[id] = show; }

bool HeadlessView::IsControlVisible(int id) {
  const auto it = visible_.find(id);
  return it == visible_.end() || it->second;
}

void HeadlessView::SetSpinRange(int, int) {}
void HeadlessView::SetSpinPosition(int) {}
bool HeadlessView::OpenAnimation(int) { return true; }
void HeadlessView::PlayAnimation() {}
void HeadlessView::StopAnimation() {}
Rect HeadlessView::ControlClientRect(int) { return Rect{0, 0, kThumbWidth, kThumbHeight}; }
void HeadlessView::InvalidateRect(const Rect&, bool) {}
void HeadlessView::SetIcon(int) {}
bool HeadlessView::HasSystemMenu() { return false; }
void HeadlessView::AppendSystemMenuSeparator() {}
void HeadlessView::AppendSystemMenuItem(unsigned, const std::string&) {}
void HeadlessView::DefaultSysCommand(unsigned) {}
void HeadlessView::ShowAboutBox() {}

int HeadlessView::MessageBox(const std::string& text, unsigned) {
  messages_ << text << '\n';
  return IDOK;
}

void HeadlessView::BeginWaitCursor() {}
void HeadlessView::EndWaitCursor() {}

bool HeadlessView::BrowseForFolder(FolderBrowser&, std::string&) { return false; }

int HeadlessView::GetProfileInt(const std::string& section, const std::string& key,
                                int defaultValue) {
  return settings_.GetProfileInt(section, key, defaultValue);
}

// The command line leaves the remembered settings as they are.
void HeadlessView::WriteProfileInt(const std::string&, const std::string&, int) {}

}  // namespace pictrove
