// Copies that lose each other and meet again: a killed owner is followed
// at once, halves cut apart keep what each drew, a copy cut off at its
// start meets the others and its stroke goes to them once, copies that
// knew each other only through the owner draw again only what the other
// never had, and drawing made while a repair is on its way is never
// painted over by it.
#include <gtest/gtest.h>

#include <QDir>
#include <QTest>
#include <memory>

#include "app/main_window.h"
#include "app/notice_line.h"
#include "app/session_links.h"
#include "board/board_view.h"
#include "common/lossy_network.h"
#include "common/platform.h"
#include "common/session_checks.h"
#include "common/window_group.h"
#include "net/correspondents.h"
#include "net/fan_out.h"
#include "net/peer_links.h"
#include "net/udp_endpoint.h"
#include "session/board_sync.h"
#include "session/session_course.h"

namespace kovra {
namespace {

using test::AgreedOwner;
using test::DrawAcross;
using test::IndexOf;
using test::kColours;
using test::OneBoard;
using test::Shows;
using test::WindowGroup;

TEST(OneSession, AKilledOwnerIsFollowedAtOnceAndHalvesCutApartKeepWhatEachDrew) {
  if (test::UnderWine()) GTEST_SKIP() << "Wine does not tell a port unreachable to a socket";
  {
    WindowGroup group(3);
    group.ListEachOther();
    group.StartAll();
    ASSERT_TRUE(group.AllPresent());
    ASSERT_TRUE(OneBoard(group, {0, 1, 2}, 5000));
    const int owner = AgreedOwner(group, {0, 1, 2});
    std::vector<int> left;
    for (int i = 0; i < 3; ++i) {
      if (i != owner) left.push_back(i);
    }
    group[owner].Crash();
    // The next datagram finds nobody there; the next in the list leads.
    DrawAcross(group, left[0], 100);
    DrawAcross(group, left[1], 200);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
          const int agreed = AgreedOwner(group, left);
          return agreed >= 0 && agreed != owner;
        },
        4000));
    ASSERT_TRUE(OneBoard(group, left, 5000));
    const QImage board = group.Form(left[0]).Board().Image();
    EXPECT_TRUE(Shows(board, 100, kColours[left[0]]));
    EXPECT_TRUE(Shows(board, 200, kColours[left[1]]));
  }

  // Four together, then cut in two pairs long enough for each to find the
  // other pair gone; each person draws; the cable goes back.
  WindowGroup group(4);
  group.ListEachOther();
  group.StartAll();
  ASSERT_TRUE(group.AllPresent());
  PeerLinks::Timing quick;
  quick.gone_ms = 2500;
  for (int i = 0; i < 4; ++i) group.Form(i).Links()->SetTiming(quick);
  DrawAcross(group, 0, 20);  // on every board before the cut
  ASSERT_TRUE(OneBoard(group, {0, 1, 2, 3}, 5000));
  // Each pair hears only itself while the cable is out.
  bool cut = true;
  std::vector<std::unique_ptr<test::LossyNetwork>> halves;
  for (int half = 0; half < 2; ++half) {
    halves.push_back(std::make_unique<test::LossyNetwork>(test::Impairment{}, 7));
    halves.back()->Refuse = [&cut, half](const ReceivedDatagram& datagram) {
      return cut && IndexOf(datagram.address) / 2 != half;
    };
    for (int i = 2 * half; i < 2 * half + 2; ++i) halves.back()->Impair(group.Form(i));
  }
  QTest::qWait(3500);
  EXPECT_LT(AgreedOwner(group, {0, 1, 2, 3}), 0);  // two sessions now
  // One of the second pair wipes the board of its half first.
  group[2].Dialogs().text_answers = {QStringLiteral("602"), QStringLiteral("385")};
  group.Form(2).BoardItems().N2Click();
  for (int i = 0; i < 4; ++i) DrawAcross(group, i, 60 + 70 * i);
  QTest::qWait(500);
  cut = false;
  ASSERT_TRUE(OneBoard(group, {0, 1, 2, 3}, 15000));
  const QImage board = group.Form(0).Board().Image();
  for (int i = 0; i < 4; ++i) EXPECT_TRUE(Shows(board, 60 + 70 * i, kColours[i])) << i;
  // The half that kept its leader is the session (its id is older, almost
  // always): the wipe, which no rule can merge, stays in the other half's
  // picture folder, and its notice line names it.
  if (AgreedOwner(group, {0, 1, 2, 3}) < 2) {
    EXPECT_TRUE(Shows(board, 20, kColours[0]));
    TForm1& wiper = group.Form(2);
    wiper.Files().FinishSaves();
    const QStringList kept = QDir(group[2].Path(QStringLiteral("BMP")))
                                 .entryList({QStringLiteral("kovra-before-sync-*.bmp")});
    ASSERT_EQ(kept.size(), 1);
    // Among its notices: what was drawn again may come after it.
    EXPECT_TRUE(wiper.Controls().Label_Notice->Recent().join('\n').contains(kept[0]));
  }
}

