// The tool column right of the board: the tools, the text font, and the
// widths with the colours.
#include <QBoxLayout>
#include <QGroupBox>
#include <QLabel>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QToolButton>
#include <algorithm>

#include "app/choice_list.h"
#include "app/layout_parts.h"
#include "app/mouse_panel.h"
#include "app/pen_sample.h"
#include "app/tool_look.h"
#include "app/tool_settings.h"
#include "app/window_layout.h"
#include "board/tools/tool_table.h"

namespace kovra {
namespace {

using namespace layout;

// The tallest the font's sample and the pen's sample are shown, in pixels.
constexpr int kFontSampleHeight = 22;
constexpr int kPenSampleHeight = 10;

ChoiceList* ToolList(QWidget* parent, const char* name, const QStringList& items) {
  auto* list = Named(new ChoiceList(parent), name);
  list->addItems(items);
  list->setUniformItemSizes(true);
  return list;
}

// The height that shows rows entries of list whole.
int RowsHeight(const QListWidget* list, int rows) {
  const int row = list->sizeHintForRow(0) + 2 * list->spacing();
  return rows * row + 2 * list->frameWidth();
}

// The width text takes on at most two lines, broken at the space that
// makes the longer line shortest.
int WidestLine(const QString& text, const QFontMetrics& metrics) {
  int widest = metrics.horizontalAdvance(text);
  for (qsizetype space = text.indexOf(u' '); space > 0; space = text.indexOf(u' ', space + 1)) {
    widest = std::min(widest, std::max(metrics.horizontalAdvance(text.left(space)),
                                       metrics.horizontalAdvance(text.mid(space + 1))));
  }
  return widest;
}

// The font sample with its button.
void BuildFontBox(WindowControls& form, QSplitter* tool_split) {
  form.GroupBox5 = Named(new QGroupBox(QStringLiteral("Шрифт : "), tool_split), "GroupBox5");
  // The button beside the sample, in one row: the tools above keep their room.
  auto* font_row = new QHBoxLayout(form.GroupBox5);
  font_row->setContentsMargins(0, 0, 0, 0);
  font_row->setSpacing(2);
  form.Panel8 = Named(new QFrame(form.GroupBox5), "Panel8");
  form.Panel8->setFixedSize(27, 24);
  form.SpeedButton2 = Named(new QToolButton(form.Panel8), "SpeedButton2");
  form.SpeedButton2->setGeometry(2, 1, 23, 22);
  form.SpeedButton2->setAutoRaise(true);
  form.SpeedButton2->setText(QStringLiteral("A"));  // a font symbol as the glyph
  form.SpeedButton2->setToolTip(
      QStringLiteral("Выбрать шрифт и цвет текста для инструмента «Текст»"));
  font_row->addWidget(form.Panel8, 0, Qt::AlignVCenter);
  form.Label_Font = Named(new QLabel(QStringLiteral("Шрифт"), form.GroupBox5), "Label_Font");
  form.Label_Font->setAlignment(Qt::AlignCenter);
  // The sample never sets the column's width, whatever the font.
  form.Label_Font->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
  form.Label_Font->setMinimumHeight(kFontSampleHeight);
  Paint(form.Label_Font, Qt::white);
  font_row->addWidget(form.Label_Font, 1);
  tool_split->addWidget(form.GroupBox5);
}

// The widths as samples and a number, and the colours: the panel and the palette.
void BuildWidthBox(WindowControls& form, QSplitter* tool_split) {
  form.GroupBox4 =
      Named(new QGroupBox(QStringLiteral("Толщина линий : "), tool_split), "GroupBox4");
  auto* width_column = Column(form.GroupBox4);
  form.Panel7 = Panel(form.GroupBox4, "Panel7");
  QStringList widths{ToolSettings::UserWidthEntry(1)};
  for (int width = 1; width <= 10; ++width) widths.append(QString::number(width));
  form.List_W = ToolList(form.Panel7, "List_W", widths);
  form.List_W->setIconSize(kWidthIconSize);
  for (int row = 0; row < form.List_W->count(); ++row) {
    form.List_W->item(row)->setIcon(WidthIcon(std::max(row, 1)));
  }
  // The eleven entries side by side in rows, so that all of them show
  // however short the window is: four rows in the narrow column of a small screen.
  form.List_W->setFlow(QListView::LeftToRight);
  form.List_W->setWrapping(true);
  form.List_W->setResizeMode(QListView::Adjust);
  form.List_W->setUniformItemSizes(false);
  form.List_W->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  form.List_W->setMinimumHeight(RowsHeight(form.List_W, 4));
  form.List_W->setToolTip(
      QStringLiteral("Толщина линий в точках; любая другая — в поле ниже или двойным щелчком "
                     "по «Задать»"));
  Column(form.Panel7, 1)->addWidget(form.List_W);
  width_column->addWidget(form.Panel7, 1);
  // Any width beside the colours' caption, in one row.
  auto* colour_row = new QHBoxLayout();
  colour_row->setSpacing(2);
  width_column->addLayout(colour_row);
  form.Spin_W = Named(new QSpinBox(form.GroupBox4), "Spin_W");
  form.Spin_W->setRange(1, 999);
  form.Spin_W->setFixedHeight(20);
  form.Spin_W->setToolTip(QStringLiteral("Любая толщина линий в точках; она же — «Задать»"));
  colour_row->addWidget(form.Spin_W);
  form.Panel_Cvet_Fon =
      Named(new MousePanel(QStringLiteral("Цвет и Фон"), form.GroupBox4), "Panel_Cvet_Fon");
  form.Panel_Cvet_Fon->setFixedHeight(20);
  form.Panel_Cvet_Fon->setAlignment(Qt::AlignCenter);
  form.Panel_Cvet_Fon->setFrameStyle(QFrame::Panel | QFrame::Raised);
  Paint(form.Panel_Cvet_Fon, Qt::white);
  form.Panel_Cvet_Fon->setToolTip(
      QStringLiteral("Левая кнопка — цвет линий, правая — цвет заливки"));
  colour_row->addWidget(form.Panel_Cvet_Fon, 1);
  form.Palette = new ColorPalette(form.GroupBox4);
  width_column->addWidget(form.Palette);
  form.Label_Pen = Named(new PenSample(form.GroupBox4), "Label_Pen");
  form.Label_Pen->setFixedHeight(kPenSampleHeight);
  form.Label_Pen->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  width_column->addWidget(form.Label_Pen);
  tool_split->addWidget(form.GroupBox4);
}

}  // namespace

void BuildToolColumn(WindowControls& form, QSplitter* board_split) {
  form.GroupBox2 =
      Named(new QGroupBox(QStringLiteral("Инструментарий : "), board_split), "GroupBox2");
  form.Panel6 = Panel(form.GroupBox2, "Panel6");
  Column(form.GroupBox2)->addWidget(form.Panel6);
  auto* tool_split = Splitter(Qt::Vertical, form.Panel6);
  Column(form.Panel6, 1)->addWidget(tool_split);
  QStringList tools;
  for (const ToolEntry& entry : ToolTable()) tools.append(QString::fromUtf8(entry.caption));
  form.ListTools = ToolList(tool_split, "ListTools", tools);
  form.ListTools->setIconSize(QSize(14, 14));
  for (const ToolEntry& entry : ToolTable()) {
    QListWidgetItem* item = form.ListTools->item(ToolRow(entry.id));
    item->setIcon(ToolIcon(entry.id));
    item->setToolTip(QStringLiteral("%1 — клавиша %2")
                         .arg(QString::fromUtf8(entry.caption).remove(QStringLiteral(">>")))
                         .arg(ToolKey(entry.id)));
  }
  form.ListTools->setToolTip(
      QStringLiteral("Чем рисовать; «Указатель» показывает другим, куда вы указываете"));
  // Every caption whole, a long one on two lines where the column is
  // narrow, so that the board beside it fits an 800-point screen; with
  // room for a scroll bar when the window is short.
  form.ListTools->setUniformItemSizes(false);
  form.ListTools->setWordWrap(true);
  form.ListTools->setTextElideMode(Qt::ElideNone);
  const QFontMetrics metrics = form.ListTools->fontMetrics();
  int room = 0;
  for (const QString& tool : tools) room = std::max(room, WidestLine(tool, metrics));
  form.ListTools->setMinimumWidth(room + form.ListTools->iconSize().width() + 16 +
                                  form.ListTools->style()->pixelMetric(QStyle::PM_ScrollBarExtent));
  tool_split->addWidget(form.ListTools);
  BuildFontBox(form, tool_split);
  BuildWidthBox(form, tool_split);
  tool_split->setStretchFactor(0, 1);
  // Every tool shows at first, the longest caption on two lines in the
  // narrow column of a small screen; the user may shorten the list for the rest.
  tool_split->setSizes(
      {RowsHeight(form.ListTools, form.ListTools->count()) + metrics.lineSpacing(), 40, 130});
  NameHandle(tool_split, 1, "Splitter4");
  NameHandle(tool_split, 2, "Splitter5");
  board_split->addWidget(form.GroupBox2);
}

}  // namespace kovra
