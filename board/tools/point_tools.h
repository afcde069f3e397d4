// Tools that act where the button is pressed (flood fill, text) and the
// pointer, which only shows where it is.
#pragma once

#include "board/tools/tool.h"

namespace kovra {

class FloodFillTool : public Tool {
 public:
  using Tool::Tool;
  void Press(int x, int y) override;
};

class TextTool : public Tool {
 public:
  using Tool::Tool;
  void Press(int x, int y) override;
};

class PointerTool : public Tool {
 public:
  using Tool::Tool;
  void Move(Qt::KeyboardModifiers shift, int x, int y) override;
};

}  // namespace kovra
