#include "common/free_port.h"

#include <QHostAddress>
#include <QUdpSocket>

namespace kovra::test {

quint16 FreeUdpPort() {
  // Free on 127.0.0.1 and, almost surely, on the other loopback addresses.
  QUdpSocket probe;
  probe.bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
  return probe.localPort();
}

}  // namespace kovra::test
