// The label above the picture, "name - n of m": a name too long for the
// label is shortened in its middle with an ellipsis while " - n of m" stays
// whole; the whole text is the tooltip.
#pragma once

#include <QLabel>
#include <QString>

namespace pictrove {

class NameLabel : public QLabel {
  Q_OBJECT

 public:
  explicit NameLabel(QWidget* parent = nullptr);

  // The text to show, in full.
  void setFullText(const QString& text);
  const QString& fullText() const { return fullText_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void refresh();

  QString fullText_;
};

}  // namespace pictrove
