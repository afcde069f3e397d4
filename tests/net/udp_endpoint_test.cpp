#include "net/udp_endpoint.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTest>
#include <QThread>

#include "common/loopback.h"
#include "common/platform.h"
#include "common/test_endpoint.h"

namespace kovra {
namespace {

using test::Collector;
using test::Endpoint;
using test::FreeUdpPort;
using test::kHere;
using test::kPeer;

TEST(UdpEndpoint, SendsToDottedAddressesAndRefusesNullOnes) {
  Endpoint end;
  Collector peer(kPeer, end.port);
  QStringList statuses;
  int sends = 0;
  end.udp.OnStatus = [&](TUdpEndpoint&, const QString& text) { statuses.append(text); };
  end.udp.OnDataSend = [&](TUdpEndpoint&) { ++sends; };

  end.Send("hello", "127.0.0.5", end.port);
  ASSERT_TRUE(peer.WaitFor(1));
  EXPECT_EQ(peer.Received()[0], "hello");
  EXPECT_EQ(sends, 1);
  EXPECT_TRUE(statuses.isEmpty()) << "level 1 reports nothing";

  end.udp.ReportLevel = 2;
  end.Send("again", "127.0.0.5", end.port + 65536);  // only the low 16 bits count
  ASSERT_TRUE(peer.WaitFor(2));
  EXPECT_EQ(statuses, QStringList{QStringLiteral("Sending Data")});

  try {
    end.Send("nothing", "0.0.0.0", end.port);
    ADD_FAILURE() << "no error";
  } catch (const UDPSockError& error) {
    EXPECT_EQ(error.Message(), QStringLiteral("Null Remote Address"));
  }
  EXPECT_EQ(sends, 2);
  QTest::qWait(50);
  EXPECT_EQ(peer.Received().size(), 2u);
}

TEST(UdpEndpoint, ZeroLengthNeedsARepairingHandler) {
  Endpoint end;
  Collector peer(kPeer, end.port);
  end.udp.RemoteHost = "127.0.0.5";
  end.udp.RemotePort = end.port;
  const char buffer[4] = "abc";
  auto expect_invalid = [&] {
    try {
      end.udp.SendDatagram(buffer, 4, 0);
      ADD_FAILURE() << "no error";
    } catch (const UDPSockError&) {
      ADD_FAILURE() << "a general error is expected";
    } catch (const Error& error) {
      EXPECT_EQ(error.Message(), QStringLiteral("Invalid buffer"));
    }
  };
  expect_invalid();  // no handler

  int calls = 0;
  end.udp.OnBufferInvalid = [&](bool& handled, std::vector<char>&, int&) {
    ++calls;
    handled = true;  // but the length stays 0
  };
  expect_invalid();
  EXPECT_EQ(calls, 1);

  end.udp.OnBufferInvalid = [](bool& handled, std::vector<char>& buff, int& length) {
    handled = true;
    buff[0] = 'X';
    length = 2;
  };
  end.udp.SendDatagram(buffer, 4, 0);
  ASSERT_TRUE(peer.WaitFor(1));
  EXPECT_EQ(peer.Received()[0], "Xb");

  end.udp.SendDatagram(buffer, 4, 4000);  // never past the array
  ASSERT_TRUE(peer.WaitFor(2));
  EXPECT_EQ(peer.Received()[1], QByteArray("abc", 4));
}

TEST(UdpEndpoint, PortUnreachableNamesTheHostAndReceivingGoesOn) {
  if (test::UnderWine()) GTEST_SKIP() << "Wine does not tell a port unreachable to a socket";
  Endpoint end;
  const quint16 closed_port = FreeUdpPort();  // nobody listens there on 127.0.0.6
  end.udp.SetResolver([](const QString&) -> std::optional<quint32> {
    return QHostAddress(QStringLiteral("127.0.0.6")).toIPv4Address();
  });
  std::vector<std::string> unreachable;
  end.udp.OnPortUnreachable = [&](const std::string& host) { unreachable.push_back(host); };
  end.Send("anyone?", "GONE", closed_port);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !unreachable.empty(); }, 3000));
  EXPECT_EQ(unreachable, std::vector<std::string>{"GONE"});

  Collector peer(kPeer, FreeUdpPort());
  peer.Send("still here", kHere, end.port);
  ASSERT_TRUE(end.WaitFor(1));
  EXPECT_EQ(end.received[0].fetched, "still here") << "no failed receive in between";

  // The report of a datagram to nobody fails the next send, to anybody:
  // each goes out all the same, and each report still comes.
  unreachable.clear();
  const quint16 live_port = FreeUdpPort();
  Collector live(kPeer, live_port);
  for (const char* text : {"0", "1", "2", "3", "4"}) {
    end.Send("anyone?", "GONE", closed_port);
    end.Send(text, "127.0.0.5", live_port);
  }
  ASSERT_TRUE(live.WaitFor(5));
  EXPECT_EQ(live.Received(), (std::vector<QByteArray>{"0", "1", "2", "3", "4"}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return unreachable.size() == 5; }, 3000));
}

