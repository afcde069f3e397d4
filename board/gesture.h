// The state of the gesture on the board: the anchor that a press sets, the
// rubber band or eraser square now shown, and whether a gesture is in
// progress.
#pragma once

#include <cstdint>

namespace kovra {

// Left, Top, Right, Bottom: the rubber band or the eraser's square now shown.
struct ShapeBounds {
  std::int32_t Left = 0;
  std::int32_t Top = 0;
  std::int32_t Right = 0;
  std::int32_t Bottom = 0;
};

struct GestureState {
  std::int32_t StartX = 0;  // the anchor: the last press
  std::int32_t StartY = 0;
  ShapeBounds ShapeRect;
  bool Drawing = false;
};

}  // namespace kovra
