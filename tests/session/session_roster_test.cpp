// The session's rule on copies that tell each other their sessions as the
// links would: every copy ends with the same leader whatever the order of
// events, a copy that joins never leads a running session whatever it
// claims, a silent leader is followed at once, and halves cut apart become
// one session again.
#include "session/session_roster.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace kovra {
namespace {

using Member = SessionRoster::Member;
using Announcement = SessionRoster::Announcement;

// Copies whose rosters hear each other's announcements through a wire form.
class Copies {
 public:
  // Copy i's session was founded at founded[i] (ms of the wall clock).
  explicit Copies(const std::vector<qint64>& founded) {
    for (std::size_t i = 0; i < founded.size(); ++i) {
      first_ids_.push_back(SessionRoster::NewId(founded[i], static_cast<quint32>(i)));
      rosters_.push_back(std::make_unique<SessionRoster>(Instance(i), first_ids_.back()));
    }
  }
  static quint32 Instance(std::size_t i) { return 5000 + static_cast<quint32>(i) * 7; }
  static quint32 Address(std::size_t i) { return 0x7F000002u + static_cast<quint32>(i); }
  SessionRoster& operator[](std::size_t i) { return *rosters_[i]; }
  std::size_t Size() const { return rosters_.size(); }

  // i and j speak the extension now: each tells the other its session.
  void Link(std::size_t i, std::size_t j) {
    links_.insert({std::min(i, j), std::max(i, j)});
    rosters_[i]->Linked(Address(j), Instance(j), now_);
    rosters_[j]->Linked(Address(i), Instance(i), now_);
    // The coin two linked copies toss, by default one that falls for the
    // copy that was started first; both are told the same.
    const bool j_wins = coins_.count({j, i}) > 0 ||
                        (coins_.count({i, j}) == 0 && first_ids_[j] < first_ids_[i]);
    if (!no_coin_.count(i) && !no_coin_.count(j)) {
      rosters_[i]->TieDecided(Address(j), j_wins, now_);
      rosters_[j]->TieDecided(Address(i), !j_wins, now_);
    }
    Tell(i, j);
    Tell(j, i);
  }
  // Copies 0 and 1 meet first; copy 2 then meets both.
  void PairThenThird() {
    Link(0, 1);
    Settle();
    Link(2, 0);
    Link(2, 1);
    Settle();
  }
  void LinkAll() {
    for (std::size_t i = 0; i < Size(); ++i) {
      for (std::size_t j = i + 1; j < Size(); ++j) Link(i, j);
    }
  }
  void Cut(std::size_t i, std::size_t j) {
    links_.erase({std::min(i, j), std::max(i, j)});
    rosters_[i]->Unlinked(Address(j), now_);
    rosters_[j]->Unlinked(Address(i), now_);
  }
  bool Linked(std::size_t i, std::size_t j) const {
    return links_.count({std::min(i, j), std::max(i, j)}) > 0;
  }
  // What changed goes to every linked copy, until nothing changes.
  void Settle() {
    for (int round = 0; round < 100; ++round) {
      bool any = false;
      for (std::size_t i = 0; i < Size(); ++i) {
        if (!rosters_[i]->TakeChanged()) continue;
        any = true;
        for (std::size_t j = 0; j < Size(); ++j) {
          if (j != i && Linked(i, j)) Tell(i, j);
        }
      }
      if (!any) return;
    }
    ADD_FAILURE() << "the copies never settled";
  }
  void Wait(qint64 ms) { now_ += ms; }
  // The coin between winner and loser falls for winner.
  void Coin(std::size_t winner, std::size_t loser) { coins_.insert({winner, loser}); }
  // Copy i never settles a tie: it keeps its nonce to itself.
  void NoCoin(std::size_t i) { no_coin_.insert(i); }
  // The copy that i takes for the leader.
  std::size_t LeaderOf(std::size_t i) const {
    const quint32 address = rosters_[i]->Leader();
    return address == 0 ? i : address - Address(0);
  }
  // The one leader all of copies agree on, or Size() when they do not.
  std::size_t CommonLeader(const std::vector<std::size_t>& copies) const {
    const std::size_t leader = LeaderOf(copies.front());
    for (const std::size_t i : copies) {
      if (LeaderOf(i) != leader) return Size();
    }
    return leader;
  }
  void Tell(std::size_t from, std::size_t to) {
    const auto heard = Announcement::Parse(rosters_[from]->Current().Build(), Address(from));
    ASSERT_TRUE(heard.has_value());
    rosters_[to]->Announced(Address(from), *heard, now_);
  }

