// One received message shown and saved with a 100,000-line history, against
// writing that history file once, in the same run; a flood of 100,000
// messages through the real socket, against a bare receive loop taking the
// same datagrams; then a start with a history of 3 million lines: the time
// to the end of the first tick and the memory it takes, against the file's
// own size.
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <QThread>
#include <algorithm>
#include <cstdio>

#include "app/chat_view.h"
#include "app/main_window.h"
#include "bench_common.h"
#include "support/line_file.h"
#include "support/state_files.h"

using namespace kovra;
using namespace kovra::bench;

namespace {

constexpr int kLines = 100000;
constexpr int kRepeats = 5;
constexpr int kLongLines = 3000000;
constexpr int kFlood = 100000;
constexpr int kFloodBatch = 5000;  // fits the socket's receive buffer

std::vector<std::string> History(int count) {
  std::vector<std::string> lines;
  lines.reserve(count);
  for (int i = 0; i < count; ++i) {
    lines.push_back("12:34:56  PC" + std::to_string(i % 7) + "> message number " +
                    std::to_string(i));
  }
  return lines;
}

long MaxResidentMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss / 1024;
}

// One received message against writing the whole history once, the best
// of a few of each: a disk's hiccup is not the program's.
void ReceivedAgainstWrite() {
  BenchEnvironment bench;
  const std::vector<std::string> lines = History(kLines);
  const QString history = bench.env.program_dir + kMessageHistoryFile;
  double write_once = 1e9;
  for (int i = 0; i < kRepeats; ++i) {
    const auto start = std::chrono::steady_clock::now();
    WriteLineFile(history, lines);
    write_once = std::min(write_once, SecondsSince(start));
  }

  TForm1 form(bench.env);
  form.show();  // the pane lays out and paints the lines in sight
  while (form.FirstTick()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  const ChatView& pane = *form.Controls().RE_Mess;
  double received = 1e9;
  for (int i = 0; i < kRepeats; ++i) {
    QThread::msleep(1100);  // past the last save, so this line is saved at once
    const auto start = std::chrono::steady_clock::now();
    form.Chat().ReceivedMessage("12:35:00  PC9> a received message " + std::to_string(i));
    // Until the pane has it in sight, and then painted.
    while (!pane.ShowsNewest()) QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    received = std::min(received, SecondsSince(start));
  }
  std::printf("history lines:            %d\n", static_cast<int>(form.History().Count()));
  std::printf("write history file once:  %8.2f ms\n", write_once * 1e3);
  std::printf("received message shown and saved: %8.2f ms\n", received * 1e3);
  std::printf("ratio received/write:     %8.2f (target at most 1.2)\n", received / write_once);
}

// A flood of messages through the socket against a bare receive loop.
void Flood() {
  std::vector<std::string> datagrams;
  for (int i = 0; i < kFloodBatch; ++i) {
    datagrams.push_back("Kovra:>Message:>12:35:00  PC9> flood line " + std::to_string(i));
  }
  const int sender = RawSocket("127.0.0.9", 0);
  const double bare = BareReceiveSeconds(sender, datagrams, kFlood / kFloodBatch);
  BenchEnvironment bench;
  TForm1 form(bench.env);
  form.show();  // every line goes into the pane in sight
  while (form.FirstTick()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  double window = 0;
  for (std::size_t target = kFloodBatch; target <= kFlood; target += kFloodBatch) {
    for (const auto& d : datagrams) RawSend(sender, d, "127.0.0.1", bench.env.udp_port);
    const auto start = std::chrono::steady_clock::now();
    while (form.History().Count() < target) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    window += SecondsSince(start);
  }
  std::printf(
      "flood of %d messages:  %.2f s, a bare receive loop %.2f s (ratio %.1f, target at most 5)\n",
      kFlood, window, bare, window / bare);
  ::close(sender);
}

// A start with a long history: the first tick and the memory taken.
bool LongHistoryStart() {
  BenchEnvironment bench;
  const QString history = bench.env.program_dir + kMessageHistoryFile;
  {
    // Written line by line, so that no copy of it stays in this process's peak.
    QFile file(history);
    if (!file.open(QIODevice::WriteOnly)) return false;
    for (int i = 0; i < kLongLines; ++i) {
      const std::string line =
          "12:34:56  PC" + std::to_string(i % 7) + "> message number " + std::to_string(i) + "\r\n";
      file.write(line.data(), static_cast<qint64>(line.size()));
    }
  }
  const long file_mb = QFile(history).size() >> 20;
  const long before_mb = MaxResidentMb();
  const auto start = std::chrono::steady_clock::now();
  TForm1 form(bench.env);
  form.show();
  while (form.FirstTick()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  const double first_tick = SecondsSince(start);
  std::printf("start with %d lines (%ld MB): first tick after %.2f s\n",
              static_cast<int>(form.History().Count()), file_mb, first_tick);
  std::printf("memory taken:             %ld MB (%.2f times the file)\n",
              MaxResidentMb() - before_mb, double(MaxResidentMb() - before_mb) / double(file_mb));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // One part may be named, to time or profile it alone.
  const std::string only = argc > 1 ? argv[1] : "";
  if (only.empty() || only == "received") ReceivedAgainstWrite();
  if (only.empty() || only == "flood") Flood();
  return only.empty() || only == "start" ? (LongHistoryStart() ? 0 : 1) : 0;
}
