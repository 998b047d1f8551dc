// The dialog's preview engine: the toolkit's life, the scan of a folder's
// drawings into entries with thumbnails, and the saving of those thumbnails.
// No widgets: the dialog drives it from its handlers. (The command line and
// the thumbnailer share its way from a drawing to a picture, not the
// session: see drawing_picture.h.)
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/core/drawing_search.h"
#include "app/core/output_format.h"
#include "app/core/preview_entry.h"
#include "app/core/read_turns.h"
#include "app/core/save_outcome.h"
#include "app/core/save_thumbnail.h"
#include "app/core/thumbnail_cache.h"
#include "app/core/toolkit_session.h"

namespace pictrove {

// Whether a scan makes every entry's thumbnail, or leaves that to the
// moment an entry comes on show or is saved (a folder of any size then
// takes memory for its entries' names, not for their thumbnails).
enum class EntryThumbnails { Made, OnDemand };

class PreviewSession {
 public:
  // Starts the toolkit (see ToolkitSession); check started().
  explicit PreviewSession(ToolkitSession::Starter start = ToolkitSession::StartWithEmbeddedInitData);
  // As Close.
  ~PreviewSession();
  PreviewSession(const PreviewSession&) = delete;
  PreviewSession& operator=(const PreviewSession&) = delete;

  bool started() const { return toolkit_.started(); }
  // The error number of a failed start.
  std::int16_t startError() const { return toolkit_.error(); }

  using EntryList = std::vector<std::unique_ptr<PreviewEntry>>;

  // Reads each drawing's preview, decodes it and makes its thumbnail, on
  // `threads` threads (0: WorkerThreads()): an entry for every drawing that
  // has a preview, in the order given. A preview that cannot be decoded
  // still makes an entry, without a thumbnail. The result is the same, to
  // the pixel, for any thread count. Needs a started session; touches none
  // of its entries, so it may run on a worker thread while another reads
  // them.
  // OnDemand reads no more than each preview's header (its kind and size)
  // and leaves the thumbnails to ShowEntry and the saves; it mostly waits
  // on storage, so `threads` 0 then means ReadingThreads().
  EntryList LoadEntries(const std::vector<FoundFile>& drawings, int threads = 0,
                        EntryThumbnails thumbnails = EntryThumbnails::Made) const;
  // Makes `entries` the session's entries, freeing the previous ones.
  void SetEntries(EntryList entries);
  // Makes entry `index` hold its thumbnail for showing, has those next to
  // it in the stepping `direction` (+1 or -1) made ahead, and drops the
  // thumbnails beyond the budget (see ThumbnailCache), for a screen of
  // `ratio` device pixels per point. Throws nothing.
  void ShowEntry(std::size_t index, int direction, double ratio = 1.0) {
    thumbnails_.Show(index, direction, ratio);
  }
  // How many entries may hold a thumbnail at once (kThumbnailBudget unless
  // set), and how many do.
  void SetThumbnailBudget(std::size_t budget) { thumbnails_.SetBudget(budget); }
  std::size_t HeldThumbnails() const { return thumbnails_.held(); }
  // SetEntries(LoadEntries(drawings, threads)).
  void Load(const std::vector<FoundFile>& drawings, int threads = 0);
  // Frees every entry with its thumbnail.
  void Clear();

  std::size_t size() const { return entries_.size(); }
  // The entry at `index`, null outside 0 .. size() - 1.
  const PreviewEntry* entry(std::size_t index) const;

  // Captures entry `index`'s thumbnail from its device bitmap (made for the
  // save when the entry holds none) and writes it
  // beside the drawing, named after it with the format's text (see
  // SaveThumbnail), as part of `batch` when one is given (see SaveBatch).
  // NoEntry for an index outside the entries, NoPicture for an entry
  // without a thumbnail; running out of memory is a failed write (ENOMEM).
  // Throws nothing.
  SaveOutcome Save(int index, OutputFormat format, SaveBatch* batch = nullptr) const;

  // Tells of one entry's save: its index and outcome.
  using SaveReport = std::function<void(int index, SaveOutcome&& outcome)>;
  // Saves every entry as Save would in one batch, capturing and encoding
  // the thumbnails on `threads` threads (0: WorkerThreads()) and writing the
  // files, then calling `report`, in entry order on the calling thread's
  // turn. The files and outcomes are the same for any thread count.
  void SaveAll(OutputFormat format, const SaveReport& report, int threads = 0) const;

  // Stops the toolkit, cleans up the image library and frees the entries,
  // in that order; the session is then neither started nor holds entries.
  void Close();

 private:
  SaveOutcome SaveCaptured(int index, OutputFormat format, SaveBatch* batch) const;

  ToolkitSession toolkit_;
  EntryList entries_;
  ThumbnailCache thumbnails_;
};

// One drawing's entry as a scan makes it: null when the drawing has no
// usable preview. Safe to call on several threads at once; with
// `largeReads`, an OnDemand scan reads a preview larger than
// kKeptPreviewBytes only in one of its turns.
std::unique_ptr<PreviewEntry> LoadPreviewEntry(const FoundFile& drawing,
                                               EntryThumbnails thumbnails = EntryThumbnails::Made,
                                               Turns* largeReads = nullptr);

}  // namespace pictrove