 private:
  std::vector<std::unique_ptr<SessionRoster>> rosters_;
  std::vector<quint64> first_ids_;  // each copy's own session's
  std::set<std::pair<std::size_t, std::size_t>> coins_;  // winner, loser
  std::set<std::size_t> no_coin_;
  std::set<std::pair<std::size_t, std::size_t>> links_;
  qint64 now_ = 0;
};

std::vector<quint32> Instances(const SessionRoster& roster) {
  std::vector<quint32> instances;
  for (const Member& member : roster.Members()) instances.push_back(member.instance);
  return instances;
}

TEST(SessionRoster, CopiesStartedTogetherAgreeOnTheOldestAndNoNewcomerLeads) {
  // In every order of meeting, all end with one leader.
  const std::vector<std::vector<std::pair<std::size_t, std::size_t>>> orders = {
      {{0, 1}, {1, 2}, {0, 2}}, {{1, 2}, {0, 2}, {0, 1}}, {{2, 0}, {2, 1}, {1, 0}}};
  for (const auto& order : orders) {
    Copies copies({1'000'000'500, 1'000'000'000, 1'000'000'000});
    for (const auto& [i, j] : order) {
      copies.Link(i, j);
      copies.Settle();
    }
    const std::size_t leader = copies.CommonLeader({0, 1, 2});
    ASSERT_LT(leader, 3u);
    for (std::size_t i = 0; i < 3; ++i) {
      EXPECT_EQ(copies[i].Id(), copies[leader].Id());
      EXPECT_EQ(Instances(copies[i]), Instances(copies[leader]));
    }
    EXPECT_EQ(Instances(copies[leader]).size(), 3u);
  }

  // Meeting all at once, the session founded first; copies 1 and 2 were
  // founded in the same millisecond, told apart by the rest of the id.
  Copies together({1'000'000'500, 1'000'000'000, 1'000'000'000});
  together.LinkAll();
  together.Settle();
  EXPECT_EQ(together.CommonLeader({0, 1, 2}), 1u);

  // A copy claiming a session far older than the running one joins it last.
  Copies copies({2'000'000'000, 2'000'000'100, 10});
  copies.PairThenThird();
  EXPECT_EQ(copies.CommonLeader({0, 1, 2}), 0u);
  EXPECT_EQ(copies[2].Members().back().instance, Copies::Instance(2));
}

TEST(SessionRoster, WhatAHostileCopySaysNeverMakesItTheLeader) {
  Copies copies({100, 200, 300});
  copies.PairThenThird();
  ASSERT_EQ(copies.CommonLeader({0, 1, 2}), 0u);

  // Copy 2 lies: the running session's own id, a later list with itself first.
  Announcement lie = copies[0].Current();
  lie.generation += 1000;
  std::reverse(lie.members.begin(), lie.members.end());
  for (Member& member : lie.members) {
    if (member.instance == Copies::Instance(0)) member.address = Copies::Address(0);
  }
  for (const std::size_t victim : {0u, 1u}) copies[victim].Announced(Copies::Address(2), lie, 0);
  // Or its successor's id, or a list that leaves itself out, or a session
  // of its own with members it invented.
  Announcement successor = lie;
  successor.id = SessionRoster::SuccessorId(copies[0].Id(), Copies::Instance(2));
  Announcement without_itself = copies[0].Current();
  without_itself.members.erase(without_itself.members.begin() + 2);
  Announcement invented{1, 0, {{Copies::Instance(2), Copies::Address(2)}}};
  for (quint32 i = 1; i < 30; ++i) invented.members.push_back({90000 + i, 0x0A000000u + i});
  for (const Announcement& said : {successor, without_itself, invented}) {
    copies[1].Announced(Copies::Address(2), said, 0);
    copies[0].Announced(Copies::Address(2), said, 0);
  }
  copies.Settle();
  EXPECT_EQ(copies.LeaderOf(0), 0u);
  EXPECT_EQ(copies.LeaderOf(1), 0u);
  EXPECT_EQ(copies[0].Id(), copies[1].Id());
}

TEST(SessionRoster, ASilentLeaderIsFollowedAtOnceAndCutHalvesBecomeOneAgain) {
  Copies copies({100, 200, 300, 400});
  copies.LinkAll();
  copies.Settle();
  ASSERT_EQ(copies.CommonLeader({0, 1, 2, 3}), 0u);

  // The leader falls silent: the next in the list leads for everyone left,
  // whoever notices first.
  for (const std::size_t i : {3u, 1u, 2u}) copies.Cut(0, i);
  copies.Settle();
  EXPECT_EQ(copies.CommonLeader({1, 2, 3}), 1u);
  EXPECT_EQ(copies[2].Id(), copies[1].Id());

  // Cut in two halves that each go on: one leader each.
  copies.Wait(SessionRoster::kForsakenMs + 1);
  copies.Cut(1, 2);
  copies.Cut(1, 3);
  copies.Settle();
  EXPECT_EQ(copies.LeaderOf(1), 1u);
  EXPECT_EQ(copies.CommonLeader({2, 3}), 2u);
  // Back together, with the first leader returning too: one session, one leader.
  copies.Wait(SessionRoster::kForsakenMs + 1);
  copies.LinkAll();
  copies.Settle();
  const std::size_t leader = copies.CommonLeader({0, 1, 2, 3});
  ASSERT_LT(leader, 4u);
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(copies[i].Id(), copies[leader].Id()) << i;
    EXPECT_EQ(copies[i].Members().size(), 4u) << i;
  }
}

TEST(SessionRoster, ATieGoesByTheLeadersCoinNeverByTheIdTheyClaim) {
  // A copy that says its session is the oldest there can be wins a tie
  // only when the coin falls for it; without a coin nobody moves.
  for (const bool coin_for_claimant : {false, true}) {
    Copies copies({1'000'000'000, 1});
    if (!coin_for_claimant) copies.Coin(0, 1);
    copies.Link(0, 1);
    copies.Settle();
    EXPECT_EQ(copies.CommonLeader({0, 1}), coin_for_claimant ? 1u : 0u);
  }
  Copies silent({1'000'000'000, 1});
  silent.NoCoin(1);
  silent.Link(0, 1);
  silent.Settle();
  EXPECT_EQ(silent.LeaderOf(0), 0u);
  EXPECT_NE(silent[0].Id(), silent[1].Id()) << "no tie is won without a coin";

  // The halves of a cut meet as they were, whatever the coin says: the copy
  // that led on from its silent leader goes back to that leader's session.
  Copies cut({100, 200});
  cut.Link(0, 1);
  cut.Settle();
  ASSERT_EQ(cut.CommonLeader({0, 1}), 0u);
  cut.Cut(0, 1);
  cut.Settle();
  ASSERT_NE(cut[0].Id(), cut[1].Id());
  cut.Wait(SessionRoster::kForsakenMs + 1);
  cut.Coin(1, 0);
  cut.Link(0, 1);
  cut.Settle();
  EXPECT_EQ(cut.CommonLeader({0, 1}), 0u);

  // A member that hears only its leader goes where its leader goes on a
  // tie, though it sees no more copies there than in its own session.
  Copies hears_leader({100, 200, 300, 400});
  hears_leader.Link(0, 1);
  hears_leader.Link(2, 3);
  hears_leader.Settle();
  hears_leader.Coin(2, 0);
  hears_leader.Link(0, 2);
  hears_leader.Link(0, 3);
  hears_leader.Settle();
  EXPECT_EQ(hears_leader.CommonLeader({0, 2, 3}), 2u);
  EXPECT_EQ(hears_leader[1].Id(), hears_leader[2].Id());

  // Coins that go round in a circle still end in one session.
  Copies circle({100, 200, 300});
  circle.Coin(0, 1);
  circle.Coin(1, 2);
  circle.Coin(2, 0);
  circle.LinkAll();
  circle.Settle();
  const std::size_t leader = circle.CommonLeader({0, 1, 2});
  ASSERT_LT(leader, 3u);
  for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(circle[i].Members().size(), 3u) << i;

  // Two against two: only the leaders' coin counts, whatever the members' say.
  Copies halves({100, 200, 300, 400});
  halves.Link(0, 1);
  halves.Link(2, 3);
  halves.Settle();
  ASSERT_EQ(halves.CommonLeader({0, 1}), 0u);
  ASSERT_EQ(halves.CommonLeader({2, 3}), 2u);
  halves.Coin(2, 0);
  halves.Coin(1, 2);
  halves.Coin(1, 3);
  halves.Coin(0, 3);
  halves.LinkAll();
  halves.Settle();
  EXPECT_EQ(halves.CommonLeader({0, 1, 2, 3}), 2u);
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(halves[i].Members().size(), 4u) << i;
}

TEST(SessionRoster, AnnouncementsAreReadStrictly) {
  const quint32 sender = 0x0A000005;
  const auto read = Announcement::Parse("77 3 11@0.0.0.0 12@10.0.0.9", sender);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->id, 77u);
  EXPECT_EQ(read->generation, 3u);
  ASSERT_EQ(read->members.size(), 2u);
  EXPECT_EQ(read->members[0].address, sender);  // the sender's own entry
  EXPECT_EQ(read->members[1].address, 0x0A000009u);
  for (const char* bad : {"", "77", "x 3", "77 3 11", "77 3 0@10.0.0.1", "77 3 11@10.0.0",
                          "77 3 11@10.0.0.1 11@10.0.0.2", "77 3 11@10.0.0.1x"}) {
    EXPECT_FALSE(Announcement::Parse(bad, sender).has_value()) << bad;
  }
  std::string many = "1 1";
  for (int i = 1; i <= 41; ++i) many += ' ' + std::to_string(i) + "@10.0.0.1";
  EXPECT_FALSE(Announcement::Parse(many, sender).has_value());
  // The most a list may hold fits one datagram of the extension.
  Announcement full{~0ull, ~0u, {}};
  for (quint32 i = 0; i < SessionRoster::kMaxMembers; ++i) {
    full.members.push_back({0xFFFFFFF0u - i, 0xC0A8FFFFu});
  }
  EXPECT_LT(full.Build().size() + 40, 1400u);
}

}  // namespace
}  // namespace kovra
