#include "board/raster.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <limits>

namespace kovra::raster {
namespace {

// 64 bits of mantissa: exact for any 32-bit coordinate and close enough for
// their squares, which figures a billion pixels wide need.
using Real = long double;
// Products of two 33-bit coordinates need more than 64 bits.
__extension__ using Wide = __int128;

constexpr Real kInfinity = std::numeric_limits<Real>::infinity();

// Sample positions lo <= x <= hi on one row.
struct Interval {
  Real lo = 1;
  Real hi = 0;
  bool Empty() const { return hi < lo; }
};

// Pixels first to last of one row, both included.
struct Run {
  qint64 first = 0;
  qint64 last = -1;
  bool Empty() const { return last < first; }
};

// The pixels whose sample position lies in the interval, kept within one
// pixel of a row `width` wide so that no value overflows.
Run ToRun(const Interval& interval, int width) {
  if (interval.Empty()) return {};
  const Real lo = std::clamp<Real>(std::ceil(interval.lo), -1, width);
  const Real hi = std::clamp<Real>(std::floor(interval.hi), -1, width);
  return {static_cast<qint64>(lo), static_cast<qint64>(hi)};
}

// The few runs one row of a figure's outline has, merged where they meet.
struct Runs {
  std::array<Run, 4> items;
  int count = 0;

  void Add(const Run& run) {
    if (!run.Empty()) items[static_cast<std::size_t>(count++)] = run;
  }
  void Merge() {
    std::sort(items.begin(), items.begin() + count,
              [](const Run& a, const Run& b) { return a.first < b.first; });
    int merged = 0;
    for (int i = 0; i < count; ++i) {
      const Run& run = items[static_cast<std::size_t>(i)];
      if (merged > 0 && run.first <= items[static_cast<std::size_t>(merged - 1)].last + 1) {
        Run& last = items[static_cast<std::size_t>(merged - 1)];
        last.last = std::max(last.last, run.last);
      } else {
        items[static_cast<std::size_t>(merged++)] = run;
      }
    }
    count = merged;
  }
};

// Paints runs and pixels in one pen mode, clipped to the image, and keeps
// the box of what it touched.
class RowPainter {
 public:
  RowPainter(QImage& image, PenMode mode)
      : image_(image), stride_(image.bytesPerLine()), mode_(mode) {}

  void Pixel(int x, int y, QRgb color) {
    QRgb* line = Row(y);
    line[x] = Ink(line[x], color);
    Touch(x, x, y);
  }

  void Paint(int y, Run run, QRgb color) {
    if (y < 0 || y >= image_.height()) return;
    run.first = std::max<qint64>(run.first, 0);
    run.last = std::min<qint64>(run.last, image_.width() - 1);
    if (run.Empty()) return;
    QRgb* line = Row(y);
    const int first = static_cast<int>(run.first);
    const int last = static_cast<int>(run.last);
    if (mode_ == PenMode::kCopy) {
      std::fill(line + first, line + last + 1, color);
    } else {
      for (int x = first; x <= last; ++x) line[x] = Ink(line[x], color);
    }
    Touch(first, last, y);
  }

  QRect Touched() const {
    if (max_x_ < min_x_) return {};
    return QRect(QPoint(min_x_, min_y_), QPoint(max_x_, max_y_));
  }

 private:
  // The image is detached at the first pixel painted, not at every row.
  QRgb* Row(int y) {
    if (bits_ == nullptr) bits_ = image_.bits();
    return reinterpret_cast<QRgb*>(bits_ + qsizetype{y} * stride_);
  }
  // Not-xor: the inverse of colour xor pixel, so drawing twice restores it.
  QRgb Ink(QRgb pixel, QRgb color) const {
    return mode_ == PenMode::kCopy ? color : (~(color ^ pixel) | 0xFF000000u);
  }
  void Touch(int first, int last, int y) {
    min_x_ = std::min(min_x_, first);
    max_x_ = std::max(max_x_, last);
    min_y_ = std::min(min_y_, y);
    max_y_ = std::max(max_y_, y);
  }

