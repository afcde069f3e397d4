// A host that claims to be the session: what it announces, from its own
// address or forged with another copy's, never makes it the owner, and no
// window asks it for its board.
#include <gtest/gtest.h>

#include <QTest>

#include "app/main_window.h"
#include "app/session_links.h"
#include "common/forged_udp.h"
#include "common/loopback.h"
#include "common/session_checks.h"
#include "common/window_group.h"
#include "net/peer_links.h"

namespace kovra {
namespace {

using test::AgreedOwner;
using test::DrawAcross;
using test::kColours;
using test::OneBoard;
using test::Shows;
using test::WindowGroup;

TEST(OneSession, AHostThatClaimsTheOldestSessionFromAnyAddressNeverBecomesItsOwner) {
  WindowGroup group(2);
  group.ListEachOther();
  group.StartAll();
  ASSERT_TRUE(group.AllPresent());
  DrawAcross(group, 0, 100);
  DrawAcross(group, 1, 200);
  ASSERT_TRUE(OneBoard(group, {0, 1}, 5000));
  const QImage drawn = group.Form(0).Board().Image();
  const int owner = AgreedOwner(group, {0, 1});
  QByteArray tickets[2];

  // A host completes the greeting with each window in turn.
  const quint16 port = group.Port();
  test::Collector host(QHostAddress(QStringLiteral("127.0.0.9")), port);
  for (int i = 0; i < 2; ++i) {
    const QHostAddress window(QStringLiteral("127.0.0.%1").arg(2 + i));
    tickets[i] = host.Greet(window, port, group.Name(i), "OLDEST");
    ASSERT_FALSE(tickets[i].isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return group.Form(i).Links()->Speaks(0x7F000009); }, 3000));
    // Its own session, the oldest there can be, listed first with a
    // generation far ahead; then a digest of a white board.
    host.InStream("KvSession:>1 4000000000 77@0.0.0.0", window, port, tickets[i]);
    host.InStream("KvSum:>602 385 0", window, port, tickets[i]);
  }
  QTest::qWait(3000);
  EXPECT_EQ(AgreedOwner(group, {0, 1}), owner);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(group.Form(i).Board().Image(), drawn) << i;
  // The windows never asked the host for any part of its board.
  for (const QByteArray& datagram : host.Received()) {
    EXPECT_FALSE(datagram.contains("KvWant")) << datagram.toStdString();
  }

  // Then, with what each window told it, it speaks as the other window
  // from that window's own address: a day-old join, a session and a board
  // sent on their own instead of in order.
  test::ForgedUdp forger;
  if (!forger.Ready()) GTEST_SKIP() << "no raw socket here: the forged half needs root";
  for (int i = 0; i < 2; ++i) {
    const quint32 victim = 0x7F000002u + static_cast<quint32>(i);
    const quint32 posing = 0x7F000002u + static_cast<quint32>(1 - i);
    const QByteArray as = QByteArray::number(group.Form(1 - i).Links()->Instance());
    const QByteArray to = tickets[i];
    const QByteArray name(group.Name(1 - i).c_str());
    for (const QByteArray& lie :
         {"Kovra:>KvHello:>2 " + as + ' ' + to + " 86400000000 0 77 " + name,
          "Kovra:>KvSession:>1 4000000000 " + as + "@0.0.0.0",
          QByteArray("Kovra:>KvSum:>602 385 0"), QByteArray("Kovra:>KvBoard:>100 100")}) {
      ASSERT_TRUE(forger.Send(posing, port, victim, port, lie));
    }
  }
  // A plain message forged the same way shows that such datagrams do arrive.
  ASSERT_TRUE(forger.Send(0x7F000003u, port, 0x7F000002u, port, "Kovra:>Message:>forged line"));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        const auto& history = group.Form(0).History();
        return history.Count() > 0 && history.Line(0).find("forged line") != std::string::npos;
      },
      3000));
  EXPECT_EQ(AgreedOwner(group, {0, 1}), owner);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(group.Form(i).Board().Image(), drawn) << i;
  // The links are whole: what the follower draws now reaches the owner.
  DrawAcross(group, 1 - owner, 300);
  ASSERT_TRUE(OneBoard(group, {0, 1}, 5000));
  EXPECT_TRUE(Shows(group.Form(owner).Board().Image(), 300, kColours[1 - owner]));
}

}  // namespace
}  // namespace kovra
