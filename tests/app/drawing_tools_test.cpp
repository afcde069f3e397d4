// Each tool's gesture driven with mouse events on Image_KV: the board after
// the release, and the commands that went to a present correspondent.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QListWidget>
#include <QMouseEvent>
#include <QTest>
#include <map>

#include "app/main_window.h"
#include "app/received_commands.h"
#include "board/board_view.h"
#include "board/replay.h"
#include "common/loopback.h"
#include "common/test_window.h"
#include "net/command.h"
#include "net/command_table.h"
#include "net/correspondents.h"

namespace kovra {
namespace {

using test::Collector;
using test::TestWindow;

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kRed = qRgb(255, 0, 0);

class DrawingTest : public ::testing::Test {
 protected:
  DrawingTest() : peer_(QHostAddress(QStringLiteral("127.0.0.31")), test_.Env().udp_port) {
    TForm1& form = test_.Start();
    form.show();
    form.UserList().Append("127.0.0.31=Yes");
    test_.Dialogs().color_answers = {QColor(255, 0, 0)};
    form.ToolColumn().Panel_Cvet_FonMouseDown(Qt::LeftButton);  // a red pen
    form.Commands().Dispatch({"NEWKV", "200 150"});
  }
  TForm1& Form() { return test_.Window(); }
  QWidget* Board() { return Form().Controls().Image_KV; }
  QRgb At(int x, int y) { return Form().Board().Image().pixel(x, y); }
  std::map<QRgb, int> Colours() {
    std::map<QRgb, int> count;
    const QImage& image = Form().Board().Image();
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) ++count[image.pixel(x, y)];
    }
    return count;
  }
  void Tool(ToolId id) { Form().Controls().ListTools->setCurrentRow(ToolRow(id)); }
  void Press(QPoint at, Qt::MouseButton button = Qt::LeftButton) {
    QTest::mousePress(Board(), button, Qt::NoModifier, at);
  }
  void Move(QPoint at, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QMouseEvent move(QEvent::MouseMove, at, Board()->mapToGlobal(at), Qt::NoButton, Qt::LeftButton,
                     keys);
    QCoreApplication::sendEvent(Board(), &move);
  }
  void Release(QPoint at, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QTest::mouseRelease(Board(), button, keys, at);
  }
  void Drag(QPoint from, std::initializer_list<QPoint> path, QPoint to) {
    Press(from);
    for (QPoint p : path) Move(p);
    Release(to);
  }
  std::vector<QByteArray> Sent(std::size_t count) {
    EXPECT_TRUE(peer_.WaitFor(count));
    QTest::qWait(30);
    return peer_.Received();
  }

  TestWindow test_;
  Collector peer_;
};

TEST_F(DrawingTest, NothingWithoutTheSwitchOrWithOtherButtons) {
  const auto before = Colours();
  for (const ToolEntry& tool : ToolTable()) {
    Tool(tool.id);
    Release({40, 40});  // a release with no press behind it ends nothing
  }
  EXPECT_EQ(Colours(), before);
  Form().Controls().CB_YesPaint->click();  // off
  Tool(ToolId::kStraightLine);
  Drag({10, 10}, {{50, 50}}, {60, 60});
  Form().Controls().CB_YesPaint->click();  // on again
  Press({10, 10}, Qt::RightButton);
  Move({40, 40});
  Release({40, 40}, Qt::RightButton);
  EXPECT_EQ(Colours(), before);
  QTest::qWait(50);
  EXPECT_TRUE(peer_.Received().empty());
  EXPECT_FALSE(Form().CurrentGesture().Drawing);
}

