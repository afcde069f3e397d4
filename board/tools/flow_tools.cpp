#include "board/tools/flow_tools.h"

#include "board/drawing_commands.h"
#include "net/command.h"

namespace kovra {

void FreehandTool::Press(int, int) {
  Canvas().SetPenMode(PenMode::kCopy);
  Canvas().SetPenWidth(host_.CurrentWidth());
  Canvas().SetBrushColor(kClWhite);
  Canvas().SetPenColor(kClWhite);
}

void FreehandTool::Move(Qt::KeyboardModifiers shift, int x, int y) {
  BoardCanvas& canvas = Canvas();
  canvas.SetPenColor(StringToColor(host_.PenColorName()));
  canvas.SetPenWidth(host_.CurrentWidth());
  const QPoint to = Constrained(shift, x, y);
  // Continues from the pen position as it finds it, a replayed one included.
  canvas.LineTo(to.x(), to.y());
  host_.Send(command::kLineTo, JoinFields({Field(to.x()), Field(to.y()), Field(canvas.PenWidth()),
                                           ColorToString(canvas.PenColor())}));
}

void EraserTool::Press(int x, int y) {
  BoardCanvas& canvas = Canvas();
  const int width = host_.CurrentWidth();
  canvas.SetPenMode(PenMode::kCopy);
  canvas.SetPenWidth(width);
  canvas.SetBrushColor(kClWhite);
  canvas.SetPenColor(kClWhite);
  canvas.LineTo(x, y);
  canvas.MoveTo(x, y);
  const int h = width / 2;
  GestureState& gesture = Gesture();
  gesture.ShapeRect = {gesture.StartX - h, gesture.StartY - h, gesture.StartX + h, gesture.StartY + h};
  EraseAt(x, y, true);
}

void EraserTool::Move(Qt::KeyboardModifiers shift, int x, int y) {
  const QPoint at = Constrained(shift, x, y);
  EraseAt(at.x(), at.y(), true);
  host_.Send(command::kLineTo, JoinFields({Field(at.x()), Field(at.y()),
                                           Field(2 * host_.CurrentWidth()), ColorToString(kClWhite)}));
}

void EraserTool::Release(Qt::KeyboardModifiers, int x, int y) { EraseAt(x, y, false); }

void EraserTool::EraseAt(int x, int y, bool outline) {
  BoardCanvas& canvas = Canvas();
  const PenMode mode = canvas.Mode();
  const TColor pen_color = canvas.PenColor();
  const TColor brush_color = canvas.BrushColor();
  const int pen_width = canvas.PenWidth();

  canvas.SetPenMode(PenMode::kCopy);
  canvas.SetBrushStyle(BrushStyle::kSolid);
  canvas.SetBrushColor(kClWhite);
  canvas.SetPenColor(kClWhite);
  canvas.SetPenWidth(1);
  ShapeBounds& square = Gesture().ShapeRect;
  canvas.Rectangle(square.Left, square.Top, square.Right, square.Bottom);
  const int h = std::max(2 * host_.CurrentWidth(), 2) / 2;
  square = {x - h, y - h, x + h, y + h};
  if (outline) {
    canvas.SetBrushColor(kClWhite);
    canvas.SetPenColor(kClBlack);
    canvas.Rectangle(square.Left, square.Top, square.Right, square.Bottom);
  }
  canvas.SetBrushColor(brush_color);
  canvas.SetPenColor(pen_color);
  canvas.SetPenMode(mode);
  canvas.SetPenWidth(pen_width);
}

}  // namespace kovra
