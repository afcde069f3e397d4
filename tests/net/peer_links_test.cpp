// The delivery between two links joined by a seeded in-memory network that
// loses, duplicates and reorders, and what a hostile host can make a link
// keep or send.
#include "net/peer_links.h"

#include <gtest/gtest.h>

#include <QTest>
#include <deque>
#include <map>
#include <memory>
#include <random>

#include "common/link_network.h"
#include "net/link_wire.h"
#include "net/neighbours.h"

namespace kovra {
namespace {

constexpr quint32 kA = 0x0A000001;
constexpr quint32 kB = 0x0A000002;
constexpr quint32 kStranger = 0x0A000063;

using test::Datagram;
using test::Network;

PeerLinks::Hooks HooksFor(Network& network, quint32 address, std::vector<std::string>& delivered) {
  PeerLinks::Hooks hooks;
  hooks.send = network.From(address);
  hooks.deliver = [&delivered](quint32, quint16, std::string_view text) {
    delivered.emplace_back(text);
  };
  return hooks;
}

void RunUntil(Network& network, const std::function<bool()>& done, int ms = 10000,
              const std::function<void()>& step = {}) {
  QElapsedTimer spent;
  spent.start();
  while (!done() && !spent.hasExpired(ms)) {
    if (step) step();
    network.Run();
    QTest::qWait(5);
  }
}

// Two links that know each other, on a network of the given loss.
class JoinedLinks : public ::testing::Test {
 protected:
  explicit JoinedLinks(double loss = 0, double duplicate = 0)
      : network_(loss, duplicate, 17),
        a_("PCA", HooksFor(network_, kA, at_a_)),
        b_("PCB", HooksFor(network_, kB, at_b_)) {
    network_.Attach(kA, &a_);
    network_.Attach(kB, &b_);
    // Announced again and again, as "Enter" and "IamToo" are, until it is heard.
    RunUntil(
        network_, [&] { return a_.Speaks(kB) && b_.Speaks(kA); }, 5000, [&] { a_.Announce(kB); });
    EXPECT_TRUE(a_.Speaks(kB) && b_.Speaks(kA));
    network_.Forget();
  }
  Network network_;
  std::vector<std::string> at_a_, at_b_;
  PeerLinks a_;
  PeerLinks b_;
};

TEST(CrossedGreetings, TwoCopiesNamedToEachOtherAtOnceSpeakAfterAPause) {
  Network network(0, 0, 5);
  std::vector<std::string> at_a, at_b;
  PeerLinks a("PCA", HooksFor(network, kA, at_a));
  PeerLinks b("PCB", HooksFor(network, kB, at_b));
  network.Attach(kA, &a);
  network.Attach(kB, &b);
  // A third copy names each to the other at the same moment: the
  // greetings cross, and each answer falls in the pause after a greeting.
  a.Introduce(kB);
  b.Introduce(kA);
  RunUntil(
      network, [&] { return a.Speaks(kB) && b.Speaks(kA); }, 2000);
  EXPECT_TRUE(a.Speaks(kB) && b.Speaks(kA));
}

class LossyLinks : public JoinedLinks {
 protected:
  LossyLinks() : JoinedLinks(0.2, 0.1) {}
};

TEST_F(LossyLinks, EveryCommandArrivesOnceInOrderBothWays) {
  EXPECT_EQ(a_.NameOf(kB), "PCB");
  EXPECT_FALSE(a_.Send(kStranger, "ImageKV_LineTo:>1 1")) << "only to a copy that speaks it";
  std::vector<std::string> to_b, to_a;
  for (int i = 0; i < 3000; ++i) {
    to_b.push_back("ImageKV_LineTo:>" + std::to_string(i) + " 7");
    ASSERT_TRUE(a_.Send(kB, to_b.back()));
    if (i % 3 == 0) {
      to_a.push_back("Message:>line " + std::to_string(i));
      ASSERT_TRUE(b_.Send(kA, to_a.back(), PeerLinks::Carry::kMessage));
    }
    if (i % 50 == 0) network_.Run();
  }
  RunUntil(network_, [&] { return at_b_.size() >= to_b.size() && at_a_.size() >= to_a.size(); });
  EXPECT_EQ(at_b_, to_b);
  EXPECT_EQ(at_a_, to_a);
  RunUntil(
      network_, [&] { return a_.Waiting(kB) == 0 && b_.Waiting(kA) == 0; }, 3000);
  EXPECT_EQ(a_.Waiting(kB), 0u) << "everything acknowledged, nothing kept";
}

TEST_F(JoinedLinks, AStrangerGetsNoMoreThanItSendsAndAPeerOnlyAFewResends) {
  // A stranger (or a spoofed address) that does not know B's ticket:
  // two hundred datagrams draw at most one small greeting, and nothing is handed on.
  std::size_t asked = 0;
  for (int i = 0; i < 100; ++i) {
    const std::string ack = link::Ack{12345, 999, 1, 901, {{2, 900}}}.Build();
    asked += ack.size();
    b_.Received(kStranger, 571, {"KVACK", ack});
    b_.Received(kStranger, 571, {"KVDATA", link::Data{12345, 999, 5, 1, "Message:>x"}.Build()});
  }
  std::size_t answered = 0;
  for (const Datagram& datagram : network_.Sent()) {
    EXPECT_EQ(datagram.to, kStranger);
    EXPECT_TRUE(datagram.bytes.rfind("Kovra:>KvHello:>", 0) == 0) << datagram.bytes;
    answered += datagram.bytes.size();
  }
  EXPECT_LE(network_.Sent().size(), 1u);
  EXPECT_LT(answered, asked / 10);
  // Its own announcement, back from a broadcast address, is nobody.
  b_.Received(kStranger, 571,
              {"KVHELLO", link::Hello{2, b_.Instance(), 0, 0, -1, 5, "PCB"}.Build()});
  EXPECT_TRUE(b_.NameOf(kStranger).empty());
  EXPECT_TRUE(at_b_.empty());
  EXPECT_FALSE(b_.Speaks(kStranger));
  network_.Forget();

  // A peer that knows its ticket asks for everything again: one
  // acknowledgement makes B send a few datagrams, not its whole window.
  for (int i = 0; i < 200; ++i) b_.Send(kA, "ImageKV_LineTo:>" + std::to_string(i) + " 1");
  network_.Forget();  // lost on the way
  QTest::qWait(15);
  b_.Received(kA, 571,
              {"KVACK", link::Ack{a_.Instance(), b_.TicketFor(kA), 0, 201, {{1, 200}}}.Build()});
  EXPECT_LE(network_.Sent().size(), 8u);
  network_.Forget();

  // A peer that names a hundred copies it speaks with: a few are greeted a
  // few times, not the whole network for as long as they are kept.
  for (quint32 i = 0; i < 100; ++i) b_.Introduce(0x0A000100 + i);
  QTest::qWait(3000);
  std::map<quint32, int> greeted;
  for (const Datagram& datagram : network_.Sent()) {
    const bool introduced = datagram.to >= 0x0A000100 && datagram.to < 0x0A000100 + 100;
    if (introduced && datagram.bytes.rfind("Kovra:>KvHello:>", 0) == 0) ++greeted[datagram.to];
  }
  EXPECT_LE(greeted.size(), 16u);
  for (const auto& [address, times] : greeted) EXPECT_LE(times, 5) << address;
}

TEST_F(JoinedLinks, CommandsFarAheadOfAGapThatNeverFillsAreNotAllKept) {
  // At most PeerLinks::kMaxAhead are handed on when the gap is given up.
  std::vector<std::string> kept;
  PeerLinks target("PCT", HooksFor(network_, kA, kept));
  target.SetTiming({10000, 100, 5000, 2000, 30000});
  const quint32 a = a_.Instance();
  target.Received(kA, 571,
                  {"KVHELLO", link::Hello{2, a, target.TicketFor(kA), 0, -1, 5, "PCA"}.Build()});
  ASSERT_TRUE(target.Speaks(kA));
  for (quint32 seq = 2; seq < 5000; ++seq) {
    const link::Data data{a, target.TicketFor(kA), seq, 1, "ImageKV_MouseUp:>"};
    target.Received(kA, 571, {"KVDATA", data.Build()});
  }
  EXPECT_TRUE(kept.empty()) << "nothing before the first";
  EXPECT_TRUE(QTest::qWaitFor([&] { return !kept.empty(); }, 2000)) << "the gap is given up";
  EXPECT_LE(kept.size(), PeerLinks::kMaxAhead);
}

TEST_F(JoinedLinks, OnlyTheTicketToldToAnAddressLinksItAndNothingElseUndoesTheLink) {
  std::vector<std::string> kept;
  PeerLinks target("PCT", HooksFor(network_, kA, kept));
  const quint32 a = a_.Instance();
  const auto hello = [&](quint32 instance, quint64 your) {
    target.Received(kA, 571, {"KVHELLO", link::Hello{2, instance, your, 0, -1, 5, "PCA"}.Build()});
  };
  // A ticket, but the one told to another address, or one made up.
  hello(a, target.TicketFor(kB));
  hello(a, target.TicketFor(kA) ^ 1);
  EXPECT_FALSE(target.Speaks(kA));
  hello(a, target.TicketFor(kA));
  ASSERT_TRUE(target.Speaks(kA));
  ASSERT_EQ(target.InstanceOf(kA), a);
  // Another instance at that address, without the ticket: the link stays
  // the one it was, until the copy there proves itself.
  hello(a + 1, 0);
  hello(a + 1, target.TicketFor(kB));
  EXPECT_TRUE(target.Speaks(kA));
  EXPECT_EQ(target.InstanceOf(kA), a);
  hello(a + 1, target.TicketFor(kA));
  EXPECT_EQ(target.InstanceOf(kA), a + 1) << "a copy started again there, proven";
}

TEST_F(JoinedLinks, TheRepairsTalkForOnePeerIsBoundedAndNotQueuedTwice) {
  // Nothing arrives: whatever is sent waits.
  network_.Refuse = [](const Datagram&) { return true; };
  const std::size_t before = a_.Waiting(kB);
  for (int i = 0; i < 50; ++i) a_.Send(kB, "KvDigests:>same answer", PeerLinks::Carry::kPassing);
  EXPECT_LE(a_.Waiting(kB), before + 1) << "the same answer, asked again, waits once";
  // A peer that asks for ever more gets at most the bound's worth queued.
  const std::string filler(10 * 1024, 'x');
  int queued = 0;
  for (int i = 0; i < 200; ++i) {
    if (a_.Send(kB, "KvDigests:>" + std::to_string(i) + filler, PeerLinks::Carry::kPassing)) {
      ++queued;
    }
  }
  EXPECT_GT(queued, 0);
  EXPECT_LE(std::size_t(queued) * filler.size(), PeerLinks::kMaxPassingBytes);
  // The user's drawing still goes.
  EXPECT_TRUE(a_.Send(kB, "ImageKV_MouseUp:>", PeerLinks::Carry::kLasting));
}

TEST(HostPlaces, AHostsAliasesShareItsPlacesAndLeaveRoomForOtherCopies) {
  Network network(0, 0, 3);
  std::vector<std::string> delivered;
  PeerLinks::Hooks hooks = HooksFor(network, kA, delivered);
  // Addresses from 10.0.0.100 on answer with one card, as a raw socket's do.
  hooks.host_of = [](quint32 address) -> quint64 {
    return address >= 0x0A000064 ? quint64{1} << 48 : address;
  };
  PeerLinks victim("PCA", hooks);
  network.Attach(kA, &victim);
  // More than the table holds.
  constexpr quint32 kAliases = PeerLinks::kMaxPeers + 4;
  std::vector<std::vector<std::string>> heard(kAliases + 1);
  std::vector<std::unique_ptr<PeerLinks>> aliases;
  for (quint32 i = 0; i < kAliases; ++i) {
    const quint32 address = 0x0A000064 + i;
    aliases.push_back(std::make_unique<PeerLinks>("H", HooksFor(network, address, heard[i])));
    network.Attach(address, aliases.back().get());
  }
  PeerLinks other("PCB", HooksFor(network, kB, heard[kAliases]));
  network.Attach(kB, &other);
  const auto linked = [&] {
    int count = 0;
    for (quint32 i = 0; i < kAliases; ++i) count += victim.Speaks(0x0A000064 + i) ? 1 : 0;
    return count;
  };
  RunUntil(
      network, [&] { return false; }, 1500,
      [&] {
        for (quint32 i = 0; i < kAliases; ++i) aliases[i]->Announce(kA);
      });
  EXPECT_EQ(linked(), PeerLinks::kMaxAddressesPerHost);
  RunUntil(
      network, [&] { return victim.Speaks(kB) && other.Speaks(kA); }, 3000,
      [&] { other.Announce(kA); });
  EXPECT_TRUE(victim.Speaks(kB)) << "another computer still links";
}

std::map<quint32, quint64> Cards(const std::string& text) { return ParseNeighbourTable(text); }

TEST(HostPlaces, TheNeighbourTableGivesCompleteEntriesOnly) {
  const auto cards = Cards(
      "IP address       HW type     Flags       HW address            Mask     Device\n"
      "10.0.0.7         0x1         0x2         52:54:00:12:34:56     *        eth0\n"
      "10.0.0.8         0x1         0x0         00:00:00:00:00:00     *        eth0\n"
      "10.0.0.9         0x1         0x6         52:54:00:12:34:56     *        eth0\n"
      "10.0.0.10        0x1         0x2         zz:54:00:12:34:56     *        eth0\n"
      "junk\n"
      "10.0.0.11 0x1 0x2 aa:bb:cc:dd:ee:ff * eth1");
  EXPECT_EQ(cards, (std::map<quint32, quint64>{{0x0A000007, 0x525400123456},
                                               {0x0A000009, 0x525400123456},
                                               {0x0A00000B, 0xAABBCCDDEEFF}}));
  EXPECT_TRUE(Cards("").empty());
  EXPECT_TRUE(Cards("IP address HW type Flags HW address Mask Device").empty());
}

TEST_F(JoinedLinks, WhatTheSenderGaveUpIsNotWaitedFor) {
  // A sender that took this copy for a new one forgets what was not yet
  // confirmed, and says so by the first number it still waits for.
  std::vector<std::string> kept;
  PeerLinks::Hooks hooks = HooksFor(network_, kA, kept);
  int skipped = 0;
  hooks.skipped = [&skipped](quint32) { ++skipped; };
  PeerLinks target("PCT", hooks);
  target.SetTiming({10000, 10000, 5000, 2000, 30000});  // no gap given up by time
  const quint32 a = a_.Instance();
  target.Received(kA, 571,
                  {"KVHELLO", link::Hello{2, a, target.TicketFor(kA), 0, -1, 5, "PCA"}.Build()});
  ASSERT_TRUE(target.Speaks(kA));
  const auto data = [&](quint32 seq, quint32 first, const char* text) {
    target.Received(kA, 571,
                    {"KVDATA", link::Data{a, target.TicketFor(kA), seq, first, text}.Build()});
  };
  data(1, 1, "one");
  data(4, 2, "four");
  EXPECT_EQ(kept, std::vector<std::string>{"one"}) << "two and three may still come";
  data(5, 4, "five");
  EXPECT_EQ(kept, (std::vector<std::string>{"one", "four", "five"}));
  EXPECT_EQ(skipped, 1) << "what was passed over is repaired";
  data(3, 2, "three");
  EXPECT_EQ(kept.size(), 3u) << "a late one of those given up is not handed on";
}

TEST_F(JoinedLinks, ASilentCopysStreamWaitsForItAndGoesOnOnceWhenItIsBack) {
  const PeerLinks::Timing quick{600, 3000, 5000, 100, 30000};
  a_.SetTiming(quick);
  b_.SetTiming(quick);
  std::vector<std::string> undelivered;
  ASSERT_TRUE(a_.Send(kB, "ImageKV_LineTo:>1 1"));
  RunUntil(network_, [&] { return at_b_.size() == 1; });
  // The cable is pulled: what is sent now is lost on the way.
  ASSERT_TRUE(a_.Send(kB, "ImageKV_LineTo:>2 2"));
  ASSERT_TRUE(a_.Send(kB, "Message:>m1", PeerLinks::Carry::kMessage));
  ASSERT_TRUE(a_.Send(kB, "KvSum:>602 385 0", PeerLinks::Carry::kPassing));
  EXPECT_EQ(a_.MissingSince(kB), PeerLinks::kLongAgo) << "a new link lacks what came before it";
  a_.Shared(kB);
  EXPECT_EQ(a_.MissingSince(kB), PeerLinks::kNever);
  RunUntil(network_, [&] { return !a_.Speaks(kB) && !b_.Speaks(kA); }, 3000,
           [&] { network_.Forget(); });
  ASSERT_FALSE(a_.Speaks(kB));
  const qint64 gone_at = a_.Clock();
  EXPECT_FALSE(a_.Send(kB, "ImageKV_LineTo:>3 3")) << "what goes now it lacks";
  EXPECT_LE(a_.MissingSince(kB), gone_at);
  EXPECT_GT(a_.MissingSince(kB), gone_at - 1000) << "but what its stream holds it will have";
  EXPECT_TRUE(a_.Keep(kB, "Message:>m2"));
  EXPECT_FALSE(a_.Keep(kStranger, "Message:>m3")) << "only for a copy that spoke the extension";
  // Back: both streams go on where they stood, under their own numbers.
  RunUntil(
      network_, [&] { return at_b_.size() >= 5; }, 5000, [&] { a_.Announce(kB); });
  EXPECT_EQ(at_b_, (std::vector<std::string>{"ImageKV_LineTo:>1 1", "ImageKV_LineTo:>2 2",
                                             "Message:>m1", link::kNothing + ":>",
                                             "Message:>m2"}));
  ASSERT_TRUE(b_.Send(kA, "ImageKV_LineTo:>4 4"));
  RunUntil(network_, [&] { return at_a_.size() == 1; });
  EXPECT_EQ(at_a_, std::vector<std::string>{"ImageKV_LineTo:>4 4"});
}

}  // namespace
}  // namespace kovra
