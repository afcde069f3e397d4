// Loopback helpers for network tests: free ports and a plain receiving socket.
#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QUdpSocket>
#include <map>
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
  // Every byte that arrived, and every byte sent.
  std::size_t BytesReceived() {
    Drain();
    return bytes_received_;
  }
  std::size_t BytesSent() const { return bytes_sent_; }
  void Send(const QByteArray& bytes, const QHostAddress& to, quint16 port);
  // Room for what arrives while the one thread the windows share draws:
  // a copy of its own would read it as it comes.
  void SetReceiveBuffer(int bytes) {
    socket_.setSocketOption(QAbstractSocket::ReceiveBufferSizeSocketOption, bytes);
  }

  // Speaks the delivery extension with the window at window:port named
  // name, as the copy of instance 77: greets it, waits for the ticket it is
  // told and echoes it. The ticket; empty when none came.
  QByteArray Greet(const QHostAddress& window, quint16 port, const std::string& name,
                   const QByteArray& own_name = "HOST");
  // The next command of its ordered stream to a window it greeted.
  void InStream(const QByteArray& command, const QHostAddress& window, quint16 port,
                const QByteArray& ticket);

 private:
  void Drain();
  std::size_t bytes_received_ = 0;
  std::size_t bytes_sent_ = 0;
  std::map<quint32, quint32> seqs_;  // the stream's last number, by window
  QUdpSocket socket_;
  std::vector<QByteArray> received_;
  std::vector<QByteArray> announcements_;
};

}  // namespace kovra::test
