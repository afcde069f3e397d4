// The tool column: width, colours, font, the drawing switch and the tool list.
#include <QCheckBox>
#include <QLabel>

#include "app/main_window.h"
#include "app/mouse_panel.h"
#include "board/board_view.h"
#include "support/prompt.h"

namespace kovra {

int TForm1::CurrentWidth() const { return settings_.CurrentWidth(List_W->currentRow()); }

std::string TForm1::PenColorName() const { return settings_.PenColorName(); }
std::string TForm1::FillColorName() const { return settings_.FillColorName(); }

// The pointer tool now does what it says: choosing it shows nothing more.
void TForm1::ListToolsClick() {}

void TForm1::List_WDblClick() {
  if (List_W->currentRow() != 0) return;
  std::int32_t width = 0;
  if (!AskInteger(*env_.dialogs, QStringLiteral("Линия"), QStringLiteral("Толщина"), width,
                  settings_.user_width)) {
    return;
  }
  settings_.user_width = width;
  List_W->item(0)->setText(ToolSettings::UserWidthEntry(width));
  ShowPenSample();
}

void TForm1::Panel_Cvet_FonMouseDown(Qt::MouseButton button) {
  if (button != Qt::LeftButton && button != Qt::RightButton) return;
  const bool pen = button == Qt::LeftButton;
  const TColor current = StringToColor(pen ? PenColorName() : FillColorName());
  // Modal: datagrams may be replayed on the board meanwhile.
  const auto chosen = env_.dialogs->ChooseColor(ToQColor(current));
  if (!chosen) return;
  (pen ? settings_.pen_color : settings_.fill_color) = FromQColor(*chosen);
  ShowToolSettings(*this, settings_);
  ShowPenSample();
  if (!pen) ShowFillBehindFont(*this, settings_);
}

void TForm1::SpeedButton2Click() {
  if (const auto chosen = env_.dialogs->ChooseFont(settings_.FD1)) {
    settings_.SetTextFont(*chosen);
    Label_Font->setText(chosen->font.family());
  }
  ShowToolSettings(*this, settings_);
}

void TForm1::CB_YesPaintClick() {
  const bool on = CB_YesPaint->isChecked();
  if (on) told_to_tick_ = false;
  // Only while drawing is off: a tip would cover what is drawn.
  Image_KV->setToolTip(on ? QString() : kBoardTip);
  Paint(CB_YesPaint, ToQColor(on ? kClYellow : kClBtnFace), ToQColor(on ? kClRed : kClBlack));
}

}  // namespace kovra