TEST_F(DrawingTest, FreehandFollowsThePointerAndTheConstraint) {
  Tool(ToolId::kFreehand);
  Drag({10, 10}, {{30, 10}, {30, 30}}, {30, 30});
  EXPECT_EQ(At(10, 10), kRed);
  EXPECT_EQ(At(29, 10), kRed);
  EXPECT_EQ(At(30, 29), kRed);
  const auto sent = Sent(3);
  EXPECT_EQ(sent, (std::vector<QByteArray>{"Kovra:>ImageKV_MoveTo:>10 10",
                                           "Kovra:>ImageKV_LineTo:>30 10 1 clRed",
                                           "Kovra:>ImageKV_LineTo:>30 30 1 clRed"}))
      << "each move is sent within its own event; the release sends nothing";

  Press({100, 100});
  Move({130, 120}, Qt::ControlModifier);
  Move({140, 90}, Qt::ShiftModifier);
  Move({150, 150}, Qt::ControlModifier | Qt::ShiftModifier);
  Release({150, 150});
  const auto more = Sent(7);
  EXPECT_EQ(more[3], "Kovra:>ImageKV_MoveTo:>100 100");
  EXPECT_EQ(more[4], "Kovra:>ImageKV_LineTo:>100 120 1 clRed");
  EXPECT_EQ(more[5], "Kovra:>ImageKV_LineTo:>140 100 1 clRed");
  EXPECT_EQ(more[6], "Kovra:>ImageKV_LineTo:>100 100 1 clRed") << "both keys: the anchor";
  EXPECT_EQ(At(100, 110), kRed);
  EXPECT_EQ(At(120, 100), kRed);
}

TEST_F(DrawingTest, StraightLineAndRectanglesLeaveNoBand) {
  Tool(ToolId::kStraightLine);
  Press({10, 20});
  Move({80, 60});
  Move({90, 70});
  Release({100, 20}, Qt::LeftButton, Qt::ShiftModifier);  // the release point counts, constrained
  EXPECT_EQ(At(10, 20), kRed);
  EXPECT_EQ(At(99, 20), kRed);
  EXPECT_EQ(Colours().size(), 2u) << "only white and the red line: the band is gone";

  Tool(ToolId::kRectangle);
  Drag({20, 40}, {{60, 90}, {70, 100}}, {50, 80});
  EXPECT_EQ(At(20, 40), kRed);
  EXPECT_EQ(At(50, 60), kRed);
  EXPECT_EQ(At(35, 60), kWhite);
  EXPECT_EQ(Colours().size(), 2u);

  Tool(ToolId::kFilledRectangle);
  Drag({120, 20}, {{150, 50}}, {160, 60});
  EXPECT_EQ(At(140, 40), kWhite) << "filled with the fill colour, white";
  EXPECT_EQ(At(120, 20), kRed);

  const auto sent = Sent(6);
  EXPECT_EQ(sent[0], "Kovra:>ImageKV_MoveTo:>10 20");
  EXPECT_EQ(sent[1], "Kovra:>ImageKV_LineFromTo:>10 20 100 20 1 clRed");
  EXPECT_EQ(sent[3], "Kovra:>ImageKV_Rectangle:>20 40 50 80 1 clRed");
  EXPECT_EQ(sent[5], "Kovra:>ImageKV_RectangleFill:>120 20 160 60 1 clRed clWhite");
}

TEST_F(DrawingTest, OnePointRectangleAndFilledRectangleAfterAnEllipse) {
  Tool(ToolId::kRectangle);
  Drag({30, 30}, {}, {30, 30});
  EXPECT_EQ(Sent(2)[1], "Kovra:>ImageKV_Rectangle:>30 30 30 30 1 clRed");

  test_.Dialogs().color_answers = {QColor(0, 0, 255)};
  Form().ToolColumn().Panel_Cvet_FonMouseDown(Qt::RightButton);  // a blue fill
  Tool(ToolId::kEllipse);
  Drag({60, 60}, {{90, 90}}, {100, 100});
  EXPECT_EQ(At(80, 80), kWhite) << "the ellipse is not filled";
  Tool(ToolId::kFilledRectangle);
  Drag({110, 20}, {}, {150, 60});
  EXPECT_EQ(At(130, 40), qRgb(0, 0, 255)) << "setting the fill colour makes the brush solid again";
  Tool(ToolId::kFilledEllipse);
  Drag({20, 100}, {}, {60, 140});
  EXPECT_EQ(At(40, 120), qRgb(0, 0, 255));
  const auto sent = Sent(8);
  EXPECT_EQ(sent[3], "Kovra:>ImageKV_Ellipse:>60 60 100 100 1 clRed clBlue");
  EXPECT_EQ(sent[7], "Kovra:>ImageKV_EllipseFill:>20 100 60 140 1 clRed clBlue");
}

