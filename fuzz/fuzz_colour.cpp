// The colour text form: any text is a colour or the conversion error, and
// every colour's text reads back as the same colour.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/colors.h"
#include "support/error_guard.h"

using namespace kovra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const TColor colour = StringToColor(text);
    if (StringToColor(ColorToString(colour)) != colour) std::abort();
  } catch (const Error&) {
  }
  if (size >= sizeof(TColor)) {
    TColor value;
    std::memcpy(&value, data, sizeof value);
    if (StringToColor(ColorToString(value)) != value) std::abort();
  }
  return 0;
}
