#include "net/udp_endpoint.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <cstring>
#include <future>
#include <memory>

#include "common/loopback.h"
#include "common/platform.h"

namespace kovra {
namespace {

using test::Collector;
using test::FreeUdpPort;

const QHostAddress kHere(QStringLiteral("127.0.0.1"));
const QHostAddress kPeer(QStringLiteral("127.0.0.5"));

struct Received {
  int number_bytes;
  QString from_ip;
  int port;
  QByteArray fetched;
};

// An endpoint on 127.0.0.1 that fetches every datagram it is told of.
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

TEST(UdpEndpoint, UnresolvableNamesAskTheHandlerOnce) {
  Endpoint end;
  int asked = 0;
  auto expect_canceled = [&] {
    try {
      end.Send("x", "nobody.invalid", end.port);
      ADD_FAILURE() << "no error";
    } catch (const UDPSockError& error) {
      EXPECT_EQ(error.Message(), QStringLiteral("Host Lookup Canceled"));
    }
  };
  expect_canceled();  // no handler at all

  end.udp.OnInvalidHost = [&](const std::string&, bool& handled) {
    ++asked;
    handled = false;
  };
  expect_canceled();
  EXPECT_EQ(asked, 1);

  // Handled: a second lookup of the same name, even though the handler
  // pointed RemoteHost at a name that would resolve.
  end.udp.OnInvalidHost = [&](const std::string& host, bool& handled) {
    ++asked;
    EXPECT_EQ(host, "nobody.invalid");
    end.udp.RemoteHost = "localhost";
    handled = true;
  };
  expect_canceled();
  EXPECT_EQ(asked, 2);
}

TEST(UdpEndpoint, NestedSendDuringALookupKeepsEachDestination) {
  Endpoint end;
  const quint16 port = FreeUdpPort();
  Collector by_name(kHere, port);
  Collector nested(kPeer, port);
  // Answers only once the nested send ran: a fast name service (Wine's)
  // would answer before the wait looks at any event.
  auto nested_sent = std::make_shared<std::atomic<bool>>(false);
  end.udp.SetResolver([nested_sent](const QString& name) {
    for (int waited = 0; !*nested_sent && waited < 3000; waited += 5) QThread::msleep(5);
    return NameLookups::SystemResolver(name);
  });
  // Runs inside the lookup's wait, as a received command's answer would.
  QTimer::singleShot(0, [&] {
    end.Send("nested", "127.0.0.5", port);
    *nested_sent = true;
  });
  end.Send("by name", "localhost", port);
  EXPECT_TRUE(*nested_sent) << "the lookup waited in the event loop";
  ASSERT_TRUE(by_name.WaitFor(1));
  ASSERT_TRUE(nested.WaitFor(1));
  EXPECT_EQ(by_name.Received(), std::vector<QByteArray>{"by name"});
  EXPECT_EQ(nested.Received(), std::vector<QByteArray>{"nested"});
}

TEST(UdpEndpoint, FoundAddressesAreRememberedForAWhileAndFailuresPauseTheLookups) {
  Endpoint end;
  const quint16 port = FreeUdpPort();
  Collector peer(kPeer, port);
  auto asked = std::make_shared<std::atomic<int>>(0);
  end.udp.SetResolver([asked](const QString& name) -> std::optional<quint32> {
    ++*asked;
    if (name == QStringLiteral("PEER")) return kPeer.toIPv4Address();
    return std::nullopt;
  });
  end.udp.SetLookupCacheLifetime(100);
  end.Send("one", "PEER", port);
  end.Send("two", "PEER", port);
  EXPECT_EQ(asked->load(), 1) << "remembered";
  QTest::qWait(150);
  end.Send("three", "PEER", port);
  EXPECT_TRUE(QTest::qWaitFor([&] { return asked->load() == 2; }))
      << "asked again after its lifetime, while the last answer serves";
  ASSERT_TRUE(peer.WaitFor(3));
  EXPECT_EQ(peer.Received(), (std::vector<QByteArray>{"one", "two", "three"}));

  end.udp.SetFailedLookupPause(100);
  EXPECT_THROW(end.Send("x", "NOBODY", port), UDPSockError);
  EXPECT_THROW(end.Send("x", "NOBODY", port), UDPSockError);
  EXPECT_EQ(asked->load(), 3) << "a failure is not asked again at once";
  QTest::qWait(150);
  EXPECT_THROW(end.Send("x", "NOBODY", port), UDPSockError);
  EXPECT_EQ(asked->load(), 4) << "asked again after the pause";
}

TEST(UdpEndpoint, CloseOrDeadlineEndsAWaitingLookupWithoutSending) {
  Endpoint end;
  const quint16 port = FreeUdpPort();
  Collector peer(kPeer, port);
  auto gate = std::make_shared<std::promise<void>>();
  std::shared_future<void> opened = gate->get_future().share();
  end.udp.SetResolver([opened](const QString&) -> std::optional<quint32> {
    opened.wait_for(std::chrono::seconds(10));  // a regression fails instead of hanging
    return kPeer.toIPv4Address();
  });
  bool handler_ran = false;
  end.udp.OnInvalidHost = [&](const std::string&, bool&) { handler_ran = true; };

  QElapsedTimer waited;
  waited.start();
  end.udp.SetLookupDeadline(QDeadlineTimer(50));
  EXPECT_NO_THROW(end.Send("late", "SLOW", port));
  EXPECT_LT(waited.elapsed(), 1000) << "the deadline ends the wait";
  end.udp.SetLookupDeadline(QDeadlineTimer(QDeadlineTimer::Forever));

  QTimer::singleShot(20, [&] { end.udp.Close(); });
  waited.restart();
  EXPECT_NO_THROW(end.Send("closed", "SLOWER", port));
  EXPECT_LT(waited.elapsed(), 1000) << "the close ends the wait";
  EXPECT_TRUE(end.udp.IsClosed());
  EXPECT_NO_THROW(end.Send("after", "127.0.0.5", port));
  EXPECT_FALSE(handler_ran) << "giving up is no failed lookup";
  EXPECT_FALSE(opened.wait_for(std::chrono::seconds(0)) == std::future_status::ready)
      << "both gave up while the resolver still had no answer";
  gate->set_value();
  QTest::qWait(50);
  EXPECT_TRUE(peer.Received().empty());
}

TEST(UdpEndpoint, ARememberedAddressServesOnlyNamesTheNameServiceDoesNotKnow) {
  Endpoint end;
  const quint16 port = FreeUdpPort();
  Collector peer(kPeer, port);
  Collector claimer(QHostAddress(QStringLiteral("127.0.0.7")), port);
  // LISTED is known to the name service; UXB and SLOWPC are not, SLOWPC
  // only after the test lets the resolver answer. Anyone may have claimed
  // any name: every name is remembered at the claimer's address.
  auto gate = std::make_shared<std::promise<void>>();
  std::shared_future<void> opened = gate->get_future().share();
  auto asked = std::make_shared<std::atomic<int>>(0);
  auto slow = std::make_shared<std::atomic<bool>>(false);
  end.udp.SetResolver([opened, asked, slow](const QString& name) -> std::optional<quint32> {
    ++*asked;
    if (name == QStringLiteral("LISTED") && !*slow) return kPeer.toIPv4Address();
    if (name != QStringLiteral("UXB")) opened.wait_for(std::chrono::seconds(10));
    return std::nullopt;
  });
  end.udp.SetRememberedAddresses([](const std::string&) -> std::optional<quint32> {
    return QHostAddress(QStringLiteral("127.0.0.7")).toIPv4Address();
  });
  end.udp.SetLookupCacheLifetime(50);

  end.Send("one", "LISTED", port);
  end.Send("two", "UXB", port);  // its lookup fails: where it was heard from serves
  EXPECT_EQ(asked->load(), 2);
  // Past the lifetime, the name service's last answer serves while it is
  // asked again, however slow it is now.
  QTest::qWait(100);
  *slow = true;
  end.Send("three", "LISTED", port);

  // A send nested in the wait for a name's lookup neither waits for it again
  // nor holds up a send to a name that goes by its remembered address.
  bool nested_done = false;
  bool outer_done = false;
  QTimer::singleShot(20, [&] {
    end.Send("never", "SLOWPC", port);
    end.Send("four", "UXB", port);
    nested_done = !outer_done;
  });
  end.udp.SetLookupDeadline(QDeadlineTimer(300));
  end.Send("late", "SLOWPC", port);
  outer_done = true;
  EXPECT_TRUE(nested_done) << "the nested sends returned while the outer one waited";
  ASSERT_TRUE(peer.WaitFor(2));
  ASSERT_TRUE(claimer.WaitFor(2));
  QTest::qWait(50);
  EXPECT_EQ(peer.Received(), (std::vector<QByteArray>{"one", "three"}));
  EXPECT_EQ(claimer.Received(), (std::vector<QByteArray>{"two", "four"}));
  EXPECT_EQ(asked->load(), 4) << "one more lookup of LISTED, one of SLOWPC";
  gate->set_value();
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
  second.RemoteHost = "127.0.0.1";
  second.RemotePort = first.port;
  second.SendDatagram("still", 5, 5);
  ASSERT_TRUE(first.WaitFor(1));
  EXPECT_EQ(first.received[0].fetched, "still");
}

}  // namespace
}  // namespace kovra
