#include "support/text.h"

#include <gtest/gtest.h>

#include <climits>

namespace kovra {
namespace {

TEST(TextRoutines, TrimRemovesOnlySpaces) {
  EXPECT_EQ(TrimText("  a b  "), "a b");
  EXPECT_EQ(TrimText(" a\t"), "a\t");
  EXPECT_EQ(TrimText("\r\nx \n"), "\r\nx \n");
  EXPECT_EQ(TrimText("    "), "");
  EXPECT_EQ(TrimText(""), "");
  std::string in_place = " z ";
  TrimTextInPlace(in_place);
  EXPECT_EQ(in_place, "z");
}

TEST(TextRoutines, UpperTextMapsLatinAndCyrillicOnly) {
  std::string all_lower;
  std::string all_upper;
  for (int b = 0xE0; b <= 0xFF; ++b) {
    all_lower.push_back(static_cast<char>(b));
    all_upper.push_back(static_cast<char>(b - 0x20));
  }
  EXPECT_EQ(UpperText(all_lower), all_upper);
  EXPECT_EQ(UpperText("\xB8"), "\xA8");                        // io
  EXPECT_EQ(UpperText("abc xyz 09!{}"), "ABC XYZ 09!{}");
  EXPECT_EQ(UpperText("\xB3\xBF\xA2\xBA"), "\xB3\xBF\xA2\xBA");  // Ukrainian, Belarusian letters stay
  EXPECT_EQ(UpperText("\xC0\xA8Z"), "\xC0\xA8Z");               // capitals are not mapped again
  EXPECT_EQ(UpperText(std::string("a\0b", 3)), std::string("A\0B", 3));
}

TEST(TextRoutines, TextToIntDefFollowsTheRuntimeSyntax) {
  struct Case {
    const char* text;
    std::int32_t fallback;
    std::int32_t expected;
  };
  const Case cases[] = {
      {" 12 ", 0, 12},          {"12a", 7, 7},
      {"", 5, 5},               {"-", 9, 9},
      {"+", 9, 9},              {"+15", 0, 15},
      {"-0", 3, 0},             {"2147483647", 0, INT_MAX},
      {"2147483648", 4, 4},     {"-2147483648", 0, INT_MIN},
      {"-2147483649", 4, 4},    {"99999999999999999999", 6, 6},
      {"$1F", 0, 31},           {"x1f", 0, 31},
      {"0X10", 0, 16},          {"$FFFFFFFF", 0, -1},
      {"$100000000", 8, 8},     {"$", 2, 2},
      {"0x", 2, 2},             {"-$1F", 2, 2},
      {"1 2", 2, 2},            {"\t5", 2, 2},
      {"12\x00", 1, 12},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TextToIntDef(c.text, c.fallback), c.expected) << '"' << c.text << '"';
  }
  EXPECT_EQ(TextToIntDef(std::string("1\0002", 3), 7), 7);
}

TEST(TextRoutines, WordAtPicksWordsBetweenDelimiters) {
  const CharSet equals('=');
  const CharSet bar('|');
  const CharSet space(' ');
  struct Case {
    const CharSet* set;
    const char* text;
    unsigned n;
    const char* expected;
  };
  const Case cases[] = {
      {&equals, "PC1=Yes", 1, "PC1"},
      {&equals, "PC1=Yes", 2, "Yes"},
      {&equals, "PC1=Yes", 3, ""},
      {&equals, "PC1=Yes", 0, "PC1=Yes"},
      {&equals, "=PC1==Yes=", 2, "Yes"},
      {&equals, "=PC1==Yes=", 0, "PC1==Yes"},
      {&bar, "a||b", 2, "b"},
      {&bar, "a| |b", 2, ""},
      {&bar, "a| |b", 3, "b"},
      {&space, "10   20    30", 1, "10"},
      {&space, "10   20    30", 3, "30"},
      {&space, "10   20    30", 4, ""},
      {&equals, "\xC7\xE0\xE4\xE0\xF2\xFC=", 2, ""},
      {&equals, "  pc3 =Yes", 1, "pc3"},
      {&equals, " = = ", 1, ""},
      {&equals, "", 1, ""},
      {&equals, "", 0, ""},
      {&bar, "12|clRed|Arial|", 3, "Arial"},
      {&space, "a b", 255, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WordAt(*c.set, c.text, c.n), c.expected) << '"' << c.text << "\" word " << c.n;
  }
}

TEST(TextRoutines, CharSetHoldsAnyByte) {
  CharSet set;
  set.Add('\0').Add('\xFF');
  EXPECT_TRUE(set.Contains('\0'));
  EXPECT_TRUE(set.Contains('\xFF'));
  EXPECT_FALSE(set.Contains('a'));
  EXPECT_EQ(WordAt(set, std::string("x\0y", 3), 2), "y");
}

}  // namespace
}  // namespace kovra
