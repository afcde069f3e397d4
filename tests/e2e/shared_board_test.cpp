// Two complete windows that list each other draw with every tool on one
// board; once the commands have arrived both boards are the same.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QListWidget>
#include <QMouseEvent>
#include <QTest>
#include <QWheelEvent>
#include <cmath>
#include <memory>

#include "app/main_window.h"
#include "board/board_view.h"
#include "board/canvas.h"
#include "common/loopback.h"
#include "common/test_window.h"
#include "common/window_group.h"
#include "net/command_table.h"
#include "net/correspondents.h"

namespace kovra {
namespace {

using test::TestWindow;

class SharedBoard : public ::testing::Test {
 protected:
  SharedBoard() : group_(2), a_(group_[0]), b_(group_[1]) {
    EXPECT_TRUE(group_.StartListingEachOther());
    B().show();
    A().show();
    // A is the active window: a deactivation would end A's gestures.
    A().activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&A()));
  }
  TForm1& A() { return a_.Window(); }
  TForm1& B() { return b_.Window(); }

  void Gesture(ToolId tool, QPoint from, const std::vector<QPoint>& path, QPoint to) {
    A().Controls().ListTools->setCurrentRow(ToolRow(tool));
    QWidget* board = A().Controls().Image_KV;
    QTest::mousePress(board, Qt::LeftButton, Qt::NoModifier, from);
    for (QPoint p : path) {
      QMouseEvent move(QEvent::MouseMove, p, board->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                       Qt::NoModifier);
      QCoreApplication::sendEvent(board, &move);
    }
    QTest::mouseRelease(board, Qt::LeftButton, Qt::NoModifier, to);
  }
  // Both boards equal, and each screen shows its board as it is.
  bool BothScreensTrue() {
    return BoardsAgree() && test::ScreenShowsBoard(A()) && test::ScreenShowsBoard(B());
  }
  bool BoardsAgree() {
    return QTest::qWaitFor([&] { return A().Board().Image() == B().Board().Image(); }, 3000);
  }

  test::WindowGroup group_;
  TestWindow& a_;
  TestWindow& b_;
};

TEST_F(SharedBoard, EveryToolLeavesBothBoardsEqual) {
  a_.Dialogs().color_answers = {QColor(200, 30, 30), QColor(30, 160, 220)};
  A().ToolColumn().Panel_Cvet_FonMouseDown(Qt::LeftButton);
  A().ToolColumn().Panel_Cvet_FonMouseDown(Qt::RightButton);
  A().Controls().List_W->setCurrentRow(3);

  Gesture(ToolId::kFreehand, {20, 20}, {{60, 40}, {100, 30}, {140, 80}}, {140, 80});
  Gesture(ToolId::kStraightLine, {30, 200}, {{200, 250}}, {250, 300});
  Gesture(ToolId::kRectangle, {300, 20}, {{350, 60}}, {400, 120});
  Gesture(ToolId::kFilledRectangle, {420, 20}, {{450, 60}}, {500, 120});
  Gesture(ToolId::kEllipse, {300, 150}, {{330, 180}}, {400, 260});
  Gesture(ToolId::kFilledEllipse, {420, 150}, {{470, 200}}, {560, 300});
  Gesture(ToolId::kFloodFill, {350, 90}, {}, {350, 90});
  a_.Dialogs().text_answers = {QStringLiteral("Съешь же ещё этих мягких булок")};
  Gesture(ToolId::kText, {40, 320}, {}, {40, 320});
  Gesture(ToolId::kPointer, {10, 10}, {{15, 15}}, {15, 15});
  Gesture(ToolId::kEraser, {550, 40}, {{580, 40}},
          {580, 40});  // on a blank part: squares and line agree
  EXPECT_TRUE(BoardsAgree());
  EXPECT_NE(A().Board().Image(), test::WhiteImage(602, 385)) << "something was drawn";
  EXPECT_TRUE(a_.Dialogs().errors.isEmpty());
  EXPECT_TRUE(b_.Dialogs().errors.isEmpty());
}

