// The window that shows a whole preview: the picture at one picture pixel
// to one screen pixel, shrunk to fit when it is larger than the screen,
// zoomed with Ctrl and the wheel, "+" and "-", back to the fit with "0",
// scrolled when it is larger than the window. The arrow keys and Page
// Up/Page Down ask for the next or previous drawing as in the dialog;
// Escape closes it.
#pragma once

#include <QDialog>
#include <QImage>

#include "app/dialog/preview_viewer.h"
#include "app/dialog/viewer_zoom.h"

class QScrollArea;

namespace pictrove {

class ViewerWindow : public QDialog {
  Q_OBJECT

 public:
  explicit ViewerWindow(QWidget* parent = nullptr);

  // Takes over `content` and shows it in place of what was on show, with
  // the zoom kept (a fit is made anew for the picture).
  void setContent(ViewerContent&& content);

  const ViewerZoom& zoom() const { return zoom_; }
  // The widget the picture is drawn on, at the picture's size on show.
  QWidget* pictureWidget() const { return picture_; }

 signals:
  // The next (+1) or previous (-1) drawing, asked for with the keyboard.
  void stepRequested(int delta);
  // The window was closed; it holds no picture any more.
  void closed();

 public slots:
  void done(int result) override;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Sizes the picture for the zoom, and the window for the picture within
  // the screen's room.
  void applyZoom();
  void paintPicture(QPainter& painter);

  ViewerContent content_;
  QImage image_;  // over content_'s pixels
  ViewerZoom zoom_;
  QScrollArea* scroll_;
  QWidget* picture_;
  int wheelRemainder_ = 0;  // eighths of a degree not yet a whole notch
};

}  // namespace pictrove
