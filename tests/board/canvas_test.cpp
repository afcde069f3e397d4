#include "board/canvas.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <climits>
#include <random>

#include "board/board_files.h"
#include "common/test_window.h"

namespace kovra {
namespace {

BoardCanvas WhiteCanvas(int width, int height) {
  BoardCanvas canvas;
  canvas.Reset(test::WhiteImage(width, height));
  return canvas;
}

std::string Picture(const QImage& image) {
  std::string rows;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x)
      rows += image.pixel(x, y) == qRgb(255, 255, 255) ? '.' : '#';
    rows += '\n';
  }
  return rows;
}

TEST(BoardCanvas, StateRulesHoldForEveryAssignment) {
  BoardCanvas canvas = WhiteCanvas(10, 10);
  EXPECT_EQ(canvas.PenColor(), kClBlack);
  EXPECT_EQ(canvas.PenWidth(), 1);
  EXPECT_EQ(canvas.Mode(), PenMode::kCopy);
  EXPECT_EQ(canvas.BrushColor(), kClWhite);
  EXPECT_EQ(canvas.Brush(), BrushStyle::kSolid);
  EXPECT_EQ(canvas.FontColor(), kClWindowText);

  canvas.SetBrushColor(kClRed);
  canvas.SetBrushStyle(BrushStyle::kClear);
  EXPECT_EQ(canvas.BrushColor(), kClWhite) << "a clear brush is white";
  canvas.SetBrushColor(kClYellow);
  EXPECT_EQ(canvas.Brush(), BrushStyle::kSolid) << "a colour makes the brush solid";
  canvas.SetPenWidth(5);
  canvas.SetPenWidth(-3);
  EXPECT_EQ(canvas.PenWidth(), 5) << "a negative width is ignored";

  canvas.Resize(20, 5);
  EXPECT_EQ(canvas.BrushColor(), kClYellow) << "a resize keeps the state";
  canvas.Reset(test::WhiteImage(3, 3));
  EXPECT_EQ(canvas.PenWidth(), 1) << "a fresh bitmap starts from the defaults";
}

TEST(BoardCanvas, LinesPaintTheStartButNotTheEnd) {
  BoardCanvas canvas = WhiteCanvas(12, 8);
  canvas.MoveTo(1, 1);
  canvas.LineTo(6, 1);
  canvas.MoveTo(10, 5);
  canvas.LineTo(10, 1);  // upwards: (10, 5) painted, (10, 1) not
  canvas.MoveTo(5, 6);
  canvas.LineTo(1, 3);
  EXPECT_EQ(canvas.PenPos(), QPoint(1, 3));
  EXPECT_EQ(Picture(canvas.Image()),
            "............\n"
            ".#####......\n"
            "..........#.\n"
            "..........#.\n"
            "..##......#.\n"
            "....#.....#.\n"
            ".....#......\n"
            "............\n");
}

TEST(BoardCanvas, NotXorFrameHasWholeCornersAndUndoesItself) {
  BoardCanvas canvas = WhiteCanvas(10, 8);
  canvas.SetPenMode(PenMode::kNotXor);
  auto frame = [&] {
    canvas.MoveTo(1, 1);
    canvas.LineTo(8, 1);
    canvas.LineTo(8, 6);
    canvas.LineTo(1, 6);
    canvas.LineTo(1, 1);
  };
  frame();
  EXPECT_EQ(Picture(canvas.Image()),
            "..........\n"
            ".########.\n"
            ".#......#.\n"
            ".#......#.\n"
            ".#......#.\n"
            ".#......#.\n"
            ".########.\n"
            "..........\n");
  frame();
  EXPECT_EQ(canvas.Image(), test::WhiteImage(10, 8));
}

// The pixels of a one-pixel line by the rule itself, one division a pixel:
// step k along the longer axis moves (2 k |minor| + steps) / (2 steps)
// along the shorter one, rounded down; the end is left out.
__extension__ using Wide = __int128;

QImage ReferenceLine(QImage image, qint64 x0, qint64 y0, qint64 x1, qint64 y1) {
  const qint64 dx = x1 - x0;
  const qint64 dy = y1 - y0;
  const bool x_major = std::llabs(dx) >= std::llabs(dy);
  const qint64 major = x_major ? dx : dy;
  const qint64 minor = x_major ? dy : dx;
  const qint64 steps = std::llabs(major);
  for (qint64 k = 0; k < steps; ++k) {
    const Wide offset = (2 * static_cast<Wide>(k) * std::llabs(minor) + steps) / (2 * steps);
    const qint64 along = (x_major ? x0 : y0) + (major < 0 ? -k : k);
    const qint64 across = (x_major ? y0 : x0) + (minor < 0 ? -1 : 1) * static_cast<qint64>(offset);
    const qint64 x = x_major ? along : across;
    const qint64 y = x_major ? across : along;
    if (x >= 0 && y >= 0 && x < image.width() && y < image.height()) {
      image.setPixel(static_cast<int>(x), static_cast<int>(y), qRgb(0, 0, 0));
    }
  }
  return image;
}

