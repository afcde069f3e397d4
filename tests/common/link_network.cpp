#include "common/link_network.h"

#include <gtest/gtest.h>

#include <vector>

#include "net/command.h"

namespace kovra::test {

std::function<bool(quint32, const std::string&)> Network::From(quint32 from) {
  return [this, from](quint32 to, const std::string& bytes) {
    sent_.push_back({from, to, bytes});
    return true;
  };
}

bool Network::Run() {
  std::vector<Datagram> batch(sent_.begin(), sent_.end());
  sent_.clear();
  for (std::size_t i = 0; i + 1 < batch.size(); ++i) {
    if (Chance(0.3)) std::swap(batch[i], batch[i + 1]);
  }
  for (const Datagram& datagram : batch) {
    if (Chance(loss_) || (Refuse && Refuse(datagram))) continue;
    for (int copy = Chance(duplicate_) ? 2 : 1; copy > 0; --copy) Hand(datagram);
  }
  return !batch.empty();
}

void Network::Hand(const Datagram& datagram) {
  const auto links = links_.find(datagram.to);
  if (links == links_.end()) return;
  const auto command =
      ParseCommandText(datagram.bytes.data(), static_cast<int>(datagram.bytes.size()));
  ASSERT_TRUE(command);
  links->second->Heard(datagram.from);
  links->second->Received(datagram.from, 571, *command);
}

}  // namespace kovra::test
