// A hostile host on the LAN, with its own address and with any other it
// writes on raw datagrams: what it learns by greeting one copy never lets
// it speak as another, what it sends gets back no more than a small
// multiple of itself, and neither a name nor many addresses take a real
// copy's place.
#include <gtest/gtest.h>

#include <QAction>
#include <QTest>

#include "app/main_window.h"
#include "board/board_history.h"
#include "common/forged_udp.h"
#include "common/loopback.h"
#include "common/session_checks.h"
#include "common/window_group.h"
#include "net/correspondents.h"
#include "net/peer_links.h"

namespace kovra {
namespace {

using test::DrawAcross;
using test::kColours;
using test::Shows;
using test::WindowGroup;

constexpr quint32 kA = 0x7F000002;
constexpr quint32 kB = 0x7F000003;
const QHostAddress kWindowA(QStringLiteral("127.0.0.2"));

std::vector<std::string> Said(TForm1& form) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < form.History().Count(); ++i) lines.push_back(form.History().Line(i));
  return lines;
}

bool SaidOnce(TForm1& form, const std::string& text) {
  int count = 0;
  for (const std::string& line : Said(form)) count += line.find(text) != std::string::npos;
  return count == 1;
}

TEST(HostileHost, DatagramsForgedWithAnotherCopysAddressMoveNothing) {
  WindowGroup group(2);
  ASSERT_TRUE(group.StartListingEachOther());
  TForm1& a = group.Form(0);
  TForm1& b = group.Form(1);
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return a.Links()->Speaks(kB) && b.Links()->Speaks(kA); }, 3000));
  DrawAcross(group, 1, 150);
  ASSERT_TRUE(test::OneBoard(group, {0, 1}, 5000));
  const QImage before = a.Board().Image();

  // The host greets A from its own address, and learns what A told it.
  const quint16 port = group.Port();
  test::Collector host(QHostAddress(QStringLiteral("127.0.0.9")), port);
  const QByteArray told = host.Greet(kWindowA, port, group.Name(0));
  ASSERT_FALSE(told.isEmpty());
  test::ForgedUdp forger;
  if (!forger.Ready()) GTEST_SKIP() << "no raw socket here: forging needs root";
  // Then it writes B's address on datagrams with everything it knows: B's
  // instance, the ticket A told it, a fresh instance, numbers far ahead.
  const QByteArray as_b = QByteArray::number(b.Links()->Instance());
  for (const QByteArray& lie :
       {"Kovra:>KvData:>" + as_b + ' ' + told + " 4000000000 4000000000:>ImageKV_MouseUp:>",
        "Kovra:>KvData:>" + as_b + " 0 4000000000 4000000000:>ImageKV_MouseUp:>",
        "Kovra:>KvAck:>" + as_b + ' ' + told + " 4000000000 4000000000",
        "Kovra:>KvHello:>2 999 0 0 -1 5 " + QByteArray(group.Name(1).c_str()),
        "Kovra:>KvData:>999 " + told + " 1 1:>KvUndo:>",
        "Kovra:>KvData:>999 " + told + " 2 1:>KvBoard:>300 200", QByteArray("Kovra:>KvUndo:>"),
        QByteArray("Kovra:>KvBoard:>300 200"),
        "Kovra:>Exit:>" + QByteArray(group.Name(1).c_str())}) {
    ASSERT_TRUE(forger.Send(kB, port, kA, port, lie));
  }
  QTest::qWait(1500);
  EXPECT_TRUE(a.Links()->Speaks(kB)) << "the link stands";
  EXPECT_EQ(a.Board().Image(), before) << "nothing taken back, nothing replaced";
  // The stream from B still moves: every message and stroke arrives, once.
  for (int i = 0; i < 5; ++i) {
    b.Controls().Edit_Mess->setText(QStringLiteral("after %1").arg(i));
    b.Controls().SpeedButton1->click();
  }
  DrawAcross(group, 1, 250);
  EXPECT_TRUE(QTest::qWaitFor([&] { return SaidOnce(a, "after 4"); }, 3000));
  for (int i = 0; i < 5; ++i) EXPECT_TRUE(SaidOnce(a, "after " + std::to_string(i))) << i;
  EXPECT_TRUE(test::OneBoard(group, {0, 1}, 5000));
  EXPECT_TRUE(Shows(a.Board().Image(), 150, kColours[1]) &&
              Shows(a.Board().Image(), 250, kColours[1]));
  for (const std::string& line : Said(b)) {
    EXPECT_EQ(line.find("не доставлено"), std::string::npos) << line;
  }
}