TEST(BoardCanvas, ThinLinesFollowTheirRuleAtAnyDistance) {
  std::mt19937 random(20261208);
  std::uniform_int_distribution<int> near(-20, 60);
  std::uniform_int_distribution<int> far(-200'000, 200'000);
  for (int i = 0; i < 200; ++i) {
    // Near ends, far ends, and one of each, so the first step on the board
    // is sometimes millions of steps along.
    auto coordinate = [&](bool is_far) { return is_far ? far(random) : near(random); };
    const int x0 = coordinate(i % 4 == 1 || i % 4 == 3);
    const int y0 = coordinate(i % 4 == 1);
    const int x1 = coordinate(i % 4 == 2);
    const int y1 = coordinate(i % 4 == 2 || i % 4 == 3);
    BoardCanvas canvas = WhiteCanvas(40, 30);
    canvas.MoveTo(x0, y0);
    canvas.LineTo(x1, y1);
    ASSERT_EQ(Picture(canvas.Image()),
              Picture(ReferenceLine(test::WhiteImage(40, 30), x0, y0, x1, y1)))
        << "(" << x0 << ", " << y0 << ") to (" << x1 << ", " << y1 << ")";
  }
}

TEST(BoardCanvas, FarEndsAreClippedWithoutCost) {
  BoardCanvas canvas = WhiteCanvas(50, 50);
  canvas.MoveTo(INT_MIN, INT_MIN);
  canvas.LineTo(INT_MAX, INT_MAX);  // through the diagonal
  canvas.MoveTo(INT_MAX, 0);
  canvas.LineTo(INT_MIN, 0);
  EXPECT_EQ(canvas.Image().pixel(10, 10), qRgb(0, 0, 0));
  EXPECT_EQ(canvas.Image().pixel(25, 0), qRgb(0, 0, 0));
  EXPECT_EQ(canvas.Image().pixel(10, 11), qRgb(255, 255, 255));
  canvas.MoveTo(-100, 30);
  canvas.LineTo(-1, 30);  // wholly outside
  EXPECT_EQ(canvas.Image().pixel(0, 30), qRgb(255, 255, 255));
}

