#include "board/tools/point_tools.h"

#include "board/drawing_commands.h"
#include "support/ansi_codec.h"
#include "support/text.h"

namespace kovra {

void FloodFillTool::Press(int x, int y) {
  GestureState& g = Gesture();
  g.ShapeRect = {g.StartX, g.StartY, x, y};
  // The colour found goes along; no receiver uses it.
  const TColor found = host_.Board().Pixel(x, y);
  host_.Draw(drawing::FloodFill{x, y, host_.FillColorName(), ColorToString(found)});
}

void TextTool::Press(int x, int y) {
  // Modal: received commands may draw on the board while it is open.
  const auto typed = host_.AskText(QStringLiteral("Текст"), QStringLiteral("Введите"));
  if (!typed) return;
  const std::string text = TrimText(QStringToAnsi(typed->left(static_cast<int>(kMaxCommandText))));
  if (text.empty()) return;
  GestureState& g = Gesture();
  g.ShapeRect = {g.StartX, g.StartY, x, y};
  host_.Draw(drawing::SetFont::From(host_.TextFont()));
  host_.ProcessPendingEvents();
  host_.Draw(drawing::TextOut{x, y, host_.FillColorName(), text});
}

void PointerTool::Move(Qt::KeyboardModifiers, int x, int y) {
  host_.Draw(drawing::CursorTo{{x, y}});
}

}  // namespace kovra
