// Copies that speak the delivery extension, over a network that loses,
// reorders and duplicates datagrams: their boards end equal and whole,
// every message arrives once and in order, a late copy is brought to the
// board by itself, a silent copy is noticed, and a copy that knows nothing
// of the extension gets exactly the datagrams it always got.
#include <gtest/gtest.h>

#include <QDir>
#include <QLineEdit>
#include <QListView>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <set>

#include "app/main_window.h"
#include "app/notice_line.h"
#include "board/canvas.h"
#include "common/bmp_builder.h"
#include "common/loopback.h"
#include "common/lossy_network.h"
#include "common/platform.h"
#include "common/test_window.h"
#include "common/window_group.h"
#include "net/correspondents.h"
#include "net/peer_links.h"
#include "net/udp_endpoint.h"
#include "session/board_sync.h"
#include "support/ansi_codec.h"

namespace kovra {
namespace {

using test::Stroke;
using test::WindowGroup;

void Say(TForm1& form, const QString& text) {
  form.Controls().Edit_Mess->setText(text);
  form.Controls().SpeedButton1->click();
}

// The texts of the history's lines, oldest first, without their time.
std::vector<std::string> Said(TForm1& form) {
  std::vector<std::string> lines;
  for (std::size_t i = form.History().Count(); i-- > 0;) {
    const std::string line = form.History().Line(i);
    lines.push_back(line.substr(std::min(line.find("  "), line.size())));
  }
  return lines;
}

// A stroke of a window across the board, different for each round.
Stroke Zigzag(int window, int round) {
  Stroke stroke{window, {}};
  const int top = 20 + 110 * window + 7 * round;
  for (int step = 0; step < 12; ++step) {
    stroke.points.emplace_back(15 + 48 * step, top + ((step + round) % 2) * (30 + round));
  }
  return stroke;
}

bool BoardsEqual(WindowGroup& group, int count, int timeout_ms) {
  return QTest::qWaitFor(
      [&] {
        for (int i = 1; i < count; ++i) {
          if (group.Form(i).Board().Image() != group.Form(0).Board().Image()) return false;
        }
        return true;
      },
      timeout_ms);
}

TEST(Delivery, ThreeCopiesDrawingAtOnceOverALossyNetworkEndWithOneWholeBoard) {
  WindowGroup group(3);
  ASSERT_TRUE(group.StartListingEachOther());
  test::LossyNetwork network({0.10, 0.05, 0.20, 30}, 20261208);
  for (int i = 0; i < 3; ++i) network.Impair(group.Form(i));

  std::vector<Stroke> all;
  for (int round = 0; round < 6; ++round) {
    std::vector<Stroke> strokes;
    for (int i = 0; i < 3; ++i) strokes.push_back(Zigzag(i, round));
    test::DrawInterleaved(group, strokes);
    all.insert(all.end(), strokes.begin(), strokes.end());
    for (int i = 0; i < 3; ++i) Say(group.Form(i), QStringLiteral("m%1-%2").arg(i).arg(round));
  }

  // Nothing lost, nothing joined: every board is exactly the strokes drawn.
  const QImage expected = test::UnionOfStrokes(all);
  ASSERT_TRUE(BoardsEqual(group, 3, 20000));
  EXPECT_EQ(group.Form(0).Board().Image(), expected);
  EXPECT_GT(network.Dropped(), 30) << network.Arrived();
  // Shown only now: a window shown while another is drawn on takes its focus.
  for (int i = 0; i < 3; ++i) group.Form(i).show();
  if (qEnvironmentVariableIsSet("KOVRA_DUMP")) {
    expected.save("/tmp/expected.png");
    for (int i = 0; i < 3; ++i)
      group.Form(i).Board().Image().save(QStringLiteral("/tmp/board%1.png").arg(i));
  }
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(test::ScreenShowsBoard(group.Form(i))) << i;

  // Each window shows every message once, each sender's in its order.
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return Said(group.Form(i)).size() >= 18; }, 10000));
    const std::vector<std::string> said = Said(group.Form(i));
    EXPECT_EQ(said.size(), 18u);
    for (int sender = 0; sender < 3; ++sender) {
      std::vector<std::string> from_sender;
      for (const std::string& line : said) {
        if (line.find("> m" + std::to_string(sender) + "-") != std::string::npos) {
          from_sender.push_back(line);
        }
      }
      std::vector<std::string> in_order;
      for (int round = 0; round < 6; ++round) {
        in_order.push_back("  " + group.Name(sender) + "> m" + std::to_string(sender) + "-" +
                           std::to_string(round));
      }
      EXPECT_EQ(from_sender, in_order) << "window " << i << ", sender " << sender;
    }
  }
}

