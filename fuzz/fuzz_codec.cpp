// The Windows-1251 codec: bytes to text and back loses nothing the code page
// holds, and any text becomes one byte a character.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/ansi_codec.h"

using namespace kovra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const QString text = AnsiToQString(bytes);
  const std::string back = QStringToAnsi(text);
  if (back.size() != bytes.size()) std::abort();
  for (std::size_t i = 0; i < size; ++i) {
    // The one byte the code page leaves unassigned may come back as "?".
    if (back[i] != bytes[i] && !(static_cast<unsigned char>(bytes[i]) == 0x98 && back[i] == '?')) {
      std::abort();
    }
  }
  // Arbitrary UTF-16 text: one byte a code unit's character, never more.
  const QString any = QString::fromUtf16(reinterpret_cast<const char16_t*>(data), size / 2);
  if (QStringToAnsi(any).size() > static_cast<std::size_t>(any.size())) std::abort();
  return 0;
}
