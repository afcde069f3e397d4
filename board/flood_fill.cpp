#include "board/flood_fill.h"

#include <algorithm>
#include <vector>

namespace kovra {
namespace {

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

// One fill: the image's rows, the colours, the spans still to look at and
// the area touched so far.
class Filler {
 public:
  Filler(QImage& image, QRgb target, QRgb paint)
      : width_(image.width()),
        height_(image.height()),
        bits_(reinterpret_cast<QRgb*>(image.bits())),
        stride_(image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb))),
        target_(target),
        paint_(paint) {}

  QRect Fill(QPoint seed) {
    int left = 0;
    int right = 0;
    FillRun(seed.x(), seed.y(), left, right);
    spans_.push_back({left, right, seed.y(), left, right, seed.y()});
    while (!spans_.empty()) {
      const FillSpan span = spans_.back();
      spans_.pop_back();
      for (int ny : {span.y - 1, span.y + 1}) {
        if (ny < 0 || ny >= height_) continue;
        if (ny != span.parent_y) {
          QueueRuns(ny, span.left, span.right, span);
        } else {
          // The parent row was filled under the parent's run already.
          QueueRuns(ny, span.left, std::min(span.right, span.parent_left - 1), span);
          QueueRuns(ny, std::max(span.left, span.parent_right + 1), span.right, span);
        }
      }
    }
    return touched_;
  }

 private:
  // Fills the run of target pixels through x in row y.
  void FillRun(int x, int y, int& left, int& right) {
    // Locals, not members: a store through p could otherwise be one to them.
    const QRgb target = target_;
    const QRgb paint = paint_;
    QRgb* row = bits_ + y * stride_;
    QRgb* p = row + x;
    QRgb* const end = row + width_;
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
    touched_ |= QRect(left, y, right - left + 1, 1);
  }

  // Pushes a span for each run of target pixels in row y between from and to.
  void QueueRuns(int y, int from, int to, const FillSpan& parent) {
    const QRgb* row = bits_ + y * stride_;
    for (int x = from; x <= to; ++x) {
      if (row[x] != target_) continue;
      int left = 0;
      int right = 0;
      FillRun(x, y, left, right);
      spans_.push_back({left, right, y, parent.left, parent.right, parent.y});
      x = right + 1;
    }
  }

  const int width_;
  const int height_;
  QRgb* const bits_;
  const qsizetype stride_;
  const QRgb target_;
  const QRgb paint_;
  std::vector<FillSpan> spans_;
  QRect touched_;
};

}  // namespace

QRect ScanLineFill(QImage& image, QPoint seed, QRgb target, QRgb paint) {
  if (target == paint) return {};
  return Filler(image, target, paint).Fill(seed);
}

}  // namespace kovra
