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
// Any numeric form the system's resolver takes for an address: one to four
// parts, each decimal, octal (a leading 0) or hexadecimal (0x), the last
// filling the bytes left ("4294967295", "0xffffffff", "10.77.255").
std::optional<quint32> ParseNumericAddress(std::string_view text);
std::string DottedAddressText(quint32 address);

}  // namespace kovra
