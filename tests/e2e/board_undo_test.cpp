// Undo and redo in complete windows: the user's own stroke taken back on
// every board, a copy with the extension and one without alike, leaving
// what a peer drew over it afterwards; wipes and replacements ask first,
// and a board a peer replaced can be brought back.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include "app/main_window.h"
#include "app/notice_line.h"
#include "app/session_links.h"
#include "common/loopback.h"
#include "common/lossy_network.h"
#include "common/window_group.h"
#include "net/correspondents.h"

namespace kovra {
namespace {

using test::Stroke;
using test::WindowGroup;

// A stroke of n points across the board, from (x, top) down and to the right.
Stroke Diagonal(int window, int x, int top, int n = 30) {
  Stroke stroke{window, {}};
  for (int i = 0; i < n; ++i) stroke.points.emplace_back(x + i * 9, top + i * 7 + (i % 3) * 4);
  return stroke;
}

bool AllShow(WindowGroup& group, int count, const QImage& expected) {
  return QTest::qWaitFor(
      [&] {
        for (int i = 0; i < count; ++i) {
          if (group.Form(i).Board().Image() != expected) return false;
        }
        return true;
      },
      5000);
}

void Trigger(TForm1& form, const char* action) {
  QAction* item = form.findChild<QAction*>(QString::fromLatin1(action));
  ASSERT_NE(item, nullptr) << action;
  item->trigger();
}

TEST(BoardUndo, TakesBackTheOwnStrokeOnEveryBoardAndLeavesWhatAPeerDrewOverIt) {
  WindowGroup group(3);
  group[2].Env().delivery_extension = false;  // a copy that knows nothing of the extension
  ASSERT_TRUE(group.StartListingEachOther());
  const Stroke mine = Diagonal(0, 20, 20);
  Stroke theirs{1, {}};  // crosses mine, drawn after it
  for (int i = 0; i < 30; ++i) theirs.points.emplace_back(300 - i * 9, 30 + i * 8);
  test::DrawInterleaved(group, {mine});
  ASSERT_TRUE(AllShow(group, 3, test::UnionOfStrokes({mine})));
  test::DrawInterleaved(group, {theirs});
  const QImage both = test::UnionOfStrokes({mine, theirs});
  ASSERT_TRUE(AllShow(group, 3, both));

  // Ctrl+Z where the user left the focus: in the empty message field.
  group.Form(0).Controls().Edit_Mess->setFocus();
  QTest::keyClick(group.Form(0).Controls().Edit_Mess, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_TRUE(AllShow(group, 3, test::UnionOfStrokes({theirs})))
      << "the stroke is gone from every board, the peer's crossing stroke whole";

  // Ctrl+Y anywhere else in the window: the menu's own key.
  TForm1& a = group.Form(0);
  a.show();
  a.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&a));
  a.Controls().ListTools->setFocus();
  QTest::keyClick(a.Controls().ListTools, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_TRUE(AllShow(group, 3, both));

  // A peer's stroke is not the user's to take back: B has one step, A none left after two.
  Trigger(group.Form(0), "Undo");
  Trigger(group.Form(0), "Undo");
  EXPECT_TRUE(AllShow(group, 3, test::UnionOfStrokes({theirs})));
}

TEST(BoardUndo, ThreeCopiesDrawingAndTakingBackOverALossyNetworkEndWithOneBoard) {
  WindowGroup group(3);
  ASSERT_TRUE(group.StartListingEachOther());
  test::LossyNetwork network({0.05, 0.03, 0.20, 30}, 8122026);
  for (int i = 0; i < 3; ++i) network.Impair(group.Form(i));
  // Each draws two strokes across the others', at once, and takes the first back.
  std::vector<Stroke> kept;
  std::vector<Stroke> first, second;
  for (int i = 0; i < 3; ++i) {
    first.push_back(Diagonal(i, 20 + i * 60, 10 + i * 30));
    second.push_back(Diagonal(i, 250 - i * 70, 20 + i * 25));
  }
  test::DrawInterleaved(group, first);
  test::DrawInterleaved(group, second);
  for (int i = 0; i < 3; ++i) Trigger(group.Form(i), "Undo");  // each its second
  for (int i = 0; i < 3; ++i) Trigger(group.Form(i), "Undo");  // and its first
  for (int i = 0; i < 3; ++i) Trigger(group.Form(i), "Redo");  // the first again
  const QImage expected = test::UnionOfStrokes(first);
  EXPECT_TRUE(AllShow(group, 3, expected))
      << "dropped " << network.Dropped() << " of " << network.Arrived();
  EXPECT_GT(network.Dropped(), 10);
}

TEST(BoardUndo, KeepsMoreThanTwentyStepsAndForgetsWhatWasTakenBackOnceANewStepIsDrawn) {
  WindowGroup group(2);
  ASSERT_TRUE(group.StartListingEachOther());
  std::vector<Stroke> strokes;
  for (int i = 0; i < 24; ++i) {
    strokes.push_back({0, {QPoint(10 + i * 20, 20), QPoint(20 + i * 20, 300)}});
    test::DrawInterleaved(group, {strokes.back()});
  }
  ASSERT_TRUE(AllShow(group, 2, test::UnionOfStrokes(strokes)));
  for (int i = 0; i < 22; ++i) Trigger(group.Form(0), "Undo");
  EXPECT_TRUE(AllShow(group, 2, test::UnionOfStrokes({strokes[0], strokes[1]})));

  const Stroke fresh{0, {QPoint(5, 350), QPoint(500, 360)}};
  test::DrawInterleaved(group, {fresh});
  Trigger(group.Form(0), "Redo");  // nothing to do again any more
  EXPECT_TRUE(AllShow(group, 2, test::UnionOfStrokes({strokes[0], strokes[1], fresh})));
}

TEST(BoardUndo, AWipeAsksNamingTheBoardsAndANoSendsNothing) {
  WindowGroup group(2);
  test::Collector raw(QHostAddress(QStringLiteral("127.0.0.9")), group.Port());
  group[0].WriteFile(QStringLiteral("~ListUser.txt"), "127.0.0.3=No\r\n127.0.0.9=No\r\n");
  group[1].WriteFile(QStringLiteral("~ListUser.txt"), "127.0.0.2=No\r\n");
  group.StartAll();
  // A copy without the extension, there.
  raw.Send("Kovra:>IamToo:>127.0.0.9", QHostAddress(QStringLiteral("127.0.0.2")), group.Port());
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return group.Form(0).UserList().PresentNames().size() == 2; }, 3000));
  QTest::qWait(300);
  const std::size_t heard = raw.Received().size();
  auto& dialogs = group[0].Dialogs();
  dialogs.questions.clear();

  dialogs.confirm_answers = {false, false, false};
  Trigger(group.Form(0), "N2");
  Trigger(group.Form(0), "SendBoardToAll");
  dialogs.file_answers = {group[0].Path(QStringLiteral("BMP/picture.bmp"))};
  Trigger(group.Form(0), "N3");
  ASSERT_EQ(dialogs.questions.size(), 3u);
  EXPECT_EQ(dialogs.questions[0], QStringLiteral("Стереть доску у всех (3 компьютера)?"));
  EXPECT_EQ(dialogs.questions[1],
            QStringLiteral("Заменить доску у всех (2 компьютера) вашей доской?"));
  EXPECT_EQ(dialogs.questions[2],
            QStringLiteral("Заменить доску у всех (3 компьютера) картинкой «picture.bmp»?"));
  QTest::qWait(500);
  EXPECT_EQ(raw.Received().size(), heard) << "a No sends nothing";
  EXPECT_TRUE(dialogs.messages.isEmpty());
}

