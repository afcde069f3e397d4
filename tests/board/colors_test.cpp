#include "board/colors.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPalette>
#include <climits>

#include "support/error_guard.h"

namespace kovra {
namespace {

TEST(ColorText, ReadsNamesAndNumbersAndWritesThemBack) {
  struct Case {
    const char* text;
    TColor value;
    const char* written;
  };
  const Case cases[] = {
      {"clWhite", 0x00FFFFFF, "clWhite"},
      {"CLWHITE", 0x00FFFFFF, "clWhite"},
      {"clwhite", 0x00FFFFFF, "clWhite"},
      {"$000000FF", 0x000000FF, "clRed"},
      {"255", 255, "clRed"},
      {"x00ff8040", 0x00FF8040, "$00FF8040"},
      {"0X80000008", static_cast<TColor>(0x80000008), "clWindowText"},
      {"$80000019", static_cast<TColor>(0x80000019), "$80000019"},
      {"clNone", 0x1FFFFFFF, "clNone"},
      {"$20000000", 0x20000000, "$20000000"},
      {"-1", -1, "$FFFFFFFF"},
      {"  $1F", 0x1F, "$0000001F"},
      {"$00000000000000FF", 0xFF, "clRed"},
      {"cl3ddkshadow", static_cast<TColor>(0x80000015), "cl3DDkShadow"},
      {"-2147483648", INT_MIN, "clScrollBar"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(StringToColor(c.text), c.value) << c.text;
    EXPECT_EQ(ColorToString(c.value), c.written) << c.text;
  }
  for (TColor v : {0, 1, 0x123456, 0x7FFFFFFF, INT_MIN, -2, 0x01000000, static_cast<TColor>(0x80000018)}) {
    EXPECT_EQ(StringToColor(ColorToString(v)), v);
  }
}

TEST(ColorText, UnreadableTextsRaiseTheConversionError) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "'' is not a valid integer value"},
      {" clWhite", "' clWhite' is not a valid integer value"},
      {"clWhite ", "'clWhite ' is not a valid integer value"},
      {"red", "'red' is not a valid integer value"},
      {"-$1F", "'-$1F' is not a valid integer value"},
      {"$100000000", "'$100000000' is not a valid integer value"},
      {"2147483648", "'2147483648' is not a valid integer value"},
      {"12 ", "'12 ' is not a valid integer value"},
  };
  for (const auto& [text, message] : cases) {
    try {
      StringToColor(text);
      ADD_FAILURE() << "read: " << text;
    } catch (const Error& error) {
      EXPECT_EQ(error.Message(), QString::fromUtf8(message));
      EXPECT_EQ(ErrorReportText(error.Message()), QString::fromUtf8(message) + u'.');
    }
  }
}

TEST(ColorText, SystemColoursAreThisComputersOwn) {
  EXPECT_EQ(ToQColor(kClWindowText), QGuiApplication::palette().color(QPalette::Text));
  EXPECT_EQ(ToQColor(kClBtnFace), QGuiApplication::palette().color(QPalette::Button));
  EXPECT_EQ(ToQColor(0x00FF8040), QColor(0x40, 0x80, 0xFF));
  EXPECT_EQ(ToQColor(static_cast<TColor>(0x800000FF)), QColor(Qt::black)) << "no such index";
  EXPECT_EQ(FromQColor(QColor(255, 0, 0)), kClRed);
  EXPECT_EQ(ColorToString(FromQColor(QColor(0x12, 0x34, 0x56))), "$00563412");
}

}  // namespace
}  // namespace kovra
