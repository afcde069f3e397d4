#include "board/tools/flow_tools.h"

#include "board/drawing_commands.h"

namespace kovra {

void FreehandTool::Move(Qt::KeyboardModifiers shift, int x, int y) {
  const QPoint to = Constrained(shift, x, y);
  // Continues from the local pen position, where the press put it. The
  // colour goes out in the form the board reads back.
  host_.Draw(drawing::LineTo{to.x(), to.y(), host_.CurrentWidth(),
                             ColorToString(StringToColor(host_.PenColorName()))});
}

void EraserTool::Press(int x, int y) {
  // Nothing is erased until the pointer moves: the peers get only the move.
  ShowSquare(x, y);
}

void EraserTool::Move(Qt::KeyboardModifiers shift, int x, int y) {
  const QPoint at = Constrained(shift, x, y);
  ShowSquare(at.x(), at.y());
  host_.Draw(drawing::LineTo{at.x(), at.y(), 2 * host_.CurrentWidth(), ColorToString(kClWhite)});
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
