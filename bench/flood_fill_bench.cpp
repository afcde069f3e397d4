// Flood fill of a whole 4000 by 3000 board against QImage::fill of it.
#include <QGuiApplication>
#include <cstdio>

#include "bench_common.h"
#include "board/canvas.h"

using namespace kovra;
using namespace kovra::bench;

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  constexpr int kRepeats = 10;
  QImage image(4000, 3000, QImage::Format_RGB32);
  image.fill(Qt::white);

  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRepeats; ++i) image.fill(i % 2 ? Qt::white : Qt::red);
  const double fill = SecondsSince(start) / kRepeats;

  BoardCanvas canvas;
  canvas.Reset(image);
  double flood = 0;
  for (int i = 0; i < kRepeats; ++i) {
    canvas.SetBrushColor(i % 2 ? kClWhite : kClRed);
    start = std::chrono::steady_clock::now();
    canvas.FloodFill(2000, 1500);
    flood += SecondsSince(start);
  }
  flood /= kRepeats;
  const bool whole = canvas.Image().pixel(0, 0) == canvas.Image().pixel(3999, 2999);
  std::printf("QImage::fill:        %8.2f ms\n", fill * 1e3);
  std::printf("flood fill:          %8.2f ms (whole board: %s)\n", flood * 1e3, whole ? "yes" : "no");
  std::printf("ratio flood/fill:    %8.2f (target at most 3)\n", flood / fill);
  return whole ? 0 : 1;
}
