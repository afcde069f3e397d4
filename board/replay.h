// Draws received drawing commands on the board canvas, the same canvas and
// anchor that the local tools use, so what a command sets stays set.
#pragma once

#include <string>

#include "board/canvas.h"
#include "board/tools/tool.h"

namespace kovra {

class Replay {
 public:
  Replay(BoardCanvas& canvas, GestureState& gesture) : canvas_(canvas), gesture_(gesture) {}

  // Each takes the received argument text; a colour field that cannot be
  // read raises the conversion error where it stands.
  void MoveTo(const std::string& args);
  void LineTo(const std::string& args);
  void LineFromTo(const std::string& args);
  void Rectangle(const std::string& args);
  void RectangleFill(const std::string& args);
  void Ellipse(const std::string& args);
  void EllipseFill(const std::string& args);
  void FloodFill(const std::string& args);
  void SetFont(const std::string& args);
  void TextOut(const std::string& args);

 private:
  BoardCanvas& canvas_;
  GestureState& gesture_;
};

}  // namespace kovra
