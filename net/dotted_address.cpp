#include "net/dotted_address.h"

#include <cctype>
#include <vector>

namespace kovra {

std::optional<quint32> ParseDottedAddress(std::string_view text) {
  quint32 address = 0;
  int parts = 0;
  std::size_t i = 0;
  while (parts < 4) {
    if (parts > 0) {
      if (i >= text.size() || text[i] != '.') return std::nullopt;
      ++i;
    }
    const std::size_t start = i;
    unsigned value = 0;
    while (i < text.size() && i - start < 3 && text[i] >= '0' && text[i] <= '9') {
      value = value * 10 + static_cast<unsigned>(text[i] - '0');
      ++i;
    }
    if (i == start || value > 255) return std::nullopt;
    address = (address << 8) | value;
    ++parts;
  }
  if (i != text.size()) return std::nullopt;
  return address;
}

std::string DottedAddressText(quint32 address) {
  return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
         std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

std::optional<quint32> ParseNumericAddress(std::string_view text) {
  std::vector<quint64> parts;
  std::size_t i = 0;
  while (parts.size() < 4) {
    int base = 10;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
      base = 16;
      i += 2;
    } else if (i < text.size() && text[i] == '0') {
      base = 8;
    }
    const std::size_t start = i;
    quint64 value = 0;
    for (; i < text.size() && text[i] != '.'; ++i) {
      const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
      const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : 99;
      if (digit >= base) return std::nullopt;
      value = value * static_cast<quint64>(base) + static_cast<quint64>(digit);
      if (value > 0xFFFFFFFFu) return std::nullopt;
    }
    if (i == start) return std::nullopt;
    parts.push_back(value);
    if (i == text.size()) break;
    ++i;  // the dot
    if (i == text.size()) return std::nullopt;
  }
  if (i != text.size() || parts.empty()) return std::nullopt;
  // Every part but the last is one byte; the last fills the rest.
  const std::size_t last = parts.size() - 1;
  quint32 address = 0;
  for (std::size_t k = 0; k < last; ++k) {
    if (parts[k] > 255) return std::nullopt;
    address |= static_cast<quint32>(parts[k]) << (24 - 8 * k);
  }
  if (parts[last] > (0xFFFFFFFFu >> (8 * last))) return std::nullopt;
  return address | static_cast<quint32>(parts[last]);
}

}  // namespace kovra
