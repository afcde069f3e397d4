#include "app/tool_panel.h"

#include <QAction>
#include <QCheckBox>
#include <QFontInfo>
#include <QKeySequence>
#include <QLabel>
#include <QListWidget>
#include <QSettings>
#include <QSignalBlocker>
#include <QSpinBox>
#include <optional>
#include <utility>

#include "app/choice_list.h"
#include "app/color_words.h"
#include "app/mouse_panel.h"
#include "app/notice_line.h"
#include "app/pen_sample.h"
#include "app/tool_look.h"
#include "app/window_layout.h"
#include "board/board_view.h"
#include "board/colors.h"
#include "support/dialogs.h"
#include "support/prompt.h"

namespace kovra {
namespace {

// The tallest the font's sample is drawn, in pixels: a large font does not
// widen the tool column.
constexpr int kFontSamplePixels = 24;

}  // namespace

int ToolPanel::CurrentWidth() const { return settings_.CurrentWidth(form_.List_W->currentRow()); }

// Choosing a tool means wanting to draw with it: the switch goes on. The
// pointer tool does what it says; choosing it shows nothing more.
void ToolPanel::ListToolsClick() {
  if (form_.CB_YesPaint->isChecked()) return;
  form_.CB_YesPaint->setChecked(true);
  CB_YesPaintClick();
}

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
  ShowSettings();
  ShowPenSample();
  if (!pen) ShowFillBehindFont();
}

void ToolPanel::PaletteChosen(const QColor& color, Qt::MouseButton button) {
  const bool pen = button == Qt::LeftButton;
  (pen ? settings_.pen_color : settings_.fill_color) = FromQColor(color);
  ShowSettings();
  ShowPenSample();
  if (!pen) ShowFillBehindFont();
}

void ToolPanel::Spin_WChanged(int width) {
  settings_.user_width = width;
  form_.List_W->item(0)->setText(ToolSettings::UserWidthEntry(width));
  form_.List_W->setCurrentRow(0);
  ShowPenSample();
}

void ToolPanel::AddToolKeys(QWidget& window) {
  for (const ToolEntry& entry : ToolTable()) {
    auto* key = new QAction(&window);
    key->setObjectName(QStringLiteral("ToolKey%1").arg(ToolRow(entry.id)));
    key->setShortcut(QKeySequence(QString(ToolKey(entry.id))));
    window.addAction(key);
    const int row = ToolRow(entry.id);
    QObject::connect(key, &QAction::triggered, &window, [this, row] {
      form_.ListTools->setCurrentRow(row);
      ListToolsClick();
    });
  }
}

void ToolPanel::SpeedButton2Click() {
  if (const auto chosen = dialogs_.ChooseFont(settings_.FD1)) {
    settings_.SetTextFont(*chosen);
    // The family the system draws it in, which a name it lacks is not.
    form_.Label_Font->setText(QFontInfo(chosen->font).family());
  }
  ShowSettings();
}

void ToolPanel::CB_YesPaintClick() {
  const bool on = form_.CB_YesPaint->isChecked();
  if (on) {
    told_to_tick_ = false;
    form_.Label_Notice->Withdraw(kTickHint);
  }
  // Only while drawing is off: a tip would cover what is drawn.
  form_.Image_KV->setToolTip(on ? QString() : kBoardTip);
  Paint(form_.CB_YesPaint, ToQColor(on ? kClYellow : kClBtnFace), ToQColor(on ? kClRed : kClBlack));
}

void ToolPanel::Show() {
  ShowSettings();
  ShowPenSample();
  CB_YesPaintClick();  // the switch's look and the board's tip
}

void ToolPanel::ShowSettings() {
  Paint(form_.Panel_Cvet_Fon, ToQColor(settings_.fill_color), ToQColor(settings_.pen_color));
  QFont sample = settings_.text_font.font;
  if (QFontInfo(sample).pixelSize() > kFontSamplePixels) sample.setPixelSize(kFontSamplePixels);
  form_.Label_Font->setFont(sample);
  form_.Label_Font->setToolTip(QStringLiteral("Шрифт текста: %1, %2 пт")
                                   .arg(settings_.text_font.font.family())
                                   .arg(settings_.text_font.font.pointSize()));
  QPalette palette = form_.Label_Font->palette();
  palette.setColor(QPalette::WindowText, ToQColor(settings_.text_font.color));
  form_.Label_Font->setPalette(palette);
}

