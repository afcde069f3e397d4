// The eleven tools of the tool list, in its order: each one's caption and the
// factory of its class. The list, the window and the tests name a tool by
// its ToolId, never by a bare row number.
#pragma once

#include <array>
#include <memory>

#include "board/tools/tool.h"

namespace kovra {

enum class ToolId {
  kFreehand,
  kEraser,
  kStraightLine,
  kRectangle,
  kFilledRectangle,
  kEllipse,
  kFilledEllipse,
  kFloodFill,
  kText,
  kPointer,
  kSelect,  // its gestures are the window's: they select and move parts of the board
};

struct ToolEntry {
  ToolId id;
  const char* caption;  // UTF-8
  std::unique_ptr<Tool> (*make)(ToolHost& host);
};

inline constexpr std::size_t kToolCount = 11;

// Row i of the tool list is entry i.
const std::array<ToolEntry, kToolCount>& ToolTable();
constexpr int ToolRow(ToolId id) { return static_cast<int>(id); }
std::unique_ptr<Tool> MakeTool(ToolId id, ToolHost& host);

}  // namespace kovra
