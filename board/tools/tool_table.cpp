#include "board/tools/tool_table.h"

#include "board/tools/flow_tools.h"
#include "board/tools/point_tools.h"
#include "board/tools/shape_tools.h"

namespace kovra {
namespace {

template <typename T>
std::unique_ptr<Tool> Make(ToolHost& host) {
  return std::make_unique<T>(host);
}

}  // namespace

const std::array<ToolEntry, kToolCount>& ToolTable() {
  static const std::array<ToolEntry, kToolCount> table = {{
      {ToolId::kFreehand, QStringLiteral("Линия"), Make<FreehandTool>},
      {ToolId::kEraser, QStringLiteral("Стерка"), Make<EraserTool>},
      {ToolId::kStraightLine, QStringLiteral("Линия прямая"), Make<StraightLineTool>},
      {ToolId::kRectangle, QStringLiteral("Прямоугольник"), Make<RectangleTool>},
      {ToolId::kFilledRectangle, QStringLiteral("Прямоугольник закрашенный"),
       Make<FilledRectangleTool>},
      {ToolId::kEllipse, QStringLiteral("Эллипс"), Make<EllipseTool>},
      {ToolId::kFilledEllipse, QStringLiteral("Эллипс закрашенный"), Make<FilledEllipseTool>},
      {ToolId::kFloodFill, QStringLiteral("Залить область"), Make<FloodFillTool>},
      {ToolId::kText, QStringLiteral("Текст"), Make<TextTool>},
      {ToolId::kPointer, QStringLiteral(">>Указатель"), Make<PointerTool>},
  }};
  return table;
}

int ToolRow(ToolId id) { return static_cast<int>(id); }

std::unique_ptr<Tool> MakeTool(ToolId id, ToolHost& host) {
  return ToolTable()[static_cast<std::size_t>(ToolRow(id))].make(host);
}

}  // namespace kovra