TEST(BoardCanvas, FarFiguresShowTheirVisiblePartExactly) {
  // One line, y = 20 - x / 2, given by far and by near ends: the same pixels.
  for (int width : {1, 3, 6}) {
    BoardCanvas far = WhiteCanvas(60, 40);
    BoardCanvas near = WhiteCanvas(60, 40);
    for (BoardCanvas* canvas : {&far, &near}) canvas->SetPenWidth(width);
    far.MoveTo(-1'000'000, 500'020);
    far.LineTo(1000, -480);
    near.MoveTo(-2000, 1020);
    near.LineTo(1000, -480);
    EXPECT_EQ(far.Image(), near.Image()) << "width " << width;
    EXPECT_EQ(far.Image().pixel(0, 20), qRgb(0, 0, 0)) << "width " << width;
  }

  // A rectangle whose corners lie far off shows the same edges as a near one.
  BoardCanvas far = WhiteCanvas(60, 40);
  BoardCanvas near = WhiteCanvas(60, 40);
  for (BoardCanvas* canvas : {&far, &near}) {
    canvas->SetPenWidth(5);
    canvas->SetBrushColor(kClRed);
  }
  far.Rectangle(-1'000'000, 10, 30, 1'000'000);
  near.Rectangle(-10, 10, 30, 50);
  EXPECT_EQ(far.Image(), near.Image());
  EXPECT_EQ(far.Image().pixel(10, 20), qRgb(255, 0, 0));

  // An ellipse two million wide: moving its box down ten rows moves the
  // visible arc down ten rows, pixel for pixel.
  BoardCanvas arc = WhiteCanvas(60, 40);
  BoardCanvas lower = WhiteCanvas(60, 40);
  for (BoardCanvas* canvas : {&arc, &lower}) canvas->SetPenWidth(3);
  arc.Ellipse(-1'000'000, -1'999'960, 1'000'000, 40);
  lower.Ellipse(-1'000'000, -1'999'950, 1'000'000, 50);
  EXPECT_EQ(lower.Image().copy(0, 10, 60, 30), arc.Image().copy(0, 0, 60, 30));
  EXPECT_EQ(arc.Image().pixel(30, 39), qRgb(0, 0, 0)) << "the bottom of the arc";
  EXPECT_EQ(arc.Image().pixel(30, 20), qRgb(255, 255, 255)) << "the inside is filled white";

  // A pen wider than any board is drawn as wide as it is: rows up to 20 only.
  BoardCanvas wide = WhiteCanvas(60, 40);
  wide.SetPenWidth(200'041);
  wide.MoveTo(0, -100'000);
  wide.LineTo(59, -100'000);
  EXPECT_EQ(wide.Image().pixel(30, 20), qRgb(0, 0, 0));
  EXPECT_EQ(wide.Image().pixel(30, 21), qRgb(255, 255, 255));
  wide.SetPenWidth(INT_MAX);
  wide.SetPenColor(kClRed);
  wide.MoveTo(-700'000'000, INT_MIN);
  wide.LineTo(-700'000'000, 0);
  EXPECT_EQ(wide.Image().pixel(59, 39), qRgb(255, 0, 0)) << "2^30 around a line 7e8 away";
}

TEST(BoardCanvas, TextIsTheSameWhateverResolutionThePictureFileHad) {
  QTemporaryDir dir;
  QImage reference;
  for (int dots_per_meter : {2835, 3780, 11811}) {  // 72, 96 and 300 dots per inch
    QImage white = test::WhiteImage(200, 60);
    white.setDotsPerMeterX(dots_per_meter);
    white.setDotsPerMeterY(dots_per_meter);
    const QString path = dir.path() + QStringLiteral("/%1.bmp").arg(dots_per_meter);
    ASSERT_TRUE(white.save(path, "bmp"));
    BoardCanvas canvas;
    canvas.Reset(ReadBoardPicture(path));
    canvas.SetFont(QFont(QStringLiteral("DejaVu Sans"), 20), kClBlack);
    canvas.TextOut(5, 5, QStringLiteral("Доска"));
    if (reference.isNull()) {
      reference = canvas.Image();
    } else {
      EXPECT_EQ(canvas.Image(), reference) << dots_per_meter << " dots per meter";
    }
    EXPECT_EQ(canvas.Image().dotsPerMeterX(), BoardCanvas::kDotsPerMeter);
  }
}

// A plain breadth-first fill, slow and obviously right, to hold the scan-line fill to.
QImage ReferenceFill(QImage image, QPoint seed, QRgb paint) {
  const QRgb target = image.pixel(seed);
  if (target == paint) return image;
  std::vector<QPoint> todo{seed};
  image.setPixel(seed, paint);
  while (!todo.empty()) {
    const QPoint p = todo.back();
    todo.pop_back();
    for (QPoint d : {QPoint(1, 0), QPoint(-1, 0), QPoint(0, 1), QPoint(0, -1)}) {
      const QPoint n = p + d;
      if (image.valid(n) && image.pixel(n) == target) {
        image.setPixel(n, paint);
        todo.push_back(n);
      }
    }
  }
  return image;
}

TEST(BoardCanvas, FloodFillPaintsExactlyTheConnectedRegion) {
  QImage maze = test::WhiteImage(97, 61);
  unsigned state = 12345;
  for (int y = 0; y < maze.height(); ++y) {
    for (int x = 0; x < maze.width(); ++x) {
      state = state * 1103515245u + 12345u;
      if ((state >> 16) % 100 < 42) maze.setPixel(x, y, qRgb(0, 0, 0));
    }
  }
  for (QPoint seed :
       {QPoint(0, 0), QPoint(48, 30), QPoint(96, 60), QPoint(10, 50), QPoint(70, 5)}) {
    BoardCanvas canvas;
    canvas.Reset(maze);
    canvas.SetBrushColor(kClRed);
    canvas.FloodFill(seed.x(), seed.y());
    EXPECT_EQ(canvas.Image(), ReferenceFill(maze, seed, qRgb(255, 0, 0)))
        << seed.x() << "," << seed.y();
  }
  BoardCanvas canvas;
  canvas.Reset(maze);
  canvas.SetBrushColor(kClBlack);
  canvas.FloodFill(-1, 5);
  canvas.FloodFill(5, 61);
  EXPECT_EQ(canvas.Image(), maze) << "outside the board nothing happens";
}

}  // namespace
}  // namespace kovra
