#include "board/tools/shape_tools.h"

#include "board/drawing_commands.h"
#include "board/figures.h"

namespace kovra {

void ShapeTool::Press(int x, int y) {
  Canvas().SetPenColor(kClBlack);
  Canvas().SetPenMode(PenMode::kNotXor);
  BandBrush();
  GestureState& gesture = Gesture();
  gesture.ShapeRect = {gesture.StartX, gesture.StartY, x, y};
  DrawFirstBand();  // both corners at the anchor
}

void ShapeTool::DrawFirstBand() {
  band_width_ = Canvas().PenWidth();
  DrawFigure();
}

void ShapeTool::DrawBand(int width) {
  band_width_ = width;
  BandPen(width);
  BandBrush();
  DrawFigure();
}

void ShapeTool::Move(Qt::KeyboardModifiers shift, int x, int y) {
  const int width = host_.CurrentWidth();
  const QPoint corner = FarCorner(shift, x, y);
  DrawBand(width);  // drawn again, the old band goes
  Gesture().ShapeRect.Right = corner.x();
  Gesture().ShapeRect.Bottom = corner.y();
  DrawBand(width);
}

void ShapeTool::Release(Qt::KeyboardModifiers shift, int x, int y) {
  const int width = host_.CurrentWidth();
  const QPoint corner = FarCorner(shift, x, y);
  DrawBand(width);
  Gesture().ShapeRect.Right = corner.x();
  Gesture().ShapeRect.Bottom = corner.y();
  Finish(width);
}

void ShapeTool::Cancel() { DrawBand(band_width_); }

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

void StraightLineTool::Press(int x, int y) {
  Canvas().SetPenColor(kClBlack);
  Canvas().SetPenMode(PenMode::kNotXor);
  Gesture().ShapeRect.Right = x;
  Gesture().ShapeRect.Bottom = y;
  DrawFirstBand();
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
  const std::string pen = FinalPen(width);
  DrawFigure();  // the brush is still clear: outline only
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
