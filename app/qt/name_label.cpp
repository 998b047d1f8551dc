#include "app/qt/name_label.h"

#include <QEvent>
#include <QFontMetrics>
#include <QRegularExpression>
#include <algorithm>

namespace pictrove {

NameLabel::NameLabel(QWidget* parent) : QLabel(parent) { setTextFormat(Qt::PlainText); }

void NameLabel::setFullText(const QString& text) {
  fullText_ = text;
  refresh();
}

void NameLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  refresh();
}

void NameLabel::changeEvent(QEvent* event) {
  QLabel::changeEvent(event);
  if (event->type() == QEvent::FontChange) refresh();
}

void NameLabel::refresh() {
  setToolTip(fullText_);
  const QFontMetrics metrics(font());
  const int room = contentsRect().width() - 2 * margin();
  if (metrics.horizontalAdvance(fullText_) <= room) {
    setText(fullText_);
    return;
  }
  // The counter at the end keeps its place; only the name gives way.
  static const QRegularExpression counter(QStringLiteral(" - \\d+ of \\d+$"));
  const QRegularExpressionMatch match = counter.match(fullText_);
  const QString suffix = match.hasMatch() ? match.captured(0) : QString();
  const QString name = fullText_.left(fullText_.size() - suffix.size());
  const int nameRoom = std::max(0, room - metrics.horizontalAdvance(suffix));
  setText(metrics.elidedText(name, Qt::ElideMiddle, nameRoom) + suffix);
}

}  // namespace pictrove
