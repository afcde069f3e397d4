// One datagram through the real receive path of a whole window (see
// window_rig.h); an input that begins with "D:" goes as the next command of
// the rig's ordered stream instead.
#include <algorithm>

#include "window_rig.h"

using kovra::fuzz::Rig;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Rig rig;
  size = std::min<std::size_t>(size, 65000);
  rig.Greet();
  if (size >= 2 && data[0] == 'D' && data[1] == ':') {
    const std::string wrapped = rig.InStream(data + 2, size - 2);
    rig.Send(wrapped.data(), wrapped.size());
  } else {
    rig.Send(data, size);
  }
  rig.Settle();
  return 0;
}
