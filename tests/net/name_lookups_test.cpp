// Sends by name: the name service's answers waited for in the event loop,
// remembered for a while, and what a send does while it waits.
#include "net/udp_endpoint.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <future>
#include <memory>

#include "common/loopback.h"
#include "common/test_endpoint.h"

namespace kovra {
namespace {

using test::Collector;
using test::Endpoint;
using test::FreeUdpPort;
using test::kHere;
using test::kPeer;

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

}  // namespace
}  // namespace kovra
