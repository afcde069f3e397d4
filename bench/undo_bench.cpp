// The cost of one step back, whatever the history holds:
// - on a 4000 x 3000 board whose history is full (every one who draws has
//   the most steps kept, each a stroke and a fill, a peer's fills between
//   them): the user's last step back and the oldest one that can be taken
//   back (target: the last at most 50 ms);
// - a peer's step under 4,000 fills of a 2000 x 2000 board, as a hostile
//   peer would send them, then its "take my last step back".
#include <QGuiApplication>
#include <chrono>
#include <cstdio>

#include "bench_common.h"
#include "board/board_history.h"
#include "board/canvas.h"
#include "board/replay.h"

using namespace kovra;
using namespace kovra::bench;

namespace {

struct Board {
  Board(int width, int height) {
    QImage white(width, height, QImage::Format_RGB32);
    white.fill(Qt::white);
    canvas.Reset(white);
    replay.OnDrawing = [this](const drawing::Command& command, const DrawingState& before,
                              quint64 sender) { history.Drawing(command, before, sender); };
  }
  BoardCanvas canvas;
  BoardHistory history{canvas};
  Replay replay{canvas};
};

const char* const kColours[] = {"clRed", "clBlue", "clYellow", "clGreen", "clAqua", "clFuchsia"};

double Milliseconds(std::chrono::steady_clock::time_point start) {
  return SecondsSince(start) * 1e3;
}

void FullHistory() {
  Board board(4000, 3000);
  const quint64 peer = Replay::Key(7, 7);
  for (int i = 0; i < int(BoardHistory::kMaxSteps) + 5; ++i) {
    board.history.BeginStep();
    board.replay.SetSender(0, 0);
    board.replay.DrawOwn(drawing::MoveTo{{i * 70, 0}});
    board.replay.DrawOwn(drawing::LineTo{i * 70 + 300, 2999, 9, "clBlack"});
    board.replay.DrawOwn(drawing::FloodFill{i * 70 + 5, 10, kColours[i % 6], ""});
    board.history.EndStep();
    board.history.BeginStep(peer);
    board.replay.SetSender(7, 7);
    board.replay.Draw(drawing::FloodFill{3990, 2990 - i, kColours[(i + 2) % 6], ""});
  }
  int kept = 0;
  auto start = std::chrono::steady_clock::now();
  board.history.Undo();
  const double last = Milliseconds(start);
  ++kept;
  double oldest = 0;
  while (board.history.CanUndo()) {
    start = std::chrono::steady_clock::now();
    board.history.Undo();
    oldest = Milliseconds(start);
    ++kept;
  }
  std::printf("4000x3000, history full: last step back %8.1f ms (target at most 50)\n", last);
  std::printf("                          oldest of %d kept %8.1f ms\n", kept, oldest);
}

void BuriedUnderFills() {
  Board board(2000, 2000);
  const quint64 peer = Replay::Key(7, 7);
  board.history.BeginStep(peer);
  board.replay.SetSender(7, 7);
  board.replay.Draw(drawing::MoveTo{{0, 1000}});
  board.replay.Draw(drawing::LineTo{1999, 1000, 5, "clRed"});
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 4000; ++i) board.replay.Draw(drawing::FloodFill{0, 0, kColours[i % 6], ""});
  const double fills = Milliseconds(start);
  const bool kept = board.history.CanUndo(peer);
  start = std::chrono::steady_clock::now();
  board.history.Undo(peer);
  std::printf("2000x2000, 4000 fills: drawn in %8.1f ms; then a step back %8.1f ms (%s)\n", fills,
              Milliseconds(start), kept ? "taken back" : "the step was forgotten");
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  FullHistory();
  BuriedUnderFills();
  return 0;
}
