// Windows as on a LAN where computer names resolve to nothing, and where a
// peer can vanish without a word.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <atomic>
#include <cstdlib>

#include "app/main_window.h"
#include "board/board_view.h"
#include "common/free_port.h"
#include "common/test_window.h"
#include "common/window_group.h"
#include "net/command.h"
#include "net/correspondents.h"
#include "net/message_history.h"

namespace kovra {
namespace {

using test::TestWindow;
using Lines = std::vector<std::string>;
using test::WaitForLines;

bool NewestMessageEndsWith(TForm1& form, const std::string& text) {
  return QTest::qWaitFor(
      [&] {
        const std::string newest = form.History().rowCount() > 0 ? form.History().Line(0) : "";
        return newest.size() >= text.size() &&
               newest.compare(newest.size() - text.size(), text.size(), text) == 0;
      },
      3000);
}

void Say(TForm1& form, const QString& text) {
  form.Controls().Edit_Mess->setText(text);
  form.Controls().SpeedButton1->click();
}

void Scribble(TForm1& form, const std::vector<QPoint>& points) {
  form.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  if (!form.Controls().CB_YesPaint->isChecked()) form.Controls().CB_YesPaint->click();
  form.Controls().ListTools->setCurrentRow(ToolRow(ToolId::kFreehand));
  QTest::mousePress(form.Controls().Image_KV, Qt::LeftButton, Qt::NoModifier, points.front());
  for (QPoint p : points) {
    QMouseEvent move(QEvent::MouseMove, p, form.Controls().Image_KV->mapToGlobal(p), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(form.Controls().Image_KV, &move);
  }
  QTest::mouseRelease(form.Controls().Image_KV, Qt::LeftButton, Qt::NoModifier, points.back());
}

// Two computers named UXA and UXB that no name service knows.
class UnresolvedNames : public ::testing::Test {
 protected:
  UnresolvedNames()
      : port_(test::FreeUdpPort()),
        a_("UXA", QStringLiteral("127.0.0.2"), port_),
        b_("UXB", QStringLiteral("127.0.0.3"), port_) {
    for (TestWindow* window : {&a_, &b_}) {
      window->Env().resolve_host = [asked = lookups_](const QString&) -> std::optional<quint32> {
        ++*asked;
        return std::nullopt;
      };
    }
  }
  void ExpectNoBoxes() {
    for (TestWindow* window : {&a_, &b_}) {
      EXPECT_TRUE(window->Dialogs().messages.isEmpty())
          << window->Dialogs().messages.join('|').toStdString();
      EXPECT_TRUE(window->Dialogs().errors.isEmpty())
          << window->Dialogs().errors.join('|').toStdString();
    }
  }

  quint16 port_;
  std::shared_ptr<std::atomic<int>> lookups_ = std::make_shared<std::atomic<int>>(0);
  TestWindow a_;
  TestWindow b_;
};

TEST_F(UnresolvedNames, AddedByAddressTheyChatAndDrawBothWaysAndFindEachOtherAfterARestart) {
  TForm1& b = b_.Start();
  TForm1& a = a_.Start();
  b.show();
  a.show();
  // A adds B by its address; B answers to the address A spoke from, and
  // A's line becomes the name B announces, once.
  a_.Dialogs().text_answers = {QStringLiteral("127.0.0.3")};
  a.ListItems().N6Click();
  ASSERT_TRUE(WaitForLines(a, {"UXB=Yes"}));
  ASSERT_TRUE(WaitForLines(b, {"UXA=Yes"}));

  Say(a, QStringLiteral("hello"));
  EXPECT_TRUE(NewestMessageEndsWith(b, "UXA> hello"));
  Say(b, QStringLiteral("hi"));
  EXPECT_TRUE(NewestMessageEndsWith(a, "UXB> hi"));

  Scribble(a, {{20, 20}, {80, 40}, {140, 20}});
  Scribble(b, {{20, 200}, {80, 240}, {140, 200}});
  EXPECT_TRUE(QTest::qWaitFor([&] { return a.Board().Image() == b.Board().Image(); }, 3000));
  EXPECT_NE(a.Board().Image().pixel(80, 40), qRgb(255, 255, 255));
  EXPECT_NE(a.Board().Image().pixel(80, 240), qRgb(255, 255, 255));
  ExpectNoBoxes();
  EXPECT_LE(lookups_->load(), 2) << "each name looked up once, then left alone for a while";

  // A closes and starts again: its list says UXB, which still does not
  // resolve, and the address it was heard from reaches it.
  ASSERT_TRUE(a.close());
  ASSERT_TRUE(WaitForLines(b, {"UXA=No"}));
  EXPECT_EQ(a_.ReadFile(QStringLiteral("~Addresses.txt")), "UXB=127.0.0.3\r\n");
  TForm1& again = a_.Start();
  EXPECT_TRUE(WaitForLines(again, {"UXB=Yes"}));
  EXPECT_TRUE(WaitForLines(b, {"UXA=Yes"}));

  // B adds A by address while it lists A by name already: still one line.
  b_.Dialogs().text_answers = {QStringLiteral("127.0.0.2")};
  b.ListItems().N6Click();
  EXPECT_TRUE(WaitForLines(b, {"UXA=Yes"}));
  ExpectNoBoxes();
}

// Three computers whose names resolve for none of them, listed by address.
TEST(RealLan, TwoDrawAtOnceAndAKilledCopyIsShownAbsentAtTheNextDatagram) {
  test::WindowGroup group(3, test::WindowGroup::Names::kUnresolvable);
  ASSERT_TRUE(group.StartListingEachOther());
  EXPECT_TRUE(WaitForLines(group.Form(0), {"UX3=Yes", "UX4=Yes"}))
      << "each listed once, by the name it announced";

  // Two people draw waves at the same moment, far apart on the board.
  std::vector<test::Stroke> strokes{{0, {}}, {1, {}}};
  for (int step = 0; step < 40; ++step) {
    strokes[0].points.emplace_back(20 + 12 * step, 60 + (step % 2) * 15);
    strokes[1].points.emplace_back(20 + 12 * step, 260 + (step % 3) * 10);
  }
  test::DrawInterleaved(group, strokes);
  const QImage expected = test::UnionOfStrokes(strokes);
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return group.Form(i).Board().Image() == expected; }, 3000))
        << "window " << i << " holds both strokes and no line joining them";
  }

  group[2].Crash();
  Say(group.Form(0), QStringLiteral("anyone?"));
  EXPECT_TRUE(WaitForLines(group.Form(0), {"UX3=Yes", "UX4=No"}));
  EXPECT_TRUE(NewestMessageEndsWith(group.Form(1), "UX2> anyone?"));
  // The one who sent it nothing since still lists it, until it does.
  EXPECT_EQ(group.Form(1).UserList().Lines(), (Lines{"UX2=Yes", "UX4=Yes"}));
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(group[i].Dialogs().messages.isEmpty()) << "window " << i;
    EXPECT_TRUE(group[i].Dialogs().errors.isEmpty()) << "window " << i;
  }
}

