#include "board/tools/tool.h"

namespace kovra {

QPoint Tool::Constrained(Qt::KeyboardModifiers shift, int x, int y) const {
  const GestureState& gesture = host_.Gesture();
  if (shift & Qt::ControlModifier) x = gesture.StartX;
  if (shift & Qt::ShiftModifier) y = gesture.StartY;
  return QPoint(x, y);
}

}  // namespace kovra
