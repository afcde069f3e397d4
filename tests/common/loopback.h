// Loopback helpers for network tests: free ports and a plain receiving socket.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QUdpSocket>
#include <vector>

#include "common/free_port.h"

namespace kovra::test {

// A bare socket on address:port that collects what arrives, as a copy that
// knows nothing of the delivery extension reads it: the extension's
// announcement, which such a copy passes over, is kept apart.
class Collector {
 public:
  Collector(const QHostAddress& address, quint16 port);
  // Waits up to timeout_ms until count datagrams have arrived in all.
  bool WaitFor(std::size_t count, int timeout_ms = 3000);
  const std::vector<QByteArray>& Received() const { return received_; }
  const std::vector<QByteArray>& Announcements() const { return announcements_; }
  void Send(const QByteArray& bytes, const QHostAddress& to, quint16 port);

 private:
  void Drain();
  QUdpSocket socket_;
  std::vector<QByteArray> received_;
  std::vector<QByteArray> announcements_;
};

}  // namespace kovra::test
