#include "board/tools/shape_tools.h"

#include "board/drawing_commands.h"
#include "board/figures.h"

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
  Finish(width);
}

void ShapeTool::Cancel() { host_.ShowBand({}); }

std::string ShapeTool::FinalPen(int width) {
  const std::string pen = host_.PenColorName();
  Canvas().SetPenColor(StringToColor(pen));
  Canvas().SetPenWidth(width);
  Canvas().SetPenMode(PenMode::kCopy);
  return pen;
}

void ShapeTool::SendFigure(const std::string& command, int width, const std::string& pen,
                           const std::string& fill) {
  const GestureState& g = Gesture();
  host_.Send(command, drawing::Figure{g.StartX, g.StartY, g.ShapeRect.Right, g.ShapeRect.Bottom,
                                      width, pen, fill}
                          .Build());
}

void StraightLineTool::DrawFigure() {
  const GestureState& g = Gesture();
  DrawSegment(Canvas(), g.StartX, g.StartY, g.ShapeRect.Right, g.ShapeRect.Bottom);
}

void StraightLineTool::Finish(int width) {
  const std::string pen = FinalPen(width);
  DrawFigure();
  SendFigure(command::kLineFromTo, width, pen);
}

void RectangleTool::DrawFigure() {
  const GestureState& g = Gesture();
  DrawFrame(Canvas(), g.StartX, g.StartY, g.ShapeRect.Right, g.ShapeRect.Bottom);
}

void RectangleTool::Finish(int width) {
  const std::string pen = FinalPen(width);
  DrawFigure();
  SendFigure(command::kRectangle, width, pen);
}

void FilledRectangleTool::Finish(int width) {
  const std::string fill = host_.FillColorName();
  Canvas().SetBrushColor(StringToColor(fill));  // solid again, even after an ellipse
  const std::string pen = FinalPen(width);
  const GestureState& g = Gesture();
  Canvas().Rectangle(g.StartX, g.StartY, g.ShapeRect.Right, g.ShapeRect.Bottom);
  SendFigure(command::kRectangleFill, width, pen, fill);
}

void EllipseTool::DrawFigure() {
  const GestureState& g = Gesture();
  DrawEllipse(Canvas(), g.StartX, g.StartY, g.ShapeRect.Right, g.ShapeRect.Bottom);
}

void EllipseTool::Finish(int width) {
  Canvas().SetBrushStyle(BrushStyle::kClear);  // outline only
  const std::string pen = FinalPen(width);
  DrawFigure();
  SendFigure(command::kEllipse, width, pen, host_.FillColorName());
}

void FilledEllipseTool::Finish(int width) {
  const std::string fill = host_.FillColorName();
  Canvas().SetBrushColor(StringToColor(fill));
  const std::string pen = FinalPen(width);
  DrawFigure();
  SendFigure(command::kEllipseFill, width, pen, fill);
}

}  // namespace kovra
