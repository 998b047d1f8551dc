#include "app/preview_dialog.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <exception>
#include <new>
#include <utility>

#include "app/dialog_view.h"
#include "app/folder_browser.h"
#include "app/output_format.h"
#include "app/resource_ids.h"
#include "app/string_table.h"
#include "app/text_utils.h"
#include "app/init_data_stream.h"
#include "imaging/tessera.h"
#include "platform/gdi.h"
#include "platform/global_memory.h"
#include "platform/message_box.h"
#include "toolkit/messages.h"
#include "toolkit/preview.h"
#include "toolkit/startup.h"

namespace pictrove {
namespace {

constexpr char kSettingsSection[] = "Settings";
constexpr char kOutputTypeKey[] = "OutputType";
constexpr int kDefaultOutputType = 1;  // JPG

// Failures listed by name in one message; the rest are counted.
constexpr std::size_t kListedFailures = 12;

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

PreviewKind KindOf(const std::uint8_t* data, std::uint32_t length) {
  if (length >= 2 && data[0] == 'B' && data[1] == 'M') return PreviewKind::Bmp;
  if (length >= sizeof kPngSignature && std::memcmp(data, kPngSignature, sizeof kPngSignature) == 0)
    return PreviewKind::Png;
  return PreviewKind::Unknown;
}

// Whether writing `output` can only create or replace an image file: a
// folder, FIFO, device or the drawing itself (through a link) under that
// name must not be opened for writing.
bool SafeToWrite(const std::string& output, const std::string& drawing) {
  struct stat target {};
  if (stat(output.c_str(), &target) != 0) return true;  // does not exist yet
  if (!S_ISREG(target.st_mode)) return false;
  struct stat source {};
  if (stat(drawing.c_str(), &source) == 0 && source.st_dev == target.st_dev &&
      source.st_ino == target.st_ino)
    return false;
  return true;
}

// Stops the animation and restores the cursor however the scan ends.
class ScanScope {
 public:
  explicit ScanScope(DialogView& view) : view_(view) {
    view_.BeginWaitCursor();
    view_.PlayAnimation();
    view_.ShowControl(IDC_ANIMATE, true);
  }
  ~ScanScope() {
    view_.StopAnimation();
    view_.ShowControl(IDC_ANIMATE, false);
    view_.EndWaitCursor();
  }
  ScanScope(const ScanScope&) = delete;
  ScanScope& operator=(const ScanScope&) = delete;

 private:
  DialogView& view_;
};

}  // namespace

PreviewDialog::PreviewDialog(DialogView& view) : m_view(view) {}

PreviewDialog::~PreviewDialog() = default;

int PreviewDialog::DoModal() {
  if (OnCreate() == -1) {
    OnDestroy();
    return -1;
  }
  m_view.CreateControls();
  OnInitDialog();
  const int result = m_view.RunModal();
  OnDestroy();
  return result;
}

std::int16_t PreviewDialog::StartToolkit(std::int16_t* error) {
  InstallToolkitHooks();
  return ToolkitStart(nullptr, error);
}

int PreviewDialog::OnCreate() {
  std::int16_t error = 0;
  if (StartToolkit(&error) != 0) return 0;
  const std::string text = FormatText(LoadAppString(IDS_TOOLKIT_INIT_FAILED).c_str(),
                                      static_cast<int>(error), ErrorText(error));
  m_view.MessageBox(text, MB_ICONERROR | MB_OK);
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
  }
  m_view.SetIcon(IDR_MAINFRAME);

  m_rcFrame = m_view.ControlClientRect(IDC_FRAME);
  m_rcThumb.left = m_rcFrame.left + (m_rcFrame.right - m_rcFrame.left) / 2 - kThumbWidth / 2;
  m_rcThumb.top = m_rcFrame.top + (m_rcFrame.bottom - m_rcFrame.top) / 2 - kThumbHeight / 2;
  m_rcThumb.right = m_rcThumb.left + kThumbWidth;
  m_rcThumb.bottom = m_rcThumb.top + kThumbHeight;

