#include "app/qt/animation_control.h"

#include <QPainter>

namespace pictrove {

AnimationControl::AnimationControl(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_TranslucentBackground);
  connect(&timer_, &QTimer::timeout, this, &AnimationControl::advance);
}

bool AnimationControl::open(const QString& resourcePath, int frameCount, int intervalMs) {
  stop();
  frames_.clear();
  current_ = 0;
  shown_ = 0;
  const QImage strip(resourcePath);
  if (strip.isNull() || frameCount < 1 || strip.width() < frameCount) return false;
  const int frameWidth = strip.width() / frameCount;
  for (int i = 0; i < frameCount; ++i) {
    frames_.push_back(strip.copy(i * frameWidth, 0, frameWidth, strip.height()));
  }
  timer_.setInterval(intervalMs);
  // Without centring, the control takes the clip's size (plus its border).
  resize(frameWidth + 2, strip.height() + 2);
  update();
  return true;
}

void AnimationControl::play() {
  if (frames_.empty()) return;
  current_ = 0;
  timer_.start();
  update();
}

void AnimationControl::stop() { timer_.stop(); }

void AnimationControl::advance() {
  if (frames_.empty()) return;
  current_ = (current_ + 1) % static_cast<int>(frames_.size());
  ++shown_;
  update();
}

void AnimationControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  if (!frames_.empty()) painter.drawImage(1, 1, frames_[static_cast<std::size_t>(current_)]);
  painter.setPen(palette().color(QPalette::WindowText));
  painter.drawRect(0, 0, width() - 1, height() - 1);
}

}  // namespace pictrove
