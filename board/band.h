// A rubber band: the provisional figure of a drag, shown above the board
// with inverted pixels and never drawn into it.
#pragma once

#include <QPoint>

namespace kovra {

struct Band {
  enum class Shape { kNone, kSegment, kFrame, kEllipse };
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