  QImage& image_;
  uchar* bits_ = nullptr;
  qsizetype stride_;
  PenMode mode_;
  int min_x_ = std::numeric_limits<int>::max();
  int max_x_ = std::numeric_limits<int>::min();
  int min_y_ = std::numeric_limits<int>::max();
  int max_y_ = std::numeric_limits<int>::min();
};

// Narrows interval to the x where c0 + c1 * x lies in [low, high].
void Constrain(Interval& interval, Real c1, Real c0, Real low, Real high) {
  if (c1 == 0) {
    if (c0 < low || c0 > high) interval = {};
    return;
  }
  Real lo = (low - c0) / c1;
  Real hi = (high - c0) / c1;
  if (c1 < 0) std::swap(lo, hi);
  interval.lo = std::max(interval.lo, lo);
  interval.hi = std::min(interval.hi, hi);
}

// One row of the ellipse with centre (cx, cy) and half-axes a and b.
Interval EllipseRow(Real cx, Real cy, Real a, Real b, Real y) {
  const Real d = y - cy;
  if (a < 0 || b < 0 || std::fabs(d) > b) return {};
  if (b == 0) return {cx - a, cx + a};
  const Real u = d / b;
  const Real half = a * std::sqrt(std::max<Real>((1 - u) * (1 + u), 0));
  return {cx - half, cx + half};
}

// Every point within r of the segment from a to b: a line with round ends.
struct Capsule {
  Real ax, ay, bx, by, r;

  Real Top() const { return std::min(ay, by) - r; }
  Real Bottom() const { return std::max(ay, by) + r; }

