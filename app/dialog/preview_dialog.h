// The main dialog's state and behaviour, independent of any widget toolkit:
// what the controls show and allow, the order of messages, stepping through
// the thumbnails. The work itself (the toolkit's life, the scan, the
// thumbnails and the saving) is the preview session's. The dialog drives its
// window through a DialogView; the window forwards its events to the On...
// handlers.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/core/preview_entry.h"
#include "app/core/preview_session.h"
#include "app/core/save_outcome.h"
#include "app/core/thumbnail.h"
#include "app/core/toolkit_session.h"
#include "app/dialog/preview_viewer.h"
#include "app/dialog/rect.h"
#include "platform/win_types.h"

namespace pictrove {

class DialogView;

// What the dialog paints in its picture area.
struct ThumbnailPaint {
  bool draw = false;         // false: nothing, the background shows
  HBITMAP bitmap = nullptr;  // null with draw set: the white canvas
  int left = 0;
  int top = 0;
  // The bitmap's pixels per point: above 1 when it was made for a screen
  // with more pixels than points, and fills the same 180 x 140 points.
  double scale = 1.0;
};

class PreviewDialog {
 public:
  // `start` starts the toolkit when the dialog is created (tests pass one
  // that fails).
  explicit PreviewDialog(DialogView& view,
                         ToolkitSession::Starter start = ToolkitSession::StartWithEmbeddedInitData);
  ~PreviewDialog();
  PreviewDialog(const PreviewDialog&) = delete;
  PreviewDialog& operator=(const PreviewDialog&) = delete;

  // Creates, shows and runs the dialog until it ends; -1 when creation
  // failed (the toolkit did not start). A non-empty `openPath` is opened
  // (OpenPath) as soon as the dialog is shown.
  int DoModal(const std::string& openPath = std::string());

  // ---- Handlers ----
  // Connects and starts the toolkit; 0 to go on, -1 when it failed (after
  // telling the user).
  int OnCreate();
  BOOL OnInitDialog();
  void OnSysCommand(unsigned command);
  ThumbnailPaint OnPaint() const;
  void OnSelect();
  // A step of the up-down control; returns the notification's result (0).
  int OnDeltaposSpin(int delta);
  void OnSave();
  void OnSaveAll();
  // The window moved to a screen of another pixel density: the thumbnail
  // on show is made again for it.
  void OnScaleChange();
  void OnExit();
  // Escape, the close box and Exit end here.
  void OnCancel();
  void OnDestroy();

  // ---- Operations ----
  // Opens a folder or a drawing (bytes; relative to the working folder or
  // absolute), from the command line or a drop: a folder is scanned as if
  // chosen with Select; a drawing's folder is scanned and that drawing
  // shown, or the first preview when it has none. A path that cannot be
  // opened is reported with the system's reason, and nothing changes.
  // Ignored before initialisation and while a scan runs.
  void OpenPath(const std::string& path);
  // Whether a drop of `path` would be taken: a folder, or a name ending in
  // ".dwg" or ".dxf" in any letter case, while the dialog is up and not scanning.
  bool AcceptsDroppedPath(const std::string& path) const;
  BOOL ScanFolder(const std::string& folder);
  void UpdateLabel();
  SaveOutcome SaveEntry(int index, OutputFormat format);
  void FreeEntries();
  // FALSE: members to controls; TRUE: controls to members.
  void UpdateData(BOOL saveAndValidate);

  // ---- Read access ----
  // Where the thumbnail is drawn, in dialog client coordinates.
  const Rect& ThumbnailRect() const { return m_rcThumb; }
  // The listed entries (none before creation), and the one on show.
  std::size_t EntryCount() const;
  const PreviewEntry* Entry(std::size_t index) const;
  int CurrentIndex() const { return m_nCurrent; }
  // Whether a scan is under way (the window takes no drops then).
  bool Scanning() const { return m_bScanning; }
  // How many entries may hold a thumbnail at once, and how many do.
  void SetThumbnailBudget(std::size_t budget) {
    if (m_session) m_session->SetThumbnailBudget(budget);
  }
  std::size_t HeldThumbnails() const { return m_session ? m_session->HeldThumbnails() : 0; }

  // ---- The whole preview ----
  // Opens the viewer on the preview on show (the picture double-clicked,
  // the menu entry, F3); nothing when none is on show. Steps of the up-down
  // control then show their drawing in the viewer as well.
  void OnViewPreview();
  // The viewer window was closed.
  void OnViewerClosed();
  // Whether there is a preview on show to open the viewer on.
  bool CanViewPreview() const { return CurrentEntry() != nullptr; }
  bool ViewerOpen() const { return m_viewer.IsOpen(); }

 private:
  // The entry on show, or null.
  const PreviewEntry* CurrentEntry() const;
  // The viewer's entry at the top of the system menu.
  void AddViewerMenuItem();

  void ReportSaveFailures(const std::vector<SaveOutcome>& failures, int attempted);
  std::optional<OutputFormat> ChooseOutputFormat();
  // Scans a folder the user chose and shows the outcome: the entry named
  // `show` (or the first), or the message that there are no previews.
  void ScanChosenFolder(const std::string& folder, const std::string& show);
  // Where the folder browser opens: the folder on show, else the last one
  // scanned when it is still there, else "" (the browser's own start).
  std::string BrowserFolder();
  // Has the entry on show made (and those next to it in `direction`) for
  // the screen's pixels.
  void ShowCurrent(int direction);

  DialogView& m_view;
  ToolkitSession::Starter m_start;
  std::string m_strFolder;  // bytes
  std::string m_strLabel;   // bytes
  int m_nOutputType = -1;
  Rect m_rcThumb;
  int m_nCurrent = 0;
  Rect m_rcFrame;
  // The toolkit's life and the found previews (the entries), from a
  // successful OnCreate to OnDestroy.
  std::unique_ptr<PreviewSession> m_session;
  int m_bInitialised = 0;
  bool m_bScanning = false;
  bool m_bSaving = false;  // Save All is under way
  PreviewViewer m_viewer{m_view};
};

}  // namespace pictrove
