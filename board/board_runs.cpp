#include "board/board_runs.h"

#include "board/colors.h"
#include "board/drawing_commands.h"

namespace kovra {
namespace {

constexpr QRgb kWhite = 0xFFFFFFFF;

// The end of the run of one colour that starts at x.
int RunEnd(const QRgb* row, int x, int width) {
  int end = x + 1;
  while (end < width && row[end] == row[x]) ++end;
  return end;
}

}  // namespace

BoardRuns::BoardRuns(QImage board) : board_(board.convertToFormat(QImage::Format_RGB32)) {}

BoardRuns::BoardRuns(QImage changed, QPoint at)
    : board_(changed.convertToFormat(QImage::Format_ARGB32)), at_(at), changed_only_(true) {}

bool BoardRuns::NextLine(std::string& args) {
  const int width = board_.width();
  for (; y_ < board_.height(); ++y_, x_ = 0) {
    const auto* row = reinterpret_cast<const QRgb*>(board_.constScanLine(y_));
    while (x_ < width) {
      const int start = x_;
      x_ = RunEnd(row, start, width);
      if (changed_only_ ? qAlpha(row[start]) == 0 : (row[start] | 0xFF000000) == kWhite) continue;
      drawing::Figure line;
      line.x0 = at_.x() + start;
      line.y0 = at_.y() + y_;
      line.x1 = at_.x() + x_;
      line.y1 = line.y0;
      line.width = 1;
      line.pen = ColorToString(FromQColor(QColor::fromRgb(row[start] | 0xFF000000)));
      args = line.Build();
      return true;
    }
  }
  return false;
}

std::size_t BoardRuns::Count(const QImage& board) {
  const QImage rgb = board.convertToFormat(QImage::Format_RGB32);
  std::size_t count = 0;
  for (int y = 0; y < rgb.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width();) {
      const int end = RunEnd(row, x, rgb.width());
      if ((row[x] | 0xFF000000) != kWhite) ++count;
      x = end;
    }
  }
  return count;
}

}  // namespace kovra
