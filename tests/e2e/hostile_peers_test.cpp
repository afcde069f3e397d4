// A window under attack from a host on its LAN: whatever arrives, it stays
// usable, sends no flood of its own, and closes with its state saved.
#include <gtest/gtest.h>

#include <QAction>
#include <QElapsedTimer>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <memory>

#include "app/main_window.h"
#include "app/notice_line.h"
#include "board/board_view.h"
#include "common/loopback.h"
#include "common/test_window.h"
#include "net/command.h"
#include "net/command_table.h"
#include "net/correspondents.h"
#include "net/presence.h"

namespace kovra {
namespace {

using test::Collector;
using test::TestWindow;

TEST(HostilePeers, PresenceDatagramsNeitherLockTheWindowInNorAmplify) {
  TestWindow test("ME");
  test.Env().resolve_host = [](const QString&) -> std::optional<quint32> { return std::nullopt; };
  TForm1& form = test.Start();
  const quint16 port = test.Env().udp_port;
  const QHostAddress window(QStringLiteral("127.0.0.1"));
  Collector attacker(QHostAddress(QStringLiteral("127.0.0.9")), port);

  for (const char* nobody :
       {"Kovra:>Enter:>", "Kovra:>Enter:>   ", "Kovra:>IamToo:>", "Kovra:>Exit:>"}) {
    attacker.Send(nobody, window, port);
  }
  // Names that look like one address to a lax reader, each a new line.
  QElapsedTimer flood;
  flood.start();
  constexpr int kEnters = 1000;
  for (int i = 0; i < kEnters; ++i) {
    attacker.Send("Kovra:>Enter:>10.0.0.2 #" + QByteArray::number(i), window, port);
    if (i % 200 == 0) QCoreApplication::processEvents();
  }
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return form.UserList().Count() == static_cast<int>(Presence::kMaxLearnedLines); },
      5000));
  QTest::qWait(1500);  // the answer put off for those that came later
  EXPECT_EQ(form.UserList().Line(0), "10.0.0.2 #0=Yes") << "no line for an empty name";
  EXPECT_TRUE(form.Controls().Label_Notice->text().contains(QStringLiteral("полон")))
      << form.Controls().Label_Notice->text().toStdString();
  attacker.WaitFor(1);
  // One answer to the whole list a second, however long a slow machine took
  // over the flood; one an "Enter" would be hundreds of thousands.
  const std::size_t answers = 2 + flood.elapsed() / Presence::kAnswerIntervalMs;
  EXPECT_LE(attacker.Received().size(), answers * Presence::kMaxLearnedLines)
      << "a few answers to the whole list, not one per datagram";
  EXPECT_TRUE(test.Dialogs().messages.isEmpty());
  EXPECT_TRUE(test.Dialogs().errors.isEmpty());

  form.show();
  EXPECT_TRUE(form.close());
  EXPECT_FALSE(form.isVisible());
  EXPECT_TRUE(test.ReadFile(QStringLiteral("~ListUser.txt")).startsWith("10.0.0.2 #0=No\r\n"));
}

TEST(HostilePeers, CostlyDatagramsLeaveTheWindowItsTurnWithinAWakeUp) {
  TestWindow test("ME");
  TForm1& form = test.Start();
  form.Commands().Dispatch({"NEWKV", "2000 2000"});
  int filled = 0;
  int filled_when_the_window_had_its_turn = -1;
  const CommandTable::Handler fill = form.Commands().Get("ImageKV_FloodFill");
  form.Commands().Set("ImageKV_FloodFill", [&](const std::string& args) {
    fill(args);
    // Runs once the wake-up that took the first fill has let go.
    if (++filled == 1) QTimer::singleShot(0, [&] { filled_when_the_window_had_its_turn = filled; });
  });
  // Each fill repaints the whole board, a few milliseconds each.
  Collector peer(QHostAddress(QStringLiteral("127.0.0.9")), test.Env().udp_port);
  constexpr int kFills = 300;
  for (int i = 0; i < kFills; ++i) {
    peer.Send(
        i % 2 ? "Kovra:>ImageKV_FloodFill:>5 5 clRed" : "Kovra:>ImageKV_FloodFill:>5 5 clBlue",
        QHostAddress(QStringLiteral("127.0.0.1")), test.Env().udp_port);
  }
  QThread::msleep(50);  // all in the socket before the window wakes
  ASSERT_TRUE(QTest::qWaitFor([&] { return filled == kFills; }, 20000));
  EXPECT_GT(filled_when_the_window_had_its_turn, 0);
  EXPECT_LT(filled_when_the_window_had_its_turn, 256)
      << "the first wake-up stopped on time, not after as many datagrams as it may take";
}

