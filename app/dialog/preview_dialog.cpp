#include "app/dialog/preview_dialog.h"

#include <sys/stat.h>

#include <exception>
#include <new>
#include <utility>

#include "app/core/drawing_search.h"
#include "app/core/output_format.h"
#include "app/dialog/dialog_view.h"
#include "app/core/file_checks.h"
#include "app/dialog/folder_browser.h"
#include "app/dialog/resource_ids.h"
#include "app/dialog/settings_keys.h"
#include "app/dialog/string_table.h"
#include "app/host/program_texts.h"
#include "app/core/text_utils.h"
#include "platform/message_box.h"

namespace pictrove {
namespace {

// Failures listed by name in one message; the rest are counted.
constexpr std::size_t kListedFailures = 12;

constexpr char kOutOfMemoryText[] = "There is not enough memory to read the previews of this folder.";

// Stops the animation and restores the cursor however the scan ends.
class ScanScope {
 public:
  ScanScope(DialogView& view, bool& scanning) : view_(view), scanning_(scanning) {
    scanning_ = true;
    view_.BeginWaitCursor();
    view_.PlayAnimation();
    view_.ShowControl(IDC_ANIMATE, true);
  }
  ~ScanScope() {
    view_.StopAnimation();
    view_.ShowControl(IDC_ANIMATE, false);
    view_.EndWaitCursor();
    scanning_ = false;
  }
  ScanScope(const ScanScope&) = delete;
  ScanScope& operator=(const ScanScope&) = delete;

