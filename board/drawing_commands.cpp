#include "board/drawing_commands.h"

#include <initializer_list>

#include "board/colors.h"
#include "support/ansi_codec.h"
#include "support/text.h"

namespace kovra::drawing {
namespace {

constexpr char kSpace = ' ';
constexpr char kBar = '|';

std::string Join(std::initializer_list<std::string> fields, char separator) {
  std::string text;
  for (const std::string& field : fields) {
    if (&field != fields.begin()) text += separator;
    text += field;
  }
  return text;
}

std::string Number(int value) { return std::to_string(value); }

// The fields of a received argument text, counted from 1, each trimmed of
// spaces; a missing or unreadable number gives its default.
// Every drawing stroke arrives as such a text: nothing is copied but the
// fields kept as text.
class Fields {
 public:
  Fields(const std::string& args, char separator) : args_(args), separator_(separator) {}
  std::string Text(unsigned n) const { return std::string(View(n)); }
  int Int(unsigned n, int default_value) const { return TextToIntDef(View(n), default_value); }
  std::string Color(unsigned n, const std::string& default_text) const {
    const std::string_view text = View(n);
    return text.empty() ? default_text : std::string(text);
  }

 private:
  std::string_view View(unsigned n) const { return TrimView(WordView(separator_, args_, n)); }

  const std::string& args_;
  CharSet separator_;
};

}  // namespace

std::string Point::Build() const { return Join({Number(x), Number(y)}, kSpace); }

Point Point::Parse(const std::string& args) {
  const Fields f(args, kSpace);
  return {f.Int(1, 0), f.Int(2, 0)};
}

std::string LineTo::Build() const {
  return Join({Number(x), Number(y), Number(width), pen}, kSpace);
}

LineTo LineTo::Parse(const std::string& args) {
  const Fields f(args, kSpace);
  return {f.Int(1, 0), f.Int(2, 0), f.Int(3, 1), f.Color(4, kDefaultPen)};
}

std::string Figure::Build() const {
  std::string args =
      Join({Number(x0), Number(y0), Number(x1), Number(y1), Number(width), pen}, kSpace);
  if (!fill.empty()) args += kSpace + fill;
  return args;
}

Figure Figure::Parse(const std::string& args, bool with_fill) {
  const Fields f(args, kSpace);
  return {f.Int(1, 0),
          f.Int(2, 0),
          f.Int(3, 0),
          f.Int(4, 0),
          f.Int(5, 1),
          f.Color(6, kDefaultPen),
          with_fill ? f.Color(7, kDefaultFill) : std::string()};
}

std::string FloodFill::Build() const { return Join({Number(x), Number(y), fill, found}, kSpace); }

FloodFill FloodFill::Parse(const std::string& args) {
  const Fields f(args, kSpace);
  return {f.Int(1, 0), f.Int(2, 0), f.Color(3, kDefaultFill), f.Text(4)};
}

SetFont SetFont::From(const FontChoice& font) {
  SetFont command{
      font.font.pointSize(), ColorToString(font.color), QStringToAnsi(font.font.family()), {}};
  if (font.font.bold()) command.style += 'B';
  if (font.font.italic()) command.style += 'I';
  if (font.font.underline()) command.style += 'U';
  if (font.font.strikeOut()) command.style += 'S';
  return command;
}

std::string SetFont::Build() const {
  // A field of only spaces still counts, so the fields after it keep their places.
  std::string args =
      Join({Number(size), color, name.empty() ? std::string(" ") : name}, kBar) + kBar;
  if (!style.empty()) args += style + kBar;
  return args;
}

SetFont SetFont::Parse(const std::string& args) {
  const Fields f(args, kBar);
  return {f.Int(1, 8), f.Text(2), f.Text(3), UpperText(f.Text(4))};
}

bool SetFont::Has(char style_letter) const { return style.find(style_letter) != std::string::npos; }

std::string TextOut::Build() const { return Join({Number(x), Number(y), background, text}, kBar); }

TextOut TextOut::Parse(const std::string& args) {
  const Fields f(args, kBar);
  return {f.Int(1, 0), f.Int(2, 0), f.Color(3, kDefaultFill), f.Text(4)};
}

Paste Paste::Parse(const std::string& args) {
  const Fields f(args, kSpace);
  return {f.Int(1, 0), f.Int(2, 0), f.Int(3, 0), f.Int(4, 0), args};
}

const std::string& NameOf(const Command& command) {
  return std::visit([](const auto& c) -> const std::string& { return c.Name(); }, command);
}

std::string ArgsOf(const Command& command) {
  return std::visit([](const auto& c) { return c.Build(); }, command);
}

}  // namespace kovra::drawing