TEST(OneSession, ACopyCutOffAtItsStartMeetsTheOthersAndItsStrokeGoesToThemOnce) {
  WindowGroup group(3);
  group.ListEachOther();
  // Window 2 starts with its cable out, and draws alone.
  bool cut = true;
  test::LossyNetwork others({}, 5), third({}, 6);
  others.Refuse = [&cut](const ReceivedDatagram& datagram) {
    return cut && IndexOf(datagram.address) == 2;
  };
  third.Refuse = [&cut](const ReceivedDatagram&) { return cut; };
  // Each impaired as soon as it is made, before it greets anybody.
  for (int i = 0; i < 3; ++i) {
    group[i].Start(false);
    (i < 2 ? others : third).Impair(group.Form(i));
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return AgreedOwner(group, {0, 1}) >= 0; }, 5000));
  ASSERT_TRUE(group.Form(2).Links()->Alone());
  DrawAcross(group, 2, 300);
  cut = false;
  // It meets them with nothing clicked, within a few of the greetings
  // that go to absent copies every five seconds, and its stroke is drawn
  // on their board: drawn again once it has the session's board, so the
  // boards may be one a moment before the stroke comes.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return Shows(group.Form(0).Board().Image(), 300, kColours[2]); }, 20000));
  ASSERT_TRUE(OneBoard(group, {0, 1, 2}, 5000));
  EXPECT_EQ(group.Form(2).UserList().Lines(),
            (std::vector<std::string>{"127.0.0.2=Yes", "127.0.0.3=Yes"}));

  // The owner's partner draws over that stroke; the owner is killed. The
  // partner leads on, and nothing draws the old stroke over the new one.
  const int owner = AgreedOwner(group, {0, 1, 2});
  ASSERT_LT(owner, 2);
  const int partner = 1 - owner;
  DrawAcross(group, partner, 300);
  ASSERT_TRUE(OneBoard(group, {0, 1, 2}, 5000));
  group[owner].Crash();
  ASSERT_TRUE(QTest::qWaitFor([&] { return AgreedOwner(group, {partner, 2}) == partner; }, 12000));
  QTest::qWait(500);
  ASSERT_TRUE(OneBoard(group, {partner, 2}, 5000));
  EXPECT_TRUE(Shows(group.Form(2).Board().Image(), 300, kColours[partner]));
}

TEST(OneSession, ACopyThatMeetsAMemberLongBeforeTheOwnerDrawsItsStrokeAgainForTheOwner) {
  WindowGroup group(3);
  group.ListEachOther();
  // Window 2 starts cut off and draws alone; when the cable is back it
  // hears the member at once and the owner only seconds later, as happens
  // when greetings to absent copies go out at different moments.
  bool cut = true, apart = true;
  int owner = -1;
  std::vector<std::unique_ptr<test::LossyNetwork>> networks;
  for (int i = 0; i < 3; ++i) {
    networks.push_back(std::make_unique<test::LossyNetwork>(test::Impairment{}, 5 + i));
    networks[i]->Refuse = [&, i](const ReceivedDatagram& datagram) {
      const int from = IndexOf(datagram.address);
      if (i != 2 && from != 2) return false;
      return cut || (apart && (i == owner || from == owner));
    };
    group[i].Start(false);
    networks[i]->Impair(group.Form(i));
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return (owner = AgreedOwner(group, {0, 1})) >= 0; }, 5000));
  const int member = 1 - owner;
  DrawAcross(group, 2, 300);
  cut = false;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return group.Form(2).Links()->Speaks(0x7F000002 + quint32(member)); }, 15000));
  // Longer than a copy waits for the whole session before it draws again.
  QTest::qWait(SessionCourse::kSettleMs + 2000);
  apart = false;
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return Shows(group.Form(owner).Board().Image(), 300, kColours[2]); }, 20000));
  ASSERT_TRUE(OneBoard(group, {0, 1, 2}, 5000));
  EXPECT_TRUE(Shows(group.Form(2).Board().Image(), 300, kColours[2]));
}

