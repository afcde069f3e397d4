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

  // The width from the width list: entry k (1 to 10) gives k, entry 0
  // ("Задать=N") gives N; anything below 1, or nothing selected, gives 1.
  static int CurrentWidth(int selected_index, const std::string& entry0_text);
  // The user-set width that entry 0 holds, for the prompt; 1 when unreadable.
  static int UserWidth(const std::string& entry0_text);
  // The text of entry 0 for a user-set width: "Задать=" and the number.
  static QString UserWidthEntry(int width);

  std::string PenColorName() const { return ColorToString(pen_color); }
  std::string FillColorName() const { return ColorToString(fill_color); }

  TColor pen_color = kClWindowText;
  TColor fill_color = kClWhite;
  FontChoice text_font;  // the font of Label_Font
  FontChoice FD1;        // the font dialog's font, kept equal to text_font
};

}  // namespace kovra
