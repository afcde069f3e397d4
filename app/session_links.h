// The window's side of the delivery extension: the links to the copies
// that speak it and the repair of the board over them, wired to the
// endpoint, the fan-out, presence, the message pane and the board. It takes
// the extension's own datagrams out of what arrives, and hands each
// command of a peer's ordered stream on as if it had come on its own.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QtGlobal>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "app/board_sync.h"
#include "net/command.h"
#include "net/peer_links.h"

namespace kovra {

class BoardCanvas;
class BoardFiles;
class BoardSending;
class ChatPane;
class FanOut;
class Presence;
class RoutedDialogs;
class TUdpEndpoint;
struct ReceivedDatagram;

class SessionLinks {
 public:
  // What the links work on; all of it outlives them.
  struct Parts {
    RoutedDialogs& dialogs;
    TUdpEndpoint& endpoint;
    FanOut& fan_out;
    BoardSending& board_sending;
    Presence& presence;
    ChatPane& chat;
    BoardCanvas& canvas;
    BoardFiles& files;
    std::string computer_name;
    std::function<void(const QString& text)> tell;  // the notice line
    std::function<void()> resized;                  // the board changed size
    std::function<void(quint32 from)> replaced;     // a peer sent its whole board
    // A peer's step marked, taken back or done again (its upper-cased command name).
    std::function<void(quint32 address, quint16 port, const std::string& name)> step;
    // A plain command, as from address and port.
    std::function<void(const ReceivedCommand& command, quint32 address, quint16 port)> dispatch;
  };
  explicit SessionLinks(Parts parts);

  PeerLinks& Links() { return *links_; }

  // A stream's datagram, read where it lies; false for any other.
  bool TakeStream(const ReceivedDatagram& datagram);
  // Any other datagram, read as received: false when it was the
  // extension's own and is handled, true when it goes on to the dispatch.
  bool PassOn(const ReceivedDatagram& datagram, const ReceivedCommand& received);

  // Nobody listened at host: false when that is for presence to tell, true
  // when the copy there speaks the extension and must first stay silent.
  bool Suspect(const std::string& host);

  // An untagged command ("name:>args") to name in its ordered stream; false
  // when name does not speak the extension, or began to speak it only after
  // since_ms (on Clock()).
  bool SendInOrder(const std::string& name, const std::string& command,
                   qint64 since_ms = std::numeric_limits<qint64>::max());
  // Milliseconds since the links were made.
  qint64 Clock() const { return clock_.elapsed(); }

  // The board changed (see BoardSync::Touched).
  void Touched(bool drawn) { sync_->Touched(drawn); }
  void Close() { links_->Close(); }

 private:
  PeerLinks::Hooks Hooks();
  void ReceivedInOrder(quint32 address, quint16 port, std::string_view text);
  void Undelivered(quint32 address, std::string_view text);
  // The address of a correspondent's name, as far as it is known without a lookup.
  std::optional<quint32> KnownAddressOf(const std::string& name) const;
  template <typename Body>
  void Guard(Body&& body);

  Parts parts_;
  std::unique_ptr<PeerLinks> links_;
  std::unique_ptr<BoardSync> sync_;
  QElapsedTimer clock_;
  std::unordered_map<quint32, qint64> speaking_since_;  // on clock_
};

}  // namespace kovra
