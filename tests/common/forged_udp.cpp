#include "common/forged_udp.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/udp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace kovra::test {

ForgedUdp::ForgedUdp() : socket_(::socket(AF_INET, SOCK_RAW, IPPROTO_RAW)) {}

ForgedUdp::~ForgedUdp() {
  if (socket_ >= 0) ::close(socket_);
}

bool ForgedUdp::Send(quint32 from, quint16 from_port, quint32 to, quint16 to_port,
                     const QByteArray& bytes) {
  if (socket_ < 0) return false;
  QByteArray packet(static_cast<int>(sizeof(iphdr) + sizeof(udphdr)) + bytes.size(), '\0');
  auto* ip = reinterpret_cast<iphdr*>(packet.data());
  ip->version = 4;
  ip->ihl = 5;
  ip->ttl = 64;
  ip->protocol = IPPROTO_UDP;
  ip->tot_len = htons(static_cast<quint16>(packet.size()));
  ip->saddr = htonl(from);
  ip->daddr = htonl(to);  // the system fills in the header's checksum
  auto* udp = reinterpret_cast<udphdr*>(packet.data() + sizeof(iphdr));
  udp->source = htons(from_port);
  udp->dest = htons(to_port);
  udp->len = htons(static_cast<quint16>(sizeof(udphdr) + bytes.size()));
  udp->check = 0;  // none: allowed over IPv4
  std::memcpy(packet.data() + sizeof(iphdr) + sizeof(udphdr), bytes.constData(),
              static_cast<std::size_t>(bytes.size()));
  sockaddr_in target{};
  target.sin_family = AF_INET;
  target.sin_addr.s_addr = htonl(to);
  return ::sendto(socket_, packet.constData(), static_cast<std::size_t>(packet.size()), 0,
                  reinterpret_cast<const sockaddr*>(&target), sizeof target) == packet.size();
}

}  // namespace kovra::test