TEST(UdpEndpoint, ReceivingGoesOnAfterDeeplyNestedReceives) {
  Endpoint end;
  // Each datagram's handler runs the event loop, as a fan-out answering it does.
  int depth = 0;
  int deepest = 0;
  end.udp.OnDataReceived = [&](TUdpEndpoint& sender, int, const QString&, int) {
    char buffer[256];
    int length = 0;
    sender.FetchDatagram(buffer, sizeof buffer, length);
    end.received.push_back({length, {}, 0, QByteArray(buffer, std::max(length, 0))});
    ++depth;
    deepest = std::max(deepest, depth);
    QCoreApplication::processEvents();
    --depth;
  };
  Collector peer(kPeer, FreeUdpPort());
  for (int i = 0; i < 20; ++i) peer.Send(QByteArray::number(i), kHere, end.port);
  QThread::msleep(50);  // all of them wait in the socket
  ASSERT_TRUE(end.WaitFor(20));
  EXPECT_GE(deepest, 8) << "the burst nested as deep as it may";
  peer.Send("later", kHere, end.port);
  ASSERT_TRUE(end.WaitFor(21)) << "the socket is watched again once the nesting unwound";
  EXPECT_EQ(end.received.back().fetched, "later");
}

TEST(UdpEndpoint, ReportsEveryDatagramWithItsSender) {
  Endpoint end;
  Collector peer(kPeer, FreeUdpPort());

  peer.Send(QByteArray(), kHere, end.port);
  peer.Send("first", kHere, end.port);
  peer.Send("second", kHere, end.port);
  ASSERT_TRUE(end.WaitFor(3));
  EXPECT_EQ(end.received[0].number_bytes, 0);
  EXPECT_EQ(end.received[0].from_ip, QStringLiteral("127.0.0.5"));
  EXPECT_GT(end.received[0].port, 0);
  EXPECT_EQ(end.received[1].fetched, "first");
  EXPECT_EQ(end.received[2].fetched, "second");
  EXPECT_EQ(end.received[2].number_bytes, 6);
}

TEST(UdpEndpoint, OversizedDatagramsAreFailedReceives) {
  Endpoint end;
  Collector peer(kPeer, FreeUdpPort());
  for (int size : {255, 256, 2048, 2049, 65507}) peer.Send(QByteArray(size, 'k'), kHere, end.port);
  ASSERT_TRUE(end.WaitFor(5));
  const int expected[] = {255, 256, 2048, -1, -1};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(end.received[i].number_bytes, expected[i]) << i;
    // The fetch never writes past the 256-byte array.
    EXPECT_EQ(end.received[i].fetched.size(), expected[i] < 0 ? 0 : std::min(expected[i], 256));
  }
  EXPECT_TRUE(end.received[3].from_ip.isEmpty());
  EXPECT_EQ(end.received[3].port, 0);
}

TEST(UdpEndpoint, BindFailureIsToldAndSendingGoesOn) {
  Endpoint first;
  TUdpEndpoint second(nullptr, kHere);
  EXPECT_FALSE(second.SetLocalPort(first.port));
  EXPECT_FALSE(second.BindError().isEmpty());
  // Held by another socket: the user is told so, in words, and not that the
  // port needs root.
  const QString told = second.BindFailedMessage();
  EXPECT_TRUE(told.contains(QStringLiteral("занят другой программой"))) << told.toStdString();
  EXPECT_FALSE(told.contains(QStringLiteral("root"))) << told.toStdString();
  EXPECT_FALSE(told.contains(QRegularExpression(QStringLiteral("\\(\\d+\\)"))))
      << told.toStdString();
  second.RemoteHost = "127.0.0.1";
  second.RemotePort = first.port;
  second.SendDatagram("still", 5, 5);
  ASSERT_TRUE(first.WaitFor(1));
  EXPECT_EQ(first.received[0].fetched, "still");
}

}  // namespace
}  // namespace kovra
