// The whole board sent to a second copy on loopback: a 602 by 385 board with
// a typical drawing, and a 1600 by 1200 photograph-like one. Between copies
// that speak the delivery extension the board goes as compressed tiles
// (target for the photograph: 3 s); to a copy without it, as runs of lines.
// Prints the time, the datagrams and bytes that arrived against the raw
// pixel bytes, and whether every pixel arrived.
#include <QApplication>
#include <QPainter>
#include <QRandomGenerator>
#include <cstdio>
#include <string>

#include "app/main_window.h"
#include "bench_common.h"
#include "board/board_files.h"
#include "board/board_runs.h"
#include "common/lossy_network.h"
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

double Measure(const char* what, const QImage& picture, bool extension) {
  const quint16 port = test::FreeUdpPort();
  BenchEnvironment sender;
  BenchEnvironment receiver;
  sender.env.udp_port = receiver.env.udp_port = port;
  sender.env.bind_address = QHostAddress(QStringLiteral("127.0.0.2"));
  receiver.env.bind_address = QHostAddress(QStringLiteral("127.0.0.3"));
  sender.env.delivery_extension = receiver.env.delivery_extension = extension;
  TForm1 a(sender.env);
  TForm1 b(receiver.env);
  a.UserList().Append("127.0.0.3=Yes");
  b.UserList().Append("127.0.0.2=Yes");
  while (a.FirstTick() || b.FirstTick() || (extension && !a.Links()->Speaks(0x7F000003))) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
  }
  test::LossyNetwork wire({}, 1);  // loses nothing: counts what arrives
  wire.Impair(b);
  picture.save(sender.env.program_dir + QStringLiteral("BMP/picture.bmp"), "BMP");
  a.Files().LoadFromBmpFolder(QStringLiteral("picture.bmp"));
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
  const double raw = 3.0 * picture.width() * picture.height();
  std::printf(
      "%-8s %-16s %5dx%-5d %8d datagrams in %7.2f s, %.2f bytes on the wire per raw pixel byte, "
      "%ld of %lld pixels equal\n",
      extension ? "tiles" : "lines", what, picture.width(), picture.height(), wire.Arrived(),
      seconds, wire.Bytes() / raw, equal,
      static_cast<long long>(picture.width()) * picture.height());
  return seconds;
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  Measure("typical drawing", Drawing(), true);
  const double photograph = Measure("photograph-like", Photograph(), true);
  std::printf("photograph-like board as tiles: %.2f of the 3 s target\n", photograph / 3.0);
  Measure("typical drawing", Drawing(), false);
  // The photograph as runs of lines takes a minute and a half: asked for only.
  if (argc > 1 && std::string(argv[1]) == "--all") Measure("photograph-like", Photograph(), false);
  return 0;
}
