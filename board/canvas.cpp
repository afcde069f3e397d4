#include "board/canvas.h"

#include <QFontMetrics>
#include <QLineF>
#include <QPainter>
#include <vector>
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

QPoint Far(QPoint p) {
  return QPoint(std::clamp(p.x(), -BoardCanvas::kFar, BoardCanvas::kFar),
                std::clamp(p.y(), -BoardCanvas::kFar, BoardCanvas::kFar));
}

// Cuts the segment to the part inside reach (Liang-Barsky); false when none is.
bool ClipToReach(QLineF& segment, const QRectF& reach) {
  const double dx = segment.dx();
  const double dy = segment.dy();
  double t0 = 0;
  double t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {segment.x1() - reach.left(), reach.right() - segment.x1(),
                       segment.y1() - reach.top(), reach.bottom() - segment.y1()};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
  }
  if (t0 > t1) return false;
  const QPointF start = segment.p1();
  segment = QLineF(start + QPointF(dx, dy) * t0, start + QPointF(dx, dy) * t1);
  return true;
}

// A run of filled pixels whose neighbours in the next row are still to be
// looked at; the row it came from needs looking at only beyond that row's run.
struct FillSpan {
  int left;
  int right;
  int y;
  int parent_left;
  int parent_right;
  int parent_y;
};