TEST(OneSession, ACopyThatHeardOnlyTheOwnerDrawsAgainOnlyWhatItDrewAfterTheOwnerDied) {
  WindowGroup group(3);
  group.ListEachOther();
  group[0].Start();
  group[1].Start();
  ASSERT_TRUE(OneBoard(group, {0, 1}, 5000));
  const int owner = AgreedOwner(group, {0, 1});
  const int partner = 1 - owner;
  // The session's board holds drawing, window 2's none: hearing only the
  // owner, window 2 sees a tie of one against one, which the board decides.
  DrawAcross(group, owner, 20);
  ASSERT_TRUE(OneBoard(group, {0, 1}, 5000));
  // Window 2 joins, and it and the owner's partner never hear each other
  // while the owner lives: each has the other's drawing through the owner.
  bool apart = true;
  test::LossyNetwork at_partner({}, 7), at_third({}, 8);
  at_partner.Refuse = [&](const ReceivedDatagram& d) { return apart && IndexOf(d.address) == 2; };
  at_third.Refuse = [&](const ReceivedDatagram& d) {
    return apart && IndexOf(d.address) == partner;
  };
  at_partner.Impair(group.Form(partner));
  group[2].Start(false);
  at_third.Impair(group.Form(2));
  ASSERT_TRUE(QTest::qWaitFor([&] { return AgreedOwner(group, {0, 1, 2}) == owner; }, 5000));
  // Each draws over a stroke of the other's, so that whichever of them
  // draws its own again shows it.
  const auto draw_over = [&](int first, int second, int y) {
    DrawAcross(group, first, y);
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return Shows(group.Form(second).Board().Image(), y, kColours[first]); }, 8000));
    DrawAcross(group, second, y);
  };
  draw_over(2, partner, 300);
  draw_over(partner, 2, 200);
  ASSERT_TRUE(OneBoard(group, {0, 1, 2}, 8000));

  // The owner dies; each of the two leads a session of its own and draws
  // in it, then they meet. The one that comes over draws again what it
  // drew alone, over the other's, and nothing from before.
  group[owner].Crash();
  const auto leads = [&](int i) { return group.Form(i).Session()->Roster().Leader() == 0u; };
  ASSERT_TRUE(QTest::qWaitFor([&] { return leads(2) && leads(partner); }, 12000));
  DrawAcross(group, 2, 100);
  DrawAcross(group, partner, 100);
  apart = false;
  ASSERT_TRUE(QTest::qWaitFor([&] { return AgreedOwner(group, {partner, 2}) >= 0; }, 12000));
  const int came_over = AgreedOwner(group, {partner, 2}) == 2 ? partner : 2;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return Shows(group.Form(partner).Board().Image(), 100, kColours[came_over]) &&
               group.Form(2).Board().Image() == group.Form(partner).Board().Image();
      },
      8000));
  QTest::qWait(2 * BoardSync::kQuietMs);
  ASSERT_TRUE(OneBoard(group, {partner, 2}, 5000));
  const QImage board = group.Form(2).Board().Image();
  EXPECT_TRUE(Shows(board, 100, kColours[came_over]));
  EXPECT_TRUE(Shows(board, 200, kColours[2]));
  EXPECT_TRUE(Shows(board, 300, kColours[partner]));
}

