// Loopback helpers for network tests: free ports and a plain receiving socket.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QUdpSocket>
#include <vector>

#include "common/free_port.h"

namespace kovra::test {

// A bare socket on address:port that collects what arrives.
class Collector {
 public:
  Collector(const QHostAddress& address, quint16 port);
  // Waits up to timeout_ms until count datagrams have arrived in all.
  bool WaitFor(std::size_t count, int timeout_ms = 3000);
  const std::vector<QByteArray>& Received() const { return received_; }
  void Send(const QByteArray& bytes, const QHostAddress& to, quint16 port);

 private:
  void Drain();
  QUdpSocket socket_;
  std::vector<QByteArray> received_;
};

}  // namespace kovra::test
