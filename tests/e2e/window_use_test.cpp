// The window as a person uses it for the first minutes: choosing a tool and
// drawing at once, a red line of width 8 in three clicks, keys for the
// tools, who is there and who left, the message pane read like a
// messenger's, and a board that survives the program being killed.
#include <gtest/gtest.h>
#include <qpa/qwindowsysteminterface.h>

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSpinBox>
#include <QTest>
#include <QToolButton>

#include "app/chat_lines.h"
#include "app/chat_view.h"
#include "app/main_window.h"
#include "app/tool_look.h"
#include "board/board_files.h"
#include "board/board_view.h"
#include "board/canvas.h"
#include "common/platform.h"
#include "common/test_window.h"
#include "common/window_group.h"
#include "net/correspondents.h"

namespace kovra {
namespace {

using test::WindowGroup;

void Click(QWidget* widget, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
  QTest::mouseClick(widget, button, Qt::NoModifier, at);
}

void ClickRow(QListWidget* list, int row) {
  Click(list->viewport(), list->visualItemRect(list->item(row)).center());
}

void Drag(QWidget* board, const std::vector<QPoint>& path) {
  QTest::mousePress(board, Qt::LeftButton, Qt::NoModifier, path.front());
  for (QPoint p : path) {
    QMouseEvent move(QEvent::MouseMove, p, board->mapToGlobal(p), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(board, &move);
  }
  QTest::mouseRelease(board, Qt::LeftButton, Qt::NoModifier, path.back());
}

TEST(WindowUse, ChoosingAToolAndDraggingDrawsARedLineOfWidthEightInThreeClicks) {
  WindowGroup group(2);
  ASSERT_TRUE(group.StartListingEachOther());
  TForm1& a = group.Form(0);
  a.show();
  const auto& ui = a.Controls();
  ui.CB_YesPaint->click();  // drawing off, as a user may leave it
  ASSERT_FALSE(ui.CB_YesPaint->isChecked());

  Click(ui.Palette, ui.Palette->SwatchCenter(3));  // red, for the pen
  ClickRow(ui.List_W, 8);
  ClickRow(ui.ListTools, ToolRow(ToolId::kStraightLine));
  EXPECT_TRUE(ui.CB_YesPaint->isChecked()) << "choosing a tool means drawing with it";
  EXPECT_EQ(a.ToolColumn().PenColorName(), "clRed");
  EXPECT_EQ(a.ToolColumn().CurrentWidth(), 8);
  EXPECT_EQ(ui.Spin_W->value(), 8);

  Drag(ui.Image_KV, {QPoint(40, 60), QPoint(200, 60), QPoint(300, 90)});
  BoardCanvas expected;
  expected.Reset(test::WhiteImage(602, 385));
  expected.SetPenColor(kClRed);
  expected.SetPenWidth(8);
  expected.MoveTo(40, 60);
  expected.LineTo(300, 90);
  for (int i = 0; i < 2; ++i) {
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return group.Form(i).Board().Image() == expected.Image(); }, 3000))
        << "board " << i;
  }

  // The right button gives the fill colour; any width goes in the field.
  Click(ui.Palette, ui.Palette->SwatchCenter(13), Qt::RightButton);
  EXPECT_EQ(a.ToolColumn().FillColorName(), "clBlue");
  EXPECT_EQ(a.ToolColumn().PenColorName(), "clRed");
  ui.Spin_W->setValue(23);
  EXPECT_EQ(a.ToolColumn().CurrentWidth(), 23);
  EXPECT_EQ(ui.List_W->currentRow(), 0);
  EXPECT_EQ(ui.List_W->item(0)->text(), QStringLiteral("Задать=23"));

  // One key per tool, said in its tip; typing a digit in the message field types it.
  ui.Image_KV->setFocus();
  QTest::keyClick(&a, Qt::Key_6);
  EXPECT_EQ(ui.ListTools->currentRow(), ToolRow(ToolId::kEllipse));
  EXPECT_TRUE(ui.ListTools->item(ToolRow(ToolId::kEllipse))->toolTip().contains("клавиша 6"));
  EXPECT_TRUE(ui.ListTools->item(ToolRow(ToolId::kPointer))->toolTip().contains("клавиша 0"));
  ui.Edit_Mess->setFocus();
  QTest::keyClick(ui.Edit_Mess, Qt::Key_2);
  EXPECT_EQ(ui.Edit_Mess->text(), QStringLiteral("2"));
  EXPECT_EQ(ui.ListTools->currentRow(), ToolRow(ToolId::kEllipse));
}

