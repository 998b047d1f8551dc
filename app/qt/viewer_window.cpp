#include "app/qt/viewer_window.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

#include "app/qt/painted_widget.h"

namespace pictrove {
namespace {

// Room the window frame takes on the screen before the window is shown.
constexpr int kFrameAllowanceX = 16;
constexpr int kFrameAllowanceY = 48;

}  // namespace

ViewerWindow::ViewerWindow(QWidget* parent)
    : QDialog(parent), scroll_(new QScrollArea(this)), picture_(nullptr) {
  setObjectName(QStringLiteral("previewViewer"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  // The dialog takes no input while the viewer is up: its steps come from
  // here.
  setModal(true);
  // Its size is the picture's on show.
  picture_ = new PaintedWidget(scroll_, [this](QPainter& painter) { paintPicture(painter); });
  picture_->setObjectName(QStringLiteral("picture"));
  picture_->setAttribute(Qt::WA_OpaquePaintEvent);
  scroll_->setWidget(picture_);
  scroll_->setWidgetResizable(false);
  scroll_->setAlignment(Qt::AlignCenter);
  scroll_->setFrameShape(QFrame::NoFrame);
  // The keys are the window's: the scroll area would take the arrows and
  // the page keys for scrolling.
  scroll_->setFocusPolicy(Qt::NoFocus);
  scroll_->viewport()->installEventFilter(this);
  setFocusPolicy(Qt::StrongFocus);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(scroll_);
}

void ViewerWindow::setContent(ViewerContent&& content) {
  image_ = QImage();
  content_ = std::move(content);
  if (!content_.picture.empty()) {
    const RgbPicture& picture = content_.picture;
    image_ = QImage(picture.pixels(), static_cast<int>(picture.width()), static_cast<int>(picture.height()),
                    static_cast<qsizetype>(picture.width()) * 3, QImage::Format_RGB888);
  }
  setWindowTitle(QString::fromStdString(content_.title));
  zoom_.SetPicture(content_.width, content_.height);
  applyZoom();
}

void ViewerWindow::applyZoom() {
  const qreal ratio = devicePixelRatioF();
  QSize room(1280, 1024);
  if (QScreen* screen = this->screen()) room = screen->availableGeometry().size();
  const QSize frame = isVisible() ? frameGeometry().size() - geometry().size()
                                  : QSize(kFrameAllowanceX, kFrameAllowanceY);
  room = (room - frame).expandedTo(QSize(1, 1));
  zoom_.SetRoom(static_cast<int>(std::floor(room.width() * ratio)),
                static_cast<int>(std::floor(room.height() * ratio)));
  // Whole logical pixels that hold the picture's device pixels.
  const QSize shown(static_cast<int>(std::ceil(zoom_.ShownWidth() / ratio - 1e-9)),
                    static_cast<int>(std::ceil(zoom_.ShownHeight() / ratio - 1e-9)));
  picture_->resize(shown);
  const QPoint centre = isVisible() ? geometry().center() : QPoint();
  // A side that scrolls takes a scroll bar's room from the other.
  QSize window = shown;
  const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroll_);
  if (shown.width() > room.width()) window.rheight() += bar;
  if (shown.height() > room.height()) window.rwidth() += bar;
  resize(window.boundedTo(room));
  if (isVisible()) {
    // Around the same centre, within the screen.
    QRect placed(QPoint(), size());
    placed.moveCenter(centre);
    if (QScreen* screen = this->screen()) {
      const QRect available = screen->availableGeometry();
      placed.moveLeft(std::clamp(placed.left(), available.left(),
                                 std::max(available.left(), available.right() + 1 - placed.width())));
      placed.moveTop(std::clamp(placed.top(), available.top() + frame.height(),
                                std::max(available.top(), available.bottom() + 1 - placed.height())));
    }
    move(placed.topLeft() - (geometry().topLeft() - pos()));
  }
  picture_->update();
}

void ViewerWindow::paintPicture(QPainter& painter) {
  painter.fillRect(picture_->rect(), Qt::white);
  if (image_.isNull()) return;
  const qreal ratio = painter.device()->devicePixelRatioF();
  const double factor = zoom_.Factor();
  if (factor == 1.0) {
    // One picture pixel to one device pixel, untouched.
    if (image_.devicePixelRatio() != ratio) image_.setDevicePixelRatio(ratio);
    painter.drawImage(QPointF(0, 0), image_);
    return;
  }
  // Shrunk smoothly, so that thin lines stay visible; enlarged without
  // smoothing, so that each picture pixel shows as a square.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, factor < 1.0);
  painter.drawImage(QRectF(0, 0, zoom_.ShownWidth() / ratio, zoom_.ShownHeight() / ratio), image_);
}

void ViewerWindow::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Left:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
      emit stepRequested(-1);
      return;
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_PageDown:
      emit stepRequested(+1);
      return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      zoom_.ZoomIn();
      applyZoom();
      return;
    case Qt::Key_Minus:
      zoom_.ZoomOut();
      applyZoom();
      return;
    case Qt::Key_0:
      zoom_.Fit();
      applyZoom();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

bool ViewerWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == scroll_->viewport() && event->type() == QEvent::Wheel) {
    auto* wheel = static_cast<QWheelEvent*>(event);
    if (wheel->modifiers() & Qt::ControlModifier) {
      // One step per notch: away from the user enlarges.
      constexpr int kNotch = 120;
      wheelRemainder_ += wheel->angleDelta().y();
      for (; wheelRemainder_ >= kNotch; wheelRemainder_ -= kNotch) zoom_.ZoomIn();
      for (; wheelRemainder_ <= -kNotch; wheelRemainder_ += kNotch) zoom_.ZoomOut();
      applyZoom();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void ViewerWindow::done(int result) {
  QDialog::done(result);
  // Nothing of the picture is kept while the window is closed.
  image_ = QImage();
  content_ = ViewerContent();
  setWindowTitle(QString());
  zoom_.Fit();
  wheelRemainder_ = 0;
  // The keys go back to the dialog, whatever the window manager does.
  if (QWidget* owner = parentWidget()) owner->activateWindow();
  emit closed();
}

}  // namespace pictrove
