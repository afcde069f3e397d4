// A 1920 x 1080 screenshot pasted on one copy and put down, with 2 and with
// 11 other copies present on loopback: the time until every other board
// shows it (target: 1 s), and the bytes each receiver got from the copy
// that pasted meanwhile against the picture's compressed size (target: at
// most 1.2 times). The compressed size is what the tiles' packed blocks
// take, and, for comparison, what the picture takes as one PNG file.
#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QPainter>
#include <QTest>
#include <cstdio>
#include <memory>
#include <vector>

#include "app/board_pieces.h"
#include "board/board_tiles.h"
#include "common/lossy_network.h"
#include "common/window_group.h"
#include "net/udp_endpoint.h"

using namespace kovra;

namespace {

// What a screenshot holds: flat windows and bars, lines of text, a photo
// in one corner.
QImage Screenshot() {
  QImage shot(1920, 1080, QImage::Format_RGB32);
  shot.fill(QColor(40, 70, 110));
  QPainter painter(&shot);
  for (int w = 0; w < 5; ++w) {
    const QRect window(60 + w * 300, 60 + w * 120, 900, 600);
    painter.fillRect(window, QColor(245, 245, 245));
    painter.fillRect(window.adjusted(0, 0, 0, 30 - window.height()), QColor(60 + w * 30, 90, 160));
    painter.setPen(Qt::black);
    for (int line = 0; line < 25; ++line) {
      painter.drawText(
          window.left() + 20, window.top() + 60 + line * 20,
          QStringLiteral("Строка %1 отчёта: план работ, сроки, ответственные").arg(line));
    }
  }
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 400; ++x) {
      shot.setPixel(1500 + x, 760 + y, qRgb((x * 7 + y) % 256, (y * 3) % 256, (x ^ y) % 256));
    }
  }
  painter.fillRect(QRect(0, 1040, 1920, 40), QColor(30, 30, 30));
  return shot;
}

void Run(int receivers, const QImage& shot) {
  test::WindowGroup group(receivers + 1);
  if (!group.StartListingEachOther()) {
    std::printf("%d receivers: the copies never met\n", receivers);
    return;
  }
  for (int i = 0; i <= receivers; ++i) group.Form(i).Files().NewBoard(1920, 1080);
  const bool linked = QTest::qWaitFor(
      [&] {
        for (int i = 1; i <= receivers; ++i) {
          if (!group.Form(0).Links()->Speaks(0x7F000002 + quint32(i))) return false;
        }
        return true;
      },
      20000);
  if (!linked) std::printf("%d receivers: not every copy speaks the extension\n", receivers);
  QTest::qWait(3000);  // the repair is quiet
  // What reaches each receiver from the copy that pastes.
  std::vector<std::unique_ptr<test::LossyNetwork>> networks;
  std::vector<qint64> bytes(std::size_t(receivers) + 1, 0);
  bool counting = false;
  for (int i = 1; i <= receivers; ++i) {
    networks.push_back(std::make_unique<test::LossyNetwork>(test::Impairment{}, 1));
    networks.back()->OnArrival = [&, i](const ReceivedDatagram& datagram) {
      if (counting && datagram.address == 0x7F000002)
        bytes[std::size_t(i)] += qint64(datagram.bytes.size());
    };
    networks.back()->Impair(group.Form(i));
  }
  TForm1& paster = group.Form(0);
  paster.Pieces().PastePicture(shot, QPoint(960, 540));
  counting = true;
  QElapsedTimer clock;
  clock.start();
  paster.Pieces().PutDown();
  const qint64 put_ms = clock.elapsed();
  const QImage expected = paster.Board().Image();
  std::vector<qint64> arrived(std::size_t(receivers) + 1, -1);
  const bool everywhere = QTest::qWaitFor(
      [&] {
        bool all = true;
        for (int i = 1; i <= receivers; ++i) {
          if (arrived[std::size_t(i)] >= 0) continue;
          if (group.Form(i).Board().Image() == expected) {
            arrived[std::size_t(i)] = clock.elapsed();
          } else {
            all = false;
          }
        }
        return all;
      },
      60000);
  counting = false;
  if (!everywhere)
    std::printf("%d receivers: not every board showed it within a minute\n", receivers);
  qint64 slowest = 0;
  qint64 most = 0;
  for (int i = 1; i <= receivers; ++i) {
    slowest = std::max(slowest, arrived[std::size_t(i)] < 0 ? 60000 : arrived[std::size_t(i)]);
    most = std::max(most, bytes[std::size_t(i)]);
  }
  std::vector<std::string> texts;
  for (const drawing::Command& command :
       BoardPieces::PieceCommands(shot, QPoint(0, 0), shot.rect())) {
    texts.push_back(std::get<drawing::Paste>(command).text);
  }
  const std::size_t packed = tiles::PackedSize(texts, tiles::Alphabet::kBytes);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  shot.save(&buffer, "PNG");
  std::printf(
      "1920 x 1080 paste to %2d copies: on every board after %5lld ms (put down in %lld ms; "
      "target 1000 ms: %s)\n",
      receivers, static_cast<long long>(slowest), static_cast<long long>(put_ms),
      slowest <= 1000 ? "met" : "MISSED");
  std::printf(
      "  bytes to the busiest receiver %lld, tiles packed %zu: %.2f times (target 1.2: %s); "
      "as one PNG %lld bytes: %.2f times\n",
      static_cast<long long>(most), packed, double(most) / double(packed),
      double(most) <= 1.2 * double(packed) ? "met" : "MISSED", static_cast<long long>(png.size()),
      double(most) / double(png.size()));
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QImage shot = Screenshot();
  Run(2, shot);
  Run(11, shot);
  return 0;
}
