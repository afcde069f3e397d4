// Text routines on single-byte Windows-1251 text, as the protocol and the
// state files carry it. Positions and rules are byte-exact on purpose: peers
// compare the same bytes the same way.
#pragma once

#include <QString>
#include <bitset>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kovra {

// The longest text a command datagram carries, and so the longest text typed
// for the board.
constexpr std::size_t kMaxCommandText = 255;

// A set of byte values used as word delimiters.
class CharSet {
 public:
  CharSet() = default;
  explicit CharSet(char c) { Add(c); }
  CharSet& Add(char c) {
    bits_.set(static_cast<unsigned char>(c));
    return *this;
  }
  bool Contains(char c) const { return bits_.test(static_cast<unsigned char>(c)); }

 private:
  std::bitset<256> bits_;
};

// Removes space characters (code 32 only) at both ends.
void TrimTextInPlace(std::string& text);
std::string TrimText(std::string text);
std::string_view TrimView(std::string_view text);
// The same rule for a path or other text held as a QString.
QString TrimSpaces(const QString& text);
// A number as the user reads it: "40 000 000", its thousands apart.
QString Grouped(qint64 number);

// Upper-cases Latin a-z and the Windows-1251 Cyrillic letters a-ya and io,
// without consulting the locale, so every computer agrees.
void UpperTextInPlace(std::string& text);
std::string UpperText(std::string text);

// Reads a 32-bit integer in the runtime's syntax: leading spaces, then an
// optional sign and decimal digits, or "$"/"x"/"0x" and hexadecimal digits
// (at most eight significant ones) taken as a bit pattern. Anything else,
// trailing spaces included, fails.
std::optional<std::int32_t> StrToInt(std::string_view text);
// The same after trimming spaces at both ends.
std::optional<std::int32_t> TextToInt(std::string_view text);
std::int32_t TextToIntDef(std::string_view text, std::int32_t default_value);

// The n-th word of text (n from 1), words being runs of bytes not in the set;
// n = 0 gives the whole cleaned text. Empty when there is no such word.
std::string WordAt(const CharSet& delimiters, const std::string& text, unsigned n);
// The same word as a part of text, for readers that copy nothing.
std::string_view WordView(const CharSet& delimiters, std::string_view text, unsigned n);

}  // namespace kovra