TEST(BoardUndo, ABoardAPeerWipedTellsWhoAndComesBackEverywhere) {
  WindowGroup group(2);
  ASSERT_TRUE(group.StartListingEachOther());
  const Stroke stroke = Diagonal(1, 40, 40);
  test::DrawInterleaved(group, {stroke});
  const QImage drawn = test::UnionOfStrokes({stroke});
  ASSERT_TRUE(AllShow(group, 2, drawn));

  group[0].Dialogs().text_answers = {QStringLiteral("602"), QStringLiteral("385")};
  Trigger(group.Form(0), "N2");
  ASSERT_TRUE(AllShow(group, 2, test::WhiteImage(602, 385)));
  const auto& b = group.Form(1).Controls();
  EXPECT_TRUE(QTest::qWaitFor([&] { return b.Label_Notice->text().contains("стёр доску"); }, 2000))
      << b.Label_Notice->text().toStdString();
  EXPECT_TRUE(b.Label_Notice->text().startsWith(QString::fromStdString(group.Name(0))));
  ASSERT_TRUE(b.RestoreBoard->isVisibleTo(&group.Form(1)));
  b.RestoreBoard->click();
  EXPECT_TRUE(AllShow(group, 2, drawn)) << "back on both boards";
  const auto& a = group.Form(0).Controls();
  EXPECT_TRUE(QTest::qWaitFor([&] {
    return a.Label_Notice->text().endsWith(QStringLiteral(": вернул прежнюю доску"));
  })) << a.Label_Notice->text().toStdString();
  EXPECT_FALSE(b.RestoreBoard->isVisibleTo(&group.Form(1)));
  EXPECT_TRUE(group[1].Dialogs().questions.isEmpty()) << "nothing was drawn since: nothing to ask";

  // Wiped again, then drawn on: Ctrl+Z takes the stroke back first, and
  // the previous board only if the user agrees to lose what was drawn since.
  group[0].Dialogs().text_answers = {QStringLiteral("602"), QStringLiteral("385")};
  Trigger(group.Form(0), "N2");
  ASSERT_TRUE(AllShow(group, 2, test::WhiteImage(602, 385)));
  const Stroke after = Diagonal(1, 300, 10, 10);
  test::DrawInterleaved(group, {after});
  ASSERT_TRUE(AllShow(group, 2, test::UnionOfStrokes({after})));
  group[1].Dialogs().confirm_answers = {false};
  Trigger(group.Form(1), "Undo");
  EXPECT_TRUE(AllShow(group, 2, test::WhiteImage(602, 385)));
  EXPECT_TRUE(group[1].Dialogs().questions.isEmpty());
  Trigger(group.Form(1), "Undo");
  EXPECT_EQ(group[1].Dialogs().questions.size(), 1);
  EXPECT_TRUE(AllShow(group, 2, test::WhiteImage(602, 385))) << "declined: nothing changes";
}

