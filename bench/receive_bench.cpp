// Received command datagrams handled through the real socket and the main
// window's receive handler, against a bare recvfrom loop on the same machine.
// Each round fills the socket while nothing reads it, then times the drain,
// so both sides see the same datagrams and none is lost to the sender's pace.

#include <QApplication>
#include <cstdio>

#include "app/main_window.h"
#include "bench_common.h"

using namespace kovra;
using namespace kovra::bench;

namespace {

constexpr int kRounds = 20;
constexpr int kBatch = 3000;  // fits the socket's receive buffer
const std::string kDatagram = "Kovra:>ImageKV_MouseUp:>";

void Fill(int sender, const char* address, quint16 port) {
  for (int i = 0; i < kBatch; ++i) RawSend(sender, kDatagram, address, port);
}


double WindowSeconds(int sender, long& handled) {
  BenchEnvironment bench;
  TForm1 form(bench.env);
  while (form.FirstTick()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  form.Commands().Set("ImageKV_MouseUp", [&](const std::string&) { ++handled; });
  double seconds = 0;
  for (int round = 0; round < kRounds; ++round) {
    const long target = handled + kBatch;
    Fill(sender, "127.0.0.1", bench.env.udp_port);
    const auto start = std::chrono::steady_clock::now();
    while (handled < target) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    seconds += SecondsSince(start);
  }
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const int sender = RawSocket("127.0.0.9", 0);
  const double bare = BareReceiveSeconds(sender, std::vector<std::string>(kBatch, kDatagram), kRounds);
  long handled = 0;
  const double window = WindowSeconds(sender, handled);
  const double total = double(kRounds) * kBatch;
  std::printf("bare receive loop:      %10.0f datagrams/s\n", total / bare);
  std::printf("window receive handler: %10.0f datagrams/s (%ld of %.0f handled)\n",
              total / window, handled, total);
  std::printf("ratio window/bare:      %10.2f (target at least 0.25)\n", bare / window);
  return handled == static_cast<long>(total) ? 0 : 1;
}