TEST_F(DrawingTest, EraserWhitensWhatPeersWhitenAndShowsItsSquareAboveTheBoard) {
  Tool(ToolId::kFreehand);
  Drag({10, 50}, {{190, 50}}, {190, 50});
  Drag({10, 53}, {{190, 53}}, {190, 53});
  const QImage before = Form().Board().Image();
  Tool(ToolId::kEraser);
  Press({50, 50});
  EXPECT_EQ(Form().Controls().Image_KV->CurrentBand(),
            (Band{Band::Shape::kSquare, {49, 49}, {50, 50}, 1}))
      << "side 2w, from the press on";
  EXPECT_EQ(Form().Board().Image(), before) << "a press erases nothing, as on the peers";
  Move({60, 50});
  Move({80, 52});
  EXPECT_EQ(Form().Controls().Image_KV->CurrentBand(),
            (Band{Band::Shape::kSquare, {79, 51}, {80, 52}, 1}));
  ASSERT_TRUE(QTest::qWaitFor([&] { return test::OnScreen(Board()).pixel(79, 51) == kBlack; }));
  EXPECT_NE(At(79, 51), kBlack) << "the square is above the board, not in it";
  Release({80, 52});
  EXPECT_EQ(Form().Controls().Image_KV->CurrentBand().shape, Band::Shape::kNone);
  EXPECT_TRUE(test::ScreenShowsBoard(Form()));

  const auto sent = Sent(7);
  EXPECT_EQ(sent[4], "Kovra:>ImageKV_MoveTo:>50 50");
  EXPECT_EQ(sent[5], "Kovra:>ImageKV_LineTo:>60 50 2 clWhite");
  EXPECT_EQ(sent[6], "Kovra:>ImageKV_LineTo:>80 52 2 clWhite");
  // A peer with the same board replays what was sent and ends with these pixels.
  BoardCanvas peer;
  peer.Reset(before);
  Replay replay(peer);
  replay.Draw(drawing::MoveTo::Parse("50 50"));
  replay.Draw(drawing::LineTo::Parse("60 50 2 clWhite"));
  replay.Draw(drawing::LineTo::Parse("80 52 2 clWhite"));
  EXPECT_EQ(Form().Board().Image(), peer.Image());
  EXPECT_EQ(At(55, 50), kWhite);
  EXPECT_EQ(At(30, 50), kRed);
}

