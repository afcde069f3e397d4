// The main window's network side through real sockets on loopback.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListView>
#include <QTest>
#include <QThread>
#include <QToolButton>

#include "app/correspondent_delegate.h"
#include "app/main_window.h"
#include "app/notice_line.h"
#include "common/loopback.h"
#include "common/test_window.h"
#include "net/correspondents.h"
#include "net/udp_endpoint.h"

namespace kovra {
namespace {

using test::Collector;
using test::TestWindow;

QHostAddress Peer(int last) { return QHostAddress(QStringLiteral("127.0.0.%1").arg(last)); }

TEST(FanOut, ReachesPresentOrAllNamedLinesAndLeavesTheHighlight) {
  TestWindow test("ME");
  TForm1& form = test.Start();
  const quint16 port = test.Env().udp_port;
  std::vector<std::unique_ptr<Collector>> peers;
  for (int last = 31; last <= 34; ++last)
    peers.push_back(std::make_unique<Collector>(Peer(last), port));

  EXPECT_EQ(form.Sender().SendToCorrespondents("Message", "none", false), 0);
  for (const char* line :
       {"127.0.0.31=Yes", "127.0.0.32=yes ", "127.0.0.33=No", "127.0.0.34", ""}) {
    form.UserList().Append(line);
  }
  HighlightLine(*form.Controls().ListUser, 1);
  EXPECT_EQ(form.Sender().SendToCorrespondents("Message", " hi ", false), 2);
  EXPECT_EQ(HighlightedLine(*form.Controls().ListUser), 1) << "where the user left it";
  EXPECT_EQ(form.Sender().SendToCorrespondents("Exit", "ME", true), 4);
  ASSERT_TRUE(peers[0]->WaitFor(2));
  ASSERT_TRUE(peers[1]->WaitFor(2));
  ASSERT_TRUE(peers[2]->WaitFor(1));
  ASSERT_TRUE(peers[3]->WaitFor(1));
  QTest::qWait(50);
  EXPECT_EQ(peers[0]->Received(),
            (std::vector<QByteArray>{"Kovra:>Message:>hi", "Kovra:>Exit:>ME"}));
  EXPECT_EQ(peers[1]->Received().size(), 2u);
  EXPECT_EQ(peers[2]->Received(), std::vector<QByteArray>{"Kovra:>Exit:>ME"});
  EXPECT_EQ(peers[3]->Received(), std::vector<QByteArray>{"Kovra:>Exit:>ME"});
}

TEST(FanOut, DatagramHandledDuringTheWalkMayShortenTheList) {
  TestWindow test("ME");
  TForm1& form = test.Start();
  const quint16 port = test.Env().udp_port;
  std::vector<std::unique_ptr<Collector>> peers;
  for (int last = 31; last <= 35; ++last) {
    peers.push_back(std::make_unique<Collector>(Peer(last), port));
    form.UserList().Append(QStringLiteral("127.0.0.%1=Yes").arg(last).toStdString());
  }
  Collector remote(Peer(40), port);
  bool walking = false;
  std::vector<std::string> seen;
  form.Commands().Set("Message", [&](const std::string& args) {
    EXPECT_TRUE(walking) << "dispatched from the walk's event-loop step";
    seen.push_back(args);
    while (form.UserList().Count() > 2) form.UserList().Remove(form.UserList().Count() - 1);
  });
  // When the walk comes to its fourth line, a datagram that cuts the list
  // to two lines is waiting; the walk's step before that line handles it.
  form.Sender().OnStep = [&](int row) {
    if (!walking || row != 3) return;
    remote.Send("Kovra:>Message:>shrink", QHostAddress(QStringLiteral("127.0.0.1")), port);
    QThread::msleep(50);  // in the socket before the step runs the event loop
  };

  walking = true;
  EXPECT_EQ(form.Sender().SendToCorrespondents("Message", "after", false), 3);
  walking = false;
  EXPECT_EQ(seen, std::vector<std::string>{"shrink"});
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(peers[static_cast<std::size_t>(i)]->WaitFor(1)) << i;
  QTest::qWait(50);
  EXPECT_TRUE(peers[3]->Received().empty()) << "the walk ended where the list now ends";
  EXPECT_EQ(form.UserList().Count(), 2);
}

TEST(FanOut, UnresolvableLineIsToldOnceAndTheWalkGoesOn) {
  TestWindow test("ME");
  TForm1& form = test.Start();
  const quint16 port = test.Env().udp_port;
  Collector above(Peer(31), port);
  Collector below(Peer(32), port);
  for (const char* line : {"127.0.0.31=Yes", "nobody.invalid=Yes", "127.0.0.32=Yes"}) {
    form.UserList().Append(line);
  }
  EXPECT_EQ(form.Sender().SendToCorrespondents("Message", "x", false), 2);
  EXPECT_EQ(form.Sender().SendToCorrespondents("Message", "y", false), 2);
  // A name of the list is told in the notice line, once, not once per datagram.
  EXPECT_TRUE(test.Dialogs().messages.isEmpty());
  EXPECT_TRUE(test.Dialogs().errors.isEmpty());
  EXPECT_EQ(form.Controls().Label_Notice->text(),
            QStringLiteral("nobody.invalid не найден в сети"));
  form.Controls().Label_Notice->Tell(QString(), QStringLiteral("something else"));
  form.Sender().SendToCorrespondents("Message", "z", false);
  EXPECT_EQ(form.Controls().Label_Notice->text(), QStringLiteral("something else"));
  ASSERT_TRUE(above.WaitFor(2));
  ASSERT_TRUE(below.WaitFor(2)) << "the line below the failing one still gets every command";

  // A name the user has just typed that cannot be reached is told in a box.
  test.Dialogs().text_answers = {QStringLiteral("lost.invalid")};
  form.ListItems().N6Click();
  EXPECT_EQ(test.Dialogs().messages.size(), 1);
  EXPECT_EQ(test.Dialogs().messages.last(),
            QStringLiteral("Компьютер «LOST.INVALID» не найден в сети"));
  EXPECT_TRUE(test.Dialogs().errors.isEmpty()) << "no second box saying the lookup was canceled";

  EXPECT_FALSE(form.Sender().SendCommand("   ", "Enter", "ME"));
  EXPECT_EQ(test.Dialogs().messages.last(),
            QStringLiteral("Имя компьютера Вашего Корреспондента - не задано !!!"));
}

TEST(Receive, BadDatagramsOpenNoBoxAndShowOneNotice) {
  TestWindow test("ME");
  TForm1& form = test.Start();
  const quint16 port = test.Env().udp_port;
  Collector peer(Peer(31), port);
  form.UserList().Append("127.0.0.31=Yes");
  const QHostAddress window(QStringLiteral("127.0.0.1"));
  const QByteArray bad[] = {"Kovra:>ImageKV_LineTo:>1 1 1 nocolour",
                            "Kovra:>ImageKV_SetFont:>9||x|",
                            "Kovra:>ImageKV_TextOut:>1|1||text",
                            "Kovra:>ImageKV_RectangleFill:>x y z w v clRed bad",
                            "Kovra:>NewKV:>99999 99999",
                            "Kovra:>ImageKV_LoadFromFile:>..",
                            "Kovra:>ImageKV_LoadFromFile:>missing.bmp",
                            "Kovra:>ImageKV_SaveToFile:>a/"};
  for (int i = 0; i < 10'000; ++i) {
    peer.Send(bad[i % std::size(bad)], window, port);
    if (i % 500 == 0) QCoreApplication::processEvents();  // the socket holds what waits
  }
  peer.Send("Kovra:>Message:>after the flood", window, port);
  // About 2 s here; under Wine about 12 s alone, and more beside another suite.
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return form.History().Count() > 0 && form.History().Line(0) == "after the flood"; },
      60000));
  EXPECT_TRUE(test.Dialogs().messages.isEmpty()) << "no box from a peer";
  EXPECT_TRUE(test.Dialogs().errors.isEmpty());
  EXPECT_FALSE(form.Controls().Label_Notice->isHidden());
  EXPECT_TRUE(form.Controls().Label_Notice->text().startsWith(QStringLiteral("127.0.0.31: ")));

  // The window answers at once: a typed message goes out.
  form.Controls().Edit_Mess->setText(QStringLiteral("still here"));
  form.Controls().SpeedButton1->click();
  ASSERT_TRUE(peer.WaitFor(1));
  EXPECT_TRUE(peer.Received()[0].endsWith("ME> still here"));
  QTest::mouseClick(form.Controls().Label_Notice, Qt::LeftButton);
  EXPECT_TRUE(form.Controls().Label_Notice->isHidden()) << "a click puts the notice away";
}

