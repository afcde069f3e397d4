#include "app/tool_panel.h"

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <utility>

#include "app/choice_list.h"
#include "app/mouse_panel.h"
#include "app/window_layout.h"
#include "board/board_view.h"
#include "board/colors.h"
#include "support/dialogs.h"
#include "support/prompt.h"

namespace kovra {

int ToolPanel::CurrentWidth() const { return settings_.CurrentWidth(form_.List_W->currentRow()); }

// The pointer tool now does what it says: choosing it shows nothing more.
void ToolPanel::ListToolsClick() {}

void ToolPanel::List_WDblClick() {
  if (form_.List_W->currentRow() != 0) return;
  std::int32_t width = 0;
  if (!AskInteger(dialogs_, QStringLiteral("Линия"), QStringLiteral("Толщина"), width,
                  settings_.user_width)) {
    return;
  }
  settings_.user_width = width;
  form_.List_W->item(0)->setText(ToolSettings::UserWidthEntry(width));
  ShowPenSample();
}

void ToolPanel::Panel_Cvet_FonMouseDown(Qt::MouseButton button) {
  if (button != Qt::LeftButton && button != Qt::RightButton) return;
  const bool pen = button == Qt::LeftButton;
  const TColor current = StringToColor(pen ? PenColorName() : FillColorName());
  // Modal: datagrams may be replayed on the board meanwhile.
  const auto chosen = dialogs_.ChooseColor(ToQColor(current));
  if (!chosen) return;
  (pen ? settings_.pen_color : settings_.fill_color) = FromQColor(*chosen);
  ShowToolSettings(form_, settings_);
  ShowPenSample();
  if (!pen) ShowFillBehindFont();
}

void ToolPanel::SpeedButton2Click() {
  if (const auto chosen = dialogs_.ChooseFont(settings_.FD1)) {
    settings_.SetTextFont(*chosen);
    form_.Label_Font->setText(chosen->font.family());
  }
  ShowToolSettings(form_, settings_);
}

void ToolPanel::CB_YesPaintClick() {
  const bool on = form_.CB_YesPaint->isChecked();
  if (on) told_to_tick_ = false;
  // Only while drawing is off: a tip would cover what is drawn.
  form_.Image_KV->setToolTip(on ? QString() : kBoardTip);
  Paint(form_.CB_YesPaint, ToQColor(on ? kClYellow : kClBtnFace), ToQColor(on ? kClRed : kClBlack));
}

void ToolPanel::Show() {
  ShowToolSettings(form_, settings_);
  ShowPenSample();
}

void ToolPanel::ShowPenSample() { ShowPen(form_, settings_, CurrentWidth()); }

void ToolPanel::ShowFillBehindFont() { kovra::ShowFillBehindFont(form_, settings_); }

void ToolPanel::TakeTextFont() {
  settings_.SetTextFont(settings_.FD1);  // Label_Font takes the font of FD1
  ShowToolSettings(form_, settings_);
}

bool ToolPanel::ShouldTellToTick() { return !std::exchange(told_to_tick_, true); }

}  // namespace kovra
