#include "bench_common.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QUdpSocket>
#include <cstdio>

#include "net/udp_endpoint.h"

namespace kovra::bench {

void SilentDialogs::ShowMessage(const QString& text) {
  std::fprintf(stderr, "message: %s\n", qPrintable(text));
}

void SilentDialogs::ShowError(const QString& text) {
  std::fprintf(stderr, "error: %s\n", qPrintable(text));
}

BenchEnvironment::BenchEnvironment() {
  env.program_dir = folder.path() + u'/';
  env.computer_name = "BENCH";
  env.bind_address = QHostAddress(QStringLiteral("127.0.0.1"));
  env.udp_port = test::FreeUdpPort();
  env.dialogs = &dialogs;
  env.broadcast_addresses = [] { return std::vector<std::string>(); };
}

int RawSocket(const char* address, quint16 port) {
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_port = htons(port);
  inet_aton(address, &local.sin_addr);
  ::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local);
  int size = TUdpEndpoint::kSocketReceiveBuffer;
  if (setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0) {
    setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
  }
  return fd;
}

void RawSend(int socket, const std::string& bytes, const char* address, quint16 port) {
  sockaddr_in remote{};
  remote.sin_family = AF_INET;
  remote.sin_port = htons(port);
  inet_aton(address, &remote.sin_addr);
  ::sendto(socket, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&remote),
           sizeof remote);
}

double SecondsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double BareReceiveSeconds(int sender, const std::vector<std::string>& datagrams, int rounds) {
  const quint16 port = test::FreeUdpPort();
  const int receiver = RawSocket("127.0.0.1", port);
  char buffer[2048];
  double seconds = 0;
  for (int round = 0; round < rounds; ++round) {
    for (const auto& d : datagrams) RawSend(sender, d, "127.0.0.1", port);
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t got = 0; got < datagrams.size();) {
      if (::recv(receiver, buffer, sizeof buffer, 0) > 0) ++got;
    }
    seconds += SecondsSince(start);
  }
  ::close(receiver);
  return seconds;
}

bool WaitUntil(const std::function<bool()>& done, double seconds) {
  const auto start = std::chrono::steady_clock::now();
  while (!done()) {
    if (SecondsSince(start) > seconds) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
  }
  return true;
}

}  // namespace kovra::bench
