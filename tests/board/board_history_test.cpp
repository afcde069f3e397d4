// Taking a step back gives exactly the board that drawing everything else,
// in its order, would give: wide lines, figures, text and a later fill that
// now flows further included, and a peer's later drawing over it kept.
#include "board/board_history.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "board/colors.h"
#include "board/replay.h"
#include "common/test_window.h"

namespace kovra {
namespace {

struct Op {
  int step;  // the user's step, or 0 for a peer's command
  drawing::Command command;
};

drawing::LineTo Line(int x, int y, int width, const char* pen) { return {x, y, width, pen}; }

template <typename Figure>
Figure Box(int x0, int y0, int x1, int y1, int width, const char* pen, const char* fill = "") {
  Figure figure;
  figure.x0 = x0;
  figure.y0 = y0;
  figure.x1 = x1;
  figure.y1 = y1;
  figure.width = width;
  figure.pen = pen;
  figure.fill = fill;
  return figure;
}

// What the board holds with every op but those of the steps left out.
QImage Without(const std::vector<Op>& ops, const std::set<int>& left_out) {
  BoardCanvas canvas;
  canvas.Reset(test::WhiteImage(320, 200));
  Replay replay(canvas);
  for (const Op& op : ops) {
    if (left_out.count(op.step) != 0) continue;
    replay.SetSender(op.step == 0 ? 7 : 0, op.step == 0 ? 7 : 0);
    op.step == 0 ? replay.Draw(op.command) : replay.DrawOwn(op.command);
  }
  return canvas.Image();
}

// A board whose history hears every command drawn on it.
struct Recorded {
  Recorded() {
    canvas.Reset(test::WhiteImage(320, 200));
    replay.OnDrawing = [this](const drawing::Command& command, const DrawingState& before,
                              quint64 sender) { history.Drawing(command, before, sender); };
  }
  BoardCanvas canvas;
  BoardHistory history{canvas};
  Replay replay{canvas};
};

TEST(BoardHistory, AStepTakenBackLeavesTheBoardAsIfItWasNeverDrawn) {
  drawing::SetFont font;
  font.color = "clGreen";
  font.size = 14;
  const std::vector<Op> ops = {
      {1, drawing::MoveTo{{10, 10}}},
      {1, Line(200, 100, 5, "clRed")},
      {1, Line(250, 20, 9, "clRed")},
      {0, drawing::MoveTo{{0, 50}}},
      {0, Line(310, 70, 3, "clBlue")},
      {2, Box<drawing::RectangleFill>(50, 30, 150, 120, 2, "clBlack", "clYellow")},
      {0, Box<drawing::EllipseFill>(100, 0, 220, 90, 4, "clMaroon", "clAqua")},
      {3, font},
      {3, drawing::TextOut{60, 60, "clWhite", "\xcf\xf0\xe8\xe2\xe5\xf2"}},
      {0, Box<drawing::LineFromTo>(0, 199, 319, 0, 7, "clPurple")},
      {3, Box<drawing::Ellipse>(-40, -30, 90, 70, 11, "clNavy", "clWhite")},
      // A fill that the steps taken back let flow further.
      {0, drawing::FloodFill{300, 190, "clLime", ""}},
  };
  Recorded board;
  BoardCanvas& canvas = board.canvas;
  BoardHistory& history = board.history;
  Replay& replay = board.replay;
  // A step stays open while a peer's commands come in the middle of it.
  int open = 0;
  for (const Op& op : ops) {
    if (op.step != 0 && op.step != open) {
      if (open != 0) history.EndStep();
      history.BeginStep();
      open = op.step;
    }
    replay.SetSender(op.step == 0 ? 7 : 0, op.step == 0 ? 7 : 0);
    op.step == 0 ? replay.Draw(op.command) : replay.DrawOwn(op.command);
  }
  history.EndStep();
  ASSERT_EQ(canvas.Image(), Without(ops, {}));

  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(canvas.Image(), Without(ops, {3}));
  const auto change = history.Undo();
  ASSERT_TRUE(change);
  EXPECT_EQ(canvas.Image(), Without(ops, {2, 3}));
  // The change is the pixels that changed, and only those.
  QImage rebuilt = Without(ops, {3});
  for (int y = 0; y < change->area.height(); ++y) {
    for (int x = 0; x < change->area.width(); ++x) {
      const QRgb pixel = change->pixels.pixel(x, y);
      if (qAlpha(pixel) != 0) rebuilt.setPixel(change->area.topLeft() + QPoint(x, y), pixel);
    }
  }
  EXPECT_EQ(rebuilt, canvas.Image());

  ASSERT_TRUE(history.Redo());
  EXPECT_EQ(canvas.Image(), Without(ops, {3}));
  ASSERT_TRUE(history.Undo());
  ASSERT_TRUE(history.Undo());
  EXPECT_EQ(canvas.Image(), Without(ops, {1, 2, 3}));
  EXPECT_FALSE(history.CanUndo());
  EXPECT_FALSE(history.Undo()) << "the peer's commands are not the user's to take back";
}

TEST(BoardHistory, KeepsItsStepsBoundedAndABoardReplacedWhole) {
  Recorded board;
  BoardCanvas& canvas = board.canvas;
  BoardHistory& history = board.history;
  Replay& replay = board.replay;
  const std::size_t steps = BoardHistory::kMaxSteps + 10;
  for (std::size_t i = 0; i < steps; ++i) {
    history.BeginStep();
    replay.DrawOwn(drawing::MoveTo{{int(i * 5), 0}});
    replay.DrawOwn(Line(int(i * 5), 199, 2, "clBlack"));
    history.EndStep();
  }
  std::size_t undone = 0;
  while (history.CanUndo() && history.Undo()) ++undone;
  EXPECT_EQ(undone, BoardHistory::kMaxSteps);

  const QImage before = canvas.Image();
  canvas.Reset(test::WhiteImage(100, 100));
  EXPECT_EQ(history.Previous(), before);
  EXPECT_FALSE(history.CanUndo() || history.CanRedo()) << "the steps were on the old board";
}

TEST(BoardHistory, AStepBackDrawsAnewOnlyWhatCameSinceTheLatestCopyBeforeIt) {
  // Each step fills the whole board: a step back that drew everything
  // anew from the oldest step kept would fill it dozens of times.
  Recorded board;
  board.canvas.Reset(test::WhiteImage(1500, 1000));
  const char* colours[] = {"clRed", "clBlue", "clYellow"};
  const int steps = 40;
  for (int step = 0; step < steps; ++step) {
    board.history.BeginStep();
    board.replay.DrawOwn(drawing::FloodFill{1, 1, colours[step % 3], ""});
    board.history.EndStep();
  }
  for (int back = 1; back <= 10; ++back) {
    ASSERT_TRUE(board.history.Undo()) << back;
    EXPECT_LE(board.history.LastRedrawn(), 1u) << back;
    EXPECT_EQ(board.canvas.Image().pixel(700, 500),
              ToQColor(StringToColor(colours[(steps - back - 1) % 3])).rgb())
        << back;
  }
}

TEST(BoardHistory, WhatOverflowsItsMemoryGoesIntoTheCopyAndTheNewestStepStillComesBackExactly) {
  Recorded board;
  board.history.BeginStep();
  board.replay.DrawOwn(drawing::MoveTo{{0, 0}});
  board.replay.DrawOwn(Line(319, 199, 3, "clRed"));
  board.history.EndStep();
  // The repair pastes whole boards, far more than the history may hold.
  QImage black = test::WhiteImage(320, 200);
  black.fill(Qt::black);
  const std::size_t pastes = BoardHistory::kMaxBytes / black.sizeInBytes() + 20;
  for (std::size_t i = 0; i < pastes; ++i) {
    board.canvas.Paste(i % 2 == 0 ? black : test::WhiteImage(320, 200), QPoint(0, 0));
  }
  EXPECT_FALSE(board.history.CanUndo()) << "the oldest step gave way";
  const QImage before = board.canvas.Image();
  board.history.BeginStep();
  board.replay.DrawOwn(drawing::MoveTo{{0, 199}});
  board.replay.DrawOwn(Line(319, 0, 5, "clBlue"));
  board.history.EndStep();
  ASSERT_TRUE(board.history.Undo());
  EXPECT_EQ(board.canvas.Image(), before);
}

TEST(BoardHistory, APeersStepIsTakenBackByItsKeyAndTheUsersStaysAsItIs) {
  Recorded board;
  const quint64 peer = Replay::Key(7, 7);
  const std::vector<Op> ops = {
      {0, drawing::MoveTo{{0, 100}}},
      {0, Line(319, 100, 6, "clBlue")},
      {1, drawing::MoveTo{{160, 0}}},
      {1, Line(160, 199, 4, "clRed")},
  };
  board.history.BeginStep(peer);  // the peer marks where its gesture begins
  board.replay.SetSender(7, 7);
  board.replay.Draw(ops[0].command);
  board.replay.Draw(ops[1].command);
  board.history.BeginStep();
  board.replay.DrawOwn(ops[2].command);
  board.replay.DrawOwn(ops[3].command);
  board.history.EndStep();
  EXPECT_TRUE(board.history.CanUndo(peer));
  ASSERT_TRUE(board.history.Undo(peer)) << "its last step, still open until its next begins";
  EXPECT_EQ(board.canvas.Image(), Without(ops, {0}));
  ASSERT_TRUE(board.history.Redo(peer));
  ASSERT_TRUE(board.history.Undo());
  EXPECT_EQ(board.canvas.Image(), Without(ops, {1}));
}

TEST(BoardHistory, StepsAmidFillsComeBackExactlyFromTheCopiesKeptAndOneBuriedTooDeepIsForgotten) {
  // The user's steps and a peer's (negative) each fill much of the board,
  // so that a copy is kept at nearly every step's start. The peer takes
  // back steps that come before copies the user's next step back would
  // start from: those copies no longer hold, and the board must still be exact.
  const char* colours[] = {"clRed", "clBlue", "clYellow", "clGreen", "clAqua", "clFuchsia"};
  const quint64 peer = Replay::Key(7, 7);
  std::vector<Op> ops;
  for (int step = 1; step <= 12; ++step) {
    ops.push_back({step, drawing::MoveTo{{step * 20, 0}}});
    ops.push_back({step, Line(step * 20 + 30, 199, 3 + step % 4, "clBlack")});
    ops.push_back({step, drawing::FloodFill{1, 1 + step, colours[step % 6], ""}});
    ops.push_back({-step, drawing::FloodFill{318, 198 - step, colours[(step + 3) % 6], ""}});
  }
  auto without = [&ops](const std::set<int>& left_out) {
    BoardCanvas canvas;
    canvas.Reset(test::WhiteImage(320, 200));
    Replay replay(canvas);
    for (const Op& op : ops) {
      if (left_out.count(op.step) != 0) continue;
      replay.SetSender(op.step < 0 ? 7 : 0, op.step < 0 ? 7 : 0);
      op.step < 0 ? replay.Draw(op.command) : replay.DrawOwn(op.command);
    }
    return canvas.Image();
  };
  Recorded board;
  for (const Op& op : ops) {
    if (op.step < 0) {
      board.history.EndStep();
      board.history.BeginStep(peer);
      board.replay.SetSender(7, 7);
      board.replay.Draw(op.command);
      continue;
    }
    if (std::holds_alternative<drawing::MoveTo>(op.command)) board.history.BeginStep();
    board.replay.SetSender(0, 0);
    board.replay.DrawOwn(op.command);
  }
  board.history.EndStep();
  ASSERT_EQ(board.canvas.Image(), without({}));
  std::set<int> out;
  for (int step = 12; step >= 10; --step) {
    ASSERT_TRUE(board.history.Undo()) << step;
    out.insert(step);
    ASSERT_EQ(board.canvas.Image(), without(out)) << step;
  }
  for (int step = 12; step >= 3; --step) {
    ASSERT_TRUE(board.history.Undo(peer)) << -step;
    out.insert(-step);
  }
  ASSERT_EQ(board.canvas.Image(), without(out));
  for (int step = 9; step >= 7; --step) {
    ASSERT_TRUE(board.history.Undo()) << step;
    out.insert(step);
    ASSERT_EQ(board.canvas.Image(), without(out)) << step;
  }
  for (int step = 3; step <= 5; ++step) {
    ASSERT_TRUE(board.history.Redo(peer)) << -step;
    out.erase(-step);
    ASSERT_EQ(board.canvas.Image(), without(out)) << -step;
  }
  ASSERT_TRUE(board.history.Redo());
  out.erase(7);
  EXPECT_EQ(board.canvas.Image(), without(out));

  // A step under a little drawing is taken back; under more than drawing
  // anew may cost, it is forgotten rather than made to cost it.
  Recorded buried;
  buried.history.BeginStep();
  buried.replay.DrawOwn(drawing::MoveTo{{0, 100}});
  buried.replay.DrawOwn(Line(319, 100, 9, "clRed"));
  buried.history.EndStep();
  buried.replay.SetSender(7, 7);
  const qint64 board_pixels = 320 * 200;
  const qint64 fills = BoardHistory::kMaxReplayPixels / board_pixels + 2;
  for (qint64 i = 0; i < fills; ++i) {
    buried.replay.Draw(drawing::FloodFill{0, 0, i % 2 == 0 ? "clBlue" : "clWhite", ""});
    if (i == 10) {
      ASSERT_TRUE(buried.history.CanUndo()) << "ten fills over it";
    }
  }
  EXPECT_FALSE(buried.history.CanUndo());
}

}  // namespace
}  // namespace kovra
