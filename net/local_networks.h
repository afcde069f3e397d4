// The IPv4 networks this computer is on, as the broadcast addresses that
// reach every computer of each.
#pragma once

#include <QtGlobal>
#include <optional>
#include <string>
#include <vector>

namespace kovra {

// The broadcast address of the network of address with a prefix of so many
// bits (host order); none for a network narrower than /30, whose "broadcast"
// address is a computer's own or its peer's, nor for one of no prefix.
std::optional<quint32> NetworkBroadcast(quint32 address, int prefix_length);

// Dotted broadcast addresses of every IPv4 network of /30 or wider of an
// interface that is up and not the loopback, each once.
std::vector<std::string> LocalBroadcastAddresses();

// Whether address is the broadcast address of a network this computer is
// on; the networks are read again every few seconds at most.
bool IsLocalBroadcast(quint32 address);

// Whether address can be one computer's on the network: never unspecified,
// a broadcast (all ones or a local network's), multicast or reserved, and a
// loopback address only where loopback_is_peer (a copy that itself lives
// on loopback, as in tests).
bool IsOneComputer(quint32 address, bool loopback_is_peer);
// The same for a name that is a dotted address; any other name passes.
bool NamesOneComputer(const std::string& name, bool loopback_is_peer);

}  // namespace kovra
