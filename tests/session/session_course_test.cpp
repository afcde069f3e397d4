// The session's course without a window: two copies with real links over an
// in-memory network that can be cut, each with its own board history. What
// a copy draws again after a split, or after a wipe that reached it late,
// is exactly what the other board lacks.
#include "session/session_course.h"

#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QTest>
#include <algorithm>
#include <memory>
#include <set>

#include "board/board_history.h"
#include "board/canvas.h"
#include "board/replay.h"
#include "common/link_network.h"
#include "common/test_window.h"

namespace kovra {
namespace {

constexpr quint32 kFirst = 0x0A000011;
constexpr quint32 kSecond = 0x0A000012;

// One copy: links, a board with its history, and the course fed with what
// the links see, as the window wires them.
class CourseCopy {
 public:
  // A copy that claims a board with drawing goes on before one that does not.
  CourseCopy(test::Network& network, quint32 address, const char* name, bool drawn = false)
      : address_(address), drawn_(drawn), links_(name, LinkHooks(network)) {
    canvas_.Reset(test::WhiteImage(200, 200));
    replay_.OnDrawing = [this](const drawing::Command& command, const DrawingState& before,
                               quint64 sender) { history_.Drawing(command, before, sender); };
    history_.SetClock([this] { return links_.Clock(); });
    // Seen sooner than on a LAN, so that the test waits less.
    PeerLinks::Timing timing;
    timing.gone_ms = 1200;
    timing.keep_alive_ms = 300;
    links_.SetTiming(timing);
    course_ = std::make_unique<SessionCourse>(links_, history_, CourseHooks());
    network.Attach(address, &links_);
  }

  PeerLinks& Links() { return links_; }
  SessionCourse& Course() { return *course_; }
  // The rows of the steps drawn again, in the order they were.
  const std::vector<int>& Redrawn() const { return redrawn_; }
  // The rows of the steps the other copy's stream brought.
  const std::vector<int>& Received() const { return received_; }

  // A step of the user's: one short bar on row y, sent to everyone present.
  void Draw(int y) {
    drawing::Rectangle bar;
    bar.x0 = 10;
    bar.y0 = y;
    bar.x1 = 60;
    bar.y1 = y + 1;
    history_.BeginStep();
    replay_.SetSender(0, 0);
    replay_.DrawOwn(bar);
    history_.EndStep();
    for (const quint32 peer : links_.Present()) {
      links_.Send(peer, command::kRectangle + ":>" + bar.Build());
    }
    QTest::qWait(2);  // steps apart on the clock
  }

 private:
  PeerLinks::Hooks LinkHooks(test::Network& network) {
    PeerLinks::Hooks hooks;
    hooks.send = network.From(address_);
    hooks.deliver = [this](quint32 from, quint16, std::string_view text) {
      const std::string bar = command::kRectangle + ":>";
      if (text.substr(0, bar.size()) == bar) {
        received_.push_back(drawing::Rectangle::Parse(std::string(text.substr(bar.size()))).y0);
      }
      const std::string tie = kTieCommand + ":>";
      if (text.substr(0, tie.size()) == tie) course_->TieSaid(from, text.substr(tie.size()));
      const std::string head = kSessionCommand + ":>";
      if (text.substr(0, head.size()) != head) return;
      const auto said = SessionRoster::Announcement::Parse(text.substr(head.size()), from);
      if (said) course_->Announced(from, *said);
    };
    hooks.joined = [this](quint32 from) { Joined(from); };
    hooks.back = [this](quint32 from, const std::string&) {
      if (links_.Speaks(from)) Joined(from);
    };
    hooks.gone = [this](quint32 from, const std::string&) { course_->Left(from); };
    return hooks;
  }
  void Joined(quint32 from) {
    course_->Linked(from);
    course_->Announce(from);
  }
  SessionCourse::Hooks CourseHooks() {
    SessionCourse::Hooks hooks;
    hooks.drawn = [this] { return drawn_; };
    hooks.redraw = [this](const SessionCourse::Steps& steps, quint32, bool tell) {
      if (!tell) return;  // the same again, for boards the wipe reaches late
      for (const auto& step : steps) {
        for (const drawing::Command& command : step) {
          if (const auto* bar = std::get_if<drawing::Rectangle>(&command)) {
            redrawn_.push_back(bar->y0);
          }
        }
      }
    };
    return hooks;
  }

  quint32 address_;
  bool drawn_;
  BoardCanvas canvas_;
  BoardHistory history_{canvas_};
  Replay replay_{canvas_};
  PeerLinks links_;
  std::unique_ptr<SessionCourse> course_;
  std::vector<int> redrawn_;
  std::vector<int> received_;
};

class SessionCourseTest : public ::testing::Test {
 protected:
  SessionCourseTest()
      : network_(0.1, 0.05, 23),
        first_(network_, kFirst, "PC1", true),
        second_(network_, kSecond, "PC2") {}

