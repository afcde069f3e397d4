#include "support/ansi_codec.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

namespace kovra {
namespace {

// What the system's own table makes of one Windows-1251 byte; 0 when it has none.
#ifdef _WIN32
char16_t SystemDecode(unsigned char byte) {
  const char in = static_cast<char>(byte);
  wchar_t out = 0;
  if (MultiByteToWideChar(1251, MB_ERR_INVALID_CHARS, &in, 1, &out, 1) != 1) return 0;
  return static_cast<char16_t>(out);
}
#else
char16_t SystemDecode(unsigned char byte) {
  iconv_t cd = iconv_open("UTF-16LE", "CP1251");
  if (cd == reinterpret_cast<iconv_t>(-1)) return 0;
  char in[1] = {static_cast<char>(byte)};
  char out[4] = {};
  char* in_ptr = in;
  char* out_ptr = out;
  size_t in_left = 1;
  size_t out_left = sizeof out;
  const size_t done = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
  iconv_close(cd);
  if (done == static_cast<size_t>(-1)) return 0;
  return static_cast<char16_t>(static_cast<unsigned char>(out[0]) |
                               (static_cast<unsigned char>(out[1]) << 8));
}
#endif

TEST(AnsiCodec, MatchesTheSystemTableAndRoundTripsEveryByte) {
  ASSERT_NE(SystemDecode('A'), 0) << "the system has no CP1251";
  std::string every_byte;
  for (int b = 0; b < 256; ++b) {
    every_byte.push_back(static_cast<char>(b));
    const char16_t expected = SystemDecode(static_cast<unsigned char>(b));
    if (expected == 0 && b != 0) continue;  // the one byte the code page leaves unassigned
    EXPECT_EQ(AnsiToQString(std::string(1, static_cast<char>(b)))[0].unicode(), expected)
        << "byte " << b;
  }
  EXPECT_EQ(QStringToAnsi(AnsiToQString(every_byte)), every_byte);
}

TEST(AnsiCodec, RussianTextAndUnmappableCharacters) {
  EXPECT_EQ(QStringToAnsi(QStringLiteral("Привет, Ёж!")),
            "\xCF\xF0\xE8\xE2\xE5\xF2, \xA8\xE6!");
  EXPECT_EQ(AnsiToQString("\xCF\xF0\xE8\xE2\xE5\xF2"), QStringLiteral("Привет"));
  EXPECT_EQ(QStringToAnsi(QStringLiteral("a中b")), "a?b");
  EXPECT_EQ(QStringToAnsi(QString::fromUtf8("x\xF0\x9F\x98\x80y")), "x?y");  // one ? per character
}

}  // namespace
}  // namespace kovra
