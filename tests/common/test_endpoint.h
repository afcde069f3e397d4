// An endpoint on 127.0.0.1 for the endpoint's tests, which fetches every
// datagram it is told of.
#pragma once

#include <gtest/gtest.h>

#include <QHostAddress>
#include <QString>
#include <QTest>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "common/free_port.h"
#include "net/udp_endpoint.h"

namespace kovra::test {

inline const QHostAddress kHere(QStringLiteral("127.0.0.1"));
inline const QHostAddress kPeer(QStringLiteral("127.0.0.5"));

struct Received {
  int number_bytes;
  QString from_ip;
  int port;
  QByteArray fetched;
};

// Binds a free port; what arrives is in received, in order.
struct Endpoint {
  Endpoint() : port(FreeUdpPort()), udp(nullptr, kHere) {
    EXPECT_TRUE(udp.SetLocalPort(port));
    udp.OnDataReceived = [this](TUdpEndpoint& sender, int bytes, const QString& ip, int from_port) {
      char buffer[256];
      int length = 0;
      sender.FetchDatagram(buffer, sizeof buffer, length);
      received.push_back({bytes, ip, from_port, QByteArray(buffer, std::max(length, 0))});
    };
  }
  bool WaitFor(std::size_t count) {
    return QTest::qWaitFor([&] { return received.size() >= count; }, 3000);
  }
  void Send(const char* text, const std::string& host, int to_port) {
    udp.RemoteHost = host;
    udp.RemotePort = to_port;
    udp.SendDatagram(text, static_cast<int>(std::strlen(text)) + 1,
                     static_cast<int>(std::strlen(text)));
  }
  quint16 port;
  TUdpEndpoint udp;
  std::vector<Received> received;
};

}  // namespace kovra::test
