#include "board/drawing_commands.h"

#include "support/ansi_codec.h"
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

std::string SetFontArgs(const FontChoice& font) {
  std::string name = QStringToAnsi(font.font.family());
  // A field of only spaces still counts, so the fields after it keep their places.
  if (name.empty()) name = " ";
  std::string args = JoinFields({Field(font.font.pointSize()), ColorToString(font.color), name}, '|') + '|';
  std::string style;
  if (font.font.bold()) style += 'B';
  if (font.font.italic()) style += 'I';
  if (font.font.underline()) style += 'U';
  if (font.font.strikeOut()) style += 'S';
  if (!style.empty()) args += style + '|';
  return args;
}

void ApplySetFont(BoardCanvas& canvas, const std::string& args) {
  const CommandFields f(args, '|');
  const std::string name = f.Text(3);
  if (!name.empty()) canvas.SetFontName(AnsiToQString(name));
  canvas.SetFontColor(StringToColor(f.Text(2)));  // no default: empty fails here
  canvas.SetFontSize(f.Int(1, 8));
  const std::string style = UpperText(f.Text(4));
  auto has = [&style](char letter) { return style.find(letter) != std::string::npos; };
  canvas.SetFontStyle(has('B'), has('I'), has('U'), has('S'));
}

}  // namespace kovra
