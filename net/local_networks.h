// The IPv4 networks this computer is on, as the broadcast addresses that
// reach every computer of each.
#pragma once

#include <string>
#include <vector>

namespace kovra {

// Dotted broadcast addresses of every IPv4 network of an interface that is
// up and not the loopback, each once.
std::vector<std::string> LocalBroadcastAddresses();

}  // namespace kovra