  void RunUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer spent;
    spent.start();
    while (!done() && !spent.hasExpired(ms)) {
      network_.Run();
      QTest::qWait(5);
    }
  }
  bool OneSession() {
    return first_.Links().Speaks(kSecond) && second_.Links().Speaks(kFirst) &&
           first_.Course().Roster().Id() == second_.Course().Roster().Id() &&
           first_.Course().Roster().Members().size() == 2 &&
           second_.Course().Roster().Members().size() == 2;
  }
  void Meet() {
    RunUntil(
        [&] {
          if (!first_.Links().Speaks(kSecond)) first_.Links().Announce(kSecond);
          return OneSession();
        },
        8000);
    ASSERT_TRUE(OneSession());
  }
  // Every command each copy sent was taken by the other.
  bool Settled() {
    const qint64 now = std::min(first_.Links().Clock(), second_.Links().Clock());
    return first_.Links().TakenUntil(kSecond) >= now - 1 &&
           second_.Links().TakenUntil(kFirst) >= now - 1;
  }
  void Settle() {
    RunUntil([&] { return Settled(); }, 20000);
    ASSERT_TRUE(Settled());
  }
  void Cut(bool cut) {
    network_.Refuse = cut ? std::function<bool(const test::Datagram&)>(
                                [](const test::Datagram&) { return true; })
                          : nullptr;
  }

