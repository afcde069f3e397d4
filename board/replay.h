// Draws received drawing commands on the board canvas, the same canvas and
// anchor that the local tools use, so what a command sets stays set.
#pragma once

#include <string>

#include "board/canvas.h"
#include "board/drawing_commands.h"
#include "board/gesture.h"

namespace kovra {

// Sets the canvas font as a received "ImageKV_SetFont" does: the name when
// given, the colour (an unreadable or empty one raises the conversion error,
// and the size and style then stay), the size, and the style. The text tool
// sets its own font the same way, so its text is drawn as the peers draw it.
void ApplyFont(BoardCanvas& canvas, const drawing::SetFont& font);

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
