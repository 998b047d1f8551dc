#include "app/qt/up_down_control.h"

#include <QKeyEvent>
#include <QToolButton>

namespace pictrove {

UpDownControl::UpDownControl(QWidget* parent)
    : QWidget(parent), left_(new QToolButton(this)), right_(new QToolButton(this)) {
  setFocusPolicy(Qt::StrongFocus);
  left_->setArrowType(Qt::LeftArrow);
  right_->setArrowType(Qt::RightArrow);
  left_->setObjectName(QStringLiteral("previous"));
  right_->setObjectName(QStringLiteral("next"));
  for (QToolButton* button : {left_, right_}) {
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRepeat(true);
  }
  connect(left_, &QToolButton::clicked, this, [this] { step(-1); });
  connect(right_, &QToolButton::clicked, this, [this] { step(+1); });
}

void UpDownControl::setRange(int low, int high) {
  low_ = low;
  high_ = high;
}

void UpDownControl::setPosition(int position) { position_ = position; }

void UpDownControl::step(int delta) {
  emit stepped(delta);
  // The owner accepts every step; the position follows with wrap-around.
  position_ += delta;
  if (position_ > high_) position_ = low_;
  if (position_ < low_) position_ = high_;
}

void UpDownControl::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
      step(-1);
      break;
    case Qt::Key_Right:
    case Qt::Key_Up:
      step(+1);
      break;
    default:
      QWidget::keyPressEvent(event);
  }
}

void UpDownControl::resizeEvent(QResizeEvent*) {
  const int half = width() / 2;
  left_->setGeometry(0, 0, half, height());
  right_->setGeometry(half, 0, width() - half, height());
}

}  // namespace pictrove