TEST(BoardUndo, AWipeOfTheBlankBoardACopyWasAlignedToLeavesItsOwnToBringBack) {
  WindowGroup group(3);
  group.ListEachOther();
  // The late copy's board, drawn on; the session's, of two, is blank.
  QImage own = test::WhiteImage(602, 385);
  for (int x = 100; x < 200; ++x) own.setPixel(x, 50, qRgb(200, 0, 0));
  ASSERT_TRUE(own.save(group[2].Path(QStringLiteral("~kv.bmp")), "BMP"));
  group[0].Start();
  group[1].Start();
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return group.Form(0).Session()->Roster().Members().size() == 2; }, 5000));
  TForm1& late = group[2].Start();
  const auto& notice = *late.Controls().Label_Notice;
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return notice.text().contains(QStringLiteral("Доска выровнена по доске сеанса")); },
      10000))
      << notice.text().toStdString();
  ASSERT_TRUE(AllShow(group, 3, test::WhiteImage(602, 385)));

  // A peer wipes the blank board: it took nothing, and "Вернуть" still
  // brings back what the user had drawn.
  group[0].Dialogs().text_answers = {QStringLiteral("602"), QStringLiteral("385")};
  Trigger(group.Form(0), "N2");
  ASSERT_TRUE(QTest::qWaitFor([&] { return notice.text().contains("стёр доску"); }, 3000))
      << notice.text().toStdString();
  ASSERT_TRUE(late.Controls().RestoreBoard->isVisibleTo(&late));
  late.Controls().RestoreBoard->click();
  EXPECT_EQ(late.Board().Image(), own.convertToFormat(QImage::Format_RGB32));
  EXPECT_EQ(group.Form(0).Board().Image(), test::WhiteImage(602, 385)) << "the session's stays";
}

}  // namespace
}  // namespace kovra