TEST(Delivery, ALateCopyIsBroughtToTheBoardAndItsOwnIsKept) {
  WindowGroup group(3);
  group.ListEachOther();
  // The late copy's own board from an earlier run, drawn on.
  QImage earlier = test::WhiteImage(602, 385);
  for (int x = 100; x < 200; ++x) earlier.setPixel(x, 50, qRgb(200, 0, 0));
  ASSERT_TRUE(earlier.save(group[2].Path(QStringLiteral("~kv.bmp")), "BMP"));
  group[0].Start();
  group[1].Start();
  test::DrawInterleaved(group, {Zigzag(0, 0), Zigzag(1, 0)});
  const QImage session = group.Form(0).Board().Image();
  ASSERT_TRUE(BoardsEqual(group, 2, 5000));

  // Watched from its first datagram, since the board may come before its
  // first tick; the network is lossy from that tick on.
  TForm1& late = group[2].Start(false);
  test::LossyNetwork network({}, 7);
  for (int i = 0; i < 3; ++i) network.Impair(group.Form(i));
  std::set<quint32> tile_senders;
  network.OnArrival = [&](const ReceivedDatagram& datagram) {
    if (datagram.bytes.find(":>KvPixels:>") != std::string_view::npos) {
      tile_senders.insert(datagram.address);
    }
  };
  EXPECT_TRUE(QTest::qWaitFor([&] { return !late.FirstTick(); }, 5000));
  network.SetImpairment({0.05, 0.02, 0.1, 20});
  EXPECT_TRUE(QTest::qWaitFor([&] { return late.Board().Image() == session; }, 10000));
  EXPECT_EQ(tile_senders.size(), 1u) << "one copy answers, not all of them";
  EXPECT_EQ(group.Form(0).Board().Image(), session) << "the session's board stays";

  // The board it held is in its picture folder (written in the background),
  // and the notice line says so.
  QStringList kept;
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        kept = QDir(group[2].Path(QStringLiteral("BMP")))
                   .entryList({QStringLiteral("kovra-before-sync-*.bmp")});
        return !kept.isEmpty();
      },
      3000));
  group[2].Window().Files().FinishSaves();
  ASSERT_EQ(kept.size(), 1);
  EXPECT_EQ(
      QImage(group[2].Path(QStringLiteral("BMP/") + kept[0])).convertToFormat(QImage::Format_RGB32),
      earlier.convertToFormat(QImage::Format_RGB32));
  const QString notice = late.Controls().Label_Notice->text();
  EXPECT_TRUE(notice.contains(kept[0])) << notice.toStdString();
  EXPECT_TRUE(notice.contains(QStringLiteral("Доска выровнена по доске сеанса (")))
      << notice.toStdString();
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(QDir(group[i].Path(QStringLiteral("BMP")))
                    .entryList({QStringLiteral("kovra-before-sync-*.bmp")})
                    .isEmpty());
  }

  // "Вернуть" brings the late copy's own board back there only, and the
  // repair leaves it so; the session's board stays everywhere else.
  ASSERT_FALSE(late.Controls().RestoreBoard->isHidden());
  late.Controls().RestoreBoard->click();
  const QImage own = earlier.convertToFormat(QImage::Format_RGB32);
  EXPECT_EQ(late.Board().Image(), own);
  QTest::qWait(2 * BoardSync::kCheckMs + 500);
  EXPECT_EQ(late.Board().Image(), own);
  for (int i = 0; i < 2; ++i) EXPECT_EQ(group.Form(i).Board().Image(), session) << i;
}

