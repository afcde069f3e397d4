// What the tool column shows besides its captions: an icon for each tool
// and a sample of each line width, drawn here so that they look the same on
// every desktop, and the row of common colours.
#pragma once

#include <QColor>
#include <QIcon>
#include <QWidget>
#include <array>

#include "board/tools/tool_table.h"

namespace kovra {

QIcon ToolIcon(ToolId id);
// The one key that chooses a tool: "1" to "9" for the first nine, "0" for
// the tenth, the same on every keyboard layout, and "S" for the selection.
inline QChar ToolKey(ToolId id) {
  return id == ToolId::kSelect ? QChar(u'S') : QChar(u'0' + (ToolRow(id) + 1) % 10);
}
// A line of width pixels, as wide as the list's icons are.
QIcon WidthIcon(int width);
inline constexpr QSize kWidthIconSize(16, 10);

// The common colours in two rows: the left button takes one as the pen's
// colour, the right button as the fill colour.
class ColorPalette : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kColumns = 8;
  static const std::array<QColor, 16> kColors;

  explicit ColorPalette(QWidget* parent = nullptr);
  // The middle of the swatch of kColors[index], for the tests' clicks.
  QPoint SwatchCenter(int index) const;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return QSize(kColumns * 8, 2 * 11); }

 signals:
  void Chosen(const QColor& color, Qt::MouseButton button);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  QRect Swatch(int index) const;
};

}  // namespace kovra
