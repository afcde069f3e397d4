// The window's side of the delivery extension: the links to the copies
// that speak it, the session they agree on and the repair of the board over
// them, wired to the endpoint, the fan-out, presence, the message pane and
// the board. It takes the extension's own datagrams out of what arrives,
// and hands each command of a peer's ordered stream on as if it had come
// on its own.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <QtGlobal>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/board_sync.h"
#include "board/board_history.h"
#include "net/command.h"
#include "net/peer_links.h"
#include "net/session_roster.h"

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
    BoardHistory& history;
    std::string computer_name;
    std::function<void(const QString& text)> tell;  // the notice line
    std::function<void()> resized;                  // the board changed size
    std::function<void(quint32 from)> replaced;     // a peer sent its whole board
    // The board was brought to the session's board at from; the one it held is file.
    std::function<void(quint32 from, const QString& file, const QImage& before)> aligned;
    // Why the board may not be kept in the picture folder as name; nullopt when it may.
    std::function<std::optional<QString>(const QString& name)> refusal;
    // The user's own steps drawn again and sent, each a step of its own.
    // false while it cannot be done yet.
    std::function<bool(const std::vector<std::vector<drawing::Command>>& steps)> redraw;
    // A peer's step marked, taken back or done again (its upper-cased command name).
    std::function<void(quint32 address, quint16 port, const std::string& name)> step;
    // A plain command, as from address and port.
    std::function<void(const ReceivedCommand& command, quint32 address, quint16 port)> dispatch;
  };
  explicit SessionLinks(Parts parts);

  PeerLinks& Links() { return *links_; }
  const SessionRoster& Roster() const { return roster_; }

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
  qint64 Clock() const { return links_->Clock(); }

  // The board changed (see BoardSync::Touched).
  void Touched(bool drawn, const QRect& area, quint32 from) { sync_->Touched(drawn, area, from); }
  void Close() {
    roster_ticks_.stop();
    links_->Close();
  }
  // Greets every copy that speaks the extension at these addresses (dotted).
  void AnnounceTo(const std::vector<std::string>& addresses);
  // Nobody listened at a copy of the session, or it said goodbye.
  void Left(quint32 address);
  // A message line sent to those present: kept for every listed copy that
  // spoke the extension and is away, and delivered when it is back; the
  // pane says which wait.
  void KeepForAbsent(const std::string& line);
  // The user keeps this board, not the session's, until the session's owner changes.
  void Hold() { sync_->Hold(true); }

 private:
  PeerLinks::Hooks Hooks();
  static quint64 NewSessionId();
  // Tells the session of a fact, then tells the peers what changed,
  // follows a new owner, and has the owner greet copies that joined.
  template <typename Fact>
  void Roster(Fact&& fact);
  void Announce(quint32 address);
  // address speaks the extension with this copy, first or again.
  void Linked(quint32 address);
  // The copy at leader owns the session now: the user's steps its board
  // may lack are drawn again, for everybody.
  void FollowOwner(quint32 leader);
  // Notes that the copies of the session have its board.
  void Shared();
  // Draws those steps again once the session is settled.
  void Replay();
  void OnSession(quint32 address, const std::string& args);
  // Greets, now and then, the listed copies that are not there: one whose
  // greetings were all lost at its start (a blip, a cable) meets the others
  // when it is reachable again.
  void GreetAbsent();
  void Redraw(const std::vector<std::vector<drawing::Command>>& steps);
  void ReceivedInOrder(quint32 address, quint16 port, std::string_view text);
  // A message told of as not delivered to address, or (after_all) delivered later.
  void Undelivered(quint32 address, std::string_view text, bool after_all);
  // The address of a correspondent's name, as far as it is known without a lookup.
  std::optional<quint32> KnownAddressOf(const std::string& name) const;
  // The name address announced in "Enter" or "IamToo", else its dotted form.
  std::string ListedName(quint32 address) const;
  // A copy of the extension is there: marked present, by its announced name.
  void Returned(quint32 address);
  template <typename Body>
  void Guard(Body&& body);

  Parts parts_;
  std::unique_ptr<PeerLinks> links_;
  std::unique_ptr<BoardSync> sync_;
  std::unordered_map<quint32, qint64> speaking_since_;  // on Clock()
  SessionRoster roster_;
  QTimer roster_ticks_;
  QElapsedTimer greeted_absent_;
  // Each copy met, by instance: when it last began to speak the extension
  // with this one, and until when its board held this copy's steps through
  // the session's board (Clock()).
  struct Met {
    qint64 linked_at = 0;
    qint64 had_until = PeerLinks::kLongAgo;
  };
  std::unordered_map<quint32, Met> met_;
  static constexpr std::size_t kMaxMet = 256;
  void ForgetMet();
  bool redrawing_ = false;
  QElapsedTimer replay_since_;  // steps wait to be drawn again since
  qint64 replay_from_ = 0;      // the steps begun or drawn on from then
  qint64 replay_to_ = 0;        // to, not including, then
};

}  // namespace kovra
