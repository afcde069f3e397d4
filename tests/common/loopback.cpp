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
    bytes_received_ += static_cast<std::size_t>(bytes.size());
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
  bytes_sent_ += static_cast<std::size_t>(bytes.size());
  socket_.writeDatagram(bytes, to, port);
}

QByteArray Collector::Greet(const QHostAddress& window, quint16 port, const std::string& name,
                            const QByteArray& own_name) {
  // The window's answer echoes 77's ticket (77) and names the window.
  auto told = [&]() -> QByteArray {
    for (const QByteArray& hello : announcements_) {
      const QList<QByteArray> fields = hello.mid(hello.indexOf(":>KvHello:>") + 11).split(' ');
      if (fields.size() > 6 && fields[2] == "77" && fields[6] == QByteArray(name.c_str())) {
        return fields[5];
      }
    }
    return {};
  };
  Send("Kovra:>KvHello:>2 77 0 0 -1 77 " + own_name, window, port);
  // No ticket in time reads as an empty one, which the caller checks.
  static_cast<void>(QTest::qWaitFor(
      [&] {
        Drain();
        return !told().isEmpty();
      },
      3000));
  const QByteArray ticket = told();
  if (!ticket.isEmpty())
    Send("Kovra:>KvHello:>2 77 " + ticket + " 0 -1 77 " + own_name, window, port);
  return ticket;
}

void Collector::InStream(const QByteArray& command, const QHostAddress& window, quint16 port,
                         const QByteArray& ticket) {
  const quint32 seq = ++seqs_[window.toIPv4Address()];
  Send("Kovra:>KvData:>77 " + ticket + ' ' + QByteArray::number(seq) + " 1:>" + command, window,
       port);
}

}  // namespace kovra::test