TEST(WindowUse, CopiesFoundAtTheStartAreToldInOneLineAndOneThatComesLaterInALineOfItsOwn) {
  WindowGroup group(5);
  group.ListEachOther();
  for (int i = 0; i < 4; ++i) group[i].Start();
  ASSERT_TRUE(
      QTest::qWaitFor([&] { return group.Form(0).UserList().PresentNames().size() == 3; }, 5000));
  const ChatLines& pane = group.Form(0).Controls().RE_Mess->Lines();
  QTest::qWait(200);
  ASSERT_EQ(pane.Count(), 1u);
  EXPECT_TRUE(pane.IsQuiet(0));
  for (int i = 1; i < 4; ++i) {
    EXPECT_TRUE(pane.Text(0).contains(QString::fromStdString(group.Name(i)))) << i;
  }
  EXPECT_TRUE(pane.Text(0).contains(QStringLiteral("на связи"))) << pane.Text(0).toStdString();
  // A message ends the gathering: the next copy is a line of its own.
  group.Form(0).Controls().Edit_Mess->setText(QStringLiteral("hello"));
  group.Form(0).Controls().SpeedButton1->click();
  group[4].Start();
  ASSERT_TRUE(QTest::qWaitFor([&] { return pane.Count() == 3; }, 5000));
  EXPECT_TRUE(
      pane.Text(2).endsWith(QString::fromStdString(group.Name(4)) + QStringLiteral(" на связи")))
      << pane.Text(2).toStdString();
}

TEST(WindowUse, WhoIsThereReadsAsDotsAndTheMessagePaneSaysWhoCameAndWentNewestAtTheBottom) {
  WindowGroup group(2);
  ASSERT_TRUE(group.StartListingEachOther());
  TForm1& a = group.Form(0);
  a.show();
  const auto& ui = a.Controls();
  EXPECT_FALSE(ui.ListUser->model()->flags(ui.ListUser->model()->index(0, 0)) &
               Qt::ItemIsUserCheckable)
      << "no check boxes that do nothing";

  ui.Edit_Mess->setText(QStringLiteral("short"));
  ui.SpeedButton1->click();
  ui.Edit_Mess->setText(QString(120, u'ж'));  // wraps in a pane this narrow
  ui.SpeedButton1->click();
  const ChatLines& pane = ui.RE_Mess->Lines();
  ASSERT_EQ(pane.Count(), 3u);
  EXPECT_TRUE(pane.IsQuiet(0));
  EXPECT_TRUE(
      pane.Text(0).endsWith(QString::fromStdString(group.Name(1)) + QStringLiteral(" на связи")));
  EXPECT_TRUE(pane.Text(2).endsWith(QString(120, u'ж'))) << "the newest at the bottom";
  EXPECT_FALSE(pane.IsQuiet(2));
  EXPECT_EQ(ui.RE_Mess->RowsOf(1), 1);
  EXPECT_GE(ui.RE_Mess->RowsOf(2), 2) << "a long line wraps instead of ending in …";
  EXPECT_TRUE(ui.RE_Mess->ShowsNewest());

  // A copy killed outright is shown absent within ten seconds, and said so:
  // at once, since the next datagram to it finds nobody there.
  if (test::UnderWine()) GTEST_SKIP() << "Wine does not tell a port unreachable to a socket";
  group[1].Crash();
  EXPECT_TRUE(QTest::qWaitFor([&] { return a.UserList().PresentNames().empty(); }, 10000));
  EXPECT_TRUE(QTest::qWaitFor(
      [&] {
        const std::size_t last = pane.Count() - 1;
        return pane.IsQuiet(last) &&
               pane.Text(last).endsWith(QString::fromStdString(group.Name(1)) +
                                        QStringLiteral(" вне связи"));
      },
      1000));
  EXPECT_EQ(a.History().Count(), 2u) << "who came and went is not stored with the messages";
}