TEST(HostileHost, WhatAHostGetsBackIsASmallMultipleOfWhatItSends) {
  WindowGroup group(1);
  group.StartAll();
  // A board worth taking: something on most of its tiles.
  for (int y = 20; y < 380; y += 30) DrawAcross(group, 0, y);
  const quint16 port = group.Port();

  // A stranger asks for everything: nothing larger than a greeting comes back.
  test::Collector stranger(QHostAddress(QStringLiteral("127.0.0.9")), port);
  for (int i = 0; i < 50; ++i) {
    stranger.Send("Kovra:>KvData:>77 12345 " + QByteArray::number(i + 1) + " 1:>KvWant:>board",
                  kWindowA, port);
    stranger.Send("Kovra:>KvAck:>77 12345 0 500 1-499", kWindowA, port);
  }
  QTest::qWait(1000);
  EXPECT_LE(stranger.BytesReceived(), 200u) << "sent " << stranger.BytesSent();

  // Greeted, it asks for the whole board and never acknowledges.
  test::Collector taker(QHostAddress(QStringLiteral("127.0.0.10")), port);
  const QByteArray ticket = taker.Greet(kWindowA, port, group.Name(0));
  ASSERT_FALSE(ticket.isEmpty());
  const std::size_t greeting = taker.BytesReceived();
  for (int i = 0; i < 3; ++i) taker.InStream("KvWant:>board", kWindowA, port, ticket);
  QTest::qWait(3000);
  const std::size_t answered = taker.BytesReceived() - greeting;
  // Three times what it sent, and one datagram over at most, however large the board.
  EXPECT_LE(answered, 3 * taker.BytesSent() + 1500) << "it sent " << taker.BytesSent();

  // Nor does one that acknowledges, again and again, nothing at all.
  test::Collector acker(QHostAddress(QStringLiteral("127.0.0.12")), port);
  const QByteArray its = acker.Greet(kWindowA, port, group.Name(0));
  ASSERT_FALSE(its.isEmpty());
  const std::size_t greeted = acker.BytesReceived();
  for (int round = 0; round < 2; ++round) {
    for (int i = 0; i < 5; ++i) acker.Send("Kovra:>KvAck:>77 " + its + " 0 0", kWindowA, port);
    QTest::qWait(100);
    acker.InStream("KvWant:>board", kWindowA, port, its);
    QTest::qWait(500);
  }
  const std::size_t drawn = acker.BytesReceived() - greeted;
  EXPECT_LE(drawn, 3 * acker.BytesSent() + 1500) << "it sent " << acker.BytesSent();

  // A greeting forged with a bystander's address draws no more to it than was sent.
  test::ForgedUdp forger;
  if (!forger.Ready()) GTEST_SKIP() << "no raw socket here: forging needs root";
  test::Collector bystander(QHostAddress(QStringLiteral("127.0.0.11")), port);
  const QByteArray hello = "Kovra:>KvHello:>2 88 0 0 -1 9 FORGED";
  ASSERT_TRUE(forger.Send(0x7F00000B, port, kA, port, hello));
  QTest::qWait(3000);
  EXPECT_LE(bystander.BytesReceived(), static_cast<std::size_t>(hello.size()) + 160);
}