  test::Network network_;
  CourseCopy first_;
  CourseCopy second_;
};

TEST_F(SessionCourseTest, OnlyTheCopyWhoseHalfLosesDrawsAgainAndOnlyWhatItDrewApart) {
  Meet();
  first_.Draw(1);
  second_.Draw(2);
  Settle();
  Cut(true);
  // Drawn before the silence is seen, and after.
  first_.Draw(11);
  second_.Draw(12);
  RunUntil([&] { return first_.Links().Alone() && second_.Links().Alone(); }, 5000);
  ASSERT_TRUE(first_.Links().Alone() && second_.Links().Alone());
  first_.Draw(21);
  second_.Draw(22);
  // The roster ticks on while apart, as in the window: a copy away is not
  // credited meanwhile with what this one draws.
  for (int tick = 0; tick < 3; ++tick) {
    QTest::qWait(20);
    first_.Course().Tick();
    second_.Course().Tick();
  }
  Cut(false);
  Meet();
  RunUntil([&] { return !first_.Redrawn().empty() || !second_.Redrawn().empty(); },
           static_cast<int>(SessionCourse::kSettleMs) + 1000);
  // The winner's board is the session's: it draws nothing again. The
  // loser's steps of the cut reach it once each: those its stream held when
  // the silence was seen go on in that stream, those drawn while it was
  // away are drawn again; nothing from before the cut comes twice.
  const bool first_won = first_.Course().Leader() == 0;
  const CourseCopy& loser = first_won ? second_ : first_;
  const CourseCopy& winner = first_won ? first_ : second_;
  EXPECT_TRUE(winner.Redrawn().empty());
  const int in_doubt = first_won ? 12 : 11;
  const int while_away = first_won ? 22 : 21;
  RunUntil([&] { return std::count(winner.Received().begin(), winner.Received().end(), in_doubt) > 0; },
           3000);
  EXPECT_EQ(loser.Redrawn(), std::vector<int>{while_away});
  std::multiset<int> taken(winner.Received().begin(), winner.Received().end());
  taken.insert(loser.Redrawn().begin(), loser.Redrawn().end());
  EXPECT_EQ(taken, (std::multiset<int>{first_won ? 2 : 1, in_doubt, while_away}));
}

TEST_F(SessionCourseTest, AWipeThatArrivesLateLeavesWhatItsUserNeverSaw) {
  Meet();
  second_.Draw(1);
  QTest::qWait(5);
  second_.Draw(2);
  Settle();
  // The first copy wipes in the first moment of a cut, before anybody
  // notices, holding this much of the second's stream; the second draws on
  // meanwhile, and the wipe reaches it only after its strokes were taken.
  const quint32 had = first_.Links().DeliveredFrom(kSecond);
  Cut(true);
  second_.Draw(12);
  second_.Draw(13);
  Cut(false);
  Settle();
  second_.Course().Seen(kFirst, had);
  second_.Course().Wiped(kFirst);
  // What it never saw, in order; of what it saw, at most the last step, when
  // that step was drawn in the very millisecond its command went.
  std::vector<int> redrawn = second_.Redrawn();
  if (!redrawn.empty() && redrawn.front() == 2) redrawn.erase(redrawn.begin());
  EXPECT_EQ(redrawn, (std::vector<int>{12, 13}));
  // Without a word of what it had, by what it acknowledged: a wipe made
  // once everything was taken saw everything.
  const std::size_t before = second_.Redrawn().size();
  second_.Course().Wiped(kFirst);
  EXPECT_EQ(second_.Redrawn().size(), before);
  // Said again at once, even that it had nothing, it does not count: a host
  // cannot have every step sent to everybody again for each wipe it forges.
  second_.Course().Seen(kFirst, 0);
  second_.Course().Wiped(kFirst);
  EXPECT_EQ(second_.Redrawn().size(), before);
}

// A host that comes back as ever new copies, each of an older session than
// the one it finds, makes a copy draw everything again for the first of
// them only; the next, met once the last is gone, waits its minute.
TEST(SessionCourseStrangers, EverythingIsDrawnAgainForANewCopyOnlyOnceAMinute) {
  constexpr quint32 kVictim = 0x0A000021;
  const quint32 hosts[] = {0x0A000031, 0x0A000032};
  test::Network network(0.0, 0.0, 5);
  // Their boards hold drawing, the victim's is told as blank: they win.
  CourseCopy first_host(network, hosts[0], "H1", true);
  CourseCopy second_host(network, hosts[1], "H2", true);
  CourseCopy victim(network, kVictim, "V");
  quint32 open_to = 0;  // the one host the victim hears
  network.Refuse = [&](const test::Datagram& datagram) {
    const quint32 other = datagram.from == kVictim ? datagram.to : datagram.from;
    return other != open_to;
  };
  const auto run_until = [&](const std::function<bool()>& done, int ms) {
    QElapsedTimer spent;
    spent.start();
    while (!done() && !spent.hasExpired(ms)) {
      network.Run();
      for (CourseCopy* copy : {&first_host, &second_host, &victim}) copy->Course().Tick();
      QTest::qWait(5);
    }
  };
  victim.Draw(1);
  victim.Draw(2);
  const auto meet = [&](quint32 host) {
    open_to = host;
    run_until(
        [&] {
          if (!victim.Links().Speaks(host)) victim.Links().Announce(host);
          return victim.Links().Speaks(host) && victim.Course().Leader() == host;
        },
        8000);
    ASSERT_EQ(victim.Course().Leader(), host);
  };
  meet(hosts[0]);
  run_until([&] { return !victim.Redrawn().empty(); }, int(SessionCourse::kSettleMs) + 1000);
  EXPECT_EQ(victim.Redrawn(), (std::vector<int>{1, 2}));

  // The first goes; a new one comes in its place.
  open_to = 0;
  run_until([&] { return victim.Links().Alone(); }, 5000);
  ASSERT_TRUE(victim.Links().Alone());
  victim.Draw(3);
  meet(hosts[1]);
  run_until([&] { return victim.Redrawn().size() > 2; }, int(SessionCourse::kSettleMs) + 1500);
  EXPECT_EQ(victim.Redrawn(), (std::vector<int>{1, 2}));
}

// A host that speaks the extension by hand: it claims the oldest session
// there is, a board with drawing, and tries a nonce chosen after it learned
// the victim's. Only the nonce it committed to first settles the tie.
TEST(SessionCourseTies, OnlyTheNonceCommittedFirstSettlesATie) {
  test::Network network(0.0, 0.0, 9);
  CourseCopy victim(network, kFirst, "V");
  std::vector<std::string> heard;
  PeerLinks::Hooks hooks;
  hooks.send = network.From(kSecond);
  hooks.deliver = [&](quint32, quint16, std::string_view text) { heard.emplace_back(text); };
  PeerLinks host("H", hooks);
  network.Attach(kSecond, &host);
  const auto run_until = [&](const std::function<bool()>& done, int ms) {
    QElapsedTimer spent;
    spent.start();
    while (!done() && !spent.hasExpired(ms)) {
      network.Run();
      victim.Course().Tick();
      QTest::qWait(5);
    }
  };
  run_until(
      [&] {
        host.Announce(kFirst);
        return host.Speaks(kFirst) && victim.Links().Speaks(kSecond);
      },
      5000);
  ASSERT_TRUE(host.Speaks(kFirst));
  const auto said = [&](const std::string& head) {
    for (const std::string& text : heard) {
      if (text.rfind(head, 0) == 0) return text.substr(head.size());
    }
    return std::string();
  };
  const auto commit = [](const QByteArray& nonce) {
    return QCryptographicHash::hash(nonce, QCryptographicHash::Sha256).toHex().toStdString();
  };
  const QByteArray first(16, 'a');
  const QByteArray chosen(16, 'b');
  host.Send(kFirst, kSessionCommand + ":>1 0 " + std::to_string(host.Instance()) + "@0.0.0.0");
  host.Send(kFirst, kTieCommand + ":>c " + commit(first) + " 1");
  run_until([&] { return !said(kTieCommand + ":>r ").empty(); }, 3000);
  ASSERT_FALSE(said(kTieCommand + ":>c ").empty()) << "the victim committed first";
  ASSERT_FALSE(said(kTieCommand + ":>r ").empty())
      << "and showed its nonce after the host's commitment";

  // Knowing the victim's nonce, the host tries another of its own.
  host.Send(kFirst, kTieCommand + ":>c " + commit(chosen) + " 1");
  host.Send(kFirst, kTieCommand + ":>r " + chosen.toHex().toStdString());
  run_until([] { return false; }, 300);
  EXPECT_EQ(victim.Course().Leader(), 0u) << "a tie unsettled keeps the victim's session";

  // The nonce it committed to settles it: a board with drawing goes on
  // before a blank one.
  host.Send(kFirst, kTieCommand + ":>r " + first.toHex().toStdString());
  run_until([&] { return victim.Course().Leader() != 0; }, 2000);
  EXPECT_EQ(victim.Course().Leader(), kSecond);
}

}  // namespace
}  // namespace kovra
