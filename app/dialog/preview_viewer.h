// The viewer of a whole preview: whether it is up, which drawing it shows
// and with what title. It decodes a drawing's preview anew each time it
// shows one and hands the picture to the window, which lets the one before
// go: however many drawings are stepped through, one preview's pixels are
// in memory.
#pragma once

#include <string>

#include "app/core/preview_entry.h"
#include "app/core/rgb_picture.h"

namespace pictrove {

class DialogView;

// What the viewer window shows: a title and a picture at its own size. The
// window takes it over and keeps it while it is on show.
struct ViewerContent {
  std::string title;  // UTF-8
  // The decoded preview; empty when it cannot be had (no longer there,
  // unreadable, undecodable), and then the window shows a white canvas of
  // `width` x `height`.
  RgbPicture picture;
  int width = 0;
  int height = 0;
};

class PreviewViewer {
 public:
  explicit PreviewViewer(DialogView& view) : view_(view) {}

  // Opens the viewer on `entry`; nothing without one.
  void Open(const PreviewEntry* entry);
  // While the viewer is up, shows `entry` in it instead.
  void Follow(const PreviewEntry* entry);
  // The window was closed.
  void Closed() { open_ = false; }
  bool IsOpen() const { return open_; }

 private:
  void Show(const PreviewEntry& entry);

  DialogView& view_;
  bool open_ = false;
};

}  // namespace pictrove
