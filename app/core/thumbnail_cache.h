// The thumbnails a folder's entries hold at any one time: the entry on show,
// the next few in the stepping direction (made ahead on a thread of their
// own, so that a step finds its thumbnail ready) and the most recently
// shown, up to a fixed budget. Every other entry holds no bitmap, so the
// memory a folder takes does not grow with its thumbnails.
//
// The entries' bitmap holders are only ever changed by the thread that
// calls Show (the dialog's); the thread that works ahead makes thumbnails
// of its own, which Show hands over to the entries.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "app/core/preview_entry.h"

namespace pictrove {

// How many entries hold a thumbnail at most, unless told otherwise: enough
// for the entries made ahead and a few steps back.
inline constexpr std::size_t kThumbnailBudget = 16;
// How many entries are made ahead of the one on show in the stepping
// direction, and behind it (for a step back), when the budget allows.
inline constexpr std::size_t kThumbnailsAhead = 4;
inline constexpr std::size_t kThumbnailsBehind = 1;

// Makes the entry's 180 x 140 thumbnail from its drawing as the scan would
// (reading, decoding, composing, the display bitmap) and hands it to
// the entry, with what the decoding learnt of the preview; for a screen
// `ratio` above 1 also the thumbnail for the screen's pixels (see
// MakeThumbnailBitmaps). False, leaving the entry as it was, when the
// drawing can no longer be read; an entry whose preview does not decode
// holds no bitmap. Any thread may call it for an entry no other thread
// touches. Throws nothing.
bool MakeEntryThumbnail(PreviewEntry& entry, double ratio = 1.0);

class ThumbnailCache {
 public:
  using EntryList = std::vector<std::unique_ptr<PreviewEntry>>;

  explicit ThumbnailCache(std::size_t budget = kThumbnailBudget) : budget_(budget < 1 ? 1 : budget) {}
  // As Use(nullptr).
  ~ThumbnailCache();
  ThumbnailCache(const ThumbnailCache&) = delete;
  ThumbnailCache& operator=(const ThumbnailCache&) = delete;

  // Works on `entries` from now on (null: on none). The work ahead for the
  // previous ones is stopped first, and what it made is dropped; their
  // entries keep the bitmaps they hold. `entries` must not change until
  // the next Use.
  void Use(EntryList* entries);

  // How many entries may hold a thumbnail at once; at least 1. Takes effect
  // from the next Show.
  void SetBudget(std::size_t budget) { budget_ = budget < 1 ? 1 : budget; }
  std::size_t budget() const { return budget_; }

  // Makes entry `index` hold its thumbnail, then has the entries next to
  // it made ahead: those after it in `direction` (+1 or -1; the dialog's
  // steps, which wrap at both ends) and one behind it, as far as the budget
  // allows, and drops the thumbnails of the entries used longest ago beyond
  // the budget. The thumbnails are made for a screen of `ratio` device
  // pixels per point; a new ratio drops those made for the previous one.
  // An index outside the entries changes nothing. Throws nothing.
  void Show(std::size_t index, int direction, double ratio = 1.0);

  // How many entries hold a thumbnail now (or were made and hold none,
  // their preview not decoding).
  std::size_t held() const { return held_.size(); }

 private:
  // One thumbnail made ahead, waiting for Show to hand it over.
  struct Made {
    std::size_t index = 0;
    std::unique_ptr<PreviewEntry> made;  // null: the drawing could not be read
  };

  void Stop();
  // Drops entry `index`'s thumbnails.
  void Drop(std::size_t index);
  void WorkAhead();
  // Hands the thumbnails made ahead to their entries.
  void TakeMade();
  // Marks entry `index` as holding a thumbnail used just now.
  void Touch(std::size_t index);
  bool Held(std::size_t index) const;
  // Entry `index`'s thumbnail: waits briefly when it is being made ahead,
  // else makes it on this thread.
  void MakeNow(std::size_t index);
  // The entries to have ready after a step to `index`, nearest first.
  std::vector<std::size_t> Around(std::size_t index, int direction) const;

  EntryList* entries_ = nullptr;
  std::size_t budget_;
  double ratio_ = 1.0;  // the screen's, as the thumbnails held are made for
  // The entries made, the one used longest ago first.
  std::vector<std::size_t> held_;

  // Shared with the thread that works ahead.
  std::mutex mutex_;
  std::condition_variable wake_;  // work was queued, or the thread must stop
  std::condition_variable done_;  // a thumbnail was made ahead
  std::deque<std::size_t> queue_;
  std::optional<std::size_t> making_;  // the entry being made ahead
  std::vector<Made> made_;
  bool stop_ = false;
  std::thread worker_;
};

}  // namespace pictrove
