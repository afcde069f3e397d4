// The whole board sent to a second copy on loopback: a 602 by 385 board with
// a typical drawing, and a 1600 by 1200 photograph-like one. Prints the
// time, the datagrams sent and whether every pixel arrived.
#include <QApplication>
#include <QPainter>
#include <QRandomGenerator>
#include <cstdio>

#include "app/main_window.h"
#include "bench_common.h"
#include "board/board_files.h"
#include "board/board_runs.h"
#include "net/correspondents.h"

using namespace kovra;
using namespace kovra::bench;

namespace {

QImage Drawing() {
  QImage image(602, 385, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setPen(QPen(Qt::darkBlue, 3));
  for (int i = 0; i < 12; ++i) painter.drawLine(20 + i * 40, 30, 60 + i * 35, 300 - i * 10);
  painter.setBrush(Qt::yellow);
  painter.drawEllipse(300, 150, 180, 120);
  painter.drawRect(40, 200, 150, 90);
  painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 18));
  painter.drawText(60, 350, QStringLiteral("Схема на доске"));
  return image;
}

// Smooth shading with noise, as a photograph has: runs of a pixel or two.
QImage Photograph() {
  QImage image(1600, 1200, QImage::Format_RGB32);
  QRandomGenerator random(571);
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const int noise = int(random.bounded(9)) - 4;
      image.setPixel(x, y,
                     qRgb(std::clamp(x / 7 + noise, 0, 255), std::clamp(y / 5 + noise, 0, 255),
                          (x + y) / 11 % 256));
    }
  }
  return image;
}

void Measure(const char* what, const QImage& picture) {
  const quint16 port = test::FreeUdpPort();
  BenchEnvironment sender;
  BenchEnvironment receiver;
  sender.env.udp_port = receiver.env.udp_port = port;
  sender.env.bind_address = QHostAddress(QStringLiteral("127.0.0.2"));
  receiver.env.bind_address = QHostAddress(QStringLiteral("127.0.0.3"));
  TForm1 a(sender.env);
  TForm1 b(receiver.env);
  while (a.FirstTick() || b.FirstTick()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }
  a.UserList().Append("127.0.0.3=Yes");
  picture.save(sender.env.program_dir + QStringLiteral("BMP/picture.bmp"), "BMP");
  a.Files().LoadFromBmpFolder(QStringLiteral("picture.bmp"));
  const std::size_t datagrams = 1 + BoardRuns::Count(a.Board().Image());
  const auto start = std::chrono::steady_clock::now();
  a.BoardItems().SendBoardToAllClick();
  while (b.Board().Image() != a.Board().Image() && SecondsSince(start) < 600) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  const double seconds = SecondsSince(start);
  const QImage& got = b.Board().Image();
  long equal = 0;
  if (got.size() == picture.size()) {
    for (int y = 0; y < got.height(); ++y) {
      for (int x = 0; x < got.width(); ++x)
        equal += got.pixel(x, y) == a.Board().Image().pixel(x, y);
    }
  }
  std::printf(
      "%-22s %5dx%-5d %9zu datagrams in %7.2f s (%6.0f a second), %ld of %lld pixels equal\n", what,
      picture.width(), picture.height(), datagrams, seconds, datagrams / seconds, equal,
      static_cast<long long>(picture.width()) * picture.height());
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  Measure("typical drawing", Drawing());
  Measure("photograph-like", Photograph());
  return 0;
}
