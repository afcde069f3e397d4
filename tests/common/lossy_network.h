// A network that loses, reorders and duplicates datagrams, between the
// real sockets of windows in one process: each datagram that reaches an
// impaired window is dropped, held back a while (so that later ones pass
// it) or handed over twice, as a seeded generator decides.
#pragma once

#include <QPointer>
#include <functional>
#include <random>

#include "app/main_window.h"

namespace kovra::test {

struct Impairment {
  double loss = 0.0;       // share of datagrams dropped
  double duplicate = 0.0;  // share handed over twice
  double delay = 0.0;      // share held back
  int max_delay_ms = 30;
};

class LossyNetwork {
 public:
  LossyNetwork(Impairment impairment, unsigned seed) : impairment_(impairment), random_(seed) {}

  // Every datagram form receives from now on passes this network.
  void Impair(TForm1& form);
  // Datagrams this says yes to are always lost, whatever the chances.
  std::function<bool(const ReceivedDatagram& datagram)> Refuse;
  // Told of every datagram that arrives, before the network decides its fate.
  std::function<void(const ReceivedDatagram& datagram)> OnArrival;
  // A cable pulled (1) or put back (0), or a network getting worse.
  void SetLoss(double loss) { impairment_.loss = loss; }
  void SetImpairment(const Impairment& impairment) { impairment_ = impairment; }
  // Datagrams dropped so far, over all windows.
  int Dropped() const { return dropped_; }
  int Arrived() const { return arrived_; }
  // The bytes of every datagram that arrived, dropped or not.
  qint64 Bytes() const { return bytes_; }

 private:
  bool Chance(double share) { return std::uniform_real_distribution<>(0, 1)(random_) < share; }

  Impairment impairment_;
  std::mt19937 random_;
  int dropped_ = 0;
  int arrived_ = 0;  // dropped or not
  qint64 bytes_ = 0;
};

}  // namespace kovra::test
