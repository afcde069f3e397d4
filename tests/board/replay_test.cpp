#include "board/replay.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <climits>
#include <map>

#include "board/drawing_commands.h"
#include "common/test_window.h"
#include "support/error_guard.h"
#include "support/text.h"

namespace kovra {
namespace {

const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);
const QRgb kRed = qRgb(255, 0, 0);

struct Board {
  Board() : replay(canvas) { canvas.Reset(test::WhiteImage(60, 40)); }
  // What the commands of the one sender here have left behind.
  DrawingState Left() const { return replay.SenderState(0, 0); }
  QRgb At(int x, int y) const { return canvas.Image().pixel(x, y); }
  std::map<QRgb, int> Colours() const {
    std::map<QRgb, int> count;
    for (int y = 0; y < canvas.Height(); ++y) {
      for (int x = 0; x < canvas.Width(); ++x) ++count[canvas.Image().pixel(x, y)];
    }
    return count;
  }
  BoardCanvas canvas;
  Replay replay;
};

QString ErrorOf(const std::function<void()>& command) {
  try {
    command();
  } catch (const Error& error) {
    return error.Message();
  }
  return {};
}

TEST(Replay, LinesReadTheirFieldsWithDefaults) {
  Board b;
  b.replay.Draw(drawing::MoveTo::Parse("2 20"));
  EXPECT_EQ(b.Left().pen_pos, QPoint(2, 20));
  EXPECT_EQ(b.canvas.PenPos(), QPoint(0, 0)) << "the local pen stays where it was";
  b.replay.Draw(drawing::LineTo::Parse("10 20"));  // width 1, black
  EXPECT_EQ(b.At(2, 20), kBlack);
  EXPECT_EQ(b.At(9, 20), kBlack);
  EXPECT_EQ(b.At(10, 20), kWhite);
  EXPECT_EQ(b.Left().pen_pos, QPoint(10, 20));

  b.replay.Draw(drawing::LineTo::Parse("10    30   3 clRed"));  // runs of spaces are one separator
  EXPECT_EQ(b.Left().pen_width, 3);
  EXPECT_EQ(b.Left().pen_color, kClRed);
  EXPECT_EQ(b.At(11, 25), kRed);
  EXPECT_EQ(b.At(14, 25), kWhite);

  b.replay.Draw(
      drawing::LineFromTo::Parse("40 5 40 15 -7 $00FF0000"));  // a negative width keeps the width
  EXPECT_EQ(b.Left().pen_width, 3);
  EXPECT_EQ(b.At(40, 10), qRgb(0, 0, 255));

  EXPECT_EQ(ErrorOf([&] { b.replay.Draw(drawing::LineTo::Parse("50 35 1 red")); }),
            QStringLiteral("'red' is not a valid integer value"));
  EXPECT_EQ(b.Left().pen_width, 1) << "what came before the bad field stays set";
  EXPECT_EQ(b.Left().pen_pos, QPoint(40, 15)) << "nothing drawn after it";
}

TEST(Replay, FiguresLeaveTheStateOfTheTable) {
  Board b;
  b.replay.Draw(drawing::Rectangle::Parse("5 5 15 12 1 clRed"));
  EXPECT_EQ(b.At(5, 5), kRed);
  EXPECT_EQ(b.At(15, 12), kRed) << "each corner is the start of one of the four lines";
  EXPECT_EQ(b.At(16, 12), kWhite);
  EXPECT_EQ(b.At(15, 5), kRed);
  EXPECT_EQ(b.At(10, 8), kWhite) << "the brush is not used";
  EXPECT_EQ(b.Left().pen_pos, QPoint(5, 5));

  b.replay.Draw(drawing::Ellipse::Parse("20 5 40 25 1 clBlack clRed"));
  EXPECT_EQ(b.Left().brush_style, BrushStyle::kClear);
  EXPECT_EQ(b.Left().brush_color, kClWhite) << "field 7 leaves no trace";
  EXPECT_EQ(b.At(30, 15), kWhite);
  EXPECT_EQ(b.At(30, 5), kBlack);

  // An empty background field: the text is taken for the colour.
  EXPECT_EQ(ErrorOf([&] { b.replay.Draw(drawing::TextOut::Parse("0|0||x")); }),
            QStringLiteral("'x' is not a valid integer value"));
  EXPECT_EQ(b.Left().brush_style, BrushStyle::kSolid)
      << "the style was set before the colour failed";

  b.replay.Draw(drawing::RectangleFill::Parse("42 2 58 10 1 clBlack $0000FF00"));
  EXPECT_EQ(b.At(50, 6), qRgb(0, 255, 0));
  EXPECT_EQ(b.At(42, 2), kBlack);
  EXPECT_EQ(b.At(58, 10), kWhite);
  EXPECT_EQ(b.Left().pen_mode, PenMode::kCopy);

  b.replay.Draw(drawing::EllipseFill::Parse("42 20 58 38 1 clRed clRed"));
  EXPECT_EQ(b.At(50, 29), kRed);
  EXPECT_EQ(b.At(42, 20), kWhite) << "outside the ellipse";
}

TEST(Replay, FloodFillUsesTheReceiversOwnPixel) {
  Board b;
  b.replay.Draw(drawing::Rectangle::Parse("10 10 30 30 1 clBlack"));
  b.replay.Draw(drawing::FloodFill::Parse("20 20 clRed clBlue"));  // field 4 names another colour
  EXPECT_EQ(b.At(20, 20), kRed);
  EXPECT_EQ(b.At(11, 11), kRed);
  EXPECT_EQ(b.At(10, 10), kBlack);
  EXPECT_EQ(b.At(5, 5), kWhite) << "outside the frame";
  EXPECT_EQ(b.Left().pen_pos, QPoint(20, 20));
  const auto before = b.Colours();
  b.replay.Draw(drawing::FloodFill::Parse("20 20 clRed"));  // already that colour
  EXPECT_EQ(b.Colours(), before);
  b.replay.Draw(drawing::FloodFill::Parse("-5 99999 clRed"));  // off the board
  EXPECT_EQ(b.Colours(), before);
}

TEST(Replay, FontAndTextFields) {
  Board b;
  b.replay.Draw(drawing::SetFont::Parse("12|clRed|DejaVu Sans|"));
  EXPECT_EQ(b.Left().font.family(), QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(b.Left().font.pointSize(), 12);
  EXPECT_EQ(b.Left().font_color, kClRed);
  b.replay.Draw(drawing::SetFont::Parse("big|clBlack|"));
  EXPECT_EQ(b.Left().font.pointSize(), 8);
  EXPECT_EQ(b.Left().font.family(), QStringLiteral("DejaVu Sans"))
      << "an empty name changes nothing";
  EXPECT_EQ(ErrorOf([&] { b.replay.Draw(drawing::SetFont::Parse("20| |Other")); }),
            QStringLiteral("'' is not a valid integer value"));
  EXPECT_EQ(b.Left().font.family(), QStringLiteral("Other")) << "the name came first";
  EXPECT_EQ(b.Left().font.pointSize(), 8) << "the size did not come";

  b.replay.Draw(drawing::SetFont::Parse("10|clBlack|DejaVu Sans|"));
  b.replay.Draw(
      drawing::TextOut::Parse("2|2|clWhite|Hi|there"));  // only the first piece is written
  const int hi_end = b.Left().pen_pos.x();
  EXPECT_GT(hi_end, 4);
  EXPECT_EQ(b.Left().pen_pos.y(), 2);
  b.replay.Draw(drawing::TextOut::Parse("2|20|clYellow|"));
  EXPECT_EQ(b.Left().brush_color, kClYellow);
  EXPECT_EQ(b.At(3, 22), kWhite) << "an empty text writes nothing";
  int dark = 0;
  for (int y = 2; y < 18; ++y) {
    for (int x = 2; x < hi_end; ++x) dark += qGray(b.At(x, y)) < 128;
  }
  EXPECT_GT(dark, 5) << "the text was written";
}

TEST(Replay, EachSenderContinuesFromItsOwnStateInCopyMode) {
  Board b;
  b.canvas.SetPenMode(PenMode::kNotXor);  // a local gesture's, say
  b.canvas.MoveTo(30, 30);
  // Two people draw at once; their segments arrive interleaved.
  b.replay.SetSender(0x7F000002, 571);
  b.replay.Draw(drawing::MoveTo::Parse("2 5"));
  b.replay.SetSender(0x7F000003, 571);
  b.replay.Draw(drawing::MoveTo::Parse("2 25"));
  b.replay.Draw(drawing::SetFont::Parse("20|clRed|DejaVu Sans|B|"));
  b.replay.SetSender(0x7F000002, 571);
  b.replay.Draw(drawing::LineTo::Parse("50 5 1 clBlack"));
  b.replay.SetSender(0x7F000003, 571);
  b.replay.Draw(drawing::LineTo::Parse("50 25 1 clBlack"));

  BoardCanvas expected;
  expected.Reset(test::WhiteImage(60, 40));
  for (int y : {5, 25}) {
    expected.MoveTo(2, y);
    expected.LineTo(50, y);
  }
  EXPECT_EQ(b.canvas.Image(), expected.Image())
      << "two strokes, no line joining them, no inversion";
  EXPECT_EQ(b.canvas.PenPos(), QPoint(30, 30));
  EXPECT_EQ(b.canvas.Mode(), PenMode::kNotXor) << "the local state is untouched";
  EXPECT_TRUE(b.replay.SenderState(0x7F000003, 571).font.bold());
  EXPECT_FALSE(b.replay.SenderState(0x7F000002, 571).font.bold()) << "a font is its sender's";

  // One host with a thousand source ports: the states stay bounded, and a
  // sender heard from a moment ago keeps its own.
  for (int i = 0; i < 1000; ++i) {
    b.replay.SetSender(0x0A000009, static_cast<quint16>(i));
    b.replay.Draw(drawing::MoveTo::Parse("1 1"));
  }
  EXPECT_TRUE(b.replay.SenderState(0x0A000009, 0).pen_pos.isNull())
      << "a flood of senders is kept to a bounded number of states";
  b.replay.SetSender(0x7F000002, 571);
  b.replay.Draw(drawing::LineTo::Parse("50 15 1 clBlack"));
  EXPECT_EQ(b.At(50, 10), kBlack) << "continued from where it was, not from (0,0)";
  EXPECT_EQ(b.At(10, 3), kWhite) << "no line from the corner";

  // Every state heard from a moment ago, by as many computers: a new
  // sender still draws from where its own commands put it.
  for (quint32 i = 0; i < Replay::kMaxSenders; ++i) {
    b.replay.SetSender(0x0A010000 + i, 571);
    b.replay.Draw(drawing::MoveTo::Parse("1 1"));
  }
  b.replay.SetSender(0x0B000001, 571);
  b.replay.Draw(drawing::MoveTo::Parse("5 35"));
  b.replay.Draw(drawing::LineTo::Parse("55 35 1 clBlack"));
  EXPECT_EQ(b.At(30, 35), kBlack);
  EXPECT_EQ(b.At(22, 14), kWhite) << "nothing from the corner";
}

TEST(Replay, FontStyleTravelsInAFourthFieldThatOldReadersNeverSee) {
  FontChoice font{QFont(QStringLiteral("DejaVu Serif"), 14), 0x00800000};
  font.font.setBold(true);
  font.font.setItalic(true);
  const std::string args = drawing::SetFont::From(font).Build();
  EXPECT_EQ(args, "14|clNavy|DejaVu Serif|BI|");
  EXPECT_EQ(TrimText(WordAt(CharSet('|'), args, 3)), "DejaVu Serif") << "the third field as before";
  font.font.setBold(false);
  font.font.setItalic(false);
  EXPECT_EQ(drawing::SetFont::From(font).Build(), "14|clNavy|DejaVu Serif|")
      << "a plain font: the old bytes";

  Board styled;
  styled.replay.Draw(drawing::SetFont::Parse(args));
  EXPECT_TRUE(styled.Left().font.bold());
  EXPECT_TRUE(styled.Left().font.italic());
  styled.replay.Draw(drawing::SetFont::Parse("14|clNavy|DejaVu Serif|us|"));
  EXPECT_FALSE(styled.Left().font.bold());
  EXPECT_TRUE(styled.Left().font.underline());
  EXPECT_TRUE(styled.Left().font.strikeOut());
  styled.replay.Draw(drawing::SetFont::Parse("14|clNavy|DejaVu Serif|"));
  EXPECT_FALSE(styled.Left().font.underline()) << "no letters: plain";

  // Bold reaches the pixels: the same text bold and plain differ.
  Board bold;
  Board plain;
  bold.replay.Draw(drawing::SetFont::Parse("14|clBlack|DejaVu Sans|B|"));
  plain.replay.Draw(drawing::SetFont::Parse("14|clBlack|DejaVu Sans|"));
  bold.replay.Draw(drawing::TextOut::Parse("2|2|clWhite|Bold"));
  plain.replay.Draw(drawing::TextOut::Parse("2|2|clWhite|Bold"));
  EXPECT_GT(bold.Colours()[kBlack], plain.Colours()[kBlack]);
}

TEST(Replay, ExtremeValuesStayCheap) {
  Board b;
  QElapsedTimer clock;
  clock.start();
  const char* commands[] = {"-2147483648 -2147483648 2147483647 2147483647 2147483647 clRed",
                            "2147483647 0 -2147483648 0 1000000000 clBlack",
                            "0 0 2147483647 2147483647 -1 clBlack"};
  for (const char* args : commands) {
    b.replay.Draw(drawing::LineFromTo::Parse(args));
    b.replay.Draw(drawing::Rectangle::Parse(args));
    b.replay.Draw(drawing::RectangleFill::Parse(std::string(args) + " clRed"));
    b.replay.Draw(drawing::Ellipse::Parse(std::string(args) + " clRed"));
    b.replay.Draw(drawing::EllipseFill::Parse(std::string(args) + " clRed"));
  }
  b.replay.Draw(drawing::SetFont::Parse("2147483647|clBlack|DejaVu Sans"));
  EXPECT_EQ(b.Left().font.pointSize(), 72) << "no larger than the font dialog offers";
  b.replay.Draw(drawing::TextOut::Parse("-2147483648|2147483647|clWhite|far away"));
  b.replay.Draw(drawing::TextOut::Parse("2147483647|0|clWhite|abc"));
  EXPECT_EQ(b.Left().pen_pos, QPoint(2147483647, 0)) << "the pen stops at the last coordinate";
  b.replay.Draw(drawing::TextOut::Parse("0|0|clWhite|near"));
  b.replay.Draw(drawing::LineTo::Parse("2147483647 -2147483648 2147483647 clBlack"));
  EXPECT_EQ(b.canvas.Width(), 60);
  // A generous bound: the point is that nothing walks billions of pixels.
  EXPECT_LT(clock.elapsed(), 20000);
}

}  // namespace
}  // namespace kovra