bool WaitForSameLines(TForm1& form, Lines lines) {
  std::sort(lines.begin(), lines.end());
  return QTest::qWaitFor(
      [&] {
        Lines now = form.UserList().Lines();
        std::sort(now.begin(), now.end());
        return now == lines;
      },
      3000);
}

// The broadcast address of a network stands in for each computer on it here:
// loopback carries no broadcast.
TEST(RealLan, ACopyWithAnEmptyListFindsEveryoneWithNothingTyped) {
  test::WindowGroup group(3, test::WindowGroup::Names::kUnresolvable);
  group[0].Env().broadcast_addresses = [] {
    return std::vector<std::string>{"127.0.0.3", "127.0.0.4"};
  };
  // The others run already; the one that starts last has nobody listed.
  group[1].Start();
  group[2].Start();
  group[0].Start();
  EXPECT_TRUE(WaitForSameLines(group.Form(0), {"UX3=Yes", "UX4=Yes"}));
  // The two that started first learn of each other from the one that asked.
  EXPECT_TRUE(WaitForSameLines(group.Form(1), {"UX2=Yes", "UX4=Yes"}));
  EXPECT_TRUE(WaitForSameLines(group.Form(2), {"UX2=Yes", "UX3=Yes"}));

  // Asked again from the menu: nobody twice, and never this computer itself.
  group.Form(0).ListItems().FindEveryoneClick();
  QTest::qWait(200);
  EXPECT_TRUE(WaitForSameLines(group.Form(0), {"UX3=Yes", "UX4=Yes"}));
  group.Form(0).Commands().Dispatch(ReceivedCommand{"ENTER", "UX2"});
  EXPECT_EQ(group.Form(0).UserList().Count(), 2);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(group[i].Dialogs().messages.isEmpty()) << i;
}

