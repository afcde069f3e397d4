#include "support/text.h"

#include <QLocale>
#include <limits>

namespace kovra {

void TrimTextInPlace(std::string& text) {
  const auto last = text.find_last_not_of(' ');
  if (last == std::string::npos) {
    text.clear();
    return;
  }
  text.erase(last + 1);
  text.erase(0, text.find_first_not_of(' '));
}

std::string TrimText(std::string text) {
  TrimTextInPlace(text);
  return text;
}

std::string_view TrimView(std::string_view text) {
  const auto last = text.find_last_not_of(' ');
  if (last == std::string_view::npos) return {};
  text = text.substr(0, last + 1);
  return text.substr(text.find_first_not_of(' '));
}

QString TrimSpaces(const QString& text) {
  qsizetype begin = 0;
  qsizetype end = text.size();
  while (end > 0 && text[end - 1] == u' ') --end;
  while (begin < end && text[begin] == u' ') ++begin;
  return text.mid(begin, end - begin);
}

void UpperTextInPlace(std::string& text) {
  for (char& c : text) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || b >= 0xE0) {
      c = static_cast<char>(b - 0x20);
    } else if (b == 0xB8) {  // small io
      c = static_cast<char>(0xA8);
    }
  }
}

std::string UpperText(std::string text) {
  UpperTextInPlace(text);
  return text;
}

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<std::int32_t> ReadHex(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : digits) {
    const int d = HexDigit(c);
    if (d < 0 || (value >> 28) != 0) return std::nullopt;  // not a digit, or a ninth one
    value = (value << 4) | static_cast<std::uint32_t>(d);
  }
  return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> ReadDecimal(std::string_view text) {
  std::size_t i = 0;
  bool negative = false;
  if (text[0] == '-' || text[0] == '+') {
    negative = text[0] == '-';
    i = 1;
  }
  if (i == text.size()) return std::nullopt;
  std::int64_t value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return std::nullopt;
    value = value * 10 + (text[i] - '0');
    if (value > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
  return static_cast<std::int32_t>(value);
}

}  // namespace

std::optional<std::int32_t> TextToInt(std::string_view text) { return StrToInt(TrimView(text)); }

std::optional<std::int32_t> StrToInt(std::string_view raw) {
  const std::string_view text = raw.substr(std::min(raw.find_first_not_of(' '), raw.size()));
  if (text.empty()) return std::nullopt;
  if (text[0] == '$' || text[0] == 'x' || text[0] == 'X') return ReadHex(text.substr(1));
  if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    return ReadHex(text.substr(2));
  }
  return ReadDecimal(text);
}

std::int32_t TextToIntDef(std::string_view text, std::int32_t default_value) {
  return TextToInt(text).value_or(default_value);
}

std::string WordAt(const CharSet& delimiters, const std::string& text, unsigned n) {
  return std::string(WordView(delimiters, text, n));
}

std::string_view WordView(const CharSet& delimiters, std::string_view text, unsigned n) {
  std::string_view cleaned = TrimView(text);
  std::size_t end = cleaned.size();
  while (end > 0 && delimiters.Contains(cleaned[end - 1])) --end;
  std::size_t begin = 0;
  while (begin < end && delimiters.Contains(cleaned[begin])) ++begin;
  cleaned = TrimView(cleaned.substr(begin, end - begin));
  if (n == 0) return cleaned;

  unsigned count = 0;
  std::size_t i = 0;
  while (i < cleaned.size()) {
    while (i < cleaned.size() && delimiters.Contains(cleaned[i])) ++i;
    if (i == cleaned.size()) break;
    const std::size_t start = i;
    while (i < cleaned.size() && !delimiters.Contains(cleaned[i])) ++i;
    if (++count == n) return TrimView(cleaned.substr(start, i - start));
  }
  return {};
}

QString Grouped(qint64 number) { return QLocale(QLocale::Russian).toString(number); }

}  // namespace kovra