TEST(HostileHost, NeitherANameNorManyAddressesTakeARealCopysPlace) {
  WindowGroup group(3);
  group.ListEachOther();
  group[0].Start(false);
  group[1].Start(false);
  TForm1& a = group.Form(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return a.Links()->Speaks(kB); }, 5000));
  const quint16 port = group.Port();

  // A host greets A with B's name, and then from 64 addresses of its own.
  test::Collector impostor(QHostAddress(QStringLiteral("127.0.0.9")), port);
  ASSERT_FALSE(impostor.Greet(kWindowA, port, group.Name(0), group.Name(1).c_str()).isEmpty());
  std::vector<std::unique_ptr<test::Collector>> places;
  for (int i = 0; i < 64; ++i) {
    places.push_back(std::make_unique<test::Collector>(
        QHostAddress(QStringLiteral("127.0.1.%1").arg(i + 1)), port));
    places.back()->Greet(kWindowA, port, group.Name(0), "PLACE");
  }
  // Sending the board to all reaches B, not the one that took its name.
  group[0].Dialogs().confirm_answers = {true};
  a.findChild<QAction*>(QStringLiteral("SendBoardToAll"))->trigger();
  QTest::qWait(1000);
  for (const QByteArray& datagram : impostor.Received()) {
    EXPECT_FALSE(datagram.contains("KvBoard") || datagram.contains("NewKV"))
        << datagram.left(60).toStdString();
  }
  EXPECT_TRUE(a.Links()->Speaks(kB));
  const auto lines = a.UserList().Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), group.Name(1) + "=Yes"), lines.end());

  // A real copy that starts now still speaks the extension with A.
  group[2].Start(false);
  EXPECT_TRUE(QTest::qWaitFor([&] { return a.Links()->Speaks(0x7F000004); }, 5000));
}

TEST(HostileHost, APlainAnnouncementFromElsewhereNeitherMovesNorSilencesALinkedName) {
  // Named as on most LANs: only announcements say where a name is.
  WindowGroup group(2, WindowGroup::Names::kUnresolvable);
  ASSERT_TRUE(group.StartListingEachOther());
  TForm1& a = group.Form(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return a.Links()->Speaks(kB); }, 5000));
  const quint16 port = group.Port();
  test::Collector host(QHostAddress(QStringLiteral("127.0.0.9")), port);
  const QByteArray name(group.Name(1).c_str());
  for (const QByteArray& claim : {"Kovra:>IamToo:>" + name, "Kovra:>Enter:>" + name,
                                  "Kovra:>Exit:>" + name, "Kovra:>IamToo:>" + name}) {
    host.Send(claim, kWindowA, port);
  }
  QTest::qWait(300);
  // What A sends B still goes to B, and B stays present.
  for (int i = 0; i < 3; ++i) {
    a.Controls().Edit_Mess->setText(QStringLiteral("for b %1").arg(i));
    a.Controls().SpeedButton1->click();
  }
  DrawAcross(group, 0, 120);
  EXPECT_TRUE(QTest::qWaitFor([&] { return SaidOnce(group.Form(1), "for b 2"); }, 3000));
  EXPECT_TRUE(SaidOnce(group.Form(1), "for b 0") && SaidOnce(group.Form(1), "for b 1"));
  EXPECT_TRUE(test::OneBoard(group, {0, 1}, 3000));
  EXPECT_TRUE(Shows(group.Form(1).Board().Image(), 120, kColours[0]));
  const auto lines = a.UserList().Lines();
  EXPECT_NE(std::find(lines.begin(), lines.end(), group.Name(1) + "=Yes"), lines.end());
  EXPECT_EQ(a.Links()->Speaks(kB), true);
  host.WaitFor(100000, 300);  // takes in what came
  for (const QByteArray& datagram : host.Received()) {
    EXPECT_FALSE(datagram.contains("for b") || datagram.contains("LineTo"))
        << datagram.left(60).toStdString();
  }
}

TEST(HostileHost, ABoardSentWholeKeepsToTheSizeRulesOfANewBoard) {
  WindowGroup group(1);
  group.StartAll();
  TForm1& a = group.Form(0);
  const QSize size = a.Board().Image().size();
  const quint16 port = group.Port();
  test::Collector host(QHostAddress(QStringLiteral("127.0.0.9")), port);
  const QByteArray ticket = host.Greet(kWindowA, port, group.Name(0));
  ASSERT_FALSE(ticket.isEmpty());
  host.InStream("KvBoard:>100000000 1", kWindowA, port, ticket);
  host.InStream("KvBoard:>1 100000000", kWindowA, port, ticket);
  host.InStream("KvBoard:>0 50", kWindowA, port, ticket);
  QTest::qWait(1000);
  EXPECT_EQ(a.Board().Image().size(), size);
  // One that keeps to them is taken, and told as the host's.
  host.InStream("KvBoard:>50 40", kWindowA, port, ticket);
  EXPECT_TRUE(QTest::qWaitFor([&] { return a.Board().Image().size() == QSize(50, 40); }, 3000));
}

}  // namespace
}  // namespace kovra
