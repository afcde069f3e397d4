// Two complete windows that list each other draw with every tool on one
// board; once the commands have arrived both boards are the same.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QListWidget>
#include <QMouseEvent>
#include <QTest>

#include "app/main_window.h"
#include "board/board_view.h"
#include "common/loopback.h"
#include "common/test_window.h"
#include "net/correspondents.h"

namespace kovra {
namespace {

using testing::TestWindow;

class SharedBoard : public ::testing::Test {
 protected:
  SharedBoard()
      : port_(testing::FreeUdpPort()),
        a_("127.0.0.2", QStringLiteral("127.0.0.2"), port_),
        b_("127.0.0.3", QStringLiteral("127.0.0.3"), port_) {
    a_.WriteFile(QStringLiteral("~ListUser.txt"), "127.0.0.3=No\r\n");
    b_.WriteFile(QStringLiteral("~ListUser.txt"), "127.0.0.2=No\r\n");
    a_.Start(false).show();
    b_.Start(false);
    EXPECT_TRUE(QTest::qWaitFor([&] {
      return A().UserList().Lines() == std::vector<std::string>{"127.0.0.3=Yes"} &&
             B().UserList().Lines() == std::vector<std::string>{"127.0.0.2=Yes"};
    }, 5000));
    A().CB_YesPaint->click();
  }
  TForm1& A() { return a_.Window(); }
  TForm1& B() { return b_.Window(); }

  void Gesture(int tool, QPoint from, std::initializer_list<QPoint> path, QPoint to) {
    A().ListTools->setCurrentRow(tool);
    QWidget* board = A().Image_KV;
    QTest::mousePress(board, Qt::LeftButton, Qt::NoModifier, from);
    for (QPoint p : path) {
      QMouseEvent move(QEvent::MouseMove, p, board->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                       Qt::NoModifier);
      QCoreApplication::sendEvent(board, &move);
    }
    QTest::mouseRelease(board, Qt::LeftButton, Qt::NoModifier, to);
  }
  bool BoardsAgree() {
    return QTest::qWaitFor([&] { return A().Board().Image() == B().Board().Image(); }, 3000);
  }

  quint16 port_;
  TestWindow a_;
  TestWindow b_;
};

TEST_F(SharedBoard, EveryToolLeavesBothBoardsEqual) {
  a_.Dialogs().color_answers = {QColor(200, 30, 30), QColor(30, 160, 220)};
  A().Panel_Cvet_FonMouseDown(Qt::LeftButton);
  A().Panel_Cvet_FonMouseDown(Qt::RightButton);
  A().List_W->setCurrentRow(3);

  Gesture(0, {20, 20}, {{60, 40}, {100, 30}, {140, 80}}, {140, 80});
  Gesture(2, {30, 200}, {{200, 250}}, {250, 300});
  Gesture(3, {300, 20}, {{350, 60}}, {400, 120});
  Gesture(4, {420, 20}, {{450, 60}}, {500, 120});
  Gesture(5, {300, 150}, {{330, 180}}, {400, 260});
  Gesture(6, {420, 150}, {{470, 200}}, {560, 300});
  Gesture(7, {350, 90}, {}, {350, 90});
  a_.Dialogs().text_answers = {QStringLiteral("Съешь же ещё этих мягких булок")};
  Gesture(8, {40, 320}, {}, {40, 320});
  Gesture(9, {10, 10}, {{15, 15}}, {15, 15});
  Gesture(1, {550, 40}, {{580, 40}}, {580, 40});  // on a blank part: squares and line agree
  EXPECT_TRUE(BoardsAgree());
  EXPECT_NE(A().Board().Image(), testing::WhiteImage(602, 385)) << "something was drawn";
  EXPECT_TRUE(a_.Dialogs().errors.isEmpty());
  EXPECT_TRUE(b_.Dialogs().errors.isEmpty());
}

}  // namespace
}  // namespace kovra
