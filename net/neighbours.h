// Which network card answers for an address of the local networks, as the
// system's neighbour table tells: every address a host takes on the wire
// answers with the card it has, so the aliases of one host are one host.
#pragma once

#include <QtGlobal>
#include <map>
#include <string_view>

namespace kovra {

// The key of the host at address (host order): its card's link-layer
// address when the neighbour table knows one, marked so that it equals no
// IPv4 address; else the address itself. The table is read again each
// second, and sooner for an address it did not know.
quint64 HostKey(quint32 address);

// The table as Linux shows it in /proc/net/arp: complete entries only,
// by address, each a link-layer address of six bytes as a number.
std::map<quint32, quint64> ParseNeighbourTable(std::string_view text);

}  // namespace kovra