TEST(Delivery, ASilentCopyIsMarkedAbsentItsMessagesUndeliveredUntilItsReturn) {
  WindowGroup group(2);
  ASSERT_TRUE(group.StartListingEachOther());
  TForm1& a = group.Form(0);
  TForm1& b = group.Form(1);
  PeerLinks::Timing quick;
  quick.gone_ms = 1500;
  quick.undelivered_ms = 700;
  a.Links()->SetTiming(quick);
  b.Links()->SetTiming(quick);
  test::LossyNetwork cable({}, 1);
  cable.Impair(a);
  cable.Impair(b);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !a.Links()->Present().empty(); }, 3000));

  // The cable is pulled: no "Exit" is said.
  cable.SetLoss(1.0);
  Say(a, QStringLiteral("anyone there?"));
  EXPECT_TRUE(test::WaitForLines(a, {"127.0.0.3=Yes"}));
  const std::string undelivered = QStringToAnsi(QStringLiteral("не доставлено 127.0.0.3: "));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        const std::string newest = a.History().Line(0);
        return newest.rfind(undelivered, 0) == 0 &&
               newest.find("127.0.0.2> anyone there?") != std::string::npos;
      },
      3000))
      << a.History().Line(0);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return a.UserList().Lines() == std::vector<std::string>{"127.0.0.3=No"}; }, 4000));
  EXPECT_TRUE(test::WaitForLines(b, {"127.0.0.2=No"}));

  // Put back: each is heard again and marked present, with nothing typed.
  cable.SetLoss(0.0);
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return a.UserList().Lines() == std::vector<std::string>{"127.0.0.3=Yes"}; }, 6000));
  EXPECT_TRUE(test::WaitForLines(b, {"127.0.0.2=Yes"}));
  EXPECT_TRUE(QTest::qWaitFor([&] { return !a.Links()->Present().empty(); }, 3000));
  // The message said while it was away reaches it now, once, and the line says so.
  const std::string late = QStringToAnsi(QStringLiteral("доставлено позже 127.0.0.3: "));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        const std::string newest = a.History().Line(0);
        return newest.rfind(late, 0) == 0 &&
               newest.find("127.0.0.2> anyone there?") != std::string::npos;
      },
      3000))
      << a.History().Line(0);
  // The receiver acknowledges a message as it arrives and shows it a moment
  // later, which a busy machine can stretch past the sender's word.
  const auto copies_at_b = [&] {
    const auto received = Said(b);
    return std::count_if(received.begin(), received.end(), [](const std::string& line) {
      return line.find("127.0.0.2> anyone there?") != std::string::npos;
    });
  };
  EXPECT_TRUE(QTest::qWaitFor([&] { return copies_at_b() >= 1; }, 3000));
  QTest::qWait(300);  // time for a second copy, were one to come
  EXPECT_EQ(copies_at_b(), 1);
}

TEST(Delivery, AWholeBoardGoesAsTilesAtTheReceiversPaceWhenTheSystemHasNoRoomNowAndThen) {
  WindowGroup group(2);
  ASSERT_TRUE(group.StartListingEachOther());
  TForm1& a = group.Form(0);
  TForm1& b = group.Form(1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return a.Links()->Speaks(0x7F000003); }, 3000));
  QImage picture(300, 200, QImage::Format_RGB32);
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 300; ++x)
      picture.setPixel(x, y, qRgb(x * 7 % 256, y * 3 % 256, (x ^ y) % 256));
  }
  ASSERT_TRUE(picture.save(group[0].Path(QStringLiteral("BMP/p.bmp")), "BMP"));
  ASSERT_TRUE(a.Files().LoadFromBmpFolder(QStringLiteral("p.bmp")));
  test::LossyNetwork wire({}, 1);
  wire.Impair(b);
  int sends = 0;
  a.Udp1->SetSendFault([&sends] { return ++sends % 30 == 0 ? test::NoBuffersError() : 0; });
  a.BoardItems().SendBoardToAllClick();
  EXPECT_TRUE(QTest::qWaitFor([&] { return b.Board().Image() == a.Board().Image(); }, 10000));
  a.Udp1->SetSendFault({});
  // A few hundred datagrams of tiles, not one for each run of a colour.
  EXPECT_LT(wire.Arrived(), 400) << wire.Arrived();
  EXPECT_TRUE(b.Controls().Label_Notice->isHidden() ||
              !b.Controls().Label_Notice->text().contains(QStringLiteral("BMP/")))
      << "a board the session saw is not kept";
}

TEST(Delivery, ACopyThatSpeaksTheExtensionIsPresentThoughItsAnnouncementsAreLost) {
  WindowGroup group(2);
  group.ListEachOther();
  group[0].Start(false);
  // Every "Enter" and "IamToo" that reaches A is lost; only the extension's
  // greeting, which goes with them, comes through.
  test::LossyNetwork network({}, 3);
  network.Refuse = [](const ReceivedDatagram& datagram) {
    return datagram.bytes.find(":>Enter:>") != std::string_view::npos ||
           datagram.bytes.find(":>IamToo:>") != std::string_view::npos;
  };
  network.Impair(group.Form(0));
  group[1].Start(false);
  EXPECT_TRUE(test::WaitForLines(group.Form(0), {"127.0.0.3=Yes"}));
  EXPECT_TRUE(group.Form(0).Links()->Speaks(0x7F000003));
  // B's own "Enter" may still be on its way when the greeting has done its work.
  EXPECT_TRUE(QTest::qWaitFor([&] { return network.Dropped() > 0; }, 3000));
  EXPECT_TRUE(test::WaitForLines(group.Form(0), {"127.0.0.3=Yes"}));
}

