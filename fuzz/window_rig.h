// A whole window made once for a fuzz target: a real socket on loopback,
// the event loop, the dispatch and every handler, and the board painted as
// the window shows it. The sending socket speaks the delivery extension
// with the window (greeting it again whenever an input cost it the link),
// so that inputs may go as commands of its ordered stream and reach the
// board's repair, the steps and the tiles. After each input a known command
// tells when the input has been handled.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/main_window.h"
#include "board/board_view.h"
#include "net/peer_links.h"
#include "support/dialogs.h"
#include "support/environment.h"

namespace kovra::fuzz {

// Any box a datagram could open is an interruption of the user: a finding.
class NoBoxes : public Dialogs {
 public:
  void ShowMessage(const QString&) override { std::abort(); }
  void ShowError(const QString&) override { std::abort(); }
  std::optional<QString> InputText(const QString&, const QString&, const QString&) override {
    std::abort();
  }
  std::optional<QColor> ChooseColor(const QColor&) override { std::abort(); }
  std::optional<FontChoice> ChooseFont(const FontChoice&) override { std::abort(); }
  QString OpenPictureFile(const QString&) override { std::abort(); }
  QString SavePictureFile(const QString&) override { std::abort(); }
  QString SavePngFile(const QString&) override { std::abort(); }
  bool Confirm(const QString&) override { std::abort(); }
  std::optional<QSize> AskSize(const QString&, const QString&, QSize, const SizeCheck&) override {
    std::abort();
  }
};

struct Rig {
  Rig() {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    app = std::make_unique<QApplication>(argc, argv);
    sender = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(sender, reinterpret_cast<sockaddr*>(&local), sizeof local);
    socklen_t size = sizeof local;
    ::getsockname(sender, reinterpret_cast<sockaddr*>(&local), &size);
    // The window listens on the port the sender has, as copies share theirs.
    env.program_dir = folder.path() + u'/';
    env.computer_name = "FUZZ";
    env.bind_address = QHostAddress(QStringLiteral("127.0.0.2"));
    env.udp_port = ntohs(local.sin_port);
    env.dialogs = &dialogs;
    env.resolve_host = [](const QString&) -> std::optional<quint32> { return std::nullopt; };
    env.broadcast_addresses = [] { return std::vector<std::string>(); };
    window = std::make_unique<TForm1>(env);
    window->show();  // on the offscreen platform: what a datagram shows is painted too
    while (window->FirstTick()) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    window->Commands().Set("FuzzHandled", [this](const std::string&) { handled = true; });
    to.sin_family = AF_INET;
    to.sin_port = local.sin_port;
    to.sin_addr.s_addr = htonl(0x7F000002);
    Greet();
  }
  // Greets the window as a copy that speaks the extension, again whenever
  // an input made it lose the link, so that every input can reach the
  // repair, the steps and the tiles.
  void Greet() {
    if (window->Links()->Speaks(kSender)) return;
    const std::string hello = "Kovra:>KvHello:>2 77 " + Ticket() + " 0 -1 77 FUZZPEER";
    while (!window->Links()->Speaks(kSender)) {
      Send(hello.data(), hello.size());
      for (int i = 0; i < 5 && !window->Links()->Speaks(kSender); ++i) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      }
    }
  }
  std::string Ticket() const { return std::to_string(window->Links()->TicketFor(kSender)); }
  // The input as the next command of the sender's ordered stream.
  std::string InStream(const std::uint8_t* data, std::size_t size) {
    ++seq;
    return "Kovra:>KvData:>77 " + Ticket() + ' ' + std::to_string(seq) + ' ' + std::to_string(seq) +
           ":>" + std::string(reinterpret_cast<const char*>(data), size);
  }
  void Send(const void* bytes, std::size_t size) {
    ::sendto(sender, bytes, size, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
  }
  void Send(const std::string& bytes) { Send(bytes.data(), bytes.size()); }
  // Waits until what was sent so far is handled, and paints the board now,
  // not at the next frame: pointers, bands and the board itself.
  void Settle() {
    static const char kHandled[] = "Kovra:>FuzzHandled:>";
    handled = false;
    Send(kHandled, sizeof kHandled - 1);
    while (!handled) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    window->Controls().Image_KV->repaint();
  }

  static constexpr quint32 kSender = 0x7F000001;
  int argc = 1;
  char name[16] = "fuzz_datagram";
  char* argv[2] = {name, nullptr};
  std::unique_ptr<QApplication> app;
  QTemporaryDir folder;
  NoBoxes dialogs;
  Environment env;
  std::unique_ptr<TForm1> window;
  int sender = -1;
  sockaddr_in to{};
  bool handled = false;
  quint32 seq = 0;
};

}  // namespace kovra::fuzz
