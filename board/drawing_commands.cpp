#include "board/drawing_commands.h"

#include "support/text.h"

namespace kovra {

std::string JoinFields(std::initializer_list<std::string> fields, char separator) {
  std::string text;
  bool first = true;
  for (const std::string& field : fields) {
    if (!first) text += separator;
    text += field;
    first = false;
  }
  return text;
}

std::string Field(int number) { return std::to_string(number); }

std::string CommandFields::Text(unsigned n) const {
  return TrimText(WordAt(CharSet(separator_), args_, n));
}

int CommandFields::Int(unsigned n, int default_value) const {
  return TextToIntDef(Text(n), default_value);
}

TColor CommandFields::Color(unsigned n, const std::string& default_text) const {
  const std::string text = Text(n);
  return StringToColor(text.empty() ? default_text : text);
}

}  // namespace kovra
