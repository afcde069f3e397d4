#include "app/tool_settings.h"

#include "support/text.h"

namespace kovra {

ToolSettings::ToolSettings() {
  QFont font(QStringLiteral("MS Sans Serif"));
  font.setPointSize(8);
  text_font = FontChoice{font, kClWindowText};
  FD1 = text_font;
}

int ToolSettings::CurrentWidth(int selected_index, const std::string& entry0_text) {
  int width = selected_index;
  if (selected_index == 0) {
    std::string word = WordAt(CharSet('='), entry0_text, 2);
    if (word.empty()) word = "1";
    width = TextToIntDef(word, 0);
  }
  return width >= 1 ? width : 1;
}

int ToolSettings::UserWidth(const std::string& entry0_text) {
  std::string word = WordAt(CharSet('='), entry0_text, 2);
  if (word.empty()) word = "1";
  return TextToIntDef(word, 1);
}

QString ToolSettings::UserWidthEntry(int width) {
  return QStringLiteral("Задать=") + QString::number(width);
}

}  // namespace kovra
