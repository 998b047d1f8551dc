#include "app/core/preview_session.h"

#include <new>
#include <utility>

#include "app/core/ordered_work.h"
#include "app/core/output_format.h"
#include "app/core/drawing_picture.h"
#include "app/core/preview_info.h"
#include "app/core/rgb_picture.h"
#include "app/core/save_thumbnail.h"
#include "app/core/thumbnail_bitmap.h"
#include "app/core/worker_threads.h"
#include "imaging/tessera.h"
#include "platform/gdi.h"

namespace pictrove {
namespace {

// The screen's device context, released however the scope ends.
class ScreenContext {
 public:
  ScreenContext() : dc_(GetDC(nullptr)) {}
  ~ScreenContext() { ReleaseDC(nullptr, dc_); }
  ScreenContext(const ScreenContext&) = delete;
  ScreenContext& operator=(const ScreenContext&) = delete;
  HDC dc() const { return dc_; }

 private:
  HDC dc_;
};

}  // namespace

namespace {

std::unique_ptr<PreviewEntry> NewEntry(const FoundFile& drawing) {
  try {
    auto entry = std::make_unique<PreviewEntry>();
    entry->m_strPath = drawing.path;
    entry->m_strName = drawing.name;
    return entry;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

std::unique_ptr<PreviewEntry> LoadPreviewEntry(const FoundFile& drawing, EntryThumbnails thumbnails,
                                               Turns* largeReads) {
  if (thumbnails == EntryThumbnails::OnDemand) {
    // Whether the drawing has a preview, and what its header says of it.
    // Without turns of the scan's, this call's own: no limit.
    Turns own(1);
    Turn turn(largeReads != nullptr ? *largeReads : own);
    int readError = 0;
    PreviewImage* image = ReadThreadPreviewInTurn(drawing.path, turn, readError);
    if (image == nullptr) return nullptr;
    const PreviewInfo info = ReadPreviewInfo(image->data.get(), image->length);
    image->Trim(kKeptPreviewBytes);
    std::unique_ptr<PreviewEntry> entry = NewEntry(drawing);
    if (entry == nullptr) return nullptr;
    entry->m_kind = info.kind;
    entry->m_nPreviewWidth = info.width;
    entry->m_nPreviewHeight = info.height;
    return entry;
  }
  const DrawingPicture preview = LoadDrawingPicture(drawing.path);
  if (!preview.listed()) return nullptr;
  std::unique_ptr<PreviewEntry> entry = NewEntry(drawing);
  if (entry == nullptr) return nullptr;
  // Without a thumbnail, an entry is still listed, like one whose preview
  // cannot be decoded.
  MakeThumbnailBitmap(preview, *entry);
  return entry;
}

PreviewSession::PreviewSession(ToolkitSession::Starter start) : toolkit_(start) {}

PreviewSession::~PreviewSession() { Close(); }

PreviewSession::EntryList PreviewSession::LoadEntries(const std::vector<FoundFile>& drawings,
                                                      int threads, EntryThumbnails thumbnails) const {
  EntryList found;
  found.reserve(drawings.size());
  if (threads <= 0) threads = thumbnails == EntryThumbnails::OnDemand ? ReadingThreads() : WorkerThreads();
  // Many readers wait on storage at once; only as many as there are cores
  // read a preview larger than the kept buffer at a time.
  Turns largeReads(WorkerThreads());
  RunInOrder(
      drawings.size(), threads,
      [&](std::size_t i) { return LoadPreviewEntry(drawings[i], thumbnails, &largeReads); },
      [&](std::size_t, std::unique_ptr<PreviewEntry>&& entry) {
        if (entry) found.push_back(std::move(entry));
      });
  found.shrink_to_fit();
  return found;
}

void PreviewSession::SetEntries(EntryList entries) {
  thumbnails_.Use(nullptr);
  entries_ = std::move(entries);
  thumbnails_.Use(&entries_);
}

void PreviewSession::Load(const std::vector<FoundFile>& drawings, int threads) {
  SetEntries(LoadEntries(drawings, threads));
}

void PreviewSession::Clear() {
  thumbnails_.Use(nullptr);
  // Each entry frees its bitmap's graphics object with it.
  entries_.clear();
  entries_.shrink_to_fit();
}

const PreviewEntry* PreviewSession::entry(std::size_t index) const {
  return index < entries_.size() ? entries_[index].get() : nullptr;
}

SaveOutcome PreviewSession::Save(int index, OutputFormat format, SaveBatch* batch) const {
  try {
    return SaveCaptured(index, format, batch);
  } catch (const std::bad_alloc&) {
    // Nothing was written that the outcome would call saved.
    return OutOfMemoryOutcome();
  }
}

namespace {

// An entry's thumbnail captured and encoded, ready to be written: the work
// of a save that may run on any thread.
struct EncodedEntry {
  bool outOfMemory = false;
  bool picture = false;  // the entry had a thumbnail to capture
  EncodedThumbnail encoded;
};

EncodedEntry CaptureAndEncode(const PreviewEntry& saved, OutputFormat format) {
  EncodedEntry made;
  try {
    HBITMAP bitmap = saved.m_bitmap ? saved.m_bitmap->GetSafeHandle() : nullptr;
    // An entry that holds no thumbnail now has one made for the save alone,
    // the way the scan would have made it, and dropped after.
    std::unique_ptr<PreviewEntry> madeForSave;
    if (bitmap == nullptr) {
      madeForSave = std::make_unique<PreviewEntry>();
      madeForSave->m_strPath = saved.m_strPath;
      if (MakeEntryThumbnail(*madeForSave)) bitmap = madeForSave->m_bitmap->GetSafeHandle();
    }
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint8_t* pixels = nullptr;
    {
      const ScreenContext screen;
      pixels = tsCaptureBitmap(bitmap, &width, &height, screen.dc(), nullptr);
    }
    const RgbPicture captured(pixels, width, height);
    made.picture = !captured.empty();
    made.encoded = EncodeThumbnail(format, captured.pixels(), captured.width(), captured.height());
  } catch (const std::bad_alloc&) {
    made.outOfMemory = true;
  }
  return made;
}

// Writes what CaptureAndEncode made beside the entry's drawing, as part of
// `batch`: the part of a save that follows the entries' order.
SaveOutcome WriteEncoded(const PreviewEntry& saved, OutputFormat format, const EncodedEntry& made,
                         SaveBatch& batch) {
  if (made.outOfMemory) return OutOfMemoryOutcome();
  try {
    return batch.Save(OutputPathFor(saved.m_strPath, OutputFormatText(format)), saved.m_strPath,
                      format, made.picture ? &made.encoded : nullptr);
  } catch (const std::bad_alloc&) {
    return OutOfMemoryOutcome();
  }
}

}  // namespace

SaveOutcome PreviewSession::SaveCaptured(int index, OutputFormat format, SaveBatch* batch) const {
  const PreviewEntry* saved = index >= 0 ? entry(static_cast<std::size_t>(index)) : nullptr;
  if (saved == nullptr) return SaveOutcome{};
  SaveBatch single;
  return WriteEncoded(*saved, format, CaptureAndEncode(*saved, format),
                      batch != nullptr ? *batch : single);
}

void PreviewSession::SaveAll(OutputFormat format, const SaveReport& report, int threads) const {
  SaveBatch batch;
  std::size_t reported = 0;  // entries whose outcome has been handed on
  auto produce = [&](std::size_t i) { return CaptureAndEncode(*entries_[i], format); };
  auto consume = [&](std::size_t i, EncodedEntry&& made) {
    SaveOutcome outcome = WriteEncoded(*entries_[i], format, made, batch);
    ++reported;
    report(static_cast<int>(i), std::move(outcome));
  };
  try {
    RunInOrder(entries_.size(), threads > 0 ? threads : WorkerThreads(), produce, consume);
  } catch (const std::bad_alloc&) {
    // Without memory for the worker threads' results, what is left is saved
    // on this thread, one entry after another.
    for (std::size_t i = reported; i < entries_.size(); ++i) consume(i, produce(i));
  }
}

void PreviewSession::Close() {
  // Nothing is read ahead once the toolkit stops.
  thumbnails_.Use(nullptr);
  toolkit_.Stop();
  Clear();
}

}  // namespace pictrove
