#include "app/core/thumbnail_cache.h"

#include <algorithm>
#include <chrono>
#include <new>
#include <string>
#include <system_error>
#include <utility>

#include "app/core/drawing_picture.h"
#include "app/core/thumbnail_bitmap.h"
#include "app/host/critical_error.h"

namespace pictrove {
namespace {

// How long Show waits for a thumbnail being made ahead before it makes the
// thumbnail itself: a made-ahead read that fails asks the user through the
// dialog's thread, which must not be kept waiting for it.
constexpr std::chrono::milliseconds kWaitForAhead{100};

}  // namespace

bool MakeEntryThumbnail(PreviewEntry& entry, double ratio) {
  const DrawingPicture preview = LoadDrawingPicture(entry.m_strPath);
  if (!preview.listed()) return false;
  if (entry.m_bitmap) entry.m_bitmap->DeleteObject();
  // The size is the decoded picture's; one that does not decode has none.
  entry.m_nPreviewWidth = 0;
  entry.m_nPreviewHeight = 0;
  MakeThumbnailBitmaps(preview, entry, ratio);
  return true;
}

ThumbnailCache::~ThumbnailCache() { Use(nullptr); }

void ThumbnailCache::Use(EntryList* entries) {
  Stop();
  entries_ = entries;
  held_.clear();
  if (entries_ == nullptr) return;
  for (std::size_t i = 0; i < entries_->size(); ++i) {
    const PreviewEntry* entry = (*entries_)[i].get();
    if (entry != nullptr && entry->m_bitmap && entry->m_bitmap->GetSafeHandle() != nullptr) {
      held_.push_back(i);
    }
  }
}

void ThumbnailCache::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
    queue_.clear();
  }
  wake_.notify_all();
  if (worker_.joinable()) worker_.join();
  std::lock_guard<std::mutex> lock(mutex_);
  stop_ = false;
  made_.clear();
  making_.reset();
}

void ThumbnailCache::WorkAhead() {
  // A drawing that cannot be read is not made ahead; the user is asked about
  // it when it comes on show. Asking from here would wait on the dialog's
  // thread, which may itself be waiting for this one to stop.
  FailUnreadableFilesOnThisThread(true);
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stop_ || !queue_.empty(); });
    if (stop_) return;
    const std::size_t index = queue_.front();
    queue_.pop_front();
    making_ = index;
    // The entry's path stays as it is while the cache uses the entries,
    // and the ratio while the thread runs.
    const std::string& path = (*entries_)[index]->m_strPath;
    const double ratio = ratio_;
    lock.unlock();
    std::unique_ptr<PreviewEntry> made;
    try {
      made = std::make_unique<PreviewEntry>();
      made->m_strPath = path;
      if (!MakeEntryThumbnail(*made, ratio)) made.reset();
    } catch (const std::bad_alloc&) {
      // Show makes it again when the entry comes on show.
      made.reset();
    }
    lock.lock();
    making_.reset();
    if (made) {
      try {
        made_.push_back(Made{index, std::move(made)});
      } catch (const std::bad_alloc&) {
      }
    }
    done_.notify_all();
  }
}

bool ThumbnailCache::Held(std::size_t index) const {
  return std::find(held_.begin(), held_.end(), index) != held_.end();
}

void ThumbnailCache::Touch(std::size_t index) {
  const auto at = std::find(held_.begin(), held_.end(), index);
  if (at != held_.end()) held_.erase(at);
  held_.push_back(index);
}

void ThumbnailCache::TakeMade() {
  std::vector<Made> made;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    made.swap(made_);
  }
  for (Made& one : made) {
    PreviewEntry& entry = *(*entries_)[one.index];
    if (Held(one.index)) continue;
    std::swap(entry.m_bitmap, one.made->m_bitmap);
    std::swap(entry.m_screenBitmap, one.made->m_screenBitmap);
    entry.m_screenRatio = one.made->m_screenRatio;
    entry.m_kind = one.made->m_kind;
    entry.m_nPreviewWidth = one.made->m_nPreviewWidth;
    entry.m_nPreviewHeight = one.made->m_nPreviewHeight;
    // One whose preview does not decode counts as made too, holding
    // nothing, so that it is not read again at every step.
    Touch(one.index);
  }
}

void ThumbnailCache::MakeNow(std::size_t index) {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto queued = std::find(queue_.begin(), queue_.end(), index);
    if (queued != queue_.end()) queue_.erase(queued);
    done_.wait_for(lock, kWaitForAhead, [&] { return making_ != index; });
  }
  TakeMade();
  if (Held(index)) return;
  PreviewEntry& entry = *(*entries_)[index];
  if (MakeEntryThumbnail(entry, ratio_)) Touch(index);
}

std::vector<std::size_t> ThumbnailCache::Around(std::size_t index, int direction) const {
  const std::size_t n = entries_->size();
  const std::size_t room = std::min(budget_ - 1, n - 1);
  const std::size_t ahead = std::min(kThumbnailsAhead, room);
  const std::size_t behind = std::min(kThumbnailsBehind, room - ahead);
  const std::size_t forward = direction < 0 ? n - 1 : 1;  // one step, modulo n
  const std::size_t backward = n - forward;
  std::vector<std::size_t> around;
  for (std::size_t k = 1; k <= ahead; ++k) around.push_back((index + k * forward) % n);
  for (std::size_t k = 1; k <= behind; ++k) around.push_back((index + k * backward) % n);
  return around;
}

void ThumbnailCache::Drop(std::size_t index) {
  PreviewEntry* dropped = (*entries_)[index].get();
  if (dropped->m_bitmap) dropped->m_bitmap->DeleteObject();
  dropped->m_screenBitmap.reset();
  dropped->m_screenRatio = 1.0;
}

void ThumbnailCache::Show(std::size_t index, int direction, double ratio) {
  if (entries_ == nullptr || index >= entries_->size() || (*entries_)[index] == nullptr) return;
  if (!(ratio > 1.0)) ratio = 1.0;  // also a ratio that is not a number
  if (ratio != ratio_) {
    // The thread ahead is stopped before the ratio it reads changes.
    Stop();
    for (std::size_t held : held_) Drop(held);
    held_.clear();
    ratio_ = ratio;
  }
  try {
    TakeMade();
    if (!Held(index)) MakeNow(index);
    const std::vector<std::size_t> around = Around(index, direction);
    // The entries about to be needed count as used just now, the one on
    // show last of all, so that dropping from the front never drops them.
    for (auto at = around.rbegin(); at != around.rend(); ++at) {
      if (Held(*at)) Touch(*at);
    }
    if (Held(index)) Touch(index);
    while (held_.size() > budget_) {
      Drop(held_.front());
      held_.erase(held_.begin());
    }

    std::deque<std::size_t> wanted;
    bool work = false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      for (std::size_t i : around) {
        const bool made = std::any_of(made_.begin(), made_.end(), [&](const Made& m) { return m.index == i; });
        if (i != index && !Held(i) && !made && making_ != i && (*entries_)[i] != nullptr) {
          wanted.push_back(i);
        }
      }
      queue_.swap(wanted);
      work = !queue_.empty();
    }
    if (work && !worker_.joinable()) worker_ = std::thread([this] { WorkAhead(); });
    wake_.notify_one();
  } catch (const std::bad_alloc&) {
    // The entry on show holds what MakeNow could make; nothing is made ahead.
  } catch (const std::system_error&) {
    // No thread to work ahead: every thumbnail is made as it comes on show.
  }
}

}  // namespace pictrove
