#include "board/tools/tool.h"

#include "board/tools/flow_tools.h"
#include "board/tools/point_tools.h"
#include "board/tools/shape_tools.h"

namespace kovra {

QPoint Tool::Constrained(Qt::KeyboardModifiers shift, int x, int y) const {
  const GestureState& gesture = host_.Gesture();
  if (shift & Qt::ControlModifier) x = gesture.StartX;
  if (shift & Qt::ShiftModifier) y = gesture.StartY;
  return QPoint(x, y);
}

void Tool::BandPen(int width) {
  Canvas().SetPenColor(kClBlack);
  Canvas().SetPenWidth(width);
  Canvas().SetPenMode(PenMode::kNotXor);
}

std::unique_ptr<Tool> MakeTool(int index, ToolHost& host) {
  switch (index) {
    case 0: return std::make_unique<FreehandTool>(host);
    case 1: return std::make_unique<EraserTool>(host);
    case 2: return std::make_unique<StraightLineTool>(host);
    case 3: return std::make_unique<RectangleTool>(host);
    case 4: return std::make_unique<FilledRectangleTool>(host);
    case 5: return std::make_unique<EllipseTool>(host);
    case 6: return std::make_unique<FilledEllipseTool>(host);
    case 7: return std::make_unique<FloodFillTool>(host);
    case 8: return std::make_unique<TextTool>(host);
    case 9: return std::make_unique<PointerTool>(host);
    default: return nullptr;
  }
}

}  // namespace kovra
