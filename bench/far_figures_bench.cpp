// Figures with coordinates and pen widths far beyond the board, as a hostile
// or careless peer may send, against QImage::fill of the same 4000 by 3000
// board: each must cost no more than a few board-sized operations.
#include <QGuiApplication>
#include <climits>
#include <cstdio>
#include <functional>

#include "bench_common.h"
#include "board/canvas.h"

using namespace kovra;
using namespace kovra::bench;

namespace {

constexpr int kRepeats = 5;

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRepeats; ++i) work();
  return SecondsSince(start) / kRepeats;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QImage image(4000, 3000, QImage::Format_RGB32);
  image.fill(Qt::white);
  const double fill = Seconds([&] { image.fill(Qt::red); });

  BoardCanvas canvas;
  canvas.Reset(image);
  const struct {
    const char* name;
    std::function<void()> draw;
  } cases[] = {
      {"line 2^31 wide",
       [&] {
         canvas.SetPenWidth(INT_MAX);
         canvas.MoveTo(INT_MIN, 1500);
         canvas.LineTo(INT_MAX, 1500);
       }},
      {"line across 2^32, 9 wide",
       [&] {
         canvas.SetPenWidth(9);
         canvas.MoveTo(INT_MIN, INT_MIN);
         canvas.LineTo(INT_MAX, INT_MAX);
       }},
      {"filled rectangle of 2^32",
       [&] {
         canvas.SetPenWidth(1'000'000);
         canvas.SetBrushColor(kClRed);
         canvas.Rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
       }},
      {"filled ellipse of 2^32",
       [&] {
         canvas.SetPenWidth(7);
         canvas.SetBrushColor(kClYellow);
         canvas.Ellipse(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
       }},
      {"ellipse outline of 2^32",
       [&] {
         canvas.SetPenWidth(INT_MAX);
         canvas.SetBrushStyle(BrushStyle::kClear);
         canvas.Ellipse(INT_MIN, -100, INT_MAX, 3100);
       }},
  };
  std::printf("QImage::fill of the board: %8.2f ms\n", fill * 1e3);
  double worst = 0;
  for (const auto& c : cases) {
    const double seconds = Seconds(c.draw);
    worst = std::max(worst, seconds / fill);
    std::printf("%-26s %8.2f ms, ratio %6.2f\n", c.name, seconds * 1e3, seconds / fill);
  }
  std::printf("worst ratio figure/fill:   %8.2f (target at most 4)\n", worst);
  return 0;
}
