// The main dialog's state and behaviour, independent of any widget toolkit:
// creation and shutdown of the libraries, the folder scan, the thumbnails,
// stepping through them and saving them. It drives the window through a
// DialogView; the window forwards its events to the On... handlers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/preview_entry.h"
#include "app/rect.h"
#include "app/save_outcome.h"
#include "platform/win_types.h"

namespace pictrove {

class DialogView;

// Size of every thumbnail.
constexpr int kThumbWidth = 180;
constexpr int kThumbHeight = 140;

// What the dialog paints in its picture area.
struct ThumbnailPaint {
  bool draw = false;         // false: nothing, the background shows
  HBITMAP bitmap = nullptr;  // null with draw set: the white canvas
  int left = 0;
  int top = 0;
};

class PreviewDialog {
 public:
  explicit PreviewDialog(DialogView& view);
  virtual ~PreviewDialog();
  PreviewDialog(const PreviewDialog&) = delete;
  PreviewDialog& operator=(const PreviewDialog&) = delete;

  // Creates, shows and runs the dialog until it ends; -1 when creation
  // failed (the toolkit did not start).
  int DoModal();

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
  void OnExit();
  // Escape, the close box and Exit end here.
  void OnCancel();
  void OnDestroy();

  // ---- Operations ----
  BOOL ScanFolder(const std::string& folder);
  // Builds the entry's thumbnail from a BMP or PNG file image. TRUE when the
  // preview was decoded (the entry then also knows its kind and size).
  BOOL MakeThumbnail(const std::uint8_t* data, std::uint32_t length, PreviewEntry& entry);
  void UpdateLabel();
  SaveOutcome SaveEntry(int index, int type, const std::string& extension);
  void FreeEntries();
  // FALSE: members to controls; TRUE: controls to members.
  void UpdateData(BOOL saveAndValidate);

  // ---- State ----
  std::string m_strFolder;  // bytes
  std::string m_strLabel;   // bytes
  int m_nOutputType = -1;
  Rect m_rcThumb;
  int m_nCurrent = 0;
  Rect m_rcFrame;
  std::vector<std::unique_ptr<PreviewEntry>> m_entries;
  int m_bInitialised = 0;

 protected:
  // Installs the init data hooks and the critical-error handler, then starts
  // the toolkit; returns ToolkitStart's result.
  virtual std::int16_t StartToolkit(std::int16_t* error);

 private:
  std::unique_ptr<PreviewEntry> LoadEntry(const std::string& path, const std::string& name);
  void ReportSaveFailures(const std::vector<SaveOutcome>& failures, int attempted);
  bool ChooseOutputFormat(std::string& extension);

  DialogView& m_view;
};

}  // namespace pictrove
