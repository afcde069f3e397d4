// The board: one bitmap and the one drawing state on it (pen, brush, font,
// pen position) that the local tools and the replay of received commands
// share. Its rules hold for every assignment, local or replayed.
#pragma once

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QRect>

#include "board/colors.h"

class QPainter;

namespace kovra {

enum class PenMode { kCopy, kNotXor };
enum class BrushStyle { kSolid, kClear };

class BoardCanvas {
 public:
  // A board larger than this is refused: a peer must not exhaust memory.
  static constexpr qint64 kMaxPixels = 100'000'000;
  static constexpr int kMaxSide = 32767;
  static bool SizeAllowed(qint64 width, qint64 height);

  bool HasPicture() const { return !image_.isNull(); }
  const QImage& Image() const { return image_; }
  int Width() const { return image_.width(); }
  int Height() const { return image_.height(); }

  // A fresh bitmap (a loaded picture, or a new one) with the default state.
  void Reset(const QImage& picture);
  // Keeps the picture at the top left and the drawing state; new area white.
  void Resize(int width, int height);

  TColor PenColor() const { return pen_color_; }
  int PenWidth() const { return pen_width_; }
  PenMode Mode() const { return pen_mode_; }
  TColor BrushColor() const { return brush_color_; }
  BrushStyle Brush() const { return brush_style_; }
  const QFont& Font() const { return font_; }
  TColor FontColor() const { return font_color_; }
  QPoint PenPos() const { return pen_pos_; }

  void SetPenColor(TColor color) { pen_color_ = color; }
  // A negative width is ignored.
  void SetPenWidth(int width);
  void SetPenMode(PenMode mode) { pen_mode_ = mode; }
  // Setting a colour makes a clear brush solid.
  void SetBrushColor(TColor color);
  // A clear brush is white.
  void SetBrushStyle(BrushStyle style);
  void SetFont(const QFont& font, TColor color);

  // The drawing operations return the area they changed, for repainting.
  void MoveTo(int x, int y) { pen_pos_ = QPoint(x, y); }
  // Paints from the pen position up to, not including, (x, y); the pen is
  // left at (x, y). A not-xor frame of four lines thus has whole corners.
  QRect LineTo(int x, int y);
  // Fills the rectangle, right and bottom edges excluded, with the brush.
  QRect FillRect(const QRect& area);

 private:
  void SetUpPainter(QPainter& painter) const;

  QImage image_;
  TColor pen_color_ = kClBlack;
  int pen_width_ = 1;
  PenMode pen_mode_ = PenMode::kCopy;
  TColor brush_color_ = kClWhite;
  BrushStyle brush_style_ = BrushStyle::kSolid;
  QFont font_;
  TColor font_color_ = kClWindowText;
  QPoint pen_pos_;
};

}  // namespace kovra
