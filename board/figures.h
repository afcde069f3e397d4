// The figures the tools draw, on the board canvas with its current pen and
// brush: the same calls draw the rubber band and the final figure.
#pragma once

#include "board/canvas.h"

namespace kovra {

// Moves the pen to (x0, y0) and draws a line to (x1, y1).
void DrawSegment(BoardCanvas& canvas, int x0, int y0, int x1, int y1);
// A rectangle outline of four lines, never using the brush; the pen ends at (x0, y0).
void DrawFrame(BoardCanvas& canvas, int x0, int y0, int x1, int y1);
// The canvas ellipse in the box, filled unless the brush is clear.
void DrawEllipse(BoardCanvas& canvas, int x0, int y0, int x1, int y1);

}  // namespace kovra
