// The settings the drawing tools read at every step: line width, pen and
// fill colours and the text font. Colours are kept as colour values, so a
// system colour travels by its name and each computer draws it in its own.
#pragma once

#include <QString>
#include <string>

#include "board/colors.h"
#include "support/dialogs.h"

namespace kovra {

class ToolSettings {
 public:
  ToolSettings();

  // The width for the width list's selected entry: entry k (1 to 10) gives
  // k, entry 0 ("Задать=N") the user-set width; below 1, or nothing
  // selected, gives 1.
  int CurrentWidth(int selected_index) const;
  // The text of entry 0 for a user-set width: "Задать=" and the number.
  static QString UserWidthEntry(int width);
  // The text font, which the font dialog FD1 always holds too.
  void SetTextFont(const FontChoice& font) {
    text_font = font;
    FD1 = font;
  }

  std::string PenColorName() const { return ColorToString(pen_color); }
  std::string FillColorName() const { return ColorToString(fill_color); }

  int user_width = 1;  // the N of entry 0, as typed, even below 1
  TColor pen_color = kClWindowText;
  TColor fill_color = kClWhite;
  FontChoice text_font;  // the font of Label_Font
  FontChoice FD1;        // the font dialog's font, kept equal to text_font
};

}  // namespace kovra
