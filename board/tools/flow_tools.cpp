#include "board/tools/flow_tools.h"

#include "board/drawing_commands.h"

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
  host_.Send(
      command::kLineTo,
      drawing::LineTo{to.x(), to.y(), canvas.PenWidth(), ColorToString(canvas.PenColor())}.Build());
}

void EraserTool::Press(int x, int y) {
  // Nothing is erased until the pointer moves: the peers get only the move.
  Canvas().SetPenMode(PenMode::kCopy);
  ShowSquare(x, y);
}

void EraserTool::Move(Qt::KeyboardModifiers shift, int x, int y) {
  const QPoint at = Constrained(shift, x, y);
  const int width = 2 * host_.CurrentWidth();
  BoardCanvas& canvas = Canvas();
  // The same line every correspondent draws for the command sent below.
  canvas.SetPenMode(PenMode::kCopy);
  canvas.SetPenWidth(width);
  canvas.SetPenColor(kClWhite);
  canvas.LineTo(at.x(), at.y());
  ShowSquare(at.x(), at.y());
  host_.Send(command::kLineTo,
             drawing::LineTo{at.x(), at.y(), width, ColorToString(kClWhite)}.Build());
}

void EraserTool::Release(Qt::KeyboardModifiers, int, int) { Cancel(); }

void EraserTool::Cancel() {
  Gesture().ShapeRect = {};
  host_.ShowBand({});
}

void EraserTool::ShowSquare(int x, int y) {
  const int h = host_.CurrentWidth();
  Gesture().ShapeRect = {x - h, y - h, x + h, y + h};
  host_.ShowBand({Band::Shape::kSquare, QPoint(x - h, y - h), QPoint(x + h - 1, y + h - 1), 1});
}

}  // namespace kovra
