// A drawing step fanned out to 10 present correspondents named by dotted
// address, against raw sendto of the same datagrams to the same addresses.
#include <unistd.h>

#include <QApplication>
#include <cstdio>
#include <vector>

#include "app/main_window.h"
#include "bench_common.h"
#include "net/command.h"
#include "net/correspondents.h"

using namespace kovra;
using namespace kovra::bench;

namespace {

constexpr int kPeers = 10;
constexpr int kSteps = 20000;
const std::string kArgs = "120 340 3 clBlack";

std::vector<std::string> PeerAddresses() {
  std::vector<std::string> addresses;
  for (int i = 0; i < kPeers; ++i) addresses.push_back("127.0.0." + std::to_string(41 + i));
  return addresses;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  BenchEnvironment bench;
  const auto addresses = PeerAddresses();
  // Sinks that accept and drop, so no port-unreachable replies are made.
  std::vector<int> sinks;
  for (const auto& address : addresses)
    sinks.push_back(RawSocket(address.c_str(), bench.env.udp_port));

  const std::string datagram = BuildCommandText(kProgramTag, command::kLineTo, kArgs);
  const int raw = RawSocket("127.0.0.1", 0);
  auto start = std::chrono::steady_clock::now();
  for (int step = 0; step < kSteps; ++step) {
    for (const auto& address : addresses)
      RawSend(raw, datagram, address.c_str(), bench.env.udp_port);
  }
  const double raw_seconds = SecondsSince(start);

  TForm1 form(bench.env);
  while (form.FirstTick()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  for (const auto& address : addresses) form.UserList().Append(address + "=Yes");
  int sent = 0;
  start = std::chrono::steady_clock::now();
  for (int step = 0; step < kSteps; ++step)
    sent += form.Sender().SendToCorrespondents(command::kLineTo, kArgs, false);
  const double fan_out_seconds = SecondsSince(start);

  std::printf("raw sendto:            %8.2f us per step of %d datagrams\n",
              raw_seconds * 1e6 / kSteps, kPeers);
  std::printf("SendToCorrespondents:  %8.2f us per step (%d datagrams sent)\n",
              fan_out_seconds * 1e6 / kSteps, sent);
  std::printf("ratio fan-out/raw:     %8.2f (target at most 2)\n", fan_out_seconds / raw_seconds);
  for (int sink : sinks) ::close(sink);
  ::close(raw);
  return sent == kSteps * kPeers ? 0 : 1;
}
