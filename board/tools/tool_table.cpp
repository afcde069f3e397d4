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

constexpr std::array<ToolEntry, kToolCount> kTable = {{
    {ToolId::kFreehand, "Линия", Make<FreehandTool>},
    {ToolId::kEraser, "Стерка", Make<EraserTool>},
    {ToolId::kStraightLine, "Линия прямая", Make<StraightLineTool>},
    {ToolId::kRectangle, "Прямоугольник", Make<RectangleTool>},
    {ToolId::kFilledRectangle, "Прямоугольник закрашенный", Make<FilledRectangleTool>},
    {ToolId::kEllipse, "Эллипс", Make<EllipseTool>},
    {ToolId::kFilledEllipse, "Эллипс закрашенный", Make<FilledEllipseTool>},
    {ToolId::kFloodFill, "Залить область", Make<FloodFillTool>},
    {ToolId::kText, "Текст", Make<TextTool>},
    {ToolId::kPointer, ">>Указатель", Make<PointerTool>},
    {ToolId::kSelect, "Выделение", Make<Tool>},
}};

constexpr bool RowsFollowToolId() {
  for (std::size_t row = 0; row < kTable.size(); ++row) {
    if (ToolRow(kTable[row].id) != static_cast<int>(row)) return false;
  }
  return true;
}
static_assert(RowsFollowToolId(), "row i of the tool table must be the tool whose ToolId is i");
static_assert(ToolRow(ToolId::kSelect) + 1 == kToolCount, "every ToolId has its row");

const std::array<ToolEntry, kToolCount>& ToolTable() { return kTable; }

std::unique_ptr<Tool> MakeTool(ToolId id, ToolHost& host) {
  return kTable[static_cast<std::size_t>(ToolRow(id))].make(host);
}

}  // namespace kovra
