#include "net/local_networks.h"

#include <QDeadlineTimer>
#include <QNetworkInterface>
#include <algorithm>

#include "net/dotted_address.h"

namespace kovra {
namespace {

// Every IPv4 network of an interface that is up, not the loopback and able
// to broadcast, by its broadcast address.
std::vector<quint32> LocalBroadcastNumbers() {
  std::vector<quint32> numbers;
  for (const QNetworkInterface& network : QNetworkInterface::allInterfaces()) {
    const auto flags = network.flags();
    if (!(flags & QNetworkInterface::IsUp) || (flags & QNetworkInterface::IsLoopBack) ||
        !(flags & QNetworkInterface::CanBroadcast)) {
      continue;
    }
    for (const QNetworkAddressEntry& entry : network.addressEntries()) {
      if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol) continue;
      // Worked out from the address and its prefix: what the system reports
      // as the broadcast address may be anything on a link set up by hand.
      const auto broadcast = NetworkBroadcast(entry.ip().toIPv4Address(), entry.prefixLength());
      if (broadcast && std::find(numbers.begin(), numbers.end(), *broadcast) == numbers.end()) {
        numbers.push_back(*broadcast);
      }
    }
  }
  return numbers;
}

}  // namespace

std::optional<quint32> NetworkBroadcast(quint32 address, int prefix_length) {
  if (prefix_length < 1 || prefix_length > 30) return std::nullopt;
  const quint32 hosts = 0xFFFFFFFFu >> prefix_length;
  return address | hosts;
}

std::vector<std::string> LocalBroadcastAddresses() {
  std::vector<std::string> addresses;
  for (const quint32 number : LocalBroadcastNumbers())
    addresses.push_back(DottedAddressText(number));
  return addresses;
}

bool IsLocalBroadcast(quint32 address) {
  // Asked for every announcement: the interfaces are read again only now and then.
  constexpr qint64 kRereadMs = 5000;
  static std::vector<quint32> known;
  static QDeadlineTimer stale(0);
  if (stale.hasExpired()) {
    known = LocalBroadcastNumbers();
    stale.setRemainingTime(kRereadMs);
  }
  return std::find(known.begin(), known.end(), address) != known.end();
}

bool IsOneComputer(quint32 address, bool loopback_is_peer) {
  const quint32 first = address >> 24;
  if (address == 0 || first == 0) return false;  // "this network"
  if (first >= 224) return false;                // multicast, reserved and all ones
  if (first == 127) return loopback_is_peer;
  return !IsLocalBroadcast(address);
}

bool NamesOneComputer(const std::string& name, bool loopback_is_peer) {
  // By the address the resolver would take it for, however it is written.
  const auto address = ParseNumericAddress(name);
  return !address || IsOneComputer(*address, loopback_is_peer);
}

}  // namespace kovra
