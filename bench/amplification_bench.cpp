// What a host gets back for what it sends, before it acknowledges anything
// (target: at most 3 times, and one datagram over), from one copy whose
// 1600 x 1200 board holds a picture on every tile:
// - a host that greets and asks for the whole board, then for every tile's
//   digest again and again, and never acknowledges;
// - one that acknowledges nothing, again and again, between its requests;
// - 64 addresses of one host asking the same (each a greeting and its requests).
#include <QApplication>
#include <QImage>
#include <QRandomGenerator>
#include <cstdio>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "bench_common.h"
#include "board/board_files.h"
#include "common/loopback.h"
#include "net/link_wire.h"

using namespace kovra;
using namespace kovra::bench;

namespace {

const QHostAddress kWindow(QStringLiteral("127.0.0.2"));

QImage Picture(int width, int height) {
  QImage picture(width, height, QImage::Format_RGB32);
  QRandomGenerator random(7);
  for (int y = 0; y < height; ++y) {
    auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
    for (int x = 0; x < width; ++x) row[x] = qRgb(x % 256, y % 256, int(random.bounded(256)));
  }
  return picture;
}

void Report(const char* who, std::size_t got, std::size_t sent) {
  const bool within = got <= 3 * sent + link::kMaxDatagram;
  std::printf("%-40s got %7zu bytes for %6zu sent: %5.2f times (%s 3 times and a datagram)\n",
              who, got, sent, sent > 0 ? double(got) / double(sent) : 0.0,
              within ? "within" : "OVER");
}

void Ask(test::Collector& host, quint16 port, const QByteArray& ticket, int digests) {
  host.InStream("KvWant:>board", kWindow, port, ticket);
  for (int i = 0; i < digests; ++i) host.InStream("KvWant:>digest", kWindow, port, ticket);
}

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  BenchEnvironment place;
  place.env.bind_address = kWindow;
  place.env.computer_name = "BENCH";
  place.env.resolve_host = [](const QString&) -> std::optional<quint32> { return std::nullopt; };
  const quint16 port = place.env.udp_port;
  TForm1 form(place.env);
  form.Files().Replace(Picture(1600, 1200));
  WaitUntil([] { return false; }, 0.5);

  {
    test::Collector taker(QHostAddress(QStringLiteral("127.0.0.10")), port);
    const QByteArray ticket = taker.Greet(kWindow, port, "BENCH");
    const std::size_t greeted = taker.BytesReceived(), greeting = taker.BytesSent();
    Ask(taker, port, ticket, 30);
    WaitUntil([] { return false; }, 3);
    Report("never acknowledges:", taker.BytesReceived() - greeted, taker.BytesSent() - greeting);
  }
  {
    test::Collector acker(QHostAddress(QStringLiteral("127.0.0.11")), port);
    const QByteArray ticket = acker.Greet(kWindow, port, "BENCH");
    const std::size_t greeted = acker.BytesReceived(), greeting = acker.BytesSent();
    for (int round = 0; round < 3; ++round) {
      for (int i = 0; i < 5; ++i) acker.Send("Kovra:>KvAck:>77 " + ticket + " 0 0", kWindow, port);
      Ask(acker, port, ticket, 10);
      WaitUntil([] { return false; }, 1);
    }
    Report("acknowledges nothing, again and again:", acker.BytesReceived() - greeted,
           acker.BytesSent() - greeting);
  }
  {
    std::vector<std::unique_ptr<test::Collector>> aliases;
    std::size_t got = 0, sent = 0;
    for (int i = 0; i < 64; ++i) {
      aliases.push_back(std::make_unique<test::Collector>(
          QHostAddress(QStringLiteral("127.0.1.%1").arg(10 + i)), port));
      const QByteArray ticket = aliases.back()->Greet(kWindow, port, "BENCH", "ALIAS");
      if (!ticket.isEmpty()) Ask(*aliases.back(), port, ticket, 30);
    }
    WaitUntil([] { return false; }, 3);
    for (auto& alias : aliases) {
      got += alias->BytesReceived();
      sent += alias->BytesSent();
    }
    Report("64 addresses, greetings included:", got, sent);
  }
  return 0;
}
