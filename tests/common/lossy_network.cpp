#include "common/lossy_network.h"

#include <QTimer>
#include <memory>
#include <string>

#include "net/udp_endpoint.h"

namespace kovra::test {

void LossyNetwork::Impair(TForm1& form) {
  TUdpEndpoint* endpoint = form.Udp1;
  auto deliver =
      std::make_shared<std::function<void(const ReceivedDatagram&)>>(endpoint->OnDatagram);
  endpoint->OnDatagram = [this, endpoint, deliver](const ReceivedDatagram& datagram) {
    if (OnArrival) OnArrival(datagram);
    ++arrived_;
    bytes_ += static_cast<qint64>(datagram.bytes.size());
    if ((Refuse && Refuse(datagram)) || Chance(impairment_.loss)) {
      ++dropped_;
      return;
    }
    const int copies = Chance(impairment_.duplicate) ? 2 : 1;
    for (int i = 0; i < copies; ++i) {
      if (i == 0 && !Chance(impairment_.delay)) {
        (*deliver)(datagram);
        continue;
      }
      const int delay = std::uniform_int_distribution<>(1, impairment_.max_delay_ms)(random_);
      // The bytes live only for this call: the held datagram keeps its own.
      auto bytes = std::make_shared<std::string>(datagram.bytes);
      QTimer::singleShot(delay, endpoint, [deliver, bytes, datagram] {
        (*deliver)({*bytes, datagram.address, datagram.port});
      });
    }
  };
}

}  // namespace kovra::test
