#include "net/dotted_address.h"

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

}  // namespace kovra
