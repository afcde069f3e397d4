#include "common/test_window.h"

#include "common/loopback.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTest>

namespace kovra::testing {

QImage WhiteImage(int width, int height) {
  QImage white(width, height, QImage::Format_RGB32);
  white.fill(Qt::white);
  return white;
}

TestWindow::TestWindow(std::string computer_name, const QString& address, quint16 port) {
  env_.program_dir = folder_.path() + u'/';
  env_.bind_address = QHostAddress(address);
  env_.udp_port = port != 0 ? port : FreeUdpPort();
  env_.computer_name = std::move(computer_name);
  env_.dialogs = &dialogs_;
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

}  // namespace kovra::testing
