// A widget that paints through its owner: the dialog's thumbnail layer and
// the viewer's picture. What it shows and how it takes input is the owner's.
#pragma once

#include <QPainter>
#include <QWidget>
#include <functional>
#include <utility>

namespace pictrove {

class PaintedWidget : public QWidget {
 public:
  PaintedWidget(QWidget* parent, std::function<void(QPainter&)> paint)
      : QWidget(parent), paint_(std::move(paint)) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    paint_(painter);
  }

 private:
  std::function<void(QPainter&)> paint_;
};

}  // namespace pictrove
