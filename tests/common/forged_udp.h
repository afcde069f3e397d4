// A host that forges its sender address: UDP datagrams written whole, IP
// header and all, through a raw socket, with any source address. Only root
// (or CAP_NET_RAW) may; elsewhere it says so and sends nothing.
#pragma once

#include <QByteArray>
#include <QtGlobal>

namespace kovra::test {

class ForgedUdp {
 public:
  ForgedUdp();
  ~ForgedUdp();
  ForgedUdp(const ForgedUdp&) = delete;
  ForgedUdp& operator=(const ForgedUdp&) = delete;

  // Whether this process may forge at all.
  bool Ready() const { return socket_ >= 0; }
  // One datagram as if from from:from_port (addresses in host order).
  bool Send(quint32 from, quint16 from_port, quint32 to, quint16 to_port, const QByteArray& bytes);

 private:
  int socket_ = -1;
};

}  // namespace kovra::test
