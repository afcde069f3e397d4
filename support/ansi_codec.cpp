#include "support/ansi_codec.h"

#include <array>
#include <unordered_map>

namespace kovra {
namespace {

// Bytes 0x80 to 0xFF. The one unassigned byte, 0x98, maps to U+0098 so that
// any byte sequence survives a round trip through a widget.
constexpr std::array<char16_t, 128> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457, 0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423,
    0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437, 0x0438, 0x0439, 0x043A, 0x043B,
    0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

const std::unordered_map<char16_t, char>& EncodeTable() {
  static const auto* table = [] {
    auto* map = new std::unordered_map<char16_t, char>;
    for (std::size_t i = 0; i < kUpperHalf.size(); ++i) {
      (*map)[kUpperHalf[i]] = static_cast<char>(0x80 + i);
    }
    return map;
  }();
  return *table;
}

}  // namespace

QString AnsiToQString(const std::string& bytes) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    text.append(b < 0x80 ? QChar(b) : QChar(kUpperHalf[b - 0x80]));
  }
  return text;
}

std::string QStringToAnsi(const QString& text) {
  const auto& table = EncodeTable();
  std::string bytes;
  bytes.reserve(static_cast<std::size_t>(text.size()));
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t u = text[i].unicode();
    if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      ++i;  // one character outside the code page, one "?"
      bytes.push_back('?');
    } else if (u < 0x80) {
      bytes.push_back(static_cast<char>(u));
    } else if (auto it = table.find(u); it != table.end()) {
      bytes.push_back(it->second);
    } else {
      bytes.push_back('?');
    }
  }
  return bytes;
}

QStringList CharactersOutsideAnsi(const QString& text) {
  const auto& table = EncodeTable();
  QStringList outside;
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t u = text[i].unicode();
    QString character(text[i]);
    if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
      character += text[++i];
    } else if (u < 0x80 || table.count(u) > 0) {
      continue;
    }
    if (!outside.contains(character)) outside.append(character);
  }
  return outside;
}

}  // namespace kovra
