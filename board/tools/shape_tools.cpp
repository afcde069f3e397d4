#include "board/tools/shape_tools.h"

#include "board/drawing_commands.h"

namespace kovra {

void ShapeTool::Press(int x, int y) {
  GestureState& gesture = Gesture();
  gesture.ShapeRect = {gesture.StartX, gesture.StartY, x, y};
  ShowBand(host_.CurrentWidth());  // both corners at the anchor
}

void ShapeTool::ShowBand(int width) {
  const GestureState& g = Gesture();
  host_.ShowBand({BandShape(), QPoint(g.StartX, g.StartY),
                  QPoint(g.ShapeRect.Right, g.ShapeRect.Bottom), width});
}

void ShapeTool::Move(Qt::KeyboardModifiers shift, int x, int y) {
  const QPoint corner = FarCorner(shift, x, y);
  Gesture().ShapeRect.Right = corner.x();
  Gesture().ShapeRect.Bottom = corner.y();
  ShowBand(host_.CurrentWidth());
}

void ShapeTool::Release(Qt::KeyboardModifiers shift, int x, int y) {
  const int width = host_.CurrentWidth();
  const QPoint corner = FarCorner(shift, x, y);
  host_.ShowBand({});
  Gesture().ShapeRect.Right = corner.x();
  Gesture().ShapeRect.Bottom = corner.y();
  host_.Draw(FinalFigure(width));
}

void ShapeTool::Cancel() { host_.ShowBand({}); }

drawing::Figure ShapeTool::Fields(int width, bool with_fill) const {
  const GestureState& g = host_.Gesture();
  return {g.StartX,
          g.StartY,
          g.ShapeRect.Right,
          g.ShapeRect.Bottom,
          width,
          host_.PenColorName(),
          with_fill ? host_.FillColorName() : std::string()};
}

drawing::Command StraightLineTool::FinalFigure(int width) const {
  return drawing::LineFromTo{Fields(width, false)};
}

drawing::Command RectangleTool::FinalFigure(int width) const {
  return drawing::Rectangle{Fields(width, false)};
}

drawing::Command FilledRectangleTool::FinalFigure(int width) const {
  return drawing::RectangleFill{Fields(width, true)};
}

// The fill colour travels with the outline, and no board uses it.
drawing::Command EllipseTool::FinalFigure(int width) const {
  return drawing::Ellipse{Fields(width, true)};
}

drawing::Command FilledEllipseTool::FinalFigure(int width) const {
  return drawing::EllipseFill{Fields(width, true)};
}

}  // namespace kovra
