#include "common/loopback.h"

#include <QNetworkDatagram>
#include <QTest>

namespace kovra::test {

Collector::Collector(const QHostAddress& address, quint16 port) {
  socket_.bind(address, port);
  QObject::connect(&socket_, &QUdpSocket::readyRead, [this] { Drain(); });
}

void Collector::Drain() {
  while (socket_.hasPendingDatagrams()) {
    QByteArray bytes = socket_.receiveDatagram().data();
    (bytes.startsWith("Kovra:>KvHello:>") ? announcements_ : received_).push_back(std::move(bytes));
  }
}

bool Collector::WaitFor(std::size_t count, int timeout_ms) {
  return QTest::qWaitFor(
      [&] {
        Drain();
        return received_.size() >= count;
      },
      timeout_ms);
}

void Collector::Send(const QByteArray& bytes, const QHostAddress& to, quint16 port) {
  socket_.writeDatagram(bytes, to, port);
}

}  // namespace kovra::test
