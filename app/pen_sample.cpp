#include "app/pen_sample.h"

#include <QPainter>
#include <algorithm>

namespace kovra {

void PenSample::Show(const QColor& pen, const QColor& fill, int width) {
  pen_ = pen;
  fill_ = fill;
  width_ = width;
  update();
}

void PenSample::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), fill_);
  painter.setPen(Qt::gray);
  painter.drawRect(rect().adjusted(0, 0, -1, -1));
  // Wider than the sample is high, the line fills it: the tooltip says how wide.
  painter.setPen(QPen(pen_, std::clamp(width_, 1, height() - 4), Qt::SolidLine, Qt::FlatCap));
  painter.drawLine(6, height() / 2, width() - 6, height() / 2);
}

}  // namespace kovra