// Paints the 4-connected region of target colour around seed, a run of a
// row at a time; returns the area it touched.
QRect ScanLineFill(QImage& image, QPoint seed, QRgb target, QRgb paint) {
  if (target == paint) return {};
  const int width = image.width();
  const int height = image.height();
  auto* bits = reinterpret_cast<QRgb*>(image.bits());
  const qsizetype stride = image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
  QRect touched;

  // Fills the run of target pixels through x in row y.
  auto fill_run = [&](int x, int y, int& left, int& right) {
    QRgb* row = bits + y * stride;
    QRgb* p = row + x;
    QRgb* const end = row + width;
    // Eight at a time while all eight match: the compiler makes this vector code.
    while (end - p >= 8) {
      QRgb differ = 0;
      for (int k = 0; k < 8; ++k) differ |= p[k] ^ target;
      if (differ != 0) break;
      for (int k = 0; k < 8; ++k) p[k] = paint;
      p += 8;
    }
    while (p < end && *p == target) *p++ = paint;
    right = static_cast<int>(p - row);
    left = x;
    while (left > 0 && row[left - 1] == target) row[--left] = paint;
    --right;
    touched |= QRect(left, y, right - left + 1, 1);
  };

  std::vector<FillSpan> spans;
  // Pushes a span for each run of target pixels in row y between from and to.
  auto queue_runs = [&](int y, int from, int to, const FillSpan& parent) {
    const QRgb* row = bits + y * stride;
    for (int x = from; x <= to; ++x) {
      if (row[x] != target) continue;
      int left = 0;
      int right = 0;
      fill_run(x, y, left, right);
      spans.push_back({left, right, y, parent.left, parent.right, parent.y});
      x = right + 1;
    }
  };

  int left = 0;
  int right = 0;
  fill_run(seed.x(), seed.y(), left, right);
  spans.push_back({left, right, seed.y(), left, right, seed.y()});
  while (!spans.empty()) {
    const FillSpan span = spans.back();
    spans.pop_back();
    for (int ny : {span.y - 1, span.y + 1}) {
      if (ny < 0 || ny >= height) continue;
      if (ny != span.parent_y) {
        queue_runs(ny, span.left, span.right, span);
      } else {
        // The parent row was filled under the parent's run already.
        queue_runs(ny, span.left, std::min(span.right, span.parent_left - 1), span);
        queue_runs(ny, std::max(span.left, span.parent_right + 1), span.right, span);
      }
    }
  }
  return touched;
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

void BoardCanvas::Changed(const QRect& area) {
  const QRect visible = area.intersected(image_.rect());
  if (changed_ && !visible.isEmpty()) changed_(visible);
}

void BoardCanvas::SetUpPainter(QPainter& painter) const {
  painter.setRenderHint(QPainter::Antialiasing, false);
  if (pen_mode_ == PenMode::kNotXor) {
    painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
  }
  const int width = std::clamp(pen_width_, 1, kMaxPenWidth);
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

void BoardCanvas::LineTo(int x, int y) {
  const QPoint from = pen_pos_;
  const QPoint to(x, y);
  pen_pos_ = to;
  if (image_.isNull() || from == to) return;
  if (pen_width_ <= 1) {
    ThinLine(image_, from, to, ToQColor(pen_color_).rgb(), pen_mode_);
    Changed(QRect(from, to).normalized());
    return;
  }
  const int width = std::min(pen_width_, kMaxPenWidth);
  QLineF segment(Far(from), Far(to));
  if (!ClipToReach(segment, image_.rect().adjusted(-width, -width, width, width))) return;
  QPainter painter(&image_);
  SetUpPainter(painter);
  painter.drawLine(segment);
  Changed(QRectF(segment.p1(), segment.p2()).normalized().toAlignedRect().adjusted(-width, -width,
                                                                                   width, width));
}

void BoardCanvas::FillRect(const QRect& area) {
  if (image_.isNull() || brush_style_ == BrushStyle::kClear) return;
  const QRect clipped = area.normalized().intersected(image_.rect());
  if (clipped.isEmpty()) return;
  QPainter painter(&image_);
  SetUpPainter(painter);
  painter.fillRect(clipped, ToQColor(brush_color_));
  Changed(clipped);
}

QRect BoardCanvas::FigureBox(int x0, int y0, int x1, int y1) const {
  const QPoint a = Far(QPoint(x0, y0));
  const QPoint b = Far(QPoint(x1, y1));
  return QRect(QPoint(std::min(a.x(), b.x()), std::min(a.y(), b.y())),
               QPoint(std::max(a.x(), b.x()) - 1, std::max(a.y(), b.y()) - 1));
}

void BoardCanvas::PaintFigure(int x0, int y0, int x1, int y1,
                              void (*draw)(QPainter&, const QRect&)) {
  const QRect box = FigureBox(x0, y0, x1, y1);
  if (image_.isNull() || box.isEmpty()) return;
  QPainter painter(&image_);
  SetUpPainter(painter);
  // Qt's outline covers one pixel more than the rectangle's size.
  draw(painter, box.adjusted(0, 0, -1, -1));
  const int margin = std::min(pen_width_, kMaxPenWidth);
  Changed(box.adjusted(-margin, -margin, margin, margin));
}

void BoardCanvas::Rectangle(int x0, int y0, int x1, int y1) {
  PaintFigure(x0, y0, x1, y1, [](QPainter& painter, const QRect& box) { painter.drawRect(box); });
}

void BoardCanvas::Ellipse(int x0, int y0, int x1, int y1) {
  PaintFigure(x0, y0, x1, y1, [](QPainter& painter, const QRect& box) { painter.drawEllipse(box); });
}

TColor BoardCanvas::Pixel(int x, int y) const {
  if (!image_.valid(x, y)) return kClWhite;
  return FromQColor(QColor(image_.pixel(x, y)));
}

void BoardCanvas::FloodFill(int x, int y) {
  if (!image_.valid(x, y)) return;
  const QRgb target = image_.pixel(x, y);
  const QRgb paint = ToQColor(brush_color_).rgb();
  const QRect filled = ScanLineFill(image_, QPoint(x, y), target, paint);
  Changed(filled);
}

void BoardCanvas::TextOut(int x, int y, const QString& text) {
  QFont font = font_;
  font.setPointSize(std::clamp(font.pointSize(), 1, kMaxFontPoints));
  const QFontMetrics metrics(font, &image_);
  const int width = metrics.horizontalAdvance(text);
  const QRect box(Far(QPoint(x, y)), QSize(width, metrics.height()));
  pen_pos_ = QPoint(x + width, y);
  if (image_.isNull() || text.isEmpty()) return;
  QPainter painter(&image_);
  painter.setFont(font);
  painter.setPen(ToQColor(font_color_));
  if (brush_style_ == BrushStyle::kSolid) {
    painter.fillRect(box, ToQColor(brush_color_));
  }
  painter.drawText(box, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, text);
  Changed(box);
}

}  // namespace kovra
