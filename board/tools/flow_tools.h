// Tools that act along the pointer's path: the freehand line and the eraser.
#pragma once

#include "board/tools/tool.h"

namespace kovra {

class FreehandTool : public Tool {
 public:
  using Tool::Tool;
  void Press(int x, int y) override;
  void Move(Qt::KeyboardModifiers shift, int x, int y) override;
};

// Paints white squares of side 2w locally, the current one outlined; the
// correspondents receive a white line of width 2w.
class EraserTool : public Tool {
 public:
  using Tool::Tool;
  void Press(int x, int y) override;
  void Move(Qt::KeyboardModifiers shift, int x, int y) override;
  void Release(Qt::KeyboardModifiers shift, int x, int y) override;

 private:
  // Whitens the square now shown and shows the one at (x, y).
  void EraseAt(int x, int y, bool outline);
};

}  // namespace kovra