TEST(Receive, JunkLeavesTheWindowRunningAndCommandsStillArrive) {
  TestWindow test("ME");
  TForm1& form = test.Start();
  const quint16 port = test.Env().udp_port;
  Collector peer(Peer(31), port);
  std::vector<std::string> messages;
  form.Commands().Set("Message", [&](const std::string& args) { messages.push_back(args); });

  const QHostAddress window(QStringLiteral("127.0.0.1"));
  std::vector<QByteArray> junk = {QByteArray(),
                                  QByteArray(255, ':'),
                                  QByteArray(256, '>'),
                                  QByteArray(2048, '\0'),
                                  QByteArray(65507, 'z'),
                                  "Kovra:>Enter",
                                  ":>:>x",
                                  "Kovra:>NoSuchCommand:>1 2",
                                  "Kovra:>ImageKV_CursorTo:>10 20",
                                  "Kovra:>ImageKV_MouseUp:>"};
  QByteArray every_byte;
  for (int b = 0; b < 256; ++b) every_byte.append(static_cast<char>(b));
  junk.push_back(every_byte);
  QByteArray long_message = "Kovra:>message:>" + QByteArray(300, 'm');
  junk.push_back(long_message);
  for (const QByteArray& bytes : junk) peer.Send(bytes, window, port);
  peer.Send("Kovra:>Message:>ok", window, port);

  ASSERT_TRUE(QTest::qWaitFor([&] { return messages.size() >= 2; }, 3000));
  EXPECT_EQ(messages[0], std::string(239, 'm')) << "the first 255 bytes are used";
  EXPECT_EQ(messages[1], "ok");
  EXPECT_TRUE(test.Dialogs().errors.isEmpty());
  EXPECT_TRUE(test.Dialogs().messages.isEmpty());
}

TEST(Receive, PortTakenIsToldOnceAndSendingGoesOn) {
  TestWindow first("ONE");
  first.Start();
  TestWindow second("TWO", QStringLiteral("127.0.0.1"), first.Env().udp_port);
  TForm1& form = second.Start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return !second.Dialogs().messages.isEmpty(); }, 2000));
  EXPECT_EQ(second.Dialogs().messages.size(), 1);
  EXPECT_TRUE(second.Dialogs().messages[0].contains(QString::number(first.Env().udp_port)));
  Collector peer(Peer(31), first.Env().udp_port);
  EXPECT_TRUE(form.Sender().SendCommand("127.0.0.31", "Enter", "TWO"));
  ASSERT_TRUE(peer.WaitFor(1));
  EXPECT_EQ(peer.Received()[0], "Kovra:>Enter:>TWO");
}

}  // namespace
}  // namespace kovra
