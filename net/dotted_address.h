// IPv4 addresses as text: read strictly, so that no text other than an
// address is ever taken for one.
#pragma once

#include <QtGlobal>
#include <optional>
#include <string>
#include <string_view>

namespace kovra {

// Four decimal numbers of 0 to 255 separated by dots, and nothing else;
// the address in host order.
std::optional<quint32> ParseDottedAddress(std::string_view text);
std::string DottedAddressText(quint32 address);

}  // namespace kovra
