#include "board/tools/point_tools.h"

#include "board/drawing_commands.h"
#include "board/replay.h"
#include "support/ansi_codec.h"
#include "support/text.h"

namespace kovra {

void FloodFillTool::Press(int x, int y) {
  GestureState& g = Gesture();
  // The fill starts from the anchor, which the press has just made (x, y);
  // a received move in between would move it, as on every other copy.
  g.ShapeRect = {g.StartX, g.StartY, x, y};
  BoardCanvas& canvas = Canvas();
  const TColor found = canvas.Pixel(g.ShapeRect.Left, g.ShapeRect.Top);
  const std::string fill = host_.FillColorName();
  canvas.SetBrushStyle(BrushStyle::kSolid);
  canvas.SetBrushColor(StringToColor(fill));
  canvas.FloodFill(g.ShapeRect.Left, g.ShapeRect.Top);
  host_.Send(command::kFloodFill, drawing::FloodFill{x, y, fill, ColorToString(found)}.Build());
}

void TextTool::Press(int x, int y) {
  // Modal: received commands may draw on the board while it is open.
  const auto typed = host_.AskText(QStringLiteral("Текст"), QStringLiteral("Введите"));
  if (!typed) return;
  const std::string text = TrimText(QStringToAnsi(typed->left(static_cast<int>(kMaxCommandText))));
  if (text.empty()) return;
  GestureState& g = Gesture();
  g.ShapeRect = {g.StartX, g.StartY, x, y};
  BoardCanvas& canvas = Canvas();
  const std::string fill = host_.FillColorName();
  canvas.SetBrushColor(StringToColor(fill));
  canvas.SetBrushStyle(BrushStyle::kSolid);
  const auto font = drawing::SetFont::From(host_.TextFont());
  // The font exactly as every correspondent sets it from the command.
  ApplyFont(canvas, font);
  canvas.TextOut(g.ShapeRect.Left, g.ShapeRect.Top, AnsiToQString(text));
  host_.Send(command::kSetFont, font.Build());
  host_.ProcessPendingEvents();
  host_.Send(command::kTextOut, drawing::TextOut{x, y, fill, text}.Build());
}

void PointerTool::Move(Qt::KeyboardModifiers, int x, int y) {
  host_.Send(command::kCursorTo, drawing::Point{x, y}.Build());
}

}  // namespace kovra
