// A horizontal up-down control: two arrow buttons side by side that also
// answer the arrow keys. Each click, repeat or key press reports a single
// step of -1 (left) or +1 (right); the control keeps a position in its range
// that wraps at both ends. With the keyboard focus it shows a focus frame
// over its buttons.
#pragma once

#include <QWidget>

class QToolButton;

namespace pictrove {

class UpDownControl : public QWidget {
  Q_OBJECT

 public:
  explicit UpDownControl(QWidget* parent = nullptr);

  void setRange(int low, int high);
  void setPosition(int position);
  int low() const { return low_; }
  int high() const { return high_; }
  int position() const { return position_; }
  // Whether the focus frame is showing.
  bool focusFrameShown() const;

  // A step of -1 or +1 as if an arrow had been clicked; nothing while the
  // control is disabled. For steps that come from elsewhere (the wheel,
  // Page Up and Page Down).
  void step(int delta);

 signals:
  // A requested change of position, always -1 or +1.
  void stepped(int delta);

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QToolButton* left_;
  QToolButton* right_;
  QWidget* focusFrame_;
  int low_ = 0;
  int high_ = 0;
  int position_ = 0;
};

}  // namespace pictrove
