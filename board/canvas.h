// The board: one bitmap and the one drawing state on it (pen, brush, font,
// pen position) that the local tools and the replay of received commands
// share. Its rules hold for every assignment, local or replayed.
#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <algorithm>
#include <functional>

#include "board/colors.h"
#include "board/raster.h"

namespace kovra {

enum class BrushStyle { kSolid, kClear };

// Everything a drawing step may leave behind for the next: pen, brush, font
// and pen position.
struct DrawingState {
  TColor pen_color = kClBlack;
  int pen_width = 1;
  PenMode pen_mode = PenMode::kCopy;
  TColor brush_color = kClWhite;
  BrushStyle brush_style = BrushStyle::kSolid;
  QFont font;
  TColor font_color = kClWindowText;
  QPoint pen_pos;
};

class BoardCanvas {
 public:
  // A board larger than this is refused: a peer must not exhaust memory.
  static constexpr qint64 kMaxPixels = 100'000'000;
  static bool SizeAllowed(qint64 width, qint64 height);
  // The font of a new board, of the text tool and of the window's controls.
  static QFont DefaultFont();
  // The font a text in font is drawn with: its own, but on Windows the
  // default's family, a bitmap font there that looks blocky at most sizes,
  // gives way to its TrueType heir with the same letters. The name on the
  // wire stays the font's own.
  static QFont DrawnFont(QFont font);
  // Every board draws text at this resolution, whatever its picture file
  // says, so the same commands give the same pixels on every computer.
  static constexpr int kDotsPerMeter = 3780;  // 96 dots per inch

  bool HasPicture() const { return !image_.isNull(); }
  const QImage& Image() const { return image_; }
  int Width() const { return image_.width(); }
  int Height() const { return image_.height(); }

  // A fresh bitmap (a loaded picture, or a new one) with the default state.
  void Reset(const QImage& picture);
  // Keeps the picture at the top left and the drawing state; new area white.
  void Resize(int width, int height);
  // Copies pixels onto the board with their top left at at; what falls
  // outside the board is left out.
  void Paste(const QImage& pixels, QPoint at);
  // The same as a drawing step: the undo is told of the command instead.
  void DrawPixels(const QImage& pixels, QPoint at);

  TColor PenColor() const { return state_.pen_color; }
  int PenWidth() const { return state_.pen_width; }
  PenMode Mode() const { return state_.pen_mode; }
  TColor BrushColor() const { return state_.brush_color; }
  BrushStyle Brush() const { return state_.brush_style; }
  const QFont& Font() const { return state_.font; }
  TColor FontColor() const { return state_.font_color; }
  QPoint PenPos() const { return state_.pen_pos; }
  // Exchanges the whole drawing state with state, copying nothing (the
  // replay keeps one for each sender, apart from the local gesture's).
  void SwapState(DrawingState& state);
  // The state of a fresh bitmap.
  static DrawingState FreshState();

  void SetPenColor(TColor color) { state_.pen_color = color; }
  // A negative width is ignored.
  void SetPenWidth(int width);
  void SetPenMode(PenMode mode) { state_.pen_mode = mode; }
  // Setting a colour makes a clear brush solid.
  void SetBrushColor(TColor color);
  // A clear brush is white.
  void SetBrushStyle(BrushStyle style);
  void SetFont(const QFont& font, TColor color);
  void SetFontName(const QString& name) { state_.font.setFamily(name); }
  void SetFontColor(TColor color) { state_.font_color = color; }
  void SetFontSize(int points) { state_.font.setPointSize(std::clamp(points, 1, kMaxFontPoints)); }
  void SetFontStyle(bool bold, bool italic, bool underline, bool strike_out);

  // Told of every area that changed, for repainting.
  void SetChangeListener(std::function<void(const QRect&)> listener) {
    changed_ = std::move(listener);
  }
  // Told before the whole picture is replaced or resized (Image() is still
  // the old one), and before pixels are pasted onto it: the undo keeps both.
  void SetReplaceListener(std::function<void()> listener) { replacing_ = std::move(listener); }
  void SetPasteListener(std::function<void(const QImage& pixels, QPoint at)> listener) {
    pasting_ = std::move(listener);
  }
  // The drawing state the local user's steps continue from.
  const DrawingState& State() const { return state_; }

  // Coordinates and pen widths may be any 32-bit values: what is visible is
  // drawn exactly, at no more than a board's worth of work. Font sizes are
  // kept to what a board can show.
  void MoveTo(int x, int y) { state_.pen_pos = QPoint(x, y); }
  // Paints from the pen position up to, not including, (x, y); the pen is
  // left at (x, y). A not-xor frame of four lines thus has whole corners.
  void LineTo(int x, int y);
  // Fills the rectangle, right and bottom edges excluded, with the brush.
  void FillRect(const QRect& area);
  // The box from (x0, y0) to (x1, y1), right and bottom edges excluded:
  // outlined with the pen, filled with the brush unless it is clear.
  void Rectangle(int x0, int y0, int x1, int y1);
  void Ellipse(int x0, int y0, int x1, int y1);
  // Paints every pixel connected to (x, y) that has its colour with the brush.
  void FloodFill(int x, int y);
  // The colour of a pixel; white outside the board.
  TColor Pixel(int x, int y) const;
  // Writes text with its top left at (x, y) in the font's colour, on the
  // brush colour unless the brush is clear; the pen is left after the text.
  void TextOut(int x, int y, const QString& text);

  // The largest size the font dialog lists: a peer's text can cost no more
  // than the user's own largest.
  static constexpr int kMaxFontPoints = 72;

 private:
  using Figure = QRect (*)(QImage&, const raster::Box&, qint64, QRgb, std::optional<QRgb>, PenMode);
  void Changed(const QRect& area);
  void PaintFigure(int x0, int y0, int x1, int y1, Figure figure);

  QImage image_;
  DrawingState state_;
  std::function<void(const QRect&)> changed_;
  std::function<void()> replacing_;
  std::function<void(const QImage&, QPoint)> pasting_;
};

}  // namespace kovra
