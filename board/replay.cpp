#include "board/replay.h"

#include <algorithm>

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

}  // namespace

// For the length of one command: the sender's own state on the canvas,
// always in copy mode; afterwards, whatever the command did or raised, the
// sender keeps what it left and the local state is back.
class Replay::SenderScope {
 public:
  // Nothing runs the event loop in between, so the sender's entry stays put.
  explicit SenderScope(Replay& replay)
      : canvas_(replay.canvas_), own_(replay.StateOf(replay.sender_)) {
    own_.pen_mode = PenMode::kCopy;
    canvas_.SwapState(own_);  // the canvas holds the sender's, own_ the local state
  }
  ~SenderScope() { canvas_.SwapState(own_); }
  SenderScope(const SenderScope&) = delete;
  SenderScope& operator=(const SenderScope&) = delete;

 private:
  BoardCanvas& canvas_;
  DrawingState& own_;
};

DrawingState& Replay::StateOf(const std::string& sender) {
  const qint64 now = clock_.elapsed();
  auto found = senders_.find(sender);
  if (found == senders_.end()) {
    if (senders_.size() >= kMaxSenders) {
      const auto longest_ago = std::min_element(
          senders_.begin(), senders_.end(),
          [](const auto& a, const auto& b) { return a.second.heard_ms < b.second.heard_ms; });
      if (now - longest_ago->second.heard_ms < kKeepHeardMs) {
        passing_ = BoardCanvas::FreshState();
        return passing_;
      }
      senders_.erase(longest_ago);
    }
    found = senders_.emplace(sender, Sender{BoardCanvas::FreshState()}).first;
  }
  found->second.heard_ms = now;
  return found->second.state;
}

DrawingState Replay::SenderState(const std::string& sender) const {
  const auto found = senders_.find(sender);
  return found != senders_.end() ? found->second.state : BoardCanvas::FreshState();
}

void ApplyFont(BoardCanvas& canvas, const drawing::SetFont& font) {
  if (!font.name.empty()) canvas.SetFontName(AnsiToQString(font.name));
  canvas.SetFontColor(StringToColor(font.color));  // no default: empty fails here
  canvas.SetFontSize(font.size);
  canvas.SetFontStyle(font.Has('B'), font.Has('I'), font.Has('U'), font.Has('S'));
}

void Replay::MoveTo(const std::string& args) {
  const SenderScope scope(*this);
  const auto to = drawing::Point::Parse(args);
  canvas_.MoveTo(to.x, to.y);
}

void Replay::LineTo(const std::string& args) {
  const SenderScope scope(*this);
  const auto line = drawing::LineTo::Parse(args);
  canvas_.SetPenWidth(line.width);
  canvas_.SetPenColor(StringToColor(line.pen));
  canvas_.LineTo(line.x, line.y);  // in the canvas's pen mode, whatever it is
}

void Replay::LineFromTo(const std::string& args) {
  const SenderScope scope(*this);
  const auto line = drawing::Figure::Parse(args, false);
  FigurePen(canvas_, line);
  DrawSegment(canvas_, line.x0, line.y0, line.x1, line.y1);
}

void Replay::Rectangle(const std::string& args) {
  const SenderScope scope(*this);
  const auto frame = drawing::Figure::Parse(args, false);
  FigurePen(canvas_, frame);
  canvas_.SetPenMode(PenMode::kCopy);
  DrawFrame(canvas_, frame.x0, frame.y0, frame.x1, frame.y1);
}

void Replay::RectangleFill(const std::string& args) {
  const SenderScope scope(*this);
  const auto box = drawing::Figure::Parse(args, true);
  FillFigurePen(canvas_, box);
  canvas_.MoveTo(box.x0, box.y0);
  canvas_.Rectangle(box.x0, box.y0, box.x1, box.y1);
}

void Replay::Ellipse(const std::string& args) {
  const SenderScope scope(*this);
  const auto box = drawing::Figure::Parse(args, true);
  // The fill colour is set and then cleared with the brush: it leaves no trace.
  FillFigurePen(canvas_, box);
  canvas_.SetBrushStyle(BrushStyle::kClear);
  canvas_.MoveTo(box.x0, box.y0);
  DrawEllipse(canvas_, box.x0, box.y0, box.x1, box.y1);
}

void Replay::EllipseFill(const std::string& args) {
  const SenderScope scope(*this);
  const auto box = drawing::Figure::Parse(args, true);
  FillFigurePen(canvas_, box);
  canvas_.MoveTo(box.x0, box.y0);
  DrawEllipse(canvas_, box.x0, box.y0, box.x1, box.y1);
}

void Replay::FloodFill(const std::string& args) {
  const SenderScope scope(*this);
  const auto fill = drawing::FloodFill::Parse(args);
  // The region is this board's own at the point; the sender's colour is not used.
  canvas_.SetBrushStyle(BrushStyle::kSolid);
  canvas_.SetBrushColor(StringToColor(fill.fill));
  canvas_.MoveTo(fill.x, fill.y);
  canvas_.FloodFill(fill.x, fill.y);
}

void Replay::SetFont(const std::string& args) {
  const SenderScope scope(*this);
  ApplyFont(canvas_, drawing::SetFont::Parse(args));
}

void Replay::TextOut(const std::string& args) {
  const SenderScope scope(*this);
  const auto text = drawing::TextOut::Parse(args);
  canvas_.SetBrushStyle(BrushStyle::kSolid);
  canvas_.SetBrushColor(StringToColor(text.background));
  if (!text.text.empty()) canvas_.TextOut(text.x, text.y, AnsiToQString(text.text));
}

}  // namespace kovra
