// Input given while a command goes out is handled after it, in the order
// it was given, whatever widget it went to. The input here comes as the
// desktop gives it: queued by the window system, not sent to a widget, so
// the loops a send runs meet it as they would meet a user's. The peer is a
// bare socket that speaks no extension, so nothing repairs a wrong order.
#include <gtest/gtest.h>
#include <qpa/qwindowsysteminterface.h>

#include <QTest>

#include "app/main_window.h"
#include "app/tool_look.h"
#include "board/board_view.h"
#include "board/canvas.h"
#include "board/colors.h"
#include "board/drawing_commands.h"
#include "board/tools/tool_table.h"
#include "common/loopback.h"
#include "common/test_window.h"
#include "net/correspondents.h"

namespace kovra {
namespace {

using test::Collector;
using test::TestWindow;

// Queues a mouse event at p in widget, as the window system queues it.
void Queue(QWidget* widget, QEvent::Type type, QPoint p, Qt::MouseButtons buttons,
           Qt::MouseButton button = Qt::NoButton) {
  QWidget* top = widget->window();
  const QPoint local = widget->mapTo(top, p);
  QWindowSystemInterface::handleMouseEvent<QWindowSystemInterface::AsynchronousDelivery>(
      top->windowHandle(), QPointF(local), QPointF(top->mapToGlobal(local)), buttons, button, type);
}

void QueueClick(QWidget* widget, QPoint p) {
  Queue(widget, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
  Queue(widget, QEvent::MouseButtonRelease, p, Qt::NoButton, Qt::LeftButton);
}

class HeldInput : public ::testing::Test {
 protected:
  HeldInput() : collector_(QHostAddress(QStringLiteral("127.0.0.9")), port_) {}

  // A window with the bare peer present, and a computer that came since
  // the start under a name that takes a while to look up: the first send
  // to it waits.
  TForm1& Start() {
    window_ = std::make_unique<TestWindow>("HELD", QStringLiteral("127.0.0.8"), port_);
    window_->Env().resolve_host = [](const QString& name) -> std::optional<quint32> {
      if (name != QStringLiteral("SLOW")) return QHostAddress(name).toIPv4Address();
      QThread::msleep(400);
      return QHostAddress(QStringLiteral("127.0.0.10")).toIPv4Address();
    };
    TForm1& form = window_->Start();
    test::ShowAt(form, QSize(1000, 700));
    const QHostAddress window(QStringLiteral("127.0.0.8"));
    collector_.Send("Kovra:>IamToo:>127.0.0.9", window, port_);
    slow_.Send("Kovra:>IamToo:>SLOW", window, port_);
    EXPECT_TRUE(QTest::qWaitFor([&] {
      const auto lines = form.UserList().Lines();
      return lines.size() == 2 && lines[0] == "127.0.0.9=Yes" && lines[1] == "SLOW=Yes";
    }));
    return form;
  }

  // The drawing commands the peer got, without their program tag.
  std::vector<QByteArray> Drawn() {
    std::vector<QByteArray> drawn;
    for (const QByteArray& datagram : collector_.Received()) {
      const QByteArray command = datagram.mid(datagram.indexOf(":>") + 2);
      if (command.startsWith("ImageKV_") && !command.startsWith("ImageKV_CursorTo")) {
        drawn.push_back(command);
      }
    }
    return drawn;
  }

  quint16 port_ = test::FreeUdpPort();
  Collector collector_;
  Collector slow_{QHostAddress(QStringLiteral("127.0.0.10")), port_};
  std::unique_ptr<TestWindow> window_;
};

TEST_F(HeldInput, AColourChosenWhileAStrokeGoesOutColoursOnlyWhatComesAfterIt) {
  TForm1& form = Start();
  QWidget* board = form.Controls().Image_KV;
  form.Controls().ListTools->setCurrentRow(ToolRow(ToolId::kFreehand));
  ColorPalette* palette = form.Controls().Palette;
  const int red = 3;
  ASSERT_EQ(ColorPalette::kColors[red], QColor(Qt::red));
  const std::string red_name = ColorToString(FromQColor(QColor(Qt::red)));

  // The press's MoveTo waits for the slow name; the user goes on meanwhile.
  Queue(board, QEvent::MouseButtonPress, {20, 30}, Qt::LeftButton, Qt::LeftButton);
  Queue(board, QEvent::MouseMove, {120, 30}, Qt::LeftButton);
  Queue(board, QEvent::MouseButtonRelease, {120, 30}, Qt::NoButton, Qt::LeftButton);
  QueueClick(palette, palette->SwatchCenter(red));
  Queue(board, QEvent::MouseButtonPress, {20, 60}, Qt::LeftButton, Qt::LeftButton);
  Queue(board, QEvent::MouseMove, {120, 60}, Qt::LeftButton);
  Queue(board, QEvent::MouseButtonRelease, {120, 60}, Qt::NoButton, Qt::LeftButton);

  BoardCanvas expected;
  expected.Reset(test::WhiteImage(form.Board().Image().width(), form.Board().Image().height()));
  expected.SetPenColor(kClWindowText);
  expected.MoveTo(20, 30);
  expected.LineTo(120, 30);
  expected.SetPenColor(FromQColor(QColor(Qt::red)));
  expected.MoveTo(20, 60);
  expected.LineTo(120, 60);
  EXPECT_TRUE(QTest::qWaitFor([&] { return form.Board().Image() == expected.Image(); }, 5000))
      << "the first stroke is black, the second red";
  ASSERT_TRUE(QTest::qWaitFor([&] { return Drawn().size() >= 4; }));
  const std::vector<QByteArray> drawn = Drawn();
  auto is = [](const QByteArray& datagram, const drawing::Command& command) {
    return datagram.toStdString() == drawing::NameOf(command) + ":>" + drawing::ArgsOf(command);
  };
  EXPECT_TRUE(is(drawn[0], drawing::MoveTo{{20, 30}})) << drawn[0].constData();
  EXPECT_TRUE(is(drawn[1], drawing::LineTo{120, 30, 1, ColorToString(kClWindowText)}))
      << drawn[1].constData();
  EXPECT_TRUE(is(drawn[2], drawing::MoveTo{{20, 60}})) << drawn[2].constData();
  EXPECT_TRUE(is(drawn[3], drawing::LineTo{120, 60, 1, red_name})) << drawn[3].constData();
}

TEST_F(HeldInput, AClickQueuedDuringATextWaitsUntilItIsWritten) {
  TForm1& form = Start();
  QWidget* board = form.Controls().Image_KV;
  form.Controls().ListTools->setCurrentRow(ToolRow(ToolId::kText));
  window_->Dialogs().text_answers = {QStringLiteral("first"), QStringLiteral("second")};
  const QImage blank = form.Board().Image();
  QueueClick(board, {20, 30});
  QueueClick(board, {20, 90});
  ASSERT_TRUE(QTest::qWaitFor([&] { return Drawn().size() >= 6; }, 5000));  // nothing more comes
  std::vector<std::string> commands;
  for (const QByteArray& command : Drawn()) {
    commands.push_back(command.left(command.indexOf(":>")).toStdString());
  }
  // Each text whole, the release's MoveTo after it, then the next.
  const std::vector<std::string> two_texts = {"ImageKV_SetFont", "ImageKV_TextOut",
                                              "ImageKV_MoveTo",  "ImageKV_SetFont",
                                              "ImageKV_TextOut", "ImageKV_MoveTo"};
  EXPECT_EQ(commands, two_texts);
  EXPECT_TRUE(Drawn()[1].startsWith("ImageKV_TextOut:>20|30|")) << Drawn()[1].constData();

  // One step back takes the second text only, and a second the first.
  QTest::keyClick(board, Qt::Key_Z, Qt::ControlModifier);
  ASSERT_TRUE(QTest::qWaitFor([&] { return form.Board().Image() != blank; }));
  QTest::qWait(100);
  const QImage after_one = form.Board().Image();
  EXPECT_NE(after_one.copy(0, 20, 200, 40), blank.copy(0, 20, 200, 40)) << "the first stays";
  EXPECT_EQ(after_one.copy(0, 80, 200, 40), blank.copy(0, 80, 200, 40)) << "the second is gone";
}

}  // namespace
}  // namespace kovra
