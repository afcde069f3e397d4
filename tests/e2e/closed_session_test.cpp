// A closed session: two windows given one word speak as before; a third
// without it can neither draw on, wipe nor read their boards and messages,
// nor they its; each side is told so once in the notice line, and a wrong
// word is told as such.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QTest>
#include <algorithm>

#include "app/main_window.h"
#include "app/notice_line.h"
#include "common/loopback.h"
#include "common/session_checks.h"
#include "common/window_group.h"
#include "net/peer_links.h"
#include "support/state_files.h"

namespace kovra {
namespace {

using test::DrawAcross;
using test::kColours;
using test::Shows;
using test::WindowGroup;

void SetWord(test::TestWindow& window, const QString& word) {
  window.Dialogs().text_answers = {word};
  window.Window().findChild<QAction*>(QStringLiteral("SessionWord"))->trigger();
}

bool Said(TForm1& form, const std::string& text) {
  for (std::size_t i = 0; i < form.History().Count(); ++i) {
    if (form.History().Line(i).find(text) != std::string::npos) return true;
  }
  return false;
}

// Among the recent notices: a later one, a peer's or the word's own, may
// already have taken the line.
bool Noticed(TForm1& form, const QString& text) {
  return QTest::qWaitFor(
      [&] {
        const QStringList recent = form.Controls().Label_Notice->Recent();
        return std::any_of(recent.begin(), recent.end(),
                           [&](const QString& line) { return line.contains(text); });
      },
      3000);
}

TEST(ClosedSession, OnlyCopiesWithTheWordDrawAndTalkTogetherAndAWrongWordIsTold) {
  WindowGroup group(3);
  group.ListEachOther();
  // A takes the word kept from an earlier run, B is given it once started.
  const QString kept = group[0].Env().program_dir + kSessionWordFile;
  {
    QFile file(kept);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QStringLiteral("груша\n").toUtf8());
  }
  group.StartAll();
  SetWord(group[1], QStringLiteral("груша"));
  const QString written = group[1].Env().program_dir + kSessionWordFile;
#ifndef _WIN32
  // Windows keeps who may read a file in its folder's access list instead.
  EXPECT_EQ(QFile::permissions(written) & 0x0077, QFileDevice::Permissions())
      << "readable by the user only";
#endif
  ASSERT_TRUE(QTest::qWaitFor(
      [&] {
        return group.Form(0).Links()->Speaks(0x7F000003) &&
               group.Form(1).Links()->Speaks(0x7F000002);
      },
      5000));

  DrawAcross(group, 0, 100);
  DrawAcross(group, 1, 200);
  DrawAcross(group, 2, 300);
  group.Form(0).Controls().Edit_Mess->setText(QStringLiteral("inside"));
  group.Form(0).Controls().SpeedButton1->click();
  group.Form(2).Controls().Edit_Mess->setText(QStringLiteral("outside"));
  group.Form(2).Controls().SpeedButton1->click();
  ASSERT_TRUE(test::OneBoard(group, {0, 1}, 5000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return Said(group.Form(1), "inside"); }, 3000));
  QTest::qWait(1500);
  for (int i = 0; i < 2; ++i) {
    const QImage board = group.Form(i).Board().Image();
    EXPECT_TRUE(Shows(board, 100, kColours[0]) && Shows(board, 200, kColours[1])) << i;
    EXPECT_FALSE(Shows(board, 300, kColours[2])) << "the outsider drew on window " << i;
    EXPECT_FALSE(Said(group.Form(i), "outside")) << i;
  }
  const QImage outside = group.Form(2).Board().Image();
  EXPECT_FALSE(Shows(outside, 100, kColours[0]) || Shows(outside, 200, kColours[1]));
  EXPECT_FALSE(Said(group.Form(2), "inside"));
  EXPECT_FALSE(group.Form(0).Links()->Speaks(0x7F000004));
  EXPECT_TRUE(Noticed(group.Form(0), QStringLiteral("не в закрытом сеансе")));
  EXPECT_TRUE(Noticed(group.Form(2), QStringLiteral("в закрытом сеансе: нужен")));
  // A copy of the older protocol, plain: its wipe and its message are
  // told of, and change nothing.
  test::Collector plain(QHostAddress(QStringLiteral("127.0.0.9")), group.Port());
  const QSize size = group.Form(0).Board().Image().size();
  plain.Send("Kovra:>NewKV:>300 200", QHostAddress(QStringLiteral("127.0.0.2")), group.Port());
  plain.Send("Kovra:>Message:>01:02:03  OLD> plain words",
             QHostAddress(QStringLiteral("127.0.0.2")), group.Port());
  EXPECT_TRUE(Noticed(group.Form(0), QStringLiteral("127.0.0.9 не в закрытом сеансе")));
  QTest::qWait(300);
  EXPECT_EQ(group.Form(0).Board().Image().size(), size);
  EXPECT_FALSE(Said(group.Form(0), "plain words"));

  // With another word it is still outside, and told it has another.
  SetWord(group[2], QStringLiteral("яблоко"));
  EXPECT_TRUE(Noticed(group.Form(0), QStringLiteral("другой пароль сеанса")));
  DrawAcross(group, 2, 350);
  QTest::qWait(1000);
  EXPECT_FALSE(Shows(group.Form(0).Board().Image(), 350, kColours[2]));
  // Given the same word, it joins and gets the session's board.
  SetWord(group[2], QStringLiteral("груша"));
  EXPECT_TRUE(test::OneBoard(group, {0, 1, 2}, 10000));
  EXPECT_TRUE(Shows(group.Form(2).Board().Image(), 100, kColours[0]));

  // The status bar says the session is closed for as long as it is.
  auto lock = [&](int i) {
    return group.Form(i).findChild<QLabel*>(QStringLiteral("Label_Lock"));
  };
  ASSERT_NE(lock(2), nullptr);
  EXPECT_FALSE(lock(2)->isHidden());
  EXPECT_TRUE(lock(2)->toolTip().contains(QStringLiteral("В сеансе")));
  SetWord(group[2], QString());
  EXPECT_TRUE(lock(2)->isHidden());
}

}  // namespace
}  // namespace kovra
