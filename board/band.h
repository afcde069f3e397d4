// What a gesture in progress shows above the board and never draws into it:
// a rubber band (the provisional figure of a drag, in inverted pixels) or
// the eraser's square (outlined in black).
#pragma once

#include <QPoint>

namespace kovra {

struct Band {
  // kSquare: the outline of the pixels from `from` to `to`, both included.
  enum class Shape { kNone, kSegment, kFrame, kEllipse, kSquare };
  Shape shape = Shape::kNone;
  QPoint from;  // the anchor
  QPoint to;    // the far corner or end
  int width = 1;
  bool operator==(const Band& other) const {
    return shape == other.shape && from == other.from && to == other.to && width == other.width;
  }
  bool operator!=(const Band& other) const { return !(*this == other); }
};

}  // namespace kovra
