#include "board/figures.h"

namespace kovra {

void DrawSegment(BoardCanvas& canvas, int x0, int y0, int x1, int y1) {
  canvas.MoveTo(x0, y0);
  canvas.LineTo(x1, y1);
}

void DrawFrame(BoardCanvas& canvas, int x0, int y0, int x1, int y1) {
  canvas.MoveTo(x0, y0);
  canvas.LineTo(x1, y0);
  canvas.MoveTo(x1, y0);
  canvas.LineTo(x1, y1);
  canvas.MoveTo(x1, y1);
  canvas.LineTo(x0, y1);
  canvas.MoveTo(x0, y1);
  canvas.LineTo(x0, y0);
  canvas.MoveTo(x0, y0);
}

void DrawEllipse(BoardCanvas& canvas, int x0, int y0, int x1, int y1) {
  canvas.Ellipse(x0, y0, x1, y1);
}

}  // namespace kovra
