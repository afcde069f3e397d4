// A captioned panel that reports which mouse button was pressed on it
// (Panel_Cvet_Fon: left for the pen colour, right for the fill colour).
#pragma once

#include <QLabel>

namespace kovra {

class MousePanel : public QLabel {
  Q_OBJECT

 public:
  using QLabel::QLabel;

 signals:
  void MousePressed(Qt::MouseButton button);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};

}  // namespace kovra