  Interval Row(Real y) const {
    Interval row;
    auto add = [&row](const Interval& part) {
      if (part.Empty()) return;
      row = row.Empty() ? part : Interval{std::min(row.lo, part.lo), std::max(row.hi, part.hi)};
    };
    add(EllipseRow(ax, ay, r, r, y));
    add(EllipseRow(bx, by, r, r, y));
    const Real dx = bx - ax;
    const Real dy = by - ay;
    const Real length2 = dx * dx + dy * dy;
    if (length2 > 0) {
      // The band between the ends, in u = x - ax: along the segment within
      // its length, across it within r. The capsule is convex, so the union
      // of the three parts on one row is one interval.
      Interval body{-kInfinity, kInfinity};
      const Real rel_y = y - ay;
      Constrain(body, dx, rel_y * dy, 0, length2);
      const Real across = r * std::sqrt(length2);
      Constrain(body, dy, -rel_y * dx, -across, across);
      if (!body.Empty()) add({body.lo + ax, body.hi + ax});
    }
    return row;
  }
};

// Even widths are sampled half a pixel off the centre line, so a line of
// width w covers exactly w rows or columns when it runs straight.
Real SampleShift(qint64 width) { return width % 2 == 0 ? Real(0.5) : Real(0); }

// The rows of the image that [top, bottom] reaches.
std::pair<int, int> Rows(const QImage& image, Real top, Real bottom) {
  const Real first = std::clamp<Real>(std::ceil(top), 0, image.height());
  const Real last = std::clamp<Real>(std::floor(bottom), -1, image.height() - 1);
  return {static_cast<int>(first), static_cast<int>(last)};
}

// Paints the pen runs of one row, then the fill run where no pen run is.
void PaintRow(RowPainter& painter, int y, Runs& pen_runs, QRgb pen, Run fill,
              std::optional<QRgb> fill_color) {
  pen_runs.Merge();
  for (int i = 0; i < pen_runs.count; ++i)
    painter.Paint(y, pen_runs.items[static_cast<std::size_t>(i)], pen);
  if (!fill_color || fill.Empty()) return;
  qint64 from = fill.first;
  for (int i = 0; i < pen_runs.count && from <= fill.last; ++i) {
    const Run& run = pen_runs.items[static_cast<std::size_t>(i)];
    if (run.last < from) continue;
    painter.Paint(y, {from, std::min(fill.last, run.first - 1)}, *fill_color);
    from = run.last + 1;
  }
  painter.Paint(y, {from, fill.last}, *fill_color);
}

}  // namespace

Box Box::FromCorners(QPoint a, QPoint b) {
  return {std::min<qint64>(a.x(), b.x()), std::min<qint64>(a.y(), b.y()),
          std::max<qint64>(a.x(), b.x()), std::max<qint64>(a.y(), b.y())};
}

QRect ThinLine(QImage& image, QPoint from, QPoint to, QRgb color, PenMode mode) {
  RowPainter painter(image, mode);
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
  if (first > last) return painter.Touched();
  // Step k is offset (2 k |minor| + steps) / (2 steps) along the minor axis,
  // rounded down: one division for the first step, then the remainder
  // carries it on (|minor| <= steps, so it grows by at most one a step).
  const qint64 twice_steps = 2 * steps;
  const qint64 twice_minor = 2 * std::llabs(minor);
  const Wide start = 2 * static_cast<Wide>(first) * std::llabs(minor) + steps;
  qint64 offset = static_cast<qint64>(start / twice_steps);
  qint64 remainder = static_cast<qint64>(start % twice_steps);
  for (qint64 k = first; k <= last; ++k) {
    if (k > first) {
      remainder += twice_minor;
      if (remainder >= twice_steps) {
        remainder -= twice_steps;
        ++offset;
      }
    }
    const qint64 m = minor_start + minor_sign * offset;
    if (m < 0 || m >= minor_limit) continue;
    const int j = static_cast<int>(major_start + major_sign * k);
    if (x_major) {
      painter.Pixel(j, static_cast<int>(m), color);
    } else {
      painter.Pixel(static_cast<int>(m), j, color);
    }
  }
  return painter.Touched();
}

QRect WideLine(QImage& image, QPoint from, QPoint to, qint64 width, QRgb color, PenMode mode) {
  const Real shift = SampleShift(width);
  const Capsule line{from.x() - shift, from.y() - shift, to.x() - shift, to.y() - shift,
                     Real(width) / 2};
  RowPainter painter(image, mode);
  const auto [first, last] = Rows(image, line.Top(), line.Bottom());
  for (int y = first; y <= last; ++y) painter.Paint(y, ToRun(line.Row(y), image.width()), color);
  return painter.Touched();
}

QRect Rectangle(QImage& image, const Box& box, qint64 width, QRgb pen, std::optional<QRgb> fill,
                PenMode mode) {
  if (box.Empty()) return {};
  RowPainter painter(image, mode);
  // The pen runs through the outermost pixels of the box.
  const qint64 left = box.left;
  const qint64 top = box.top;
  const qint64 right = box.right - 1;
  const qint64 bottom = box.bottom - 1;
  const Real shift = SampleShift(width);
  const Real r = Real(width) / 2;
  const Capsule edges[4] = {{left - shift, top - shift, right - shift, top - shift, r},
                            {right - shift, top - shift, right - shift, bottom - shift, r},
                            {left - shift, bottom - shift, right - shift, bottom - shift, r},
                            {left - shift, top - shift, left - shift, bottom - shift, r}};
  const auto [first, last] = Rows(image, top - r - 1, bottom + r + 1);
  for (int y = first; y <= last; ++y) {
    Runs outline;
    if (width <= 1) {
      if (y == top || y == bottom) {
        outline.Add({left, right});
      } else if (y > top && y < bottom) {
        outline.Add({left, left});
        outline.Add({right, right});
      }
    } else {
      for (const Capsule& edge : edges) outline.Add(ToRun(edge.Row(y), image.width()));
    }
    const Run inside = y >= top && y <= bottom ? Run{left, right} : Run{};
    PaintRow(painter, y, outline, pen, inside, fill);
  }
  return painter.Touched();
}

QRect Ellipse(QImage& image, const Box& box, qint64 width, QRgb pen, std::optional<QRgb> fill,
              PenMode mode) {
  if (box.Empty()) return {};
  RowPainter painter(image, mode);
  const Real shift = SampleShift(width);
  // The outline is centred on the ellipse through the box's outermost pixels.
  const Real cx = Real(box.left + box.right - 1) / 2 - shift;
  const Real cy = Real(box.top + box.bottom - 1) / 2 - shift;
  const Real a = Real(box.right - 1 - box.left) / 2;
  const Real b = Real(box.bottom - 1 - box.top) / 2;
  const Real r = Real(std::max<qint64>(width, 1)) / 2;
  const bool hollow = a - r > 0 && b - r > 0;
  const auto [first, last] = Rows(image, cy - b - r, cy + b + r);
  for (int y = first; y <= last; ++y) {
    const Run outer = ToRun(EllipseRow(cx, cy, a + r, b + r, y), image.width());
    Runs outline;
    Run hole;
    if (hollow) {
      // Pixels strictly inside the inner ellipse are not the outline's.
      const Interval inner = EllipseRow(cx, cy, a - r, b - r, y);
      if (!inner.Empty()) {
        hole = {static_cast<qint64>(std::clamp<Real>(std::floor(inner.lo) + 1, -1, image.width())),
                static_cast<qint64>(std::clamp<Real>(std::ceil(inner.hi) - 1, -1, image.width()))};
      }
    }
    if (hole.Empty()) {
      outline.Add(outer);
    } else {
      outline.Add({outer.first, hole.first - 1});
      outline.Add({hole.last + 1, outer.last});
    }
    PaintRow(painter, y, outline, pen, ToRun(EllipseRow(cx, cy, a, b, y), image.width()), fill);
  }
  return painter.Touched();
}

}  // namespace kovra::raster
