// The text routines and every command's argument reader on arbitrary bytes:
// none may fail other than by raising Error, and their rules must hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "board/drawing_commands.h"
#include "net/command.h"
#include "net/dotted_address.h"
#include "net/message_history.h"
#include "support/error_guard.h"
#include "support/text.h"

using namespace kovra;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string trimmed = TrimText(text);
  if (!trimmed.empty() && (trimmed.front() == ' ' || trimmed.back() == ' ')) std::abort();
  if (UpperText(UpperText(text)) != UpperText(text)) std::abort();
  TextToIntDef(text, 0);
  for (unsigned n = 0; n < 4; ++n) WordAt(CharSet(' ').Add('|'), text, n);
  if (const auto parsed = ParseCommandText(text.data(), static_cast<int>(size))) {
    if (parsed->name.empty()) std::abort();
  }
  if (const auto address = ParseDottedAddress(text)) {
    if (ParseDottedAddress(DottedAddressText(*address)) != address) std::abort();
  }
  MessageSenderName(text);
  try {
    drawing::Point::Parse(text);
    drawing::LineTo::Parse(text);
    drawing::Figure::Parse(text, false);
    drawing::Figure::Parse(text, true);
    drawing::FloodFill::Parse(text);
    drawing::SetFont::Parse(text);
    drawing::TextOut::Parse(text);
  } catch (const Error&) {
  }
  return 0;
}
