// A sequence of commands, one a line, each as the next command of an
// ordered stream from a copy that speaks the delivery extension with a
// whole window (see window_rig.h): steps begun, taken back and done again,
// boards and tiles sent, digests, wants and sessions, between drawing.
#include <algorithm>
#include <string_view>

#include "window_rig.h"

using kovra::fuzz::Rig;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Rig rig;
  constexpr std::size_t kMaxCommands = 64;
  rig.Greet();
  std::string_view rest(reinterpret_cast<const char*>(data), std::min<std::size_t>(size, 65000));
  for (std::size_t sent = 0; !rest.empty() && sent < kMaxCommands; ++sent) {
    const std::size_t end = std::min(rest.find('\n'), rest.size());
    const std::string_view line = rest.substr(0, end);
    rest.remove_prefix(std::min(end + 1, rest.size()));
    rig.Send(rig.InStream(reinterpret_cast<const std::uint8_t*>(line.data()), line.size()));
  }
  rig.Settle();
  return 0;
}
