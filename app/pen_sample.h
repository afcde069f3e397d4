// Label_Pen: the pen as the tools draw with it, a line of its colour and
// width across the fill colour, so both show at a glance.
#pragma once

#include <QColor>
#include <QWidget>

namespace kovra {

class PenSample : public QWidget {
 public:
  using QWidget::QWidget;

  void Show(const QColor& pen, const QColor& fill, int width);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor pen_ = Qt::black;
  QColor fill_ = Qt::white;
  int width_ = 1;
};

}  // namespace kovra
