#include "app/qt/up_down_control.h"

#include <QKeyEvent>
#include <QPen>
#include <QStyleOptionFocusRect>
#include <QStylePainter>
#include <QToolButton>

namespace pictrove {
namespace {

// The focus frame over both buttons (which never take the focus
// themselves): the style's focus mark, and around it a ring in the
// highlight colour like the one a focused line edit gets, since some styles
// mark the focus only faintly. Clicks pass through it.
class FocusFrame : public QWidget {
 public:
  explicit FocusFrame(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setObjectName(QStringLiteral("focusFrame"));
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = rect().adjusted(2, 2, -2, -2);
    option.backgroundColor = palette().color(QPalette::Button);
    option.state |= QStyle::State_HasFocus | QStyle::State_KeyboardFocusChange;
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, option);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 3, 3);
  }
};

}  // namespace

UpDownControl::UpDownControl(QWidget* parent)
    : QWidget(parent),
      left_(new QToolButton(this)),
      right_(new QToolButton(this)),
      focusFrame_(new FocusFrame(this)) {
  setFocusPolicy(Qt::StrongFocus);
  setAccessibleName(tr("Previews"));
  left_->setArrowType(Qt::LeftArrow);
  right_->setArrowType(Qt::RightArrow);
  left_->setObjectName(QStringLiteral("previous"));
  right_->setObjectName(QStringLiteral("next"));
  left_->setAccessibleName(tr("Previous preview"));
  right_->setAccessibleName(tr("Next preview"));
  left_->setToolTip(tr("Previous preview (Page Up)"));
  right_->setToolTip(tr("Next preview (Page Down)"));
  for (QToolButton* button : {left_, right_}) {
    button->setFocusPolicy(Qt::NoFocus);
    button->setAutoRepeat(true);
  }
  focusFrame_->hide();
  connect(left_, &QToolButton::clicked, this, [this] { step(-1); });
  connect(right_, &QToolButton::clicked, this, [this] { step(+1); });
}

void UpDownControl::setRange(int low, int high) {
  low_ = low;
  high_ = high;
}

void UpDownControl::setPosition(int position) { position_ = position; }

bool UpDownControl::focusFrameShown() const { return focusFrame_->isVisible(); }

void UpDownControl::step(int delta) {
  if (!isEnabled()) return;
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
  focusFrame_->setGeometry(rect());
}

void UpDownControl::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  focusFrame_->raise();
  focusFrame_->show();
}

void UpDownControl::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  focusFrame_->hide();
}

}  // namespace pictrove
