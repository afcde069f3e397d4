// The correspondent list as the user meets it: those there first, each
// part by name, while the stored list keeps its order; and a computer
// removed from it stays removed, across a restart, until taken back.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QTest>
#include <QToolButton>

#include "app/correspondent_delegate.h"
#include "app/main_window.h"
#include "common/session_checks.h"
#include "common/test_window.h"
#include "common/window_group.h"
#include "net/correspondents.h"
#include "net/message_history.h"

namespace kovra {
namespace {

using Group = test::WindowGroup;
using test::WaitForLines;

TEST(CorrespondentList, ShowsThoseThereFirstEachByNameAndHighlightsStoredLines) {
  Correspondents list;
  for (const char* line : {"zeta=Yes", "beta=No", "", "Alpha=No", "gamma=Yes"}) list.Append(line);
  QListView view;
  auto* order = new CorrespondentOrder(&view);
  order->setSourceModel(&list);
  view.setModel(order);
  const auto shown = [&] {
    QStringList lines;
    for (int row = 0; row < order->rowCount(); ++row)
      lines.append(order->index(row, 0).data().toString());
    return lines;
  };
  EXPECT_EQ(shown(), (QStringList{"gamma=Yes", "zeta=Yes", "Alpha=No", "beta=No", ""}));
  // The highlight is of a stored line, wherever the order shows it.
  HighlightLine(view, 3);
  EXPECT_EQ(view.currentIndex().data().toString(), QStringLiteral("Alpha=No"));
  EXPECT_EQ(HighlightedLine(view), 3);
  // A computer that comes moves up, and the highlight goes with its line.
  list.SetPresence("Alpha", "Yes");
  EXPECT_EQ(shown(), (QStringList{"Alpha=Yes", "gamma=Yes", "zeta=Yes", "beta=No", ""}));
  EXPECT_EQ(HighlightedLine(view), 3);
  EXPECT_EQ(list.Lines(),
            (std::vector<std::string>{"zeta=Yes", "beta=No", "", "Alpha=Yes", "gamma=Yes"}))
      << "stored as it was";
  HighlightLine(view, -1);
  EXPECT_EQ(HighlightedLine(view), -1);
}

TEST(CorrespondentList, ARemovedComputerIsNeitherSentToNorHeardAcrossARestartUntilTakenBack) {
  Group group(2);
  ASSERT_TRUE(group.StartListingEachOther());
  TForm1& b = group[1].Window();
  const auto say = [](TForm1& form, const QString& text) {
    form.Controls().Edit_Mess->setText(text);
    form.Controls().SpeedButton1->click();
  };
  const auto heard = [](TForm1& form, const std::string& text) {
    for (std::size_t i = 0; i < form.History().Count(); ++i) {
      if (form.History().Line(i).find(text) != std::string::npos) return true;
    }
    return false;
  };
  // Nothing either way: a message each, a stroke each, a while to arrive.
  const auto apart = [&](TForm1& a, int round) {
    const std::string tag = std::to_string(round);
    say(a, QStringLiteral("from-A-%1").arg(round));
    say(b, QStringLiteral("from-B-%1").arg(round));
    test::DrawAcross(group, 0, 100 + 20 * round);
    test::DrawAcross(group, 1, 200 + 20 * round);
    QTest::qWait(2500);
    EXPECT_FALSE(heard(a, "from-B-" + tag)) << round;
    EXPECT_FALSE(heard(b, "from-A-" + tag)) << round;
    EXPECT_TRUE(test::Shows(a.Board().Image(), 100 + 20 * round, test::kColours[0])) << round;
    EXPECT_FALSE(test::Shows(a.Board().Image(), 200 + 20 * round, test::kColours[1])) << round;
    EXPECT_TRUE(test::Shows(b.Board().Image(), 200 + 20 * round, test::kColours[1])) << round;
    EXPECT_FALSE(test::Shows(b.Board().Image(), 100 + 20 * round, test::kColours[0])) << round;
  };

  TForm1& a = group[0].Window();
  HighlightLine(*a.Controls().ListUser, 0);
  a.ListItems().N7Click();
  EXPECT_TRUE(group[0].Dialogs().questions.back().contains(QStringLiteral("Убранные компьютеры")));
  EXPECT_EQ(a.UserList().Count(), 0);
  EXPECT_EQ(group[0].ReadFile(QStringLiteral("~Removed.txt")), "127.0.0.3=127.0.0.3\r\n");
  apart(a, 0);
  // Asked who is there, as the other copy asks everyone in its list: the
  // removed computer's "Enter" never puts it back.
  b.ListItems().N9Click();
  QTest::qWait(500);
  EXPECT_EQ(a.UserList().Count(), 0);

  // The program starts again, and the other copy still greets it.
  group[0].Crash();
  TForm1& again = group[0].Start();
  QTest::qWait(6000);
  EXPECT_EQ(again.UserList().Count(), 0);
  apart(again, 1);

  // Listed in the network menu, and taken back from it.
  auto* removed = again.findChild<QMenu*>(QStringLiteral("RemovedComputers"));
  ASSERT_NE(removed, nullptr);
  emit removed->aboutToShow();
  ASSERT_EQ(removed->actions().size(), 1);
  EXPECT_EQ(removed->actions()[0]->text(), QStringLiteral("127.0.0.3"));
  removed->actions()[0]->trigger();
  EXPECT_TRUE(
      group[0].Dialogs().questions.back().startsWith(QStringLiteral("Вернуть «127.0.0.3»")));
  EXPECT_TRUE(WaitForLines(again, {"127.0.0.3=Yes"}));
  EXPECT_EQ(group[0].ReadFile(QStringLiteral("~Removed.txt")), "");
  say(b, QStringLiteral("together-again"));
  EXPECT_TRUE(QTest::qWaitFor([&] { return heard(again, "together-again"); }, 12000));
}

}  // namespace
}  // namespace kovra