TEST(WindowUse, ABoardDrawnOnComesBackAfterTheProgramIsKilled) {
  test::TestWindow test;
  TForm1& form = test.Start();
  form.show();
  const QByteArray before = test.ReadFile(QStringLiteral("~kv.bmp"));
  ClickRow(form.Controls().ListTools, ToolRow(ToolId::kFilledRectangle));
  Drag(form.Controls().Image_KV, {QPoint(30, 30), QPoint(120, 90)});
  const QImage drawn = form.Board().Image();
  ASSERT_NE(drawn, test::WhiteImage(602, 385));
  // Written by itself a few seconds after the change, nothing clicked.
  EXPECT_TRUE(QTest::qWaitFor(
      [&] { return form.Controls().Label_Saved->text().startsWith("Доска записана в"); },
      BoardAutosave::kDelayMs + 5000));
  EXPECT_NE(test.ReadFile(QStringLiteral("~kv.bmp")), before);
  test.Crash();
  TForm1& again = test.Start();
  EXPECT_EQ(again.Board().Image(), drawn);
}

// The screen the test's desktop has, for as long as it lives.
class ScreenOf {
 public:
  explicit ScreenOf(QSize size) : before_(QGuiApplication::primaryScreen()->geometry()) {
    Set(QRect(QPoint(0, 0), size));
  }
  ~ScreenOf() { Set(before_); }

 private:
  static void Set(const QRect& place) {
    QWindowSystemInterface::handleScreenGeometryChange(QGuiApplication::primaryScreen(), place,
                                                       place);
    QCoreApplication::processEvents();
  }
  QRect before_;
};

TEST(WindowUse, AFirstStartShowsTheWholeBoardDrawsAtOnceAndTheToolsStayForTheNext) {
  const ScreenOf laptop(QSize(1366, 768));
  test::TestWindow test;
  {
    TForm1& form = test.Start(false);
    form.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form.FirstTick(); }));
    // Made normal, or never maximized by the desktop: the new board shows whole.
    form.showNormal();
    QTest::qWait(50);
    const auto& ui = form.Controls();
    // Wine on a bare X server now and then restores the window narrower
    // than it was made (one run in four, as before this was written); the
    // size of the first start is checked where the window system keeps it.
    if (!test::UnderWine()) {
      EXPECT_FALSE(ui.ScrollBox1->horizontalScrollBar()->isVisible());
      EXPECT_FALSE(ui.ScrollBox1->verticalScrollBar()->isVisible());
      EXPECT_EQ(ui.Image_KV->visibleRegion().boundingRect(), ui.Image_KV->rect());
    }
    // The first drag draws with the pen, nothing chosen before.
    Drag(ui.Image_KV, {QPoint(30, 30), QPoint(120, 30)});
    EXPECT_EQ(form.Board().Image().pixel(80, 30), qRgb(0, 0, 0));

    Click(ui.Palette, ui.Palette->SwatchCenter(3));                    // a red pen
    Click(ui.Palette, ui.Palette->SwatchCenter(13), Qt::RightButton);  // a blue fill
    ClickRow(ui.List_W, 5);
    ClickRow(ui.ListTools, ToolRow(ToolId::kEllipse));
    ui.CB_YesPaint->click();  // and drawing off
    EXPECT_TRUE(form.close());
  }
  TForm1& again = test.Start();
  const auto& ui = again.Controls();
  EXPECT_EQ(ui.ListTools->currentRow(), ToolRow(ToolId::kEllipse));
  EXPECT_EQ(again.ToolColumn().CurrentWidth(), 5);
  EXPECT_EQ(again.ToolColumn().PenColorName(), "clRed");
  EXPECT_EQ(again.ToolColumn().FillColorName(), "clBlue");
  EXPECT_FALSE(ui.CB_YesPaint->isChecked());
  again.close();

  // What the file says that the controls cannot show is left at its usual value.
  test.Crash();
  QSettings place(test.Path(QStringLiteral("~Window.ini")), QSettings::IniFormat);
  place.setValue(QStringLiteral("Tools/Tool"), 99);
  place.setValue(QStringLiteral("Tools/Width"), QStringLiteral("wide"));
  place.setValue(QStringLiteral("Tools/Pen"), QStringLiteral("clNothing"));
  place.sync();
  TForm1& third = test.Start();
  EXPECT_EQ(third.Controls().ListTools->currentRow(), 0);
  EXPECT_EQ(third.ToolColumn().CurrentWidth(), 1);
  EXPECT_EQ(third.ToolColumn().PenColorName(), "clWindowText");
  EXPECT_EQ(third.ToolColumn().FillColorName(), "clBlue");
}

}  // namespace
}  // namespace kovra