void ToolPanel::ShowPenSample() {
  const int width = CurrentWidth();
  const QSignalBlocker quiet(form_.Spin_W);  // shown, not chosen
  form_.Spin_W->setValue(width);
  form_.Label_Pen->Show(ToQColor(settings_.pen_color), ToQColor(settings_.fill_color), width);
  form_.Label_Pen->setToolTip(
      QStringLiteral("Линия толщиной %1, «%2»; заливка «%3»")
          .arg(width)
          .arg(ColorCaption(settings_.pen_color), ColorCaption(settings_.fill_color)));
}

void ToolPanel::ShowFillBehindFont() {
  QPalette palette = form_.Label_Font->palette();
  palette.setColor(QPalette::Window, ToQColor(settings_.fill_color));
  form_.Label_Font->setPalette(palette);
}

void ToolPanel::TakeTextFont() {
  settings_.SetTextFont(settings_.FD1);  // Label_Font takes the font of FD1
  ShowSettings();
}

bool ToolPanel::ShouldTellToTick() { return !std::exchange(told_to_tick_, true); }

namespace {

const QString kTool = QStringLiteral("Tools/Tool");
const QString kWidth = QStringLiteral("Tools/Width");
const QString kUserWidth = QStringLiteral("Tools/UserWidth");
const QString kPen = QStringLiteral("Tools/Pen");
const QString kFill = QStringLiteral("Tools/Fill");
const QString kFont = QStringLiteral("Tools/Font");
const QString kFontColor = QStringLiteral("Tools/FontColor");
const QString kDrawing = QStringLiteral("Tools/Drawing");

// A kept number between low and high; nullopt for anything else.
std::optional<int> KeptNumber(const QSettings& kept, const QString& key, int low, int high) {
  bool ok = false;
  const int value = kept.value(key).toInt(&ok);
  if (!ok || value < low || value > high) return std::nullopt;
  return value;
}

// A kept colour by its name or number, as the commands write colours.
std::optional<TColor> KeptColor(const QSettings& kept, const QString& key) {
  return ReadColor(kept.value(key).toString().toStdString());
}

}  // namespace

void ToolPanel::SaveChoices(const QString& file) const {
  QSettings kept(file, QSettings::IniFormat);
  kept.setValue(kTool, form_.ListTools->currentRow());
  kept.setValue(kWidth, form_.List_W->currentRow());
  kept.setValue(kUserWidth, settings_.user_width);
  kept.setValue(kPen, QString::fromStdString(settings_.PenColorName()));
  kept.setValue(kFill, QString::fromStdString(settings_.FillColorName()));
  kept.setValue(kFont, settings_.text_font.font.toString());
  kept.setValue(kFontColor, QString::fromStdString(ColorToString(settings_.text_font.color)));
  kept.setValue(kDrawing, form_.CB_YesPaint->isChecked());
}

void ToolPanel::RestoreChoices(const QString& file) {
  const QSettings kept(file, QSettings::IniFormat);
  // Whatever the file says, only what the controls can show is taken.
  form_.ListTools->setCurrentRow(
      KeptNumber(kept, kTool, 0, form_.ListTools->count() - 1).value_or(0));
  if (const auto width = KeptNumber(kept, kUserWidth, -999, 999)) {
    settings_.user_width = *width;
    form_.List_W->item(0)->setText(ToolSettings::UserWidthEntry(*width));
  }
  form_.List_W->setCurrentRow(KeptNumber(kept, kWidth, 0, form_.List_W->count() - 1).value_or(0));
  settings_.pen_color = KeptColor(kept, kPen).value_or(settings_.pen_color);
  settings_.fill_color = KeptColor(kept, kFill).value_or(settings_.fill_color);
  QFont font;
  if (kept.contains(kFont) && font.fromString(kept.value(kFont).toString())) {
    settings_.SetTextFont(
        FontChoice{font, KeptColor(kept, kFontColor).value_or(settings_.text_font.color)});
  }
  form_.Label_Font->setText(QFontInfo(settings_.text_font.font).family());  // the family drawn
  form_.CB_YesPaint->setChecked(kept.value(kDrawing, true).toBool());
  Show();
  ShowFillBehindFont();
}

}  // namespace kovra
