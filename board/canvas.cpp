#include "board/canvas.h"

#include <QPainter>
#include <algorithm>
#include <cstdlib>

namespace kovra {
namespace {

// Products of two 33-bit coordinates need more than 64 bits.
__extension__ using Wide = __int128;

void PutPixel(QImage& image, int x, int y, QRgb color, PenMode mode) {
  auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
  // Not-xor: the inverse of colour xor pixel, so drawing twice restores it.
  line[x] = mode == PenMode::kCopy ? color : (~(color ^ line[x]) | 0xFF000000u);
}

// A one-pixel line by the classic raster rule: from the first point up to,
// not including, the last. Each pixel is computed from the line's own ends,
// so clipping to the image changes nothing and far ends cost nothing.
void ThinLine(QImage& image, QPoint from, QPoint to, QRgb color, PenMode mode) {
  const qint64 dx = qint64(to.x()) - from.x();
  const qint64 dy = qint64(to.y()) - from.y();
  const bool x_major = std::llabs(dx) >= std::llabs(dy);
  const qint64 major = x_major ? dx : dy;
  const qint64 minor = x_major ? dy : dx;
  const qint64 steps = std::llabs(major);
  const int major_sign = major < 0 ? -1 : 1;
  const int minor_sign = minor < 0 ? -1 : 1;
  const qint64 major_start = x_major ? from.x() : from.y();
  const qint64 minor_start = x_major ? from.y() : from.x();
  const qint64 major_limit = x_major ? image.width() : image.height();
  const qint64 minor_limit = x_major ? image.height() : image.width();

  // Only the steps whose major coordinate lies on the image.
  qint64 first = 0;
  qint64 last = steps - 1;
  if (major_sign > 0) {
    first = std::max<qint64>(first, -major_start);
    last = std::min<qint64>(last, major_limit - 1 - major_start);
  } else {
    first = std::max<qint64>(first, major_start - (major_limit - 1));
    last = std::min<qint64>(last, major_start);
  }
  const Wide twice_steps = 2 * static_cast<Wide>(steps);
  for (qint64 k = first; k <= last; ++k) {
    const Wide offset = (2 * static_cast<Wide>(k) * std::llabs(minor) + steps) / twice_steps;
    const qint64 m = minor_start + minor_sign * static_cast<qint64>(offset);
    if (m < 0 || m >= minor_limit) continue;
    const qint64 j = major_start + major_sign * k;
    if (x_major) {
      PutPixel(image, static_cast<int>(j), static_cast<int>(m), color, mode);
    } else {
      PutPixel(image, static_cast<int>(m), static_cast<int>(j), color, mode);
    }
  }
}

QFont DefaultFont() {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSize(8);
  return font;
}

}  // namespace

bool BoardCanvas::SizeAllowed(qint64 width, qint64 height) {
  return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
         width * height <= kMaxPixels;
}

void BoardCanvas::Reset(const QImage& picture) {
  image_ = picture.convertToFormat(QImage::Format_RGB32);
  pen_color_ = kClBlack;
  pen_width_ = 1;
  pen_mode_ = PenMode::kCopy;
  brush_color_ = kClWhite;
  brush_style_ = BrushStyle::kSolid;
  font_ = DefaultFont();
  font_color_ = kClWindowText;
  pen_pos_ = QPoint();
}

void BoardCanvas::Resize(int width, int height) {
  QImage resized(width, height, QImage::Format_RGB32);
  resized.fill(Qt::white);
  if (!image_.isNull()) {
    QPainter painter(&resized);
    painter.drawImage(0, 0, image_);
  }
  image_ = std::move(resized);
}

void BoardCanvas::SetPenWidth(int width) {
  if (width >= 0) pen_width_ = width;
}

void BoardCanvas::SetBrushColor(TColor color) {
  brush_color_ = color;
  brush_style_ = BrushStyle::kSolid;
}

void BoardCanvas::SetBrushStyle(BrushStyle style) {
  brush_style_ = style;
  if (style == BrushStyle::kClear) brush_color_ = kClWhite;
}

void BoardCanvas::SetFont(const QFont& font, TColor color) {
  font_ = font;
  font_color_ = color;
}

void BoardCanvas::SetUpPainter(QPainter& painter) const {
  painter.setRenderHint(QPainter::Antialiasing, false);
  if (pen_mode_ == PenMode::kNotXor) {
    painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
  }
  const int width = std::max(pen_width_, 1);
  // A thin pen leaves out the end point; a wide one has round ends.
  QPen pen(ToQColor(pen_color_), width, Qt::SolidLine, width == 1 ? Qt::FlatCap : Qt::RoundCap,
           Qt::RoundJoin);
  painter.setPen(pen);
  if (brush_style_ == BrushStyle::kSolid) {
    painter.setBrush(ToQColor(brush_color_));
  } else {
    painter.setBrush(Qt::NoBrush);
  }
}

QRect BoardCanvas::LineTo(int x, int y) {
  const QPoint from = pen_pos_;
  const QPoint to(x, y);
  pen_pos_ = to;
  if (image_.isNull() || from == to) return {};
  if (pen_width_ <= 1) {
    ThinLine(image_, from, to, ToQColor(pen_color_).rgb(), pen_mode_);
    return QRect(from, to).normalized().intersected(image_.rect());
  }
  QPainter painter(&image_);
  SetUpPainter(painter);
  painter.drawLine(from, to);
  const int margin = pen_width_;
  return QRect(from, to).normalized().adjusted(-margin, -margin, margin, margin).intersected(image_.rect());
}

QRect BoardCanvas::FillRect(const QRect& area) {
  if (image_.isNull() || brush_style_ == BrushStyle::kClear) return {};
  const QRect clipped = area.normalized().intersected(image_.rect());
  if (clipped.isEmpty()) return {};
  QPainter painter(&image_);
  SetUpPainter(painter);
  painter.fillRect(clipped, ToQColor(brush_color_));
  return clipped;
}

}  // namespace kovra
