#include "board/drawing_commands.h"

#include <gtest/gtest.h>

#include <functional>

namespace kovra {
namespace {

using drawing::Figure;
using drawing::FloodFill;
using drawing::LineTo;
using drawing::Point;
using drawing::SetFont;
using drawing::TextOut;

TEST(DrawingCommands, EveryCommandReadsBackWhatItWrites) {
  using Reparse = std::function<std::string(const std::string&)>;
  const Reparse point = [](const std::string& a) { return Point::Parse(a).Build(); };
  const Reparse line = [](const std::string& a) { return LineTo::Parse(a).Build(); };
  const Reparse figure = [](const std::string& a) { return Figure::Parse(a, false).Build(); };
  const Reparse filled = [](const std::string& a) { return Figure::Parse(a, true).Build(); };
  const Reparse flood = [](const std::string& a) { return FloodFill::Parse(a).Build(); };
  const Reparse font = [](const std::string& a) { return SetFont::Parse(a).Build(); };
  const Reparse text = [](const std::string& a) { return TextOut::Parse(a).Build(); };
  struct Case {
    const std::string& name;
    std::string built;
    std::string expected;
    Reparse reparse;
  };
  const Case cases[] = {
      {command::kMoveTo, Point{-5, 7}.Build(), "-5 7", point},
      {command::kCursorTo, Point{110, 105}.Build(), "110 105", point},
      {command::kLineTo, LineTo{30, 10, 2, "clWhite"}.Build(), "30 10 2 clWhite", line},
      {command::kLineFromTo, Figure{10, 20, 100, 20, 1, "clRed", ""}.Build(), "10 20 100 20 1 clRed",
       figure},
      {command::kRectangle, Figure{30, 30, 30, 30, 4, "$00123456", ""}.Build(),
       "30 30 30 30 4 $00123456", figure},
      {command::kRectangleFill, Figure{120, 20, 160, 60, 1, "clRed", "clWhite"}.Build(),
       "120 20 160 60 1 clRed clWhite", filled},
      {command::kEllipse, Figure{60, 60, 100, 100, 1, "clRed", "clBlue"}.Build(),
       "60 60 100 100 1 clRed clBlue", filled},
      {command::kEllipseFill, Figure{20, 100, -60, 140, 9, "clRed", "clBlue"}.Build(),
       "20 100 -60 140 9 clRed clBlue", filled},
      {command::kFloodFill, FloodFill{30, 30, "clLime", "clWhite"}.Build(), "30 30 clLime clWhite",
       flood},
      {command::kSetFont, SetFont{14, "clNavy", "DejaVu Serif", "BI"}.Build(),
       "14|clNavy|DejaVu Serif|BI|", font},
      {command::kSetFont, SetFont{8, "clWindowText", "MS Sans Serif", ""}.Build(),
       "8|clWindowText|MS Sans Serif|", font},
      {command::kTextOut, TextOut{80, 80, "clLime", "\xCF\xF0\xE8\xE2\xE5\xF2"}.Build(),
       "80|80|clLime|\xCF\xF0\xE8\xE2\xE5\xF2", text},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.built, c.expected) << c.name;
    EXPECT_EQ(c.reparse(c.expected), c.expected) << c.name;
  }
}

TEST(DrawingCommands, MissingFieldsTakeTheirDefaultsAndSeparatorsRunTogether) {
  const LineTo line = LineTo::Parse("  10    20 ");
  EXPECT_EQ(line.Build(), "10 20 1 clBlack");
  EXPECT_EQ(LineTo::Parse("x 5 wide").Build(), "0 5 1 clBlack") << "a word that is no number";
  EXPECT_EQ(Figure::Parse("1 2 3 4", true).fill, "clWhite");
  EXPECT_EQ(Figure::Parse("1 2 3 4 5 clRed clBlue", false).fill, "")
      << "the line has no fill field";

  const TextOut cut = TextOut::Parse("2|2|clWhite|Hi|there");
  EXPECT_EQ(cut.text, "Hi") << "only the first piece of a text holding a bar";
  EXPECT_EQ(TextOut::Parse("2|20||text").background, "text")
      << "an empty field moves the rest left";

  const SetFont old = SetFont::Parse("12|clRed|Arial");
  EXPECT_EQ(old.name, "Arial");
  EXPECT_TRUE(old.style.empty()) << "an old sender's command is plain";
  EXPECT_EQ(SetFont::Parse("big|clBlack|").size, 8);
  EXPECT_TRUE(SetFont::Parse("9|clRed|X|ub|").Has('U'));
  EXPECT_EQ((SetFont{9, "clRed", "", "B"}.Build()), "9|clRed| |B|")
      << "an empty name keeps its place, so the style is never taken for it";
  EXPECT_EQ(SetFont::Parse("9|clRed| |B|").name, "");
}

}  // namespace
}  // namespace kovra
