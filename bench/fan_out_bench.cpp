// A drawing step fanned out to 10 present correspondents, against raw
// sendto of the same datagrams to the same addresses: first all named by
// dotted address, then with 3 named by computer names that no name service
// knows, reached by the addresses they were last heard from.
#include <unistd.h>

#include <QApplication>
#include <QFile>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

#include "app/main_window.h"
#include "bench_common.h"
#include "net/command.h"
#include "net/correspondents.h"

using namespace kovra;
using namespace kovra::bench;

namespace {

constexpr int kPeers = 10;
constexpr int kUnresolved = 3;
constexpr int kSteps = 20000;
// What a slow name service takes to say it does not know a name.
constexpr auto kFailedLookupTime = std::chrono::milliseconds(50);
const std::string kArgs = "120 340 3 clBlack";

std::vector<std::string> PeerAddresses() {
  std::vector<std::string> addresses;
  for (int i = 0; i < kPeers; ++i) addresses.push_back("127.0.0." + std::to_string(41 + i));
  return addresses;
}

double RawSeconds(const std::vector<std::string>& addresses, quint16 port) {
  const std::string datagram = BuildCommandText(kProgramTag, command::kLineTo, kArgs);
  const int raw = RawSocket("127.0.0.1", 0);
  const auto start = std::chrono::steady_clock::now();
  for (int step = 0; step < kSteps; ++step) {
    for (const auto& address : addresses) RawSend(raw, datagram, address.c_str(), port);
  }
  const double seconds = SecondsSince(start);
  ::close(raw);
  return seconds;
}

struct FanOutRun {
  double seconds = 0;
  double longest_step = 0;
  int sent = 0;
};

// The window's list holds lines; each step fans one segment out to them.
FanOutRun FanOutSeconds(BenchEnvironment& bench, const std::vector<std::string>& lines) {
  TForm1 form(bench.env);
  while (form.FirstTick()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  for (const auto& line : lines) form.UserList().Append(line + "=Yes");
  FanOutRun run;
  const auto start = std::chrono::steady_clock::now();
  for (int step = 0; step < kSteps; ++step) {
    const auto step_start = std::chrono::steady_clock::now();
    run.sent += form.Sender().SendToCorrespondents(command::kLineTo, kArgs, false);
    run.longest_step = std::max(run.longest_step, SecondsSince(step_start));
  }
  run.seconds = SecondsSince(start);
  return run;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const auto addresses = PeerAddresses();
  const quint16 port = test::FreeUdpPort();
  // Sinks that accept and drop, so no port-unreachable replies are made.
  std::vector<int> sinks;
  for (const auto& address : addresses) sinks.push_back(RawSocket(address.c_str(), port));
  const double raw_seconds = RawSeconds(addresses, port);
  std::printf("raw sendto:            %8.2f us per step of %d datagrams\n",
              raw_seconds * 1e6 / kSteps, kPeers);

  BenchEnvironment dotted;
  dotted.env.udp_port = port;
  const FanOutRun by_address = FanOutSeconds(dotted, addresses);
  std::printf("by dotted address:     %8.2f us per step (%d datagrams sent)\n",
              by_address.seconds * 1e6 / kSteps, by_address.sent);
  std::printf("ratio fan-out/raw:     %8.2f (target at most 1.5)\n",
              by_address.seconds / raw_seconds);

  // The last three are computer names that never resolve; the addresses
  // they were heard from before are in the file a previous run left.
  BenchEnvironment named;
  named.env.udp_port = port;
  auto lookups = std::make_shared<std::atomic<int>>(0);
  named.env.resolve_host = [lookups](const QString&) -> std::optional<quint32> {
    ++*lookups;
    std::this_thread::sleep_for(kFailedLookupTime);
    return std::nullopt;
  };
  std::vector<std::string> lines = addresses;
  QByteArray remembered;
  for (int i = kPeers - kUnresolved; i < kPeers; ++i) {
    lines[i] = "UXP" + std::to_string(i);
    remembered += QByteArray::fromStdString(lines[i] + '=' + addresses[i] + "\r\n");
  }
  QFile file(named.env.program_dir + QStringLiteral("~Addresses.txt"));
  if (!file.open(QIODevice::WriteOnly) || file.write(remembered) != remembered.size()) return 1;
  file.close();
  const FanOutRun by_name = FanOutSeconds(named, lines);
  std::printf("%d unresolvable names: %8.2f us per step (%d datagrams sent)\n", kUnresolved,
              by_name.seconds * 1e6 / kSteps, by_name.sent);
  std::printf("ratio fan-out/raw:     %8.2f (target at most 2)\n", by_name.seconds / raw_seconds);
  std::printf("lookups: %d started, longest step %.2f ms (a wait would take %lld ms)\n",
              lookups->load(), by_name.longest_step * 1e3,
              static_cast<long long>(kFailedLookupTime.count()));

  for (int sink : sinks) ::close(sink);
  const bool all_sent = by_address.sent == kSteps * kPeers && by_name.sent == kSteps * kPeers;
  return all_sent ? 0 : 1;
}
