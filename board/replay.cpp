#include "board/replay.h"

#include <algorithm>

#include "board/board_tiles.h"
#include "board/drawing_commands.h"
#include "board/figures.h"
#include "support/ansi_codec.h"

namespace kovra {
namespace {

// Pen width and pen colour, as every figure sets them first.
void FigurePen(BoardCanvas& canvas, const drawing::Figure& figure) {
  canvas.SetPenWidth(figure.width);
  canvas.SetPenColor(StringToColor(figure.pen));
}

// The pen, the brush colour and copy mode, as the figures with a fill colour
// set them before drawing.
void FillFigurePen(BoardCanvas& canvas, const drawing::Figure& figure) {
  FigurePen(canvas, figure);
  canvas.SetBrushColor(StringToColor(figure.fill));
  canvas.SetPenMode(PenMode::kCopy);
}

// Each command's steps on the canvas, in its sender's state.
class Painter {
 public:
  explicit Painter(BoardCanvas& canvas) : canvas_(canvas) {}

  void operator()(const drawing::MoveTo& to) { canvas_.MoveTo(to.x, to.y); }
  void operator()(const drawing::LineTo& line) {
    canvas_.SetPenWidth(line.width);
    canvas_.SetPenColor(StringToColor(line.pen));
    canvas_.LineTo(line.x, line.y);
  }
  void operator()(const drawing::LineFromTo& line) {
    FigurePen(canvas_, line);
    DrawSegment(canvas_, line.x0, line.y0, line.x1, line.y1);
  }
  void operator()(const drawing::Rectangle& frame) {
    FigurePen(canvas_, frame);
    DrawFrame(canvas_, frame.x0, frame.y0, frame.x1, frame.y1);
  }
  void operator()(const drawing::RectangleFill& box) {
    FillFigurePen(canvas_, box);
    canvas_.MoveTo(box.x0, box.y0);
    canvas_.Rectangle(box.x0, box.y0, box.x1, box.y1);
  }
  void operator()(const drawing::Ellipse& box) {
    // The fill colour is set and then cleared with the brush: it leaves no trace.
    FillFigurePen(canvas_, box);
    canvas_.SetBrushStyle(BrushStyle::kClear);
    canvas_.MoveTo(box.x0, box.y0);
    DrawEllipse(canvas_, box.x0, box.y0, box.x1, box.y1);
  }
  void operator()(const drawing::EllipseFill& box) {
    FillFigurePen(canvas_, box);
    canvas_.MoveTo(box.x0, box.y0);
    DrawEllipse(canvas_, box.x0, box.y0, box.x1, box.y1);
  }
  void operator()(const drawing::FloodFill& fill) {
    // The region is this board's own at the point; the sender's colour is not used.
    canvas_.SetBrushStyle(BrushStyle::kSolid);
    canvas_.SetBrushColor(StringToColor(fill.fill));
    canvas_.MoveTo(fill.x, fill.y);
    canvas_.FloodFill(fill.x, fill.y);
  }
  void operator()(const drawing::SetFont& font) { ApplyFont(canvas_, font); }
  void operator()(const drawing::TextOut& text) {
    canvas_.SetBrushStyle(BrushStyle::kSolid);
    canvas_.SetBrushColor(StringToColor(text.background));
    if (!text.text.empty()) canvas_.TextOut(text.x, text.y, AnsiToQString(text.text));
  }
  // Only shown above the board, never drawn.
  void operator()(const drawing::CursorTo&) {}
  void operator()(const drawing::Paste& piece) {
    // A part that is not whole, larger than a tile or off this board draws nothing.
    const QSize size(canvas_.Width(), canvas_.Height());
    if (auto patch = tiles::Decode(piece.text, size, tiles::Alphabet::kBytes)) {
      canvas_.DrawPixels(patch->pixels, patch->at);
    }
  }

 private:
  BoardCanvas& canvas_;
};

}  // namespace

// For the length of one command: the sender's own state on the canvas
// (none for the local user, whose state the canvas holds), always in copy
// mode; afterwards, whatever the command did or raised, the sender keeps
// what it left and the local state is back.
class Replay::SenderScope {
 public:
  // Nothing runs the event loop in between, so the sender's entry stays put.
  SenderScope(BoardCanvas& canvas, DrawingState* sender) : canvas_(canvas), own_(sender) {
    if (own_ != nullptr) canvas_.SwapState(*own_);  // own_ now holds the local state
    canvas_.SetPenMode(PenMode::kCopy);
  }
  ~SenderScope() {
    if (own_ != nullptr) canvas_.SwapState(*own_);
  }
  SenderScope(const SenderScope&) = delete;
  SenderScope& operator=(const SenderScope&) = delete;

 private:
  BoardCanvas& canvas_;
  DrawingState* own_;
};

DrawingState& Replay::StateOf(quint64 sender) {
  const qint64 now = clock_.elapsed();
  auto found = senders_.find(sender);
  if (found == senders_.end()) {
    const auto heard_before = [](const auto& a, const auto& b) {
      return a.second.heard_ms < b.second.heard_ms;
    };
    // The address's own ports, which lie together in the map.
    const auto first = senders_.lower_bound(sender & ~quint64{0xFFFF});
    const auto last = senders_.lower_bound((sender | 0xFFFF) + 1);
    if (static_cast<std::size_t>(std::distance(first, last)) >= kMaxPortsPerAddress) {
      senders_.erase(std::min_element(first, last, heard_before));
    } else if (senders_.size() >= kMaxSenders) {
      senders_.erase(std::min_element(senders_.begin(), senders_.end(), heard_before));
    }
    found = senders_.emplace(sender, Sender{BoardCanvas::FreshState()}).first;
  }
  found->second.heard_ms = now;
  return found->second.state;
}

DrawingState Replay::SenderState(quint32 address, quint16 port) const {
  const auto found = senders_.find(Key(address, port));
  return found != senders_.end() ? found->second.state : BoardCanvas::FreshState();
}

void ApplyFont(BoardCanvas& canvas, const drawing::SetFont& font) {
  if (!font.name.empty()) canvas.SetFontName(AnsiToQString(font.name));
  canvas.SetFontColor(StringToColor(font.color));  // no default: empty fails here
  canvas.SetFontSize(font.size);
  canvas.SetFontStyle(font.Has('B'), font.Has('I'), font.Has('U'), font.Has('S'));
}

void Replay::Draw(const drawing::Command& command) {
  DrawingState& state = StateOf(sender_);
  if (OnDrawing) OnDrawing(command, state, sender_);
  const SenderScope scope(canvas_, &state);
  std::visit(Painter(canvas_), command);
}

void Replay::DrawOwn(const drawing::Command& command) {
  if (OnDrawing) OnDrawing(command, canvas_.State(), kOwnKey);
  const SenderScope scope(canvas_, nullptr);
  std::visit(Painter(canvas_), command);
}

void PaintCommand(BoardCanvas& canvas, const drawing::Command& command) {
  canvas.SetPenMode(PenMode::kCopy);
  std::visit(Painter(canvas), command);
}

}  // namespace kovra
