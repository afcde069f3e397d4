// Links joined by a seeded in-memory network that loses, duplicates and
// reorders, and can be cut between any two addresses, as a pulled cable.
#pragma once

#include <QtGlobal>
#include <deque>
#include <functional>
#include <map>
#include <random>
#include <string>

#include "net/peer_links.h"

namespace kovra::test {

struct Datagram {
  quint32 from;
  quint32 to;
  std::string bytes;
};

// Every link's datagrams, handed over when Run is called.
class Network {
 public:
  Network(double loss, double duplicate, unsigned seed)
      : loss_(loss), duplicate_(duplicate), random_(seed) {}
  // The send hook of the link at from.
  std::function<bool(quint32, const std::string&)> From(quint32 from);
  void Attach(quint32 address, PeerLinks* links) { links_[address] = links; }
  // Hands over what was sent, shuffled a little; false when nothing was.
  bool Run();
  const std::deque<Datagram>& Sent() const { return sent_; }
  void Forget() { sent_.clear(); }
  // Datagrams this refuses are lost.
  std::function<bool(const Datagram&)> Refuse;

 private:
  bool Chance(double share) { return std::uniform_real_distribution<>(0, 1)(random_) < share; }
  void Hand(const Datagram& datagram);
  double loss_;
  double duplicate_;
  std::mt19937 random_;
  std::deque<Datagram> sent_;
  std::map<quint32, PeerLinks*> links_;
};

}  // namespace kovra::test
