#include "common/test_window.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QScreen>
#include <QTest>

#include "board/board_view.h"
#include "common/loopback.h"

namespace kovra::test {

QImage WhiteImage(int width, int height) {
  QImage white(width, height, QImage::Format_RGB32);
  white.fill(Qt::white);
  return white;
}

QImage OnScreen(QWidget* widget) {
  const QRect visible = widget->visibleRegion().boundingRect();
  const QPoint origin = widget->mapTo(widget->window(), visible.topLeft());
  const QPixmap shot = widget->screen()->grabWindow(widget->window()->winId(), origin.x(),
                                                    origin.y(), visible.width(), visible.height());
  return shot.toImage().convertToFormat(QImage::Format_RGB32);
}

bool ScreenShowsBoard(TForm1& form) {
  QWidget* view = form.Controls().Image_KV;
  auto board_part = [&] { return form.Board().Image().copy(view->visibleRegion().boundingRect()); };
  if (QTest::qWaitFor([&] { return OnScreen(view) == board_part(); }, 2000)) return true;
  const QImage shown = OnScreen(view);
  const QImage held = board_part();
  int differ = 0;
  for (int y = 0; y < std::min(shown.height(), held.height()); ++y) {
    for (int x = 0; x < std::min(shown.width(), held.width()); ++x)
      differ += shown.pixel(x, y) != held.pixel(x, y);
  }
  ADD_FAILURE() << "the screen shows " << shown.width() << "x" << shown.height() << " of a "
                << held.width() << "x" << held.height() << " part, " << differ << " pixels differ";
  return false;
}

TestWindow::TestWindow(std::string computer_name, const QString& address, quint16 port) {
  env_.program_dir = folder_.path() + u'/';
  env_.bind_address = QHostAddress(address);
  env_.udp_port = port != 0 ? port : FreeUdpPort();
  env_.computer_name = std::move(computer_name);
  env_.dialogs = &dialogs_;
  // Tests stay on loopback: nothing is broadcast unless a test says where.
  env_.broadcast_addresses = [] { return std::vector<std::string>(); };
}

void TestWindow::WriteFile(const QString& name, const QByteArray& bytes) const {
  QFile file(Path(name));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(bytes);
}

QByteArray TestWindow::ReadFile(const QString& name) const {
  QFile file(Path(name));
  if (!file.open(QIODevice::ReadOnly)) return {};
  return file.readAll();
}

TForm1& TestWindow::Start(bool wait_first_tick) {
  window_ = std::make_unique<TForm1>(env_);
  if (wait_first_tick) {
    EXPECT_TRUE(QTest::qWaitFor([this] { return !window_->FirstTick(); }, 5000));
  }
  return *window_;
}

void ShowAt(TForm1& form, QSize size) {
  form.showNormal();
  form.resize(size);
  QTest::qWait(50);
}

}  // namespace kovra::test
