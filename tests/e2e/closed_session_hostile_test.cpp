// A closed session against a host without its word that captures its
// traffic and writes it again on raw datagrams: what it captured reads as
// nothing, and nothing it sends again, from any address, changes a board,
// a message pane or who is present.
#include <gtest/gtest.h>

#include <QAction>
#include <QTest>

#include "app/main_window.h"
#include "common/forged_udp.h"
#include "common/lossy_network.h"
#include "common/session_checks.h"
#include "common/window_group.h"
#include "net/correspondents.h"
#include "net/peer_links.h"
#include "net/udp_endpoint.h"

namespace kovra {
namespace {

using test::DrawAcross;
using test::WindowGroup;

constexpr quint32 kAddresses[] = {0x7F000002, 0x7F000003, 0x7F000009};

struct CapturedDatagram {
  std::string bytes;
  int to = 0;  // the window it reached
};

std::vector<std::string> PaneLines(TForm1& form) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < form.History().Count(); ++i) lines.push_back(form.History().Line(i));
  return lines;
}

void CloseWith(test::TestWindow& window, const QString& word) {
  window.Dialogs().text_answers = {word};
  window.Window().findChild<QAction*>(QStringLiteral("SessionWord"))->trigger();
}

TEST(ClosedSessionHostile, ACaptureReadsAsNothingAndNothingReplayedFromAnyAddressChangesAThing) {
  test::ForgedUdp forger;
  if (!forger.Ready()) GTEST_SKIP() << "no raw socket here: forging needs root";
  WindowGroup group(2);
  ASSERT_TRUE(group.StartListingEachOther());
  CloseWith(group[0], QStringLiteral("груша"));
  CloseWith(group[1], QStringLiteral("груша"));
  // Everything either window receives from now on is captured.
  std::vector<CapturedDatagram> captured;
  std::vector<std::unique_ptr<test::LossyNetwork>> taps;
  for (int i = 0; i < 2; ++i) {
    taps.push_back(std::make_unique<test::LossyNetwork>(test::Impairment{}, 1));
    taps.back()->OnArrival = [&captured, i](const ReceivedDatagram& datagram) {
      captured.push_back({std::string(datagram.bytes), i});
    };
    taps.back()->Impair(group.Form(i));
  }
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return group.Form(0).Links()->Speaks(kAddresses[1]) &&
               group.Form(1).Links()->Speaks(kAddresses[0]);
      },
      8000));
  DrawAcross(group, 0, 100);
  DrawAcross(group, 1, 200);
  group.Form(0).Controls().Edit_Mess->setText(QStringLiteral("zebra secret phrase"));
  group.Form(0).Controls().SpeedButton1->click();
  // A wipe, and a stroke after it.
  group[1].Dialogs().text_answers = {QStringLiteral("602"), QStringLiteral("385")};
  group.Form(1).BoardItems().N2Click();
  DrawAcross(group, 1, 250);
  ASSERT_TRUE(test::OneBoard(group, {0, 1}, 5000));
  QTest::qWait(1500);
  ASSERT_FALSE(captured.empty());
  for (const CapturedDatagram& datagram : captured) {
    for (const char* clear :
         {"zebra", "secret", "Message", "LineTo", "NewKV", "MoveTo", "KvData", "Enter", "127.0"}) {
      EXPECT_EQ(datagram.bytes.find(clear), std::string::npos) << "captured: " << clear;
    }
  }

  // Every captured datagram again, from each copy's address and the host's.
  std::vector<QImage> boards;
  std::vector<std::vector<std::string>> panes;
  for (int i = 0; i < 2; ++i) {
    boards.push_back(group.Form(i).Board().Image());
    panes.push_back(PaneLines(group.Form(i)));
  }
  const std::vector<CapturedDatagram> replayed = captured;
  for (const CapturedDatagram& datagram : replayed) {
    for (const quint32 from : kAddresses) {
      const QByteArray bytes(datagram.bytes.data(), static_cast<qsizetype>(datagram.bytes.size()));
      forger.Send(from, group.Port(), kAddresses[datagram.to], group.Port(), bytes);
    }
    QCoreApplication::processEvents();
  }
  QTest::qWait(2500);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(group.Form(i).Board().Image(), boards[static_cast<std::size_t>(i)]) << i;
    EXPECT_EQ(PaneLines(group.Form(i)), panes[static_cast<std::size_t>(i)]) << i;
    EXPECT_TRUE(group.Form(i).Links()->Speaks(kAddresses[1 - i])) << i;
  }
  EXPECT_EQ(group.Form(0).UserList().PresentNames().size(), 1u);
  EXPECT_EQ(group.Form(1).UserList().PresentNames().size(), 1u);
}

}  // namespace
}  // namespace kovra
