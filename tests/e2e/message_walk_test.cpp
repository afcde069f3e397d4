// The message walk against a copy that goes away while the walk runs the
// event loop: the line is in its stream already, and arrives once.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>
#include <QToolButton>
#include <functional>

#include "app/main_window.h"
#include "common/window_group.h"
#include "net/correspondents.h"
#include "net/fan_out.h"
#include "net/message_history.h"
#include "net/peer_links.h"
#include "support/text.h"

namespace kovra {
namespace {

using test::WindowGroup;

TEST(MessageWalk, AMessageToACopyThatGoesAwayDuringItsSendArrivesOnce) {
  WindowGroup group(2);
  ASSERT_TRUE(group.StartListingEachOther());
  TForm1& a = group.Form(0);
  TForm1& b = group.Form(1);
  ASSERT_TRUE(QTest::qWaitFor([&] { return !a.Links()->Present().empty(); }, 3000));
  const quint32 at_b = a.Links()->Present().front();
  // A line after b's, so that the walk steps once more after sending to b:
  // then b goes away, with the message in its stream.
  Correspondents& list = a.UserList();
  const std::string b_name = TrimText(Correspondents::NameOf(list.Line(0)));
  list.Append("127.0.0.99=No");
  FanOut& sender = a.Sender();
  const std::function<void(int)> highlight = sender.OnStep;
  sender.OnStep = [&](int row) {
    if (row == 1) {
      a.Links()->Left(at_b);
      list.SetPresence(b_name, kAbsent);
    }
    if (highlight) highlight(row);
  };
  a.Controls().Edit_Mess->setText(QStringLiteral("just as you went"));
  a.Controls().SpeedButton1->click();
  sender.OnStep = highlight;
  // b was never gone: the link is made again, and its stream goes on.
  ASSERT_TRUE(QTest::qWaitFor([&] { return a.Links()->Speaks(at_b); }, 6000));
  const auto copies_at_b = [&] {
    int copies = 0;
    for (std::size_t i = 0; i < b.History().Count(); ++i) {
      if (b.History().Line(i).find("> just as you went") != std::string::npos) ++copies;
    }
    return copies;
  };
  EXPECT_TRUE(QTest::qWaitFor([&] { return copies_at_b() >= 1; }, 3000));
  QTest::qWait(1000);  // time for a second copy, were one to come
  EXPECT_EQ(copies_at_b(), 1);
}

}  // namespace
}  // namespace kovra