 private:
  DialogView& view_;
  bool& scanning_;
};

bool IsFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

PreviewDialog::PreviewDialog(DialogView& view, ToolkitSession::Starter start)
    : m_view(view), m_start(start) {}

PreviewDialog::~PreviewDialog() = default;

int PreviewDialog::DoModal(const std::string& openPath) {
  if (OnCreate() == -1) {
    OnDestroy();
    return -1;
  }
  m_view.CreateControls();
  OnInitDialog();
  if (!openPath.empty()) m_view.RunWhenShown([this, openPath] { OpenPath(openPath); });
  const int result = m_view.RunModal();
  OnDestroy();
  return result;
}

int PreviewDialog::OnCreate() {
  m_session = std::make_unique<PreviewSession>(m_start);
  if (m_session->started()) return 0;
  m_view.MessageBox(ToolkitStartFailureText(m_session->startError()), MB_ICONERROR | MB_OK);
  return -1;
}

BOOL PreviewDialog::OnInitDialog() {
  UpdateData(FALSE);

  if (m_view.HasSystemMenu()) {
    const std::string about = LoadAppString(IDS_ABOUTBOX);
    if (!about.empty()) {
      m_view.AppendSystemMenuSeparator();
      m_view.AppendSystemMenuItem(IDM_ABOUTBOX, about);
    }
    AddViewerMenuItem();
  }
  m_view.SetIcon(IDR_MAINFRAME);

  m_rcFrame = m_view.ControlClientRect(IDC_FRAME);
  m_rcThumb.left = m_rcFrame.left + (m_rcFrame.right - m_rcFrame.left) / 2 - kThumbWidth / 2;
  m_rcThumb.top = m_rcFrame.top + (m_rcFrame.bottom - m_rcFrame.top) / 2 - kThumbHeight / 2;
  m_rcThumb.right = m_rcThumb.left + kThumbWidth;
  m_rcThumb.bottom = m_rcThumb.top + kThumbHeight;

  m_view.OpenAnimation(IDR_SCAN_CLIP);
  m_view.ShowControl(IDC_ANIMATE, false);

  m_nOutputType = m_view.Profile().GetProfileInt(kSettingsSection, kOutputTypeKey, kDefaultOutputType);
  UpdateData(FALSE);
  m_bInitialised = 1;
  return TRUE;
}

void PreviewDialog::OnSysCommand(unsigned command) {
  if ((command & 0xFFF0u) == IDM_ABOUTBOX) {
    m_view.ShowAboutBox();
    return;
  }
  if ((command & 0xFFF0u) == IDM_VIEWPREVIEW) {
    OnViewPreview();
    return;
  }
  m_view.DefaultSysCommand(command);
}

std::size_t PreviewDialog::EntryCount() const { return m_session ? m_session->size() : 0; }

const PreviewEntry* PreviewDialog::Entry(std::size_t index) const {
  return m_session ? m_session->entry(index) : nullptr;
}

ThumbnailPaint PreviewDialog::OnPaint() const {
  ThumbnailPaint paint;
  const int n = static_cast<int>(EntryCount());
  if (n < 1 || m_nCurrent < 0 || m_nCurrent >= n) return paint;
  const PreviewEntry* entry = Entry(static_cast<std::size_t>(m_nCurrent));
  if (entry == nullptr) return paint;
  paint.draw = true;
  paint.bitmap = entry->m_bitmap ? entry->m_bitmap->GetSafeHandle() : nullptr;
  paint.left = m_rcThumb.left;
  paint.top = m_rcThumb.top;
  if (paint.bitmap != nullptr && entry->m_screenBitmap && entry->m_screenBitmap->GetSafeHandle() != nullptr) {
    paint.bitmap = entry->m_screenBitmap->GetSafeHandle();
    paint.scale = entry->m_screenRatio;
  }
  return paint;
}

void PreviewDialog::ShowCurrent(int direction) {
  if (m_session && m_nCurrent >= 0) {
    m_session->ShowEntry(static_cast<std::size_t>(m_nCurrent), direction, m_view.DevicePixelRatio());
  }
}

void PreviewDialog::OnScaleChange() {
  // The thumbnails held stay as they are while Save All reads them.
  if (m_bScanning || m_bSaving || EntryCount() == 0) return;
  ShowCurrent(+1);
  m_view.InvalidateRect(m_rcThumb, false);
}

void PreviewDialog::OnSelect() {
  FolderBrowser browser(BrowserFolder(), 0, &m_view);
  if (browser.DoModal() != IDOK) return;
  ScanChosenFolder(browser.SelectedFolder(), std::string());
}

std::string PreviewDialog::BrowserFolder() {
  if (!m_strFolder.empty()) return m_strFolder;
  const std::string last = m_view.Profile().GetProfileString(kSettingsSection, kLastFolderKey, std::string());
  return IsFolder(last) ? last : std::string();
}

void PreviewDialog::OpenPath(const std::string& path) {
  if (m_bInitialised != 1 || m_bScanning) return;
  OpenTarget target;
  if (const int error = ResolveOpenPath(path, target)) {
    m_view.MessageBox(FormatText(LoadAppString(IDS_CANNOT_OPEN).c_str(), ReadableText(path).c_str(),
                                 SystemErrorText(error).c_str()),
                      MB_ICONEXCLAMATION | MB_OK);
    return;
  }
  ScanChosenFolder(target.folder, target.name);
}

bool PreviewDialog::AcceptsDroppedPath(const std::string& path) const {
  if (m_bInitialised != 1 || m_bScanning || path.empty()) return false;
  const std::size_t slash = path.rfind('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  return IsFolder(path) || MatchesDrawingPattern(name);
}

void PreviewDialog::ScanChosenFolder(const std::string& folder, const std::string& show) {
  if (ScanFolder(folder)) {
    m_strFolder = folder;
    m_view.Profile().WriteProfileString(kSettingsSection, kLastFolderKey, folder);
    if (!show.empty()) {
      for (std::size_t i = 0; i < EntryCount(); ++i) {
        if (Entry(i)->m_strName != show) continue;
        m_nCurrent = static_cast<int>(i);
        ShowCurrent(+1);
        m_view.SetSpinPosition(m_nCurrent);
        break;
      }
    }
    UpdateData(FALSE);
    m_view.InvalidateRect(m_rcThumb, false);
    UpdateLabel();
    return;
  }
  m_view.MessageBox(FormatText(LoadAppString(IDS_NO_PREVIEWS).c_str(), ReadableText(folder).c_str()),
                    MB_ICONINFORMATION | MB_OK);
  if (EntryCount() == 0) {
    m_view.EnableControl(IDC_SAVE, false);
    m_view.EnableControl(IDC_SAVEALL, false);
    m_view.EnableControl(IDC_FRAME, false);
    m_view.EnableControl(IDC_SPIN, false);
    m_strFolder.clear();
    m_strLabel.clear();
    UpdateData(FALSE);
    m_view.InvalidateRect(m_rcThumb, true);
  }
}

BOOL PreviewDialog::ScanFolder(const std::string& folder) {
  ScanScope scope(m_view, m_bScanning);

  try {
    std::vector<FoundFile> matches;
    m_view.RunWork([&] { matches = FindDrawingFiles(folder); });
    if (matches.empty()) return FALSE;

    FreeEntries();
    // The file work runs off the user-interface thread and builds a list of
    // its own, so the window never sees a half-built entry list.
    PreviewSession::EntryList found;
    // Only the previews' headers are read now: the thumbnails are made as
    // the entries come on show or are saved.
    m_view.RunWork([&] { found = m_session->LoadEntries(matches, 0, EntryThumbnails::OnDemand); });
    m_session->SetEntries(std::move(found));
  } catch (const std::bad_alloc&) {
    // Too many drawings for the memory left: nothing of the scan is kept.
    FreeEntries();
    m_view.MessageBox(kOutOfMemoryText, MB_ICONEXCLAMATION | MB_OK);
    return FALSE;
  }

  const int n = static_cast<int>(EntryCount());
  if (n < 1) return FALSE;
  m_view.SetSpinRange(0, n - 1);
  m_view.SetSpinPosition(0);
  m_nCurrent = 0;
  ShowCurrent(+1);
  m_view.EnableControl(IDC_SAVE, true);
  m_view.EnableControl(IDC_SAVEALL, true);
  m_view.EnableControl(IDC_FRAME, true);
  m_view.EnableControl(IDC_SPIN, true);
  return TRUE;
}

void PreviewDialog::UpdateLabel() {
  const int n = static_cast<int>(EntryCount());
  if (m_nCurrent < 0 || m_nCurrent >= n) return;
  const PreviewEntry* entry = Entry(static_cast<std::size_t>(m_nCurrent));
  if (entry == nullptr) return;
  m_strLabel = FormatText(LoadAppString(IDS_LABEL_FORMAT).c_str(), entry->m_strName.c_str(),
                          m_nCurrent + 1, n);
  UpdateData(FALSE);
}

int PreviewDialog::OnDeltaposSpin(int delta) {
  const int n = static_cast<int>(EntryCount());
  if (n > 0) {
    if (delta == -1) {
      m_nCurrent -= 1;
      if (m_nCurrent == -1) m_nCurrent = n - 1;
    } else if (delta == 1) {
      m_nCurrent += 1;
      if (m_nCurrent == n) m_nCurrent = 0;
    }
    ShowCurrent(delta < 0 ? -1 : +1);
  }
  m_view.InvalidateRect(m_rcThumb, false);
  UpdateLabel();
  m_viewer.Follow(CurrentEntry());
  return 0;
}

std::optional<OutputFormat> PreviewDialog::ChooseOutputFormat() {
  UpdateData(TRUE);
  // The list's position is the format; its item text is the format's text.
  const std::optional<OutputFormat> format = OutputFormatAt(m_nOutputType);
  if (format) return format;
  m_view.MessageBox("Please choose an output format first.", MB_ICONINFORMATION | MB_OK);
  return std::nullopt;
}

void PreviewDialog::OnSave() {
  m_view.BeginWaitCursor();
  const std::optional<OutputFormat> format = ChooseOutputFormat();
  if (!format) {
    m_view.EndWaitCursor();
    return;
  }
  const SaveOutcome outcome = SaveEntry(m_nCurrent, *format);
  m_view.EndWaitCursor();
  if (outcome.status == SaveStatus::Written) {
    m_view.MessageBox(LoadAppString(IDS_PREVIEW_SAVED), MB_ICONINFORMATION | MB_OK);
  } else {
    ReportSaveFailures({outcome}, 1);
  }
}

void PreviewDialog::OnSaveAll() {
  m_view.BeginWaitCursor();
  const std::optional<OutputFormat> format = ChooseOutputFormat();
  if (!format) {
    m_view.EndWaitCursor();
    return;
  }
  const int n = static_cast<int>(EntryCount());
  std::vector<SaveOutcome> failures;
  // The thumbnails are captured and encoded on the worker threads; the files
  // are written in entry order, so no drawing's image replaces another's
  // written by this same Save All. Entries that hold no thumbnail have
  // theirs made from the drawing, and a read that fails asks the user
  // through this thread: the work runs off it, as a scan does.
  bool ran = false;
  const auto saveAll = [&] {
    ran = true;
    m_session->SaveAll(*format, [&](int, SaveOutcome&& outcome) {
      if (outcome.status != SaveStatus::Written) failures.push_back(std::move(outcome));
    });
  };
  if (m_session) {
    m_bSaving = true;
    try {
      m_view.RunWork(saveAll);
    } catch (const std::exception&) {
      // No thread for the work (out of memory, no threads left): it runs here.
      if (!ran) saveAll();
    }
    m_bSaving = false;
  }
  m_view.EndWaitCursor();
  if (failures.empty()) {
    m_view.MessageBox(LoadAppString(IDS_ALL_PREVIEWS_SAVED), MB_ICONINFORMATION | MB_OK);
  } else {
    ReportSaveFailures(failures, n);
  }
}

void PreviewDialog::ReportSaveFailures(const std::vector<SaveOutcome>& failures, int attempted) {
  std::string text;
  if (attempted == 1) {
    text = "The bitmap preview was not saved:\n";
  } else {
    text = FormatText("%d of %d bitmap previews were not saved:\n",
                      static_cast<int>(failures.size()), attempted);
  }
  for (std::size_t i = 0; i < failures.size() && i < kListedFailures; ++i) {
    const SaveOutcome& failure = failures[i];
    text += "\n" + ReadableText(failure.path) + ": " + SaveFailureText(failure);
  }
  if (failures.size() > kListedFailures) {
    text += FormatText("\n... and %d more.", static_cast<int>(failures.size() - kListedFailures));
  }
  m_view.MessageBox(text, MB_ICONEXCLAMATION | MB_OK);
}

SaveOutcome PreviewDialog::SaveEntry(int index, OutputFormat format) {
  if (!m_session) return SaveOutcome{};
  return m_session->Save(index, format);
}


void PreviewDialog::FreeEntries() {
  if (m_session) m_session->Clear();
}

void PreviewDialog::OnExit() { OnCancel(); }

void PreviewDialog::OnCancel() { m_view.EndDialog(IDCANCEL); }

void PreviewDialog::OnDestroy() {
  if (m_bInitialised != 1) return;
  UpdateData(TRUE);
  m_view.Profile().WriteProfileInt(kSettingsSection, kOutputTypeKey, m_nOutputType);
  // Stops the toolkit, cleans up the image library and frees the entries,
  // in that order.
  m_session->Close();
  m_bInitialised = 0;
}

void PreviewDialog::AddViewerMenuItem() {
  const std::string text = LoadAppString(IDS_VIEW_PREVIEW);
  if (!text.empty()) m_view.PrependSystemMenuItem(IDM_VIEWPREVIEW, text);
}

const PreviewEntry* PreviewDialog::CurrentEntry() const {
  if (m_nCurrent < 0 || static_cast<std::size_t>(m_nCurrent) >= EntryCount()) return nullptr;
  return Entry(static_cast<std::size_t>(m_nCurrent));
}

void PreviewDialog::OnViewPreview() {
  if (m_bInitialised != 1 || m_bScanning || m_viewer.IsOpen()) return;
  m_viewer.Open(CurrentEntry());
}

void PreviewDialog::OnViewerClosed() { m_viewer.Closed(); }

void PreviewDialog::UpdateData(BOOL saveAndValidate) {
  if (saveAndValidate) {
    // The folder box and the label are read-only: they show the readable
    // form of the members' bytes, which must not replace the bytes.
    const std::string folder = m_view.GetControlText(IDC_FOLDER);
    if (folder != ReadableText(m_strFolder)) m_strFolder = folder;
    const std::string label = m_view.GetControlText(IDC_FILENAME);
    if (label != ReadableText(m_strLabel)) m_strLabel = label;
    m_nOutputType = m_view.GetListSelection(IDC_OUTPUT);
    return;
  }
  m_view.SetControlText(IDC_FOLDER, ReadableText(m_strFolder));
  m_view.SetControlText(IDC_FILENAME, ReadableText(m_strLabel));
  m_view.SetListSelection(IDC_OUTPUT, m_nOutputType);
}

}  // namespace pictrove
