// Tools that act along the pointer's path: the freehand line and the eraser.
#pragma once

#include "board/tools/tool.h"

namespace kovra {

class FreehandTool : public Tool {
 public:
  using Tool::Tool;
  void Move(Qt::KeyboardModifiers shift, int x, int y) override;
};

// Draws a white line of width 2w; a square outlined above the board shows
// where the pointer erases.
class EraserTool : public Tool {
 public:
  using Tool::Tool;
  void Press(int x, int y) override;
  void Move(Qt::KeyboardModifiers shift, int x, int y) override;
  void Release(Qt::KeyboardModifiers shift, int x, int y) override;
  void Cancel() override;

 private:
  // Shows the square of side 2w centred on (x, y).
  void ShowSquare(int x, int y);
};

}  // namespace kovra