TEST_F(SharedBoard, ScreensShowExactlyTheBoards) {
  // The windows settle first (maximised, painted once), so that what follows
  // is shown by the repaints of the changed areas alone.
  QTest::qWait(200);
  ASSERT_TRUE(test::ScreenShowsBoard(A()));
  // A one-pixel spiral, every segment short and in its own direction, each
  // on screen before the next: changes gathered into one frame would hide
  // an area that misses pixels.
  std::vector<QPoint> spiral;
  for (int step = 0; step < 48; ++step) {
    const double angle = step * 0.4;
    const double radius = 4 + step * 1.5;
    spiral.emplace_back(300 + static_cast<int>(std::lround(radius * std::cos(angle))),
                        190 + static_cast<int>(std::lround(radius * std::sin(angle))));
  }
  A().Controls().ListTools->setCurrentRow(ToolRow(ToolId::kFreehand));
  QTest::mousePress(A().Controls().Image_KV, Qt::LeftButton, Qt::NoModifier, spiral.front());
  for (QPoint p : spiral) {
    QMouseEvent move(QEvent::MouseMove, p, A().Controls().Image_KV->mapToGlobal(p), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(A().Controls().Image_KV, &move);
    ASSERT_TRUE(BothScreensTrue()) << "to " << p.x() << "," << p.y();
  }
  QTest::mouseRelease(A().Controls().Image_KV, Qt::LeftButton, Qt::NoModifier, spiral.back());

  a_.Dialogs().font_answers = {FontChoice{
      QFont(QStringLiteral("DejaVu Serif"), 14, QFont::Bold, true), 0x00800000}};  // navy
  A().ToolColumn().SpeedButton2Click();
  struct Step {
    ToolId tool;
    QPoint from;
    std::vector<QPoint> path;
    QPoint to;
  };
  for (int width : {1, 4}) {
    A().Controls().List_W->setCurrentRow(width);
    const int dx = 50 * width;
    const Step steps[] = {
        {ToolId::kStraightLine, {56, 59}, {{58, 58}}, {60, 58}},
        {ToolId::kRectangle, {20, 20}, {{30, 30}}, {41, 33}},
        {ToolId::kFilledRectangle, {dx, 90}, {}, {dx + 33, 125}},
        {ToolId::kEllipse, {120, 20}, {}, {171, 47}},
        {ToolId::kFilledEllipse, {190, 20}, {}, {227, 69}},
        {ToolId::kText, {20, 300 + dx / 2}, {}, {20, 300}},
        {ToolId::kFloodFill, {30, 26}, {}, {30, 26}},  // inside the frame: a small area
        {ToolId::kEraser, {250 + dx, 100}, {{270 + dx, 140}}, {270 + dx, 140}}};
    for (const Step& step : steps) {
      a_.Dialogs().text_answers = {QStringLiteral("Жирный курсив")};
      Gesture(step.tool, step.from, step.path, step.to);
      ASSERT_TRUE(BothScreensTrue()) << "tool " << ToolRow(step.tool) << ", width " << width;
    }
  }

  // The eraser's square is shown above the board, never in it.
  A().Controls().ListTools->setCurrentRow(ToolRow(ToolId::kEraser));
  QTest::mousePress(A().Controls().Image_KV, Qt::LeftButton, Qt::NoModifier, {100, 250});
  ASSERT_TRUE(QTest::qWaitFor(
      [&] { return test::OnScreen(A().Controls().Image_KV).pixel(96, 246) == qRgb(0, 0, 0); }));
  EXPECT_EQ(A().Board().Image().pixel(96, 246), qRgb(255, 255, 255));
  QTest::mouseRelease(A().Controls().Image_KV, Qt::LeftButton, Qt::NoModifier, {100, 250});
  EXPECT_TRUE(test::ScreenShowsBoard(A())) << "no square after the release";
}

TEST_F(SharedBoard, AStrokeAcrossTheOtherSidesBandIsNeverTouchedByIt) {
  // A drags a rectangle; while its band is shown, B draws across it.
  A().Controls().ListTools->setCurrentRow(ToolRow(ToolId::kRectangle));
  QTest::mousePress(A().Controls().Image_KV, Qt::LeftButton, Qt::NoModifier, {100, 100});
  QMouseEvent drag(QEvent::MouseMove, QPoint(300, 250),
                   A().Controls().Image_KV->mapToGlobal(QPoint(300, 250)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(A().Controls().Image_KV, &drag);
  ASSERT_TRUE(QTest::qWaitFor([&] {
    return test::OnScreen(A().Controls().Image_KV).pixel(200, 100) == qRgb(0, 0, 0);
  })) << "the band shows, its pixels inverted";
  EXPECT_EQ(A().Board().Image().pixel(200, 100), qRgb(255, 255, 255)) << "and is not on the board";
  B().Controls().ListTools->setCurrentRow(ToolRow(ToolId::kStraightLine));
  QTest::mousePress(B().Controls().Image_KV, Qt::LeftButton, Qt::NoModifier, {50, 100});
  QTest::mouseRelease(B().Controls().Image_KV, Qt::LeftButton, Qt::NoModifier, {400, 250});
  ASSERT_TRUE(QTest::qWaitFor([&] { return A().Board().Image() == B().Board().Image(); }, 3000))
      << "the received line is on A's board, the band is not";
  QTest::mouseRelease(A().Controls().Image_KV, Qt::LeftButton, Qt::NoModifier, {300, 250});
  EXPECT_TRUE(BoardsAgree());
  EXPECT_EQ(A().Board().Image().pixel(200, 100), qRgb(0, 0, 0)) << "the rectangle is drawn";
  EXPECT_TRUE(test::ScreenShowsBoard(A()));
}

TEST_F(SharedBoard, ZoomedDrawingSendsBoardPointsAndShowsSharpPixels) {
  A().Controls().Image_KV->SetZoom(200);
  EXPECT_EQ(A().Controls().Image_KV->size(), QSize(1204, 770));
  // A line from view (200, 200) to (400, 300) is one from board (100, 100) to (200, 150).
  Gesture(ToolId::kStraightLine, {200, 200}, {{300, 250}}, {400, 300});
  ASSERT_TRUE(BoardsAgree());
  const QImage& board = A().Board().Image();
  EXPECT_NE(board.pixel(100, 100), qRgb(255, 255, 255));
  EXPECT_NE(board.pixel(150, 125), qRgb(255, 255, 255));
  for (int y = 0; y < board.height(); ++y) {
    for (int x = 201; x < board.width(); ++x) {
      ASSERT_EQ(board.pixel(x, y), qRgb(255, 255, 255)) << "nothing at view points";
    }
  }
  // Each board pixel shows as a sharp 2 by 2 square.
  ASSERT_TRUE(QTest::qWaitFor([&] {
    const QImage shown = test::OnScreen(A().Controls().Image_KV);
    return shown.pixel(200, 200) == board.pixel(100, 100) &&
           shown.pixel(201, 201) == board.pixel(100, 100) &&
           shown.pixel(198, 200) == board.pixel(99, 100);
  }));

  // Ctrl with the wheel steps the zoom, Ctrl+0 brings it back.
  QWheelEvent wheel(QPointF(10, 10), A().Controls().Image_KV->mapToGlobal(QPointF(10, 10)),
                    QPoint(), QPoint(0, 120), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase,
                    false);
  QCoreApplication::sendEvent(A().Controls().Image_KV, &wheel);
  EXPECT_EQ(A().Controls().Image_KV->Zoom(), 300);
  A().findChild<QAction*>(QStringLiteral("ZoomActualSize"))->trigger();
  EXPECT_EQ(A().Controls().Image_KV->Zoom(), 100);
  EXPECT_TRUE(test::ScreenShowsBoard(A()));
}

TEST_F(SharedBoard, APointerShowsAboveTheOtherBoardAndNeverInIt) {
  const QImage before = B().Board().Image();
  int pointers_handled = 0;
  const CommandTable::Handler show = B().Commands().Get("ImageKV_CursorTo");
  B().Commands().Set("ImageKV_CursorTo", [&](const std::string& args) {
    show(args);
    ++pointers_handled;
  });
  A().Controls().ListTools->setCurrentRow(ToolRow(ToolId::kPointer));
  // Hovering, no button held: many moves at once go out as one.
  for (int x = 100; x < 150; ++x) {
    QMouseEvent hover(QEvent::MouseMove, QPoint(x, 100),
                      A().Controls().Image_KV->mapToGlobal(QPoint(x, 100)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(A().Controls().Image_KV, &hover);
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return B().Controls().Image_KV->PointerCount() == 1; }, 3000));
  QTest::qWait(100);
  EXPECT_LE(pointers_handled, 2) << "about 30 a second at most";
  EXPECT_EQ(B().Board().Image(), before) << "never drawn into the board";
  EXPECT_TRUE(QTest::qWaitFor([&] {
    return test::OnScreen(B().Controls().Image_KV).pixel(100, 100) != before.pixel(100, 100);
  })) << "the marker shows on the screen";
  EXPECT_TRUE(QTest::qWaitFor([&] { return B().Controls().Image_KV->PointerCount() == 0; }, 8000))
      << "and fades after a few seconds";
  EXPECT_TRUE(test::ScreenShowsBoard(B()));
}

TEST_F(SharedBoard, MovesThatArriveWhileACommandGoesOutFollowIt) {
  A().Controls().ListTools->setCurrentRow(ToolRow(ToolId::kFreehand));
  QWidget* board = A().Controls().Image_KV;
  auto move = [board](QPoint p) {
    return new QMouseEvent(QEvent::MouseMove, QPointF(p), QPointF(board->mapToGlobal(p)),
                           Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  };
  BoardCanvas expected;
  expected.Reset(test::WhiteImage(A().Board().Image().width(), A().Board().Image().height()));
  expected.SetPenColor(kClWindowText);
  for (int stroke = 0; stroke < 8; ++stroke) {
    const int y = 20 + 40 * stroke;
    // The first move waits in the queue when the press's MoveTo goes out,
    // and the fan-out's walk runs the event loop; the next come at once.
    QCoreApplication::postEvent(board, move(QPoint(60, y + 20)));
    QTest::mousePress(board, Qt::LeftButton, Qt::NoModifier, {20, y});
    for (QPoint p : {QPoint(60, y), QPoint(100, y + 10)}) {
      const std::unique_ptr<QMouseEvent> next(move(p));
      QCoreApplication::sendEvent(board, next.get());
    }
    QTest::mouseRelease(board, Qt::LeftButton, Qt::NoModifier, {100, y + 10});
    // Drawn here in the order given.
    expected.MoveTo(20, y);
    for (QPoint p : {QPoint(60, y + 20), QPoint(60, y), QPoint(100, y + 10)})
      expected.LineTo(p.x(), p.y());
    ASSERT_TRUE(QTest::qWaitFor([&] { return A().Board().Image() == expected.Image(); }));
  }
  // And there.
  EXPECT_TRUE(BothScreensTrue());
}

}  // namespace
}  // namespace kovra
