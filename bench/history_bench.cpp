// One received message shown and saved with a 100,000-line history, against
// writing that history file once, in the same run.
#include <QApplication>
#include <cstdio>

#include "app/main_window.h"
#include "bench_common.h"
#include "support/line_file.h"
#include "support/state_files.h"

using namespace kovra;
using namespace kovra::bench;

namespace {

constexpr int kLines = 100000;
constexpr int kRepeats = 20;

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  BenchEnvironment bench;
  std::vector<std::string> lines;
  for (int i = 0; i < kLines; ++i) {
    lines.push_back("12:34:56  PC" + std::to_string(i % 7) + "> message number " + std::to_string(i));
  }
  const QString history = bench.env.program_dir + kMessageHistoryFile;

  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRepeats; ++i) WriteLineFile(history, lines);
  const double write_once = SecondsSince(start) / kRepeats;

  TForm1 form(bench.env);
  while (form.FirstTick()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  start = std::chrono::steady_clock::now();
  for (int i = 0; i < kRepeats; ++i) {
    form.ReceivedMessage("12:35:00  PC9> a received message " + std::to_string(i));
    QCoreApplication::processEvents();  // the pane repaints the top line
  }
  const double received = SecondsSince(start) / kRepeats;

  std::printf("history lines:            %d\n", static_cast<int>(form.History().Count()));
  std::printf("write history file once:  %8.2f ms\n", write_once * 1e3);
  std::printf("received message shown and saved: %8.2f ms\n", received * 1e3);
  std::printf("ratio received/write:     %8.2f (target at most 3)\n", received / write_once);
  return 0;
}
