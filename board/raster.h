// Pixel-exact figures on the board image. Every figure is cut to the image
// row by row, so coordinates and pen widths of any size draw exactly what is
// visible at no more than a board's worth of work; each call returns the
// pixels it touched, so the view repaints all of them and nothing more.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <optional>

namespace kovra {

enum class PenMode { kCopy, kNotXor };

namespace raster {

// A figure's box: pixels from (left, top) up to, not including, (right,
// bottom), in 64 bits so that any two 32-bit corners fit.
struct Box {
  qint64 left;
  qint64 top;
  qint64 right;
  qint64 bottom;
  static Box FromCorners(QPoint a, QPoint b);
  bool Empty() const { return right <= left || bottom <= top; }
};

// A one-pixel line by the classic raster rule: from `from` up to, not
// including, `to`. Each pixel is computed from the line's own ends.
QRect ThinLine(QImage& image, QPoint from, QPoint to, QRgb color, PenMode mode);

// A line `width` pixels wide with round ends, both ends included.
QRect WideLine(QImage& image, QPoint from, QPoint to, qint64 width, QRgb color, PenMode mode);

// Outlined with a pen of `width` centred on the box's outermost pixels,
// filled inside with `fill` when there is one. Each pixel is painted once.
QRect Rectangle(QImage& image, const Box& box, qint64 width, QRgb pen, std::optional<QRgb> fill,
                PenMode mode);
// The ellipse inscribed in the box, outlined and filled as a rectangle is.
QRect Ellipse(QImage& image, const Box& box, qint64 width, QRgb pen, std::optional<QRgb> fill,
              PenMode mode);

}  // namespace raster
}  // namespace kovra