TEST_F(DrawingTest, FloodFillTextAndPointer) {
  Tool(ToolId::kRectangle);
  Drag({10, 10}, {}, {60, 60});
  test_.Dialogs().color_answers = {QColor(0, 255, 0)};
  Form().ToolColumn().Panel_Cvet_FonMouseDown(Qt::RightButton);
  Tool(ToolId::kFloodFill);
  Drag({30, 30}, {}, {30, 30});
  EXPECT_EQ(At(30, 30), qRgb(0, 255, 0));
  EXPECT_EQ(At(5, 5), kWhite);

  Tool(ToolId::kText);
  test_.Dialogs().text_answers = {QStringLiteral("  Привет|мир  "), std::nullopt,
                                  QStringLiteral("😀")};
  test_.Dialogs().confirm_answers = {false};
  Drag({80, 80}, {}, {80, 80});
  Drag({90, 90}, {}, {90, 90});  // cancelled
  Drag({95, 95}, {}, {95, 95});  // not sent once told the emoji would become "?"
  EXPECT_EQ(test_.Dialogs().questions.size(), 1);
  EXPECT_EQ(test_.Dialogs().prompts.last(), QStringLiteral("Текст|Введите|"));

  Tool(ToolId::kPointer);
  Move({5, 5});  // not while the button is up
  Press({100, 100});
  Move({110, 105});
  Release({110, 105});

  const auto sent = Sent(11);
  EXPECT_EQ(sent[2], "Kovra:>ImageKV_FloodFill:>30 30 clLime clWhite");
  EXPECT_EQ(sent[4].left(22), "Kovra:>ImageKV_SetFont");
  EXPECT_TRUE(sent[4].endsWith("|clWindowText|MS Sans Serif|"));
  EXPECT_EQ(
      sent[5],
      QByteArray("Kovra:>ImageKV_TextOut:>80|80|clLime|\xCF\xF0\xE8\xE2\xE5\xF2|\xEC\xE8\xF0"));
  EXPECT_EQ(sent[6], "Kovra:>ImageKV_MoveTo:>80 80");
  EXPECT_EQ(sent[7], "Kovra:>ImageKV_MoveTo:>90 90") << "a cancelled text sends only the move";
  EXPECT_EQ(sent[8], "Kovra:>ImageKV_MoveTo:>95 95");
  EXPECT_EQ(sent[9], "Kovra:>ImageKV_MoveTo:>100 100");
  EXPECT_EQ(sent[10], "Kovra:>ImageKV_CursorTo:>110 105");
  EXPECT_GT(Colours().count(qRgb(0, 255, 0)), 0u);
}