  m_view.OpenAnimation(IDR_SCAN_CLIP);
  m_view.ShowControl(IDC_ANIMATE, false);

  m_nOutputType = m_view.GetProfileInt(kSettingsSection, kOutputTypeKey, kDefaultOutputType);
  UpdateData(FALSE);
  m_bInitialised = 1;
  return TRUE;
}

void PreviewDialog::OnSysCommand(unsigned command) {
  if ((command & 0xFFF0u) == IDM_ABOUTBOX) {
    m_view.ShowAboutBox();
    return;
  }
  m_view.DefaultSysCommand(command);
}

ThumbnailPaint PreviewDialog::OnPaint() const {
  ThumbnailPaint paint;
  const int n = static_cast<int>(m_entries.size());
  if (n < 1 || m_nCurrent < 0 || m_nCurrent >= n) return paint;
  const PreviewEntry* entry = m_entries[static_cast<std::size_t>(m_nCurrent)].get();
  if (entry == nullptr) return paint;
  paint.draw = true;
  paint.bitmap = entry->m_bitmap ? entry->m_bitmap->GetSafeHandle() : nullptr;
  paint.left = m_rcThumb.left;
  paint.top = m_rcThumb.top;
  return paint;
}

void PreviewDialog::OnSelect() {
  FolderBrowser browser(m_strFolder, 0, &m_view);
  if (browser.DoModal() != IDOK) return;
  const std::string folder = browser.SelectedFolder();
  if (ScanFolder(folder)) {
    m_strFolder = folder;
    UpdateData(FALSE);
    m_view.InvalidateRect(m_rcThumb, false);
    UpdateLabel();
    return;
  }
  m_view.MessageBox(FormatText(LoadAppString(IDS_NO_PREVIEWS).c_str(), ReadableText(folder).c_str()),
                    MB_ICONINFORMATION | MB_OK);
  if (m_entries.empty()) {
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
  ScanScope scope(m_view);

  std::vector<FoundFile> matches;
  m_view.RunWork([&] { matches = m_view.FindFiles(folder); });
  if (matches.empty()) return FALSE;

  FreeEntries();
  // The file work runs off the user-interface thread; it fills a list of its
  // own, so the window never sees a half-built entry list.
  std::vector<std::unique_ptr<PreviewEntry>> found;
  found.reserve(matches.size());
  m_view.RunWork([&] {
    for (const FoundFile& match : matches) {
      if (auto entry = LoadEntry(match.path, match.name)) found.push_back(std::move(entry));
    }
  });
  m_entries = std::move(found);

  const int n = static_cast<int>(m_entries.size());
  if (n < 1) return FALSE;
  m_view.SetSpinRange(0, n - 1);
  m_view.SetSpinPosition(0);
  m_nCurrent = 0;
  m_view.EnableControl(IDC_SAVE, true);
  m_view.EnableControl(IDC_SAVEALL, true);
  m_view.EnableControl(IDC_FRAME, true);
  m_view.EnableControl(IDC_SPIN, true);
  return TRUE;
}

std::unique_ptr<PreviewEntry> PreviewDialog::LoadEntry(const std::string& path,
                                                       const std::string& name) {
  const std::uint32_t size = PreviewImageSize(path.c_str());
  if (size == 0) return nullptr;
  try {
    auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(size);
    auto entry = std::make_unique<PreviewEntry>();
    std::uint32_t length = 0;
    // A drawing that changed or failed to read since it was measured is
    // skipped: its buffer holds nothing to decode.
    if (ExtractPreviewImage(path.c_str(), buffer.get(), size, &length) == 0 || length == 0 ||
        length > size)
      return nullptr;
    MakeThumbnail(buffer.get(), length, *entry);
    entry->m_strPath = path;
    entry->m_strName = name;
    return entry;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

BOOL PreviewDialog::MakeThumbnail(const std::uint8_t* data, std::uint32_t length,
                                  PreviewEntry& entry) {
  BitmapObject* bitmap = entry.m_bitmap.get();
  if (bitmap == nullptr || data == nullptr) return FALSE;
  const PreviewKind kind = KindOf(data, length);
  if (kind == PreviewKind::Unknown) return FALSE;
  entry.m_kind = kind;

  ImageStream* source = tsOpenMemorySource(data, length);
  if (source == nullptr) return FALSE;
  std::uint32_t w = 0;
  std::uint32_t h = 0;
  std::uint8_t* pixels = kind == PreviewKind::Bmp ? tsReadBMP(source, &w, &h, 24, nullptr)
                                                  : tsReadPNG(source, &w, &h);
  tsCloseSource(source);
  if (pixels == nullptr) return FALSE;
  if (w == 0 || h == 0) {
    GlobalFree(pixels);
    return FALSE;
  }
  entry.m_nPreviewWidth = w;
  entry.m_nPreviewHeight = h;

  // The longer side fills the thumbnail; a square fills its height.
  const double s = w > h ? 180.0 / w : 140.0 / h;
  const auto scaledWidth = static_cast<std::uint32_t>(static_cast<double>(w) * s);
  const auto scaledHeight = static_cast<std::uint32_t>(static_cast<double>(h) * s);

  std::vector<std::uint8_t> canvas(static_cast<std::size_t>(kThumbWidth) * kThumbHeight * 3);
  tsFillRect(canvas.data(), kThumbWidth, kThumbHeight, 0, 0, kThumbWidth, kThumbHeight, 0xFFFFFF);
  if (scaledWidth > 0 && scaledHeight > 0) {
    std::vector<std::uint8_t> scaled(static_cast<std::size_t>(scaledWidth) * scaledHeight * 3);
    tsResizeImage(pixels, w, h, scaled.data(), scaledWidth, scaledHeight, 3);
    tsOverlayImage(canvas.data(), kThumbWidth, kThumbHeight, scaled.data(), scaledWidth,
                   scaledHeight, 90 - static_cast<std::int32_t>(scaledWidth / 2),
                   70 - static_cast<std::int32_t>(scaledHeight / 2), 1.0, 1);
  }
  bitmap->Attach(tsMakeDisplayBitmap(canvas.data(), kThumbWidth, kThumbHeight, nullptr, nullptr));
  GlobalFree(pixels);
  return TRUE;
}

void PreviewDialog::UpdateLabel() {
  const int n = static_cast<int>(m_entries.size());
  if (m_nCurrent < 0 || m_nCurrent >= n) return;
  const PreviewEntry* entry = m_entries[static_cast<std::size_t>(m_nCurrent)].get();
  if (entry == nullptr) return;
  m_strLabel = FormatText(LoadAppString(IDS_LABEL_FORMAT).c_str(), entry->m_strName.c_str(),
                          m_nCurrent + 1, n);
  UpdateData(FALSE);
}

int PreviewDialog::OnDeltaposSpin(int delta) {
  const int n = static_cast<int>(m_entries.size());
  if (n > 0) {
    if (delta == -1) {
      m_nCurrent -= 1;
      if (m_nCurrent == -1) m_nCurrent = n - 1;
    } else if (delta == 1) {
      m_nCurrent += 1;
      if (m_nCurrent == n) m_nCurrent = 0;
    }
  }
  m_view.InvalidateRect(m_rcThumb, false);
  UpdateLabel();
  return 0;
}

bool PreviewDialog::ChooseOutputFormat(std::string& extension) {
  UpdateData(TRUE);
  const char* text = OutputFormatText(m_nOutputType);
  extension = text == nullptr ? std::string() : m_view.GetListItemText(IDC_OUTPUT, m_nOutputType);
  if (!extension.empty()) return true;
  m_view.MessageBox("Please choose an output format first.", MB_ICONINFORMATION | MB_OK);
  return false;
}

void PreviewDialog::OnSave() {
  m_view.BeginWaitCursor();
  std::string extension;
  if (!ChooseOutputFormat(extension)) {
    m_view.EndWaitCursor();
    return;
  }
  const SaveOutcome outcome = SaveEntry(m_nCurrent, m_nOutputType, extension);
  m_view.EndWaitCursor();
  if (outcome.status == SaveStatus::Written) {
    m_view.MessageBox(LoadAppString(IDS_PREVIEW_SAVED), MB_ICONINFORMATION | MB_OK);
  } else {
    ReportSaveFailures({outcome}, 1);
  }
}

void PreviewDialog::OnSaveAll() {
  m_view.BeginWaitCursor();
  std::string extension;
  if (!ChooseOutputFormat(extension)) {
    m_view.EndWaitCursor();
    return;
  }
  const int n = static_cast<int>(m_entries.size());
  std::vector<SaveOutcome> failures;
  for (int i = 0; i < n; ++i) {
    SaveOutcome outcome = SaveEntry(i, m_nOutputType, extension);
    if (outcome.status != SaveStatus::Written) failures.push_back(std::move(outcome));
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
    text += "\n" + ReadableText(failure.path) + ": " + SaveStatusText(failure.status);
  }
  if (failures.size() > kListedFailures) {
    text += FormatText("\n... and %d more.", static_cast<int>(failures.size() - kListedFailures));
  }
  m_view.MessageBox(text, MB_ICONEXCLAMATION | MB_OK);
}

SaveOutcome PreviewDialog::SaveEntry(int index, int type, const std::string& extension) {
  SaveOutcome outcome;
  HDC dc = GetDC(nullptr);
  const int n = static_cast<int>(m_entries.size());
  const PreviewEntry* entry =
      index >= 0 && index < n ? m_entries[static_cast<std::size_t>(index)].get() : nullptr;
  if (entry == nullptr) {
    ReleaseDC(nullptr, dc);
    return outcome;
  }
  if (OutputFormatText(type) == nullptr || extension.empty()) {
    ReleaseDC(nullptr, dc);
    outcome.status = SaveStatus::NoFormat;
    return outcome;
  }
  outcome.path = OutputPathFor(entry->m_strPath, extension);

  std::uint32_t width = 0;
  std::uint32_t height = 0;
  HBITMAP bitmap = entry->m_bitmap ? entry->m_bitmap->GetSafeHandle() : nullptr;
  std::uint8_t* pixels = tsCaptureBitmap(bitmap, &width, &height, dc, nullptr);
  ReleaseDC(nullptr, dc);
  if (pixels == nullptr) {
    outcome.status = SaveStatus::NoPicture;
    return outcome;
  }
  if (!SafeToWrite(outcome.path, entry->m_strPath)) {
    GlobalFree(pixels);
    outcome.status = SaveStatus::CannotCreate;
    return outcome;
  }
  ImageStream* sink = tsOpenFileSink(outcome.path.c_str());
  if (sink == nullptr) {
    GlobalFree(pixels);
    outcome.status = SaveStatus::CannotCreate;
    return outcome;
  }
  const std::uint32_t written = WriteThumbnail(type, sink, pixels, width, height);
  const std::uint32_t closed = tsCloseSink(sink);
  GlobalFree(pixels);
  outcome.status = written != 0 && closed != 0 ? SaveStatus::Written : SaveStatus::WriteFailed;
  return outcome;
}

void PreviewDialog::FreeEntries() {
  // Each entry frees its bitmap's graphics object with it.
  m_entries.clear();
  m_entries.shrink_to_fit();
}

void PreviewDialog::OnExit() { OnCancel(); }

void PreviewDialog::OnCancel() { m_view.EndDialog(IDCANCEL); }

void PreviewDialog::OnDestroy() {
  if (m_bInitialised != 1) return;
  UpdateData(TRUE);
  m_view.WriteProfileInt(kSettingsSection, kOutputTypeKey, m_nOutputType);
  ToolkitStop();
  tsCleanup();
  FreeEntries();
  m_bInitialised = 0;
}

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
