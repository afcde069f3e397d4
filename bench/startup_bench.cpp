// Start-up to the end of the first tick with a 4000 by 3000 ~kv.bmp and a
// 100,000-line ~Messages.txt, against the same window with no state files.
#include <QApplication>
#include <cstdio>

#include "app/main_window.h"
#include "bench_common.h"
#include "board/board_files.h"
#include "support/line_file.h"
#include "support/state_files.h"

using namespace kovra;
using namespace kovra::bench;

namespace {

constexpr int kRepeats = 5;

// From building the window to the end of its first tick, about 100 ms later.
double StartSeconds(const Environment& env) {
  const auto start = std::chrono::steady_clock::now();
  TForm1 form(env);
  form.show();
  while (form.FirstTick()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  return SecondsSince(start);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  BenchEnvironment empty;
  BenchEnvironment stored;
  QImage board(4000, 3000, QImage::Format_RGB32);
  board.fill(Qt::white);
  WriteBoardPicture(board, stored.env.program_dir + kBoardStateFile);
  std::vector<std::string> lines;
  for (int i = 0; i < 100000; ++i) lines.push_back("12:34:56  PC> message number " + std::to_string(i));
  WriteLineFile(stored.env.program_dir + kMessageHistoryFile, lines);

  double without = 0;
  double with = 0;
  for (int i = 0; i < kRepeats; ++i) {
    without += StartSeconds(empty.env);
    with += StartSeconds(stored.env);
  }
  std::printf("start without state files: %8.1f ms\n", without * 1e3 / kRepeats);
  std::printf("start with board and history: %8.1f ms\n", with * 1e3 / kRepeats);
  std::printf("ratio with/without:        %8.2f (target at most 3)\n", with / without);
  return 0;
}