TEST(Delivery, AStaleUnreachablePortDoesNotMarkAnAnsweringCopyAbsent) {
  WindowGroup group(2);
  ASSERT_TRUE(group.StartListingEachOther());
  TForm1& a = group.Form(0);
  ASSERT_TRUE(QTest::qWaitFor([&] { return a.Links()->Speaks(0x7F000003); }, 3000));
  // As when an "Enter" reached the computer before the copy there had started.
  a.Udp1->OnPortUnreachable("127.0.0.3");
  QTest::qWait(1500);
  EXPECT_EQ(a.UserList().Lines(), std::vector<std::string>{"127.0.0.3=Yes"});
  // Once the copy there is gone, the same report marks it absent soon.
  group[1].Crash();
  a.Udp1->OnPortUnreachable("127.0.0.3");
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return a.UserList().Lines() == std::vector<std::string>{"127.0.0.3=No"}; }, 4000));
}

// What a copy that knows nothing of the extension receives while two copies
// start, find it, draw and talk; the times in messages left out.
struct RawSession {
  std::vector<QByteArray> start;    // each once, in any order
  std::vector<QByteArray> drawing;  // in order
  std::size_t announcements = 0;
};

RawSession RunBesideRawCopy(bool extension) {
  WindowGroup group(2);
  test::Collector raw(QHostAddress(QStringLiteral("127.0.0.9")), group.Port());
  for (int i = 0; i < 2; ++i) {
    group[i].Env().delivery_extension = extension;
    group[i].WriteFile(QStringLiteral("~ListUser.txt"), i == 0
                                                            ? "127.0.0.3=No\r\n127.0.0.9=No\r\n"
                                                            : "127.0.0.2=No\r\n127.0.0.9=No\r\n");
  }
  group.StartAll();
  for (int i = 0; i < 2; ++i) {
    raw.Send("Kovra:>Enter:>127.0.0.9", QHostAddress(QStringLiteral("127.0.0.%1").arg(2 + i)),
             group.Port());
  }
  EXPECT_TRUE(group.AllPresent());
  QTest::qWait(1500);  // every answer given, the ones put off included
  RawSession session;
  // How many answers a start brings depends on when the "Enter" came (one
  // a second at most): which datagrams came is what must not change.
  session.start = raw.Received();
  std::sort(session.start.begin(), session.start.end());
  session.start.erase(std::unique(session.start.begin(), session.start.end()), session.start.end());

  const std::size_t before = raw.Received().size();
  test::DrawInterleaved(group, {Zigzag(0, 1)});
  Say(group.Form(0), QStringLiteral("hello"));
  test::DrawInterleaved(group, {Zigzag(1, 2)});
  // The raw copy draws too, and is understood.
  raw.Send("Kovra:>ImageKV_LineFromTo:>5 300 90 300", QHostAddress(QStringLiteral("127.0.0.2")),
           group.Port());
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return group.Form(0).Board().Image().pixel(50, 300) != qRgb(255, 255, 255); }, 3000));
  QTest::qWait(500);
  static const QRegularExpression time(QStringLiteral("\\d\\d:\\d\\d:\\d\\d"));
  for (std::size_t i = before; i < raw.Received().size(); ++i) {
    session.drawing.push_back(QString::fromLatin1(raw.Received()[i]).replace(time, "T").toLatin1());
  }
  session.announcements = raw.Announcements().size();
  return session;
}

TEST(Delivery, ACopyWithoutTheExtensionGetsExactlyTheDatagramsItAlwaysGot) {
  const RawSession plain = RunBesideRawCopy(false);
  const RawSession mixed = RunBesideRawCopy(true);
  EXPECT_EQ(plain.announcements, 0u);
  EXPECT_GT(mixed.announcements, 0u) << "announced beside Enter and IamToo, and passed over";
  EXPECT_EQ(mixed.start, plain.start);
  EXPECT_GT(plain.drawing.size(), 20u);
  EXPECT_EQ(mixed.drawing, plain.drawing);
}

}  // namespace
}  // namespace kovra
