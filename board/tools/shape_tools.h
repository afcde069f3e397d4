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
  // Draws the final figure from the anchor to (Right, Bottom).
  virtual void DrawFigure() = 0;
  // Draws the final figure in copy mode and sends its command.
  virtual void Finish(int width) = 0;
  // Shows the band from the anchor to (Right, Bottom), width w.
  void ShowBand(int width);
  // Pen colour from the settings, width w, copy mode: the final figure's pen.
  // Returns the pen colour text, as the command carries it.
  std::string FinalPen(int width);
  // Sends the figure's command: anchor, far corner, width, pen and more.
  void SendFigure(const std::string& command, int width, const std::string& pen,
                  const std::string& fill = {});
};

class StraightLineTool : public ShapeTool {
 public:
  using ShapeTool::ShapeTool;

 protected:
  Band::Shape BandShape() const override { return Band::Shape::kSegment; }
  QPoint FarCorner(Qt::KeyboardModifiers shift, int x, int y) const override {
    return Constrained(shift, x, y);
  }
  void DrawFigure() override;
  void Finish(int width) override;
};

class RectangleTool : public ShapeTool {
 public:
  using ShapeTool::ShapeTool;

 protected:
  Band::Shape BandShape() const override { return Band::Shape::kFrame; }
  void DrawFigure() override;
  void Finish(int width) override;
};

class FilledRectangleTool : public RectangleTool {
 public:
  using RectangleTool::RectangleTool;

 protected:
  void Finish(int width) override;
};

class EllipseTool : public ShapeTool {
 public:
  using ShapeTool::ShapeTool;

 protected:
  Band::Shape BandShape() const override { return Band::Shape::kEllipse; }
  void DrawFigure() override;
  void Finish(int width) override;
};

class FilledEllipseTool : public EllipseTool {
 public:
  using EllipseTool::EllipseTool;

 protected:
  void Finish(int width) override;
};

}  // namespace kovra
