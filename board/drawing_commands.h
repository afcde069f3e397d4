// The argument texts of the drawing commands: built by the tools and read by
// the replay, side by side, so the two cannot drift apart.
#pragma once

#include <initializer_list>
#include <string>

#include "board/canvas.h"
#include "board/colors.h"
#include "support/dialogs.h"

namespace kovra {

// Fields joined by one separator; the text commands use "|", the rest " ".
std::string JoinFields(std::initializer_list<std::string> fields, char separator = ' ');
std::string Field(int number);

// Reads the fields of a received argument text, counted from 1. A missing or
// unreadable number gives its default; an empty colour field its default
// colour text, and an unreadable colour raises the conversion error.
class CommandFields {
 public:
  CommandFields(std::string args, char separator) : args_(std::move(args)), separator_(separator) {}

  std::string Text(unsigned n) const;
  int Int(unsigned n, int default_value) const;
  TColor Color(unsigned n, const std::string& default_text) const;

 private:
  std::string args_;
  char separator_;
};

// The argument text of "ImageKV_SetFont": size, colour and name, each
// followed by "|", then the style letters and a "|" when the font is not
// plain: "B" bold, "I" italic, "U" underline, "S" struck out. Copies that
// read three fields never see the fourth.
std::string SetFontArgs(const FontChoice& font);
// Sets the canvas font as a received "ImageKV_SetFont" does: the name when
// given, the colour (an empty or unreadable one raises the conversion
// error, leaving the rest unchanged), the size, and the style, plain when
// no letters came.
void ApplySetFont(BoardCanvas& canvas, const std::string& args);

}  // namespace kovra