TEST(HostilePeers, PointersOffTheBoardShowAtItsEdgeAndStrangersNeverHideAColleague) {
  TestWindow test("ME");
  test.WriteFile(QStringLiteral("~ListUser.txt"), "127.0.0.8=Yes\r\n");
  TForm1& form = test.Start();
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  const quint16 port = test.Env().udp_port;
  const QHostAddress window(QStringLiteral("127.0.0.1"));
  auto shows_marker = [&](QPoint at) {
    return test::OnScreen(form.Controls().Image_KV).pixel(at) != form.Board().Image().pixel(at);
  };
  auto marked = [&](QPoint at) { return QTest::qWaitFor([&] { return shows_marker(at); }); };

  std::vector<std::unique_ptr<Collector>> strangers;
  for (int i = 0; i <= BoardView::kMaxPointers; ++i) {
    strangers.push_back(
        std::make_unique<Collector>(QHostAddress(QStringLiteral("127.0.0.%1").arg(100 + i)), port));
  }
  // The farthest points there are: the marker shows at the board's corner.
  strangers[0]->Send("Kovra:>ImageKV_CursorTo:>-2147483648 -2147483648", window, port);
  EXPECT_TRUE(marked({1, 1}));
  strangers[0]->Send("Kovra:>ImageKV_CursorTo:>2147483647 2147483647", window, port);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !shows_marker({1, 1}); }));

  for (auto& stranger : strangers) stranger->Send("Kovra:>ImageKV_CursorTo:>20 20", window, port);
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return form.Controls().Image_KV->PointerCount() == BoardView::kMaxPointers; }));
  Collector colleague(QHostAddress(QStringLiteral("127.0.0.8")), port);
  colleague.Send("Kovra:>ImageKV_CursorTo:>300 200", window, port);
  EXPECT_TRUE(marked({300, 200})) << "a listed correspondent's pointer always shows";
  EXPECT_EQ(form.Controls().Image_KV->PointerCount(), BoardView::kMaxPointers);
  EXPECT_TRUE(test.Dialogs().messages.isEmpty());
}

TEST(HostilePeers, BroadcastAndGroupAddressesNeverBecomeLinesOrAddresses) {
  // This copy lives on a LAN address, as the program does, not on loopback.
  TestWindow test("ME", QStringLiteral("0.0.0.0"));
  test.Env().resolve_host = [](const QString&) -> std::optional<quint32> { return std::nullopt; };
  test.Env().broadcast_addresses = [] { return std::vector<std::string>(); };
  test.WriteFile(QStringLiteral("~ListUser.txt"), "255.255.255.255=Yes\r\n");
  test.WriteFile(QStringLiteral("~Addresses.txt"), "FRIEND=224.0.0.1\r\nPCB=127.0.0.1\r\n");
  TForm1& form = test.Start();
  EXPECT_EQ(form.UserList().Count(), 0);
  EXPECT_TRUE(
      form.Controls().Label_Notice->text().startsWith(QStringLiteral("255.255.255.255 убран")))
      << form.Controls().Label_Notice->text().toStdString();
  EXPECT_FALSE(form.PeerPresence().Addresses().Find("FRIEND"));
  EXPECT_FALSE(form.PeerPresence().Addresses().Find("PCB"));

  const quint16 port = test.Env().udp_port;
  // From a port of its own: the window holds its port on every address.
  Collector attacker(QHostAddress(QStringLiteral("127.0.0.9")), test::FreeUdpPort());
  for (const char* announce :
       {"Kovra:>Enter:>255.255.255.255", "Kovra:>IamToo:>224.0.0.251", "Kovra:>Enter:>0.0.0.0",
        "Kovra:>Exit:>127.0.0.1", "Kovra:>Enter:>PCB"}) {
    attacker.Send(announce, QHostAddress(QStringLiteral("127.0.0.1")), port);
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.UserList().Count() == 1; }));
  QTest::qWait(100);
  EXPECT_EQ(form.UserList().Lines(), std::vector<std::string>{"PCB=Yes"});
  EXPECT_FALSE(form.PeerPresence().Addresses().Find("PCB"))
      << "a loopback sender is no computer here";

  test.Dialogs().text_answers = {QStringLiteral("224.0.0.1")};
  form.findChild<QAction*>(QStringLiteral("N6"))->trigger();
  EXPECT_EQ(form.UserList().Count(), 1);
  ASSERT_EQ(test.Dialogs().errors.size(), 1);
  EXPECT_TRUE(test.Dialogs().errors[0].startsWith(QStringLiteral("224.0.0.1 - адрес не одного")));
}

}  // namespace
}  // namespace kovra