TEST_F(DrawingTest, GestureEndsWhenTheButtonComesUpOutOfSight) {
  // The release of a text press goes to the prompt; the board never sees it.
  Tool(ToolId::kText);
  test_.Dialogs().text_answers = {QStringLiteral("Слово")};
  Press({20, 20});
  Tool(ToolId::kFreehand);
  const QImage after_text = Form().Board().Image();
  QMouseEvent hover(QEvent::MouseMove, QPoint(90, 90), Board()->mapToGlobal(QPoint(90, 90)),
                    Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QCoreApplication::sendEvent(Board(), &hover);
  Move({120, 120});  // even a later move with the button held belongs to no gesture
  EXPECT_FALSE(Form().CurrentGesture().Drawing);
  EXPECT_EQ(Form().Board().Image(), after_text);

  // A modal box opened during a rectangle drag: its band goes, nothing is sent.
  Tool(ToolId::kRectangle);
  Press({30, 30});
  Move({70, 60});
  EXPECT_EQ(Form().Controls().Image_KV->CurrentBand().shape, Band::Shape::kFrame)
      << "the band is shown";
  EXPECT_EQ(Form().Board().Image(), after_text) << "above the board, not in it";
  QEvent blocked(QEvent::WindowBlocked);
  QCoreApplication::sendEvent(&Form(), &blocked);
  EXPECT_FALSE(Form().CurrentGesture().Drawing);
  EXPECT_EQ(Form().Controls().Image_KV->CurrentBand().shape, Band::Shape::kNone)
      << "the band is gone";
  EXPECT_EQ(Form().Board().Image(), after_text) << "no figure drawn";
  Release({70, 60});  // a release with no gesture behind it does nothing either
  EXPECT_EQ(Form().Board().Image(), after_text);

  const auto sent = Sent(4);
  QTest::qWait(50);
  EXPECT_EQ(peer_.Received().size(), 4u) << "SetFont, TextOut and two moves; no line, no figure";
  EXPECT_EQ(sent[3], "Kovra:>ImageKV_MoveTo:>30 30");
}

TEST_F(DrawingTest, DatagramArrivingInTheMiddleOfAGestureIsDrawnAndTheGestureGoesOn) {
  Tool(ToolId::kStraightLine);
  Press({10, 100});
  Move({100, 100});
  peer_.Send("Kovra:>ImageKV_LineFromTo:>10 10 190 10 1 clBlue",
             QHostAddress(QStringLiteral("127.0.0.1")), test_.Env().udp_port);
  ASSERT_TRUE(QTest::qWaitFor([&] { return At(100, 10) == qRgb(0, 0, 255); }));
  Move({150, 100});
  Release({150, 100});
  EXPECT_EQ(At(149, 100), kRed);
  EXPECT_EQ(At(150, 10), qRgb(0, 0, 255));
  EXPECT_EQ(Colours().size(), 3u) << "white, the received line and the final line: no band";
}

TEST_F(DrawingTest, ReceivedDrawingDuringARectangleDragLeavesTheLocalGestureAlone) {
  Tool(ToolId::kRectangle);
  Press({20, 20});
  Move({60, 60});
  // A peer moves its pen and draws across the band while it is shown.
  for (const char* datagram :
       {"Kovra:>ImageKV_MoveTo:>100 100", "Kovra:>ImageKV_LineTo:>100 30 1 clBlue"}) {
    peer_.Send(datagram, QHostAddress(QStringLiteral("127.0.0.1")), test_.Env().udp_port);
  }
  ASSERT_TRUE(QTest::qWaitFor([&] { return At(100, 31) == qRgb(0, 0, 255); }));
  EXPECT_EQ(Form().CurrentGesture().StartX, 20)
      << "a received move is the sender's, not the anchor";
  Release({120, 120});
  EXPECT_EQ(At(20, 20), kRed) << "the final frame starts at the anchor";
  EXPECT_EQ(At(120, 70), kRed);
  EXPECT_EQ(At(40, 60), kWhite) << "no part of the band stays";
  EXPECT_EQ(Colours().size(), 3u) << "white, red and the received blue, drawn in copy mode";
}

TEST_F(DrawingTest, EveryToolLeavesTheBoardAPeerDrawsFromWhatItSent) {
  const QImage before = Form().Board().Image();
  test_.Dialogs().color_answers = {QColor(0, 0, 255)};
  Form().ToolColumn().Panel_Cvet_FonMouseDown(Qt::RightButton);  // a blue fill
  Form().Controls().List_W->setCurrentRow(3);                    // width 3
  Tool(ToolId::kFreehand);
  Drag({5, 5}, {{40, 12}, {60, 40}, {20, 70}}, {20, 70});
  Tool(ToolId::kEraser);
  Drag({30, 8}, {{45, 20}, {50, 35}}, {50, 35});
  Tool(ToolId::kStraightLine);
  Press({10, 100});
  Move({90, 140}, Qt::ControlModifier);  // kept at the anchor's x
  Release({90, 140}, Qt::LeftButton, Qt::ControlModifier);
  Tool(ToolId::kRectangle);
  Drag({100, 10}, {{130, 40}}, {150, 50});
  Tool(ToolId::kFilledRectangle);
  Drag({110, 60}, {}, {190, 90});
  Tool(ToolId::kEllipse);
  Drag({30, 90}, {}, {80, 130});
  Tool(ToolId::kFilledEllipse);
  Drag({120, 100}, {}, {170, 145});
  Tool(ToolId::kFloodFill);
  Drag({120, 20}, {}, {120, 20});  // inside the rectangle's outline
  Tool(ToolId::kText);
  test_.Dialogs().text_answers = {QStringLiteral("Слово")};
  Drag({60, 50}, {}, {60, 50});

  // A peer with the same board replays every datagram it got.
  const auto sent = Sent(22);
  ASSERT_EQ(sent.size(), 22u);
  BoardCanvas peer;
  peer.Reset(before);
  Replay replay(peer);
  replay.SetSender(0x7F000001, 571);
  CommandTable table;
  AddDrawingRows(table, replay);
  for (const QByteArray& datagram : sent) {
    const auto command = ParseCommandText(datagram.constData(), int(datagram.size()));
    ASSERT_TRUE(command && table.Dispatch(*command)) << datagram.constData();
  }
  EXPECT_EQ(Form().Board().Image(), peer.Image());
  const std::map<QRgb, int> colours = Colours();
  EXPECT_GT(colours.count(kRed), 0u);
  EXPECT_GT(colours.count(qRgb(0, 0, 255)), 0u);
  EXPECT_TRUE(test::ScreenShowsBoard(Form()));
}

}  // namespace
}  // namespace kovra
