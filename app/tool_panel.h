// The tool column: the line width, the pen and fill colours, the text font,
// the drawing switch and the tool list, with the settings they choose and
// what the drawing tools read of them. Each handler bears its control's name.
#pragma once

#include <QColor>
#include <QString>
#include <Qt>
#include <string>

#include "app/tool_settings.h"

class QWidget;

namespace kovra {

class Dialogs;
struct WindowControls;

class ToolPanel {
 public:
  // The controls outlive the panel.
  ToolPanel(Dialogs& dialogs, WindowControls& form) : dialogs_(dialogs), form_(form) {}

  const ToolSettings& Settings() const { return settings_; }
  int CurrentWidth() const;
  std::string PenColorName() const { return settings_.PenColorName(); }
  std::string FillColorName() const { return settings_.FillColorName(); }
  FontChoice TextFont() const { return settings_.text_font; }

  void ListToolsClick();
  void List_WDblClick();
  void Panel_Cvet_FonMouseDown(Qt::MouseButton button);
  void SpeedButton2Click();
  void CB_YesPaintClick();
  // A swatch of the palette: the left button sets the pen's colour, the right the fill's.
  void PaletteChosen(const QColor& color, Qt::MouseButton button);
  // A width typed or stepped in Spin_W becomes entry 0's, and is chosen.
  void Spin_WChanged(int width);
  // The keys "1" to "0" choose the tools, as a click on them does.
  void AddToolKeys(QWidget& window);

  // The controls as the settings are, the pen sample included.
  void Show();
  // A line of the pen's colour and width on the fill colour, on Label_Pen.
  void ShowPenSample();
  // The fill colour behind the font's sample on Label_Font.
  void ShowFillBehindFont();
  // A gesture begins: the text it may write takes the font of FD1.
  void TakeTextFont();
  // Whether to say why a drag draws nothing: once until the box is ticked.
  bool ShouldTellToTick();

  // The tool, the width, the colours, the font and the drawing switch, kept
  // in file between runs. Without a kept choice the pen draws: a first drag
  // draws a line.
  void SaveChoices(const QString& file) const;
  void RestoreChoices(const QString& file);

 private:
  // The pen and fill colours on Panel_Cvet_Fon and the text font, at a
  // bounded size, on Label_Font.
  void ShowSettings();

  Dialogs& dialogs_;
  WindowControls& form_;
  ToolSettings settings_;
  bool told_to_tick_ = false;  // since the drawing box was last ticked
};

}  // namespace kovra
