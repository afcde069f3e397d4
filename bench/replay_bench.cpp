// Freehand segments ("ImageKV_LineTo") replayed through the real socket, the
// event loop and the board, against a bare receive loop taking the same
// datagrams: from one sender, then from 8 senders interleaved, each
// continuing its own stroke; then a burst of 5,000 while the window is busy
// for 100 ms.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <unistd.h>

#include <QApplication>
#include <QThread>
#include <cstdio>
#include <vector>

#include "app/main_window.h"
#include "bench_common.h"

using namespace kovra;
using namespace kovra::bench;

namespace {

constexpr int kRounds = 20;
constexpr int kBatch = 3000;  // fits the socket's receive buffer
constexpr int kBurst = 5000;
constexpr int kSenders = 8;

std::vector<std::string> Strokes(int count) {
  std::vector<std::string> datagrams;
  for (int i = 0; i < count; ++i) {
    const int x = 20 + (i * 7) % 560;
    const int y = 20 + (i * 13) % 340;
    datagrams.push_back("Kovra:>ImageKV_LineTo:>" + std::to_string(x) + " " + std::to_string(y) +
                        " 1 clBlack");
  }
  return datagrams;
}

// The same segments, from kSenders strokes in their own parts of the board:
// datagram i is step i / kSenders of stroke i mod kSenders.
std::vector<std::string> InterleavedStrokes(int count) {
  std::vector<std::string> datagrams;
  for (int i = 0; i < count; ++i) {
    const int stroke = i % kSenders;
    const int step = i / kSenders;
    const int x = 20 + (stroke % 4) * 140 + (step * 7) % 120;
    const int y = 20 + (stroke / 4) * 170 + (step * 13) % 150;
    datagrams.push_back("Kovra:>ImageKV_LineTo:>" + std::to_string(x) + " " + std::to_string(y) +
                        " 1 clBlack");
  }
  return datagrams;
}

void Fill(int sender, const std::vector<std::string>& datagrams, quint16 port) {
  for (const auto& d : datagrams) RawSend(sender, d, "127.0.0.1", port);
}

// Datagram i goes from sender i mod kSenders.
void FillInterleaved(const std::vector<int>& senders, const std::vector<std::string>& datagrams,
                     quint16 port) {
  for (std::size_t i = 0; i < datagrams.size(); ++i) {
    RawSend(senders[i % senders.size()], datagrams[i], "127.0.0.1", port);
  }
}

// Replays rounds of datagrams put in the socket by fill; the seconds the
// window took to take them.
template <typename FillFn>
double ReplaySeconds(const long& replayed, FillFn fill) {
  double seconds = 0;
  for (int round = 0; round < kRounds; ++round) {
    const long target = replayed + kBatch;
    fill();
    const auto start = std::chrono::steady_clock::now();
    while (replayed < target) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    seconds += SecondsSince(start);
  }
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int sender = RawSocket("127.0.0.9", 0);
  const auto datagrams = Strokes(kBatch);
  const double bare = BareReceiveSeconds(sender, datagrams, kRounds);

  BenchEnvironment bench;
  TForm1 form(bench.env);
  form.show();
  while (form.FirstTick()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  long replayed = 0;
  // Counts each replayed segment around the window's own handler.
  const CommandTable::Handler replay = form.Commands().Get("ImageKV_LineTo");
  form.Commands().Set("ImageKV_LineTo", [&](const std::string& args) {
    replay(args);
    ++replayed;
  });
  const double window =
      ReplaySeconds(replayed, [&] { Fill(sender, datagrams, bench.env.udp_port); });
  const double total = double(kRounds) * kBatch;
  std::printf("bare receive loop:   %10.0f datagrams/s\n", total / bare);
  std::printf("replayed LineTo:     %10.0f datagrams/s (%ld of %.0f)\n", total / window, replayed,
              total);
  std::printf("ratio replay/bare:   %10.2f (target at least 0.5)\n", bare / window);

  // Each sender has its own pen position to continue from.
  std::vector<int> senders;
  for (int i = 0; i < kSenders; ++i) {
    senders.push_back(RawSocket(("127.0.0." + std::to_string(20 + i)).c_str(), 0));
  }
  const long before_interleaved = replayed;
  const auto strokes = InterleavedStrokes(kBatch);
  const double interleaved =
      ReplaySeconds(replayed, [&] { FillInterleaved(senders, strokes, bench.env.udp_port); });
  std::printf("%d senders at once:   %10.0f datagrams/s (%ld of %.0f)\n", kSenders,
              total / interleaved, replayed - before_interleaved, total);
  std::printf("ratio replay/bare:   %10.2f (target at least 0.25)\n", bare / interleaved);
  for (int s : senders) ::close(s);

  // The window is busy while a burst arrives; the socket holds it meanwhile.
  const long before = replayed;
  Fill(sender, Strokes(kBurst), bench.env.udp_port);
  QThread::msleep(100);
  const auto start = std::chrono::steady_clock::now();
  while (replayed < before + kBurst && SecondsSince(start) < 10) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  std::printf("burst while busy:    %10ld of %d replayed\n", replayed - before, kBurst);

  // The sender marked where its gesture began, as a copy that speaks the
  // extension does: every segment is kept for undo as it is drawn.
  sockaddr_in own{};
  socklen_t own_size = sizeof own;
  ::getsockname(sender, reinterpret_cast<sockaddr*>(&own), &own_size);
  form.Undo().FromPeer(ntohl(own.sin_addr.s_addr), ntohs(own.sin_port), "KVSTEP");
  const long before_step = replayed;
  const double kept = ReplaySeconds(replayed, [&] { Fill(sender, datagrams, bench.env.udp_port); });
  std::printf("kept for undo:       %10.0f datagrams/s (%ld of %.0f)\n", total / kept,
              replayed - before_step, total);
  std::printf("ratio kept/replay:   %10.2f (the cost of keeping the steps)\n", window / kept);
  ::close(sender);
  return replayed == 3 * static_cast<long>(total) + kBurst ? 0 : 1;
}