TEST(OneSession, DrawingDuringARepairIsNeverOverwrittenByIt) {
  WindowGroup group(2);
  group.ListEachOther();
  group.StartAll();
  ASSERT_TRUE(group.AllPresent());
  ASSERT_TRUE(OneBoard(group, {0, 1}, 5000));
  const int owner = AgreedOwner(group, {0, 1});
  const int other = 1 - owner;
  // The owner's network loses the follower's request for tiles until the
  // follower has drawn: it draws after asking, before the owner looks.
  test::LossyNetwork at_owner(test::Impairment{}, 3);
  bool held = false;
  bool drawn = false;
  at_owner.Refuse = [&](const ReceivedDatagram& datagram) {
    if (drawn || datagram.bytes.find(":>KvWant:>tiles") == std::string_view::npos) return false;
    held = true;
    return true;
  };
  at_owner.Impair(group.Form(owner));
  // A square on the follower's board alone: the repair takes it away.
  QImage board = group.Form(other).Board().Image().copy();
  for (int y = 200; y < 240; ++y) {
    for (int x = 300; x < 340; ++x) board.setPixel(x, y, qRgb(255, 0, 0));
  }
  group.Form(other).Files().Replace(board);
  ASSERT_TRUE(QTest::qWaitFor([&] { return held; }, 5000));
  DrawAcross(group, other, 220);
  drawn = true;
  const QColor stroke = kColours[other % 4];
  bool kept = true;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        kept = kept && group.Form(other).Board().Image().pixelColor(320, 220) == stroke;
        return group.Form(other).Board().Image() == group.Form(owner).Board().Image() &&
               group.Form(other).Board().Image().pixelColor(310, 205) != QColor(255, 0, 0);
      },
      8000));
  EXPECT_TRUE(kept) << "the stroke was painted over for a while";
  EXPECT_TRUE(Shows(group.Form(owner).Board().Image(), 220, stroke));
}

TEST(OneSession, ACopyAwayWhileAStrokeBeginsIsToldWhereItsLineGoesOnFrom) {
  WindowGroup group(2);
  group.ListEachOther();
  group.StartAll();
  ASSERT_TRUE(group.AllPresent());
  ASSERT_TRUE(OneBoard(group, {0, 1}, 5000));
  // Drawn by the copy whose board is not the session's, which the other's
  // repair would mend.
  const int drawer = 1 - AgreedOwner(group, {0, 1});
  const test::Stroke first{drawer, {{20, 40}, {80, 40}}};
  const test::Stroke second{drawer, {{20, 100}, {50, 100}, {80, 100}}};
  test::DrawInterleaved(group, {first});
  // The other copy is shown away just while the second stroke's start goes
  // out, and back before its line does: the walk that sends the start
  // passes it over.
  TForm1& form = group.Form(drawer);
  Correspondents& list = form.UserList();
  const std::string peer = TrimText(Correspondents::NameOf(list.Line(0)));
  FanOut& sender = form.Sender();
  const std::function<void(int)> highlight = sender.OnStep;
  bool away = true;
  sender.OnStep = [&](int row) {
    if (away) list.SetPresence(peer, kAbsent);
    if (highlight) highlight(row);
  };
  QTest::mousePress(form.Controls().Image_KV, Qt::LeftButton, Qt::NoModifier,
                    second.points.front());
  away = false;
  sender.OnStep = highlight;
  list.SetPresence(peer, kPresent);
  for (std::size_t i = 1; i < second.points.size(); ++i) {
    const QPoint p = second.points[i];
    QMouseEvent move(QEvent::MouseMove, p, form.Controls().Image_KV->mapToGlobal(p), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.Controls().Image_KV, &move);
  }
  QTest::mouseRelease(form.Controls().Image_KV, Qt::LeftButton, Qt::NoModifier,
                      second.points.back());
  // Not a line from where the first stroke ended.
  const QImage expected = test::UnionOfStrokes({first, second});
  EXPECT_TRUE(OneBoard(group, {0, 1}, 3000));
  EXPECT_EQ(group.Form(1 - drawer).Board().Image(), expected);
}

}  // namespace
}  // namespace kovra
