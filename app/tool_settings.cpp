#include "app/tool_settings.h"

#include "board/canvas.h"

namespace kovra {

ToolSettings::ToolSettings() { SetTextFont(FontChoice{BoardCanvas::DefaultFont(), kClWindowText}); }

int ToolSettings::CurrentWidth(int selected_index) const {
  const int width = selected_index == 0 ? user_width : selected_index;
  return width >= 1 ? width : 1;
}

QString ToolSettings::UserWidthEntry(int width) {
  return QStringLiteral("Задать=") + QString::number(width);
}

}  // namespace kovra
