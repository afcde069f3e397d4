#include "app/tool_settings.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include "app/choice_list.h"
#include "app/main_window.h"
#include "app/mouse_panel.h"
#include "common/test_window.h"
#include "support/ansi_codec.h"

namespace kovra {
namespace {

using test::TestWindow;

TEST(ToolSettings, CurrentWidthReadsTheListAndNeverGoesBelowOne) {
  struct Case {
    int selected;
    int user_width;
    int width;
  };
  const Case cases[] = {
      {-1, 7, 1}, {5, 7, 5}, {0, 7, 7}, {0, 1, 1}, {0, 0, 1}, {0, -3, 1}, {10, 1, 10},
  };
  for (const Case& c : cases) {
    ToolSettings settings;
    settings.user_width = c.user_width;
    EXPECT_EQ(settings.CurrentWidth(c.selected), c.width) << c.selected << " " << c.user_width;
  }
  EXPECT_EQ(ToolSettings::UserWidthEntry(7), QStringLiteral("Задать=7"));
}

TEST(ToolSettings, WidthPromptEditsOnlyEntryZero) {
  TestWindow test;
  TForm1& form = test.Start();
  form.Controls().List_W->setCurrentRow(3);
  form.ToolColumn().List_WDblClick();
  EXPECT_TRUE(test.Dialogs().prompts.isEmpty());

  form.Controls().List_W->setCurrentRow(0);
  test.Dialogs().text_answers = {QStringLiteral("12"), std::nullopt, QStringLiteral("wide"),
                                 QStringLiteral("-4")};
  form.ToolColumn().List_WDblClick();
  EXPECT_EQ(form.Controls().List_W->item(0)->text(), QStringLiteral("Задать=12"));
  EXPECT_EQ(form.ToolColumn().CurrentWidth(), 12);
  form.ToolColumn().List_WDblClick();
  form.ToolColumn().List_WDblClick();
  EXPECT_EQ(form.Controls().List_W->item(0)->text(), QStringLiteral("Задать=12"));
  form.ToolColumn().List_WDblClick();
  EXPECT_EQ(form.Controls().List_W->item(0)->text(), QStringLiteral("Задать=-4"));
  EXPECT_EQ(form.ToolColumn().CurrentWidth(), 1);
  EXPECT_EQ(test.Dialogs().prompts,
            (QStringList{QStringLiteral("Линия|Толщина|1"), QStringLiteral("Линия|Толщина|12"),
                         QStringLiteral("Линия|Толщина|12"), QStringLiteral("Линия|Толщина|12")}));
}

TEST(ToolSettings, ColoursFontAndSwitch) {
  TestWindow test;
  TForm1& form = test.Start();
  EXPECT_EQ(form.ToolColumn().PenColorName(), "clWindowText");
  EXPECT_EQ(form.ToolColumn().FillColorName(), "clWhite");

  test.Dialogs().color_answers = {QColor(255, 0, 0), QColor(0x12, 0x34, 0x56), std::nullopt};
  form.ToolColumn().Panel_Cvet_FonMouseDown(Qt::LeftButton);
  EXPECT_EQ(form.ToolColumn().PenColorName(), "clRed");
  form.ToolColumn().Panel_Cvet_FonMouseDown(Qt::RightButton);
  EXPECT_EQ(form.ToolColumn().FillColorName(), "$00563412");
  EXPECT_EQ(form.ToolColumn().PenColorName(), "clRed") << "the right button sets only the fill";
  EXPECT_EQ(form.Controls().Label_Font->palette().color(QPalette::Window),
            QColor(0x12, 0x34, 0x56));
  EXPECT_EQ(form.Controls().Panel_Cvet_Fon->palette().color(QPalette::Window),
            QColor(0x12, 0x34, 0x56));
  form.ToolColumn().Panel_Cvet_FonMouseDown(Qt::LeftButton);  // cancelled
  form.ToolColumn().Panel_Cvet_FonMouseDown(Qt::MiddleButton);
  EXPECT_EQ(form.ToolColumn().PenColorName(), "clRed");

  QFont chosen(QStringLiteral("DejaVu Serif"));
  chosen.setPointSize(14);
  chosen.setBold(true);
  test.Dialogs().font_answers = {FontChoice{chosen, kClRed}, std::nullopt};
  form.ToolColumn().SpeedButton2Click();
  EXPECT_EQ(form.Controls().Label_Font->text(), QStringLiteral("DejaVu Serif"));
  EXPECT_EQ(form.Controls().Label_Font->font(), chosen);
  EXPECT_EQ(form.Settings().FD1.font, chosen);
  EXPECT_EQ(form.Settings().text_font.color, kClRed);
  form.ToolColumn().SpeedButton2Click();  // cancelled: both stay
  EXPECT_EQ(form.Settings().FD1.font, chosen);
  EXPECT_EQ(form.Controls().Label_Font->font(), chosen);

  EXPECT_EQ(form.Controls().CB_YesPaint->palette().color(QPalette::Window), QColor(255, 255, 0));
  EXPECT_EQ(form.Controls().CB_YesPaint->palette().color(QPalette::WindowText), QColor(255, 0, 0));
  form.Controls().CB_YesPaint->click();
  EXPECT_EQ(form.Controls().CB_YesPaint->palette().color(QPalette::WindowText), QColor(0, 0, 0));
}

TEST(ToolSettings, ChoosingThePointerToolShowsNoMessage) {
  TestWindow test;
  TForm1& form = test.Start();
  form.Controls().ListTools->setCurrentRow(ToolRow(ToolId::kText));
  QTest::keyClick(form.Controls().ListTools, Qt::Key_Down);
  EXPECT_EQ(form.Controls().ListTools->currentRow(), ToolRow(ToolId::kPointer));
  EXPECT_TRUE(test.Dialogs().messages.isEmpty()) << "the tool does what it says now";
}

TEST(ToolSettings, OnlyTheLeftButtonAndTheKeyboardChooseAndEveryChoiceIsHeard) {
  TestWindow test;
  TForm1& form = test.Start();
  form.show();
  auto at_row = [](QListWidget* list, int row) {
    return list->visualItemRect(list->item(row)).center();
  };
  QWidget* tools = form.Controls().ListTools->viewport();
  const int pointer = ToolRow(ToolId::kPointer);
  QSignalSpy chosen(form.Controls().ListTools, &ChoiceList::Chosen);
  for (Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
    QTest::mouseClick(tools, button, Qt::NoModifier, at_row(form.Controls().ListTools, pointer));
    QTest::mouseDClick(tools, button, Qt::NoModifier, at_row(form.Controls().ListTools, pointer));
    QTest::mouseClick(form.Controls().List_W->viewport(), button, Qt::NoModifier,
                      at_row(form.Controls().List_W, 5));
  }
  EXPECT_EQ(form.Controls().ListTools->currentRow(), 0);
  EXPECT_EQ(form.Controls().List_W->currentRow(), 0);
  EXPECT_EQ(form.ToolColumn().CurrentWidth(), 1);
  EXPECT_EQ(chosen.count(), 0);

  QTest::mouseClick(tools, Qt::LeftButton, Qt::NoModifier,
                    at_row(form.Controls().ListTools, pointer));
  EXPECT_EQ(chosen.count(), 1) << "a left click chooses, once";
  QTest::mouseClick(tools, Qt::LeftButton, Qt::NoModifier,
                    at_row(form.Controls().ListTools, pointer));
  EXPECT_EQ(chosen.count(), 2) << "also on the entry already chosen";
  // A drag from one entry to the pointer ends with the pointer chosen.
  QTest::mousePress(tools, Qt::LeftButton, Qt::NoModifier,
                    at_row(form.Controls().ListTools, ToolRow(ToolId::kStraightLine)));
  QMouseEvent drag(QEvent::MouseMove, at_row(form.Controls().ListTools, pointer),
                   tools->mapToGlobal(at_row(form.Controls().ListTools, pointer)), Qt::NoButton,
                   Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(tools, &drag);
  QTest::mouseRelease(tools, Qt::LeftButton, Qt::NoModifier,
                      at_row(form.Controls().ListTools, pointer));
  EXPECT_EQ(form.Controls().ListTools->currentRow(), pointer);
  EXPECT_EQ(chosen.count(), 3);
  QTest::mouseClick(form.Controls().List_W->viewport(), Qt::LeftButton, Qt::NoModifier,
                    at_row(form.Controls().List_W, 5));
  EXPECT_EQ(form.ToolColumn().CurrentWidth(), 5);
}

}  // namespace
}  // namespace kovra
