// Tools that drag a rubber band from the anchor and draw the final figure at
// the release: straight line, rectangles and ellipses. A family member names
// its band's shape and its final figure; the base runs the gesture.
#pragma once

#include "board/tools/tool.h"

namespace kovra {

class ShapeTool : public Tool {
 public:
  using Tool::Tool;
  void Press(int x, int y) override;
  void Move(Qt::KeyboardModifiers shift, int x, int y) override;
  void Release(Qt::KeyboardModifiers shift, int x, int y) override;
  // Takes the band away; nothing is drawn.
  void Cancel() override;

 protected:
  // Where the far corner goes for a pointer at (x, y).
  virtual QPoint FarCorner(Qt::KeyboardModifiers, int x, int y) const { return QPoint(x, y); }
  virtual Band::Shape BandShape() const = 0;
  // The final figure from the anchor to (Right, Bottom), width w.
  virtual drawing::Command FinalFigure(int width) const = 0;
  // Shows the band from the anchor to (Right, Bottom), width w.
  void ShowBand(int width);
  // The figure's fields: anchor, far corner, width and pen colour, and the
  // fill colour for the figures that carry one.
  drawing::Figure Fields(int width, bool with_fill) const;
};

class StraightLineTool : public ShapeTool {
 public:
  using ShapeTool::ShapeTool;

 protected:
  Band::Shape BandShape() const override { return Band::Shape::kSegment; }
  QPoint FarCorner(Qt::KeyboardModifiers shift, int x, int y) const override {
    return Constrained(shift, x, y);
  }
  drawing::Command FinalFigure(int width) const override;
};

class RectangleTool : public ShapeTool {
 public:
  using ShapeTool::ShapeTool;

 protected:
  Band::Shape BandShape() const override { return Band::Shape::kFrame; }
  drawing::Command FinalFigure(int width) const override;
};

class FilledRectangleTool : public RectangleTool {
 public:
  using RectangleTool::RectangleTool;

 protected:
  drawing::Command FinalFigure(int width) const override;
};

class EllipseTool : public ShapeTool {
 public:
  using ShapeTool::ShapeTool;

 protected:
  Band::Shape BandShape() const override { return Band::Shape::kEllipse; }
  drawing::Command FinalFigure(int width) const override;
};

class FilledEllipseTool : public EllipseTool {
 public:
  using EllipseTool::EllipseTool;

 protected:
  drawing::Command FinalFigure(int width) const override;
};

}  // namespace kovra
