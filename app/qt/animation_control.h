// The animation control: plays a short looping clip, given as one picture
// holding its frames side by side, with a one-pixel border and a transparent
// background. It takes the size of one frame when a clip is opened.
#pragma once

#include <QImage>
#include <QTimer>
#include <QWidget>
#include <vector>

namespace pictrove {

class AnimationControl : public QWidget {
  Q_OBJECT

 public:
  explicit AnimationControl(QWidget* parent = nullptr);

  // Loads `frameCount` frames of equal width from the picture at
  // `resourcePath`, shown `intervalMs` apart. False when it cannot be read.
  bool open(const QString& resourcePath, int frameCount, int intervalMs);
  void play();
  void stop();
  int frameCount() const { return static_cast<int>(frames_.size()); }
  // How many frames have been shown since the clip was opened.
  long long framesShown() const { return shown_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void advance();

  std::vector<QImage> frames_;
  QTimer timer_;
  int current_ = 0;
  long long shown_ = 0;
};

}  // namespace pictrove