// Two network namespaces joined by a virtual cable, made by the test itself
// where it may (root, and the ip tool): a real network with a real
// broadcast address.
class TwoComputers {
 public:
  TwoComputers() {
    const std::string tag = std::to_string(::getpid() % 100000);
    names_ = {"kovra_a" + tag, "kovra_b" + tag};
    const std::string cable_a = "kva" + tag;
    const std::string cable_b = "kvb" + tag;
    const std::string commands[] = {
        "ip netns add " + names_[0],
        "ip netns add " + names_[1],
        "ip link add " + cable_a + " type veth peer name " + cable_b,
        "ip link set " + cable_a + " netns " + names_[0],
        "ip link set " + cable_b + " netns " + names_[1],
        "ip -n " + names_[0] + " addr add 10.251.0.1/24 broadcast 10.251.0.255 dev " + cable_a,
        "ip -n " + names_[1] + " addr add 10.251.0.2/24 broadcast 10.251.0.255 dev " + cable_b,
        "ip -n " + names_[0] + " link set " + cable_a + " up",
        "ip -n " + names_[1] + " link set " + cable_b + " up",
    };
    for (const std::string& command : commands) {
      if (std::system((command + " 2>/dev/null").c_str()) != 0) return;
    }
    ready_ = true;
  }
  ~TwoComputers() {
    for (const std::string& name : names_) {
      (void)std::system(("ip netns del " + name + " 2>/dev/null").c_str());
    }
  }
  bool Ready() const { return ready_; }

  // Starts a window whose socket lives in computer i's network.
  TForm1& StartIn(int i, TestWindow& window) {
    const int home = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
    const int there = ::open(("/run/netns/" + names_[i]).c_str(), O_RDONLY | O_CLOEXEC);
    EXPECT_EQ(::setns(there, CLONE_NEWNET), 0);
    TForm1& form = window.Start(false);  // the socket is made here, and stays there
    EXPECT_EQ(::setns(home, CLONE_NEWNET), 0);
    ::close(there);
    ::close(home);
    return form;
  }

 private:
  std::vector<std::string> names_;
  bool ready_ = false;
};

TEST(RealLan, ABroadcastOnARealNetworkFindsTheOtherComputer) {
  TwoComputers network;
  if (!network.Ready()) GTEST_SKIP() << "cannot make network namespaces here";
  const quint16 port = test::FreeUdpPort();
  TestWindow a("UXA", QStringLiteral("0.0.0.0"), port);
  TestWindow b("UXB", QStringLiteral("0.0.0.0"), port);
  for (TestWindow* window : {&a, &b}) {
    window->Env().resolve_host = [](const QString&) -> std::optional<quint32> {
      return std::nullopt;
    };
  }
  a.Env().broadcast_addresses = [] { return std::vector<std::string>{"10.251.0.255"}; };
  TForm1& other = network.StartIn(1, b);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !other.FirstTick(); }, 5000));
  TForm1& late = network.StartIn(0, a);
  EXPECT_TRUE(WaitForLines(late, {"UXB=Yes"}));
  EXPECT_TRUE(WaitForLines(other, {"UXA=Yes"}));
  Say(late, QStringLiteral("found you"));
  EXPECT_TRUE(NewestMessageEndsWith(other, "UXA> found you"));
  EXPECT_TRUE(a.Dialogs().messages.isEmpty());
  EXPECT_TRUE(b.Dialogs().messages.isEmpty());
}

}  // namespace
}  // namespace kovra
