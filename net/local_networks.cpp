#include "net/local_networks.h"

#include <QNetworkInterface>
#include <algorithm>

namespace kovra {

std::vector<std::string> LocalBroadcastAddresses() {
  std::vector<std::string> addresses;
  for (const QNetworkInterface& network : QNetworkInterface::allInterfaces()) {
    const auto flags = network.flags();
    if (!(flags & QNetworkInterface::IsUp) || (flags & QNetworkInterface::IsLoopBack) ||
        !(flags & QNetworkInterface::CanBroadcast)) {
      continue;
    }
    for (const QNetworkAddressEntry& entry : network.addressEntries()) {
      const QHostAddress broadcast = entry.broadcast();
      if (entry.ip().protocol() != QAbstractSocket::IPv4Protocol || broadcast.isNull()) continue;
      const std::string text = broadcast.toString().toStdString();
      if (std::find(addresses.begin(), addresses.end(), text) == addresses.end()) {
        addresses.push_back(text);
      }
    }
  }
  return addresses;
}

}  // namespace kovra
