#include "app/dialog/preview_viewer.h"

#include <utility>

#include "app/core/drawing_picture.h"
#include "app/core/text_utils.h"
#include "app/core/thumbnail.h"
#include "app/dialog/dialog_view.h"
#include "app/dialog/resource_ids.h"
#include "app/dialog/string_table.h"

namespace pictrove {

void PreviewViewer::Open(const PreviewEntry* entry) {
  if (entry == nullptr) return;
  Show(*entry);
  open_ = true;
}

void PreviewViewer::Follow(const PreviewEntry* entry) {
  if (open_ && entry != nullptr) Show(*entry);
}

void PreviewViewer::Show(const PreviewEntry& entry) {
  // Read and decoded as the scan does, alpha over white; the buffer the
  // read took is let go of with the thread that ran it.
  DrawingPicture loaded;
  view_.BeginWaitCursor();
  view_.RunWork([&] { loaded = LoadDrawingPicture(entry.m_strPath, PreviewRead::OneRead); });
  view_.EndWaitCursor();

  ViewerContent content;
  if (loaded.result == PictureResult::Made && !loaded.picture.empty()) {
    content.width = static_cast<int>(loaded.picture.width());
    content.height = static_cast<int>(loaded.picture.height());
    content.picture = std::move(loaded.picture);
    content.title = ReadableText(FormatText(LoadAppString(IDS_VIEWER_TITLE).c_str(),
                                            entry.m_strName.c_str(), content.width, content.height));
  } else {
    // As the dialog shows a preview it cannot decode: the white canvas.
    content.width = kThumbWidth;
    content.height = kThumbHeight;
    content.title = ReadableText(entry.m_strName);
  }
  view_.ShowPreviewViewer(std::move(content));
}

}  // namespace pictrove
