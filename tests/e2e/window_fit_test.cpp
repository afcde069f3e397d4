// The window at the sizes users meet: every control, caption and tool row
// whole, the tool column steady whatever the font, the message field
// taking the width.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include "app/chat_view.h"
#include "app/choice_list.h"
#include "app/main_window.h"
#include "app/mouse_panel.h"
#include "app/notice_line.h"
#include "app/pen_sample.h"
#include "app/tool_look.h"
#include "board/board_view.h"
#include "common/test_window.h"

namespace kovra {
namespace {

using test::ShowAt;
using test::TestWindow;

// Text that does not fit its control, named for the failure message.
QStringList ClippedTexts(TForm1& form) {
  QStringList clipped;
  auto check = [&](const QWidget* widget, const QString& text, int room) {
    if (!widget->isVisibleTo(&form) || text.isEmpty()) return;
    const int needed = widget->fontMetrics().horizontalAdvance(text);
    if (needed > room) {
      clipped.append(
          QStringLiteral("%1 «%2»: %3 > %4").arg(widget->objectName(), text).arg(needed).arg(room));
    }
  };
  for (const QLabel* label : form.findChildren<QLabel*>()) {
    if (label == form.Controls().Label_Font || label == form.Controls().Label_Notice)
      continue;  // samples, elided
    check(label, label->text(), label->contentsRect().width());
  }
  for (const QAbstractButton* button : form.findChildren<QAbstractButton*>()) {
    // The box's text begins after its indicator.
    const int indicator = qobject_cast<const QCheckBox*>(button) ? 20 : 0;
    check(button, button->text(), button->width() - indicator);
  }
  for (const QGroupBox* box : form.findChildren<QGroupBox*>()) {
    check(box, box->title(), box->width());
  }
  // The tool column's rows are cut off by its frame, not by their own width.
  for (const QWidget* part : std::initializer_list<const QWidget*>{
           form.Controls().Spin_W, form.Controls().Panel_Cvet_Fon, form.Controls().Palette,
           form.Controls().Label_Pen, form.Controls().Panel8, form.Controls().Label_Font}) {
    const QRect room = part->parentWidget()->contentsRect();
    if (!room.contains(part->geometry()) || part->height() < 8) {
      clipped.append(part->objectName() + QStringLiteral(" cut"));
    }
  }
  for (ChoiceList* list : {form.Controls().ListTools, form.Controls().List_W}) {
    const QRect view = list->viewport()->rect();
    for (int row = 0; row < list->count(); ++row) {
      const QRect item = list->visualItemRect(list->item(row));
      // The eleventh tool may need the list's scroll bar in a short window.
      const bool scrolls = list == form.Controls().ListTools &&
                           list->verticalScrollBar()->isVisible() && item.top() >= 0;
      if (!view.contains(item) && !scrolls) {
        clipped.append(list->objectName() + u' ' + list->item(row)->text());
      }
      // A caption may take two lines of its row.
      const QString text = list->item(row)->text();
      const int lines = item.height() / list->fontMetrics().lineSpacing();
      check(list, lines >= 2 ? text.section(u' ', 0, 0) : text, item.width() - 20);
    }
  }
  return clipped;
}

TEST(Desktop, NothingIsClippedAtTheUsualSizesAndTheMessageFieldStretches) {
  TestWindow test;
  TForm1& form = test.Start();
  ShowAt(form, QSize(790, 590));
  EXPECT_EQ(ClippedTexts(form), QStringList());
  form.Controls().CB_YesPaint->click();  // drawing off: only then has the board a tip
  for (const QWidget* control : std::initializer_list<const QWidget*>{
           form.Controls().CB_YesPaint,    form.Controls().Image_KV,   form.Controls().ListTools,
           form.Controls().SpeedButton2,   form.Controls().Label_Font, form.Controls().List_W,
           form.Controls().Panel_Cvet_Fon, form.Controls().Label_Pen,  form.Controls().SpeedButton1,
           form.Controls().Edit_Mess,      form.Controls().Label_Left, form.Controls().RE_Mess,
           form.Controls().ListUser,       form.Controls().Label_DT,   form.Controls().Label_Notice,
           form.Controls().Spin_W,         form.Controls().Palette,    form.Controls().RestoreBoard,
           form.Controls().Label_Saved,    form.Controls().Label_Zoom}) {
    EXPECT_FALSE(control->toolTip().isEmpty()) << control->objectName().toStdString();
  }
  const int narrow_field = form.Controls().Edit_Mess->width();
  const int tool_column = form.Controls().GroupBox2->width();

  // On an 800 by 600 screen the board of a first start shows whole, and so
  // does every tool, without scrolling.
  ShowAt(form, QSize(800, 581));
  EXPECT_EQ(ClippedTexts(form), QStringList());
  const QScrollArea& box = *form.Controls().ScrollBox1;
  EXPECT_FALSE(box.horizontalScrollBar()->isVisible() || box.verticalScrollBar()->isVisible())
      << box.viewport()->width() << 'x' << box.viewport()->height();
  ChoiceList& tools = *form.Controls().ListTools;
  for (int row = 0; row < tools.count(); ++row) {
    EXPECT_TRUE(tools.viewport()->rect().contains(tools.visualItemRect(tools.item(row))))
        << tools.item(row)->text().toStdString();
  }

  ShowAt(form, QSize(1366, 768));
  EXPECT_EQ(ClippedTexts(form), QStringList());
  // The messages and the list take their share of the larger window.
  const int row = form.Controls().ListUser->sizeHintForRow(0) > 0
                      ? form.Controls().ListUser->sizeHintForRow(0)
                      : form.Controls().ListUser->fontMetrics().lineSpacing();
  const int line = form.Controls().RE_Mess->fontMetrics().lineSpacing();
  EXPECT_GE(form.Controls().ListUser->viewport()->height() / row, 8) << "rows of the list";
  EXPECT_GE(form.Controls().RE_Mess->viewport()->height() / line, 8) << "lines of the chat";
  EXPECT_GE(form.Controls().ScrollBox1->viewport()->height(), 385) << "and the board shows whole";
  EXPECT_GT(form.Controls().Edit_Mess->width(), narrow_field + 400)
      << "the field takes the new width";

  // The longest notices keep to one line at the smallest size: nothing
  // around them moves, and their tip reads them whole.
  ShowAt(form, QSize(790, 590));
  NoticeLine& notice = *form.Controls().Label_Notice;
  const int bar = form.Controls().Panel1->height();
  const QPoint field = form.Controls().Edit_Mess->mapTo(&form, QPoint());
  const QString name = QStringLiteral("БУХГАЛТЕРИЯ-2");
  const QStringList longest = {
      QStringLiteral("Доска выровнена по доске сеанса (%1); ваша прежняя — "
                     "BMP/kovra-before-sync-20261208-234500.bmp")
          .arg(name),
      QStringLiteral("Ваша прежняя доска возвращена только у вас; другим её даст «Отправить "
                     "доску всем»"),
      QStringLiteral("Доска отправлена не полностью (12345 из 23456 строк): сеть не принимает "
                     "больше данных"),
      QStringLiteral("%1 в закрытом сеансе: нужен его пароль (Сеть → Пароль сеанса…)").arg(name)};
  bool cut = false;
  for (const QString& text : longest) {
    notice.Tell(name, text);
    QTest::qWait(20);
    cut = cut || notice.Shown().endsWith(QStringLiteral("…"));
    EXPECT_TRUE(notice.toolTip().startsWith(name + QStringLiteral(": ") + text))
        << text.toStdString();
    EXPECT_EQ(form.Controls().Panel1->height(), bar);
    EXPECT_EQ(form.Controls().Edit_Mess->mapTo(&form, QPoint()), field);
  }
  EXPECT_TRUE(cut) << "the longest are cut in the line";
  EXPECT_EQ(notice.Recent().size(), 4);
  EXPECT_TRUE(notice.Recent().front().endsWith(name + QStringLiteral(": ") + longest.back()))
      << "the newest first, with its time";
  // It greys once old, then goes; the status bar is one line again.
  notice.SetAges(50, 150);
  notice.Tell(QString(), QStringLiteral("старое"));
  EXPECT_FALSE(notice.Faded());
  EXPECT_TRUE(QTest::qWaitFor([&] { return notice.Faded(); }, 1000));
  EXPECT_TRUE(QTest::qWaitFor([&] { return notice.isHidden(); }, 1000));
  EXPECT_LT(form.Controls().Panel1->height(), 2 * notice.fontMetrics().lineSpacing());

  // A large text font, and a long notice, leave the columns as they were.
  ShowAt(form, QSize(790, 590));
  QFont large(QStringLiteral("DejaVu Serif"));
  large.setPointSize(72);
  test.Dialogs().font_answers = {FontChoice{large, kClRed}};
  form.ToolColumn().SpeedButton2Click();
  form.Controls().Label_Notice->Tell(QStringLiteral("10.0.0.9"), QString(300, u'ж'));
  QTest::qWait(50);
  EXPECT_EQ(form.Settings().text_font.font, large) << "the text tool still draws at 72 points";
  EXPECT_LE(QFontInfo(form.Controls().Label_Font->font()).pixelSize(), 24);
  EXPECT_EQ(form.Controls().GroupBox2->width(), tool_column);
  EXPECT_EQ(form.width(), 790);
}

}  // namespace
}  // namespace kovra
