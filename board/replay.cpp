#include "board/replay.h"

#include "board/drawing_commands.h"
#include "board/figures.h"
#include "support/ansi_codec.h"

namespace kovra {
namespace {

const std::string kBlack = "clBlack";
const std::string kWhite = "clWhite";

// The corners of a figure command, fields 1 to 4.
struct Corners {
  explicit Corners(const CommandFields& f)
      : x0(f.Int(1, 0)), y0(f.Int(2, 0)), x1(f.Int(3, 0)), y1(f.Int(4, 0)) {}
  int x0, y0, x1, y1;
};

// Pen width from field 5 and pen colour from field 6, as every figure has them.
void FigurePen(BoardCanvas& canvas, const CommandFields& f) {
  canvas.SetPenWidth(f.Int(5, 1));
  canvas.SetPenColor(f.Color(6, kBlack));
}

// The pen of fields 5 and 6, the brush colour of field 7 and copy mode, as the
// figures with a fill colour set them before drawing.
void FillFigurePen(BoardCanvas& canvas, const CommandFields& f) {
  FigurePen(canvas, f);
  canvas.SetBrushColor(f.Color(7, kWhite));
  canvas.SetPenMode(PenMode::kCopy);
}

}  // namespace

void Replay::MoveTo(const std::string& args) {
  const CommandFields f(args, ' ');
  gesture_.StartX = f.Int(1, 0);
  gesture_.StartY = f.Int(2, 0);
  canvas_.MoveTo(gesture_.StartX, gesture_.StartY);
}

void Replay::LineTo(const std::string& args) {
  const CommandFields f(args, ' ');
  const int x = f.Int(1, 0);
  const int y = f.Int(2, 0);
  canvas_.SetPenWidth(f.Int(3, 1));
  canvas_.SetPenColor(f.Color(4, kBlack));
  canvas_.LineTo(x, y);  // in the canvas's pen mode, whatever it is
}

void Replay::LineFromTo(const std::string& args) {
  const CommandFields f(args, ' ');
  const Corners c(f);
  FigurePen(canvas_, f);
  DrawSegment(canvas_, c.x0, c.y0, c.x1, c.y1);
}

void Replay::Rectangle(const std::string& args) {
  const CommandFields f(args, ' ');
  const Corners c(f);
  FigurePen(canvas_, f);
  canvas_.SetPenMode(PenMode::kCopy);
  DrawFrame(canvas_, c.x0, c.y0, c.x1, c.y1);
}

void Replay::RectangleFill(const std::string& args) {
  const CommandFields f(args, ' ');
  const Corners c(f);
  FillFigurePen(canvas_, f);
  canvas_.MoveTo(c.x0, c.y0);
  canvas_.Rectangle(c.x0, c.y0, c.x1, c.y1);
}

void Replay::Ellipse(const std::string& args) {
  const CommandFields f(args, ' ');
  const Corners c(f);
  FillFigurePen(canvas_, f);
  canvas_.SetBrushStyle(BrushStyle::kClear);
  canvas_.MoveTo(c.x0, c.y0);
  DrawEllipse(canvas_, c.x0, c.y0, c.x1, c.y1);
}

void Replay::EllipseFill(const std::string& args) {
  const CommandFields f(args, ' ');
  const Corners c(f);
  FillFigurePen(canvas_, f);
  canvas_.MoveTo(c.x0, c.y0);
  DrawEllipse(canvas_, c.x0, c.y0, c.x1, c.y1);
}

void Replay::FloodFill(const std::string& args) {
  const CommandFields f(args, ' ');
  const int x = f.Int(1, 0);
  const int y = f.Int(2, 0);
  // The region is this board's own at the point; the sender's colour is not used.
  canvas_.SetBrushStyle(BrushStyle::kSolid);
  canvas_.SetBrushColor(f.Color(3, kWhite));
  canvas_.MoveTo(x, y);
  canvas_.FloodFill(x, y);
}

void Replay::SetFont(const std::string& args) { ApplySetFont(canvas_, args); }

void Replay::TextOut(const std::string& args) {
  const CommandFields f(args, '|');
  const int x = f.Int(1, 0);
  const int y = f.Int(2, 0);
  canvas_.SetBrushStyle(BrushStyle::kSolid);
  canvas_.SetBrushColor(f.Color(3, kWhite));
  const std::string text = f.Text(4);
  if (!text.empty()) canvas_.TextOut(x, y, AnsiToQString(text));
}

}  // namespace kovra
