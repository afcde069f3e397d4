// The window's side of the delivery extension: the links to the copies
// that speak it, the session's course and the repair of the board over
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
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "board/board_history.h"
#include "net/command.h"
#include "net/peer_links.h"
#include "session/board_sync.h"
#include "session/session_course.h"

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
    // Whether the user is in the middle of a gesture.
    std::function<bool()> drawing;
  };
  explicit SessionLinks(Parts parts);

  PeerLinks& Links() { return *links_; }
  const SessionRoster& Roster() const { return course_->Roster(); }

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
  // spoke the extension and is away, other than those the send reached,
  // and delivered when it is back; the pane says which wait.
  void KeepForAbsent(const std::string& line, const std::set<std::string>& reached);
  // The user wipes the board; the copies linked are told how much of theirs it had.
  void Wiping() { course_->Wiping(); }
  // The user keeps this board, not the session's, until the session's owner changes.
  void Hold() { sync_->Hold(true); }

 private:
  PeerLinks::Hooks Hooks();
  SessionCourse::Hooks CourseHooks();
  void Linked(quint32 address);
  void OnSession(quint32 address, const std::string& args);
  // Greets, now and then, the listed copies that are not there: one whose
  // greetings were all lost at its start (a blip, a cable) meets the others
  // when it is reachable again.
  void GreetAbsent();
  // wiper, tell: see SessionCourse::Hooks::redraw.
  void Redraw(const std::vector<std::vector<drawing::Command>>& steps, quint32 wiper, bool tell);
  void ReceivedInOrder(quint32 address, quint16 port, std::string_view text);
  // A message told of as not delivered to address, or (after_all) delivered later.
  void Undelivered(quint32 address, std::string_view text, bool after_all);
  // The address of a correspondent's name, as far as it is known without a lookup.
  std::optional<quint32> KnownAddressOf(const std::string& name) const;
  // Whether received announces, from address, the name of a linked copy elsewhere.
  bool IsAnotherCopysName(quint32 address, const ReceivedCommand& received) const;
  // The name address announced in "Enter" or "IamToo", else its dotted form.
  std::string ListedName(quint32 address) const;
  // A copy of the extension is there: marked present, by its announced name.
  void Returned(quint32 address);
  template <typename Body>
  void Guard(Body&& body);

  Parts parts_;
  std::unique_ptr<PeerLinks> links_;
  std::unique_ptr<BoardSync> sync_;
  std::unique_ptr<SessionCourse> course_;
  std::unordered_map<quint32, qint64> speaking_since_;  // on Clock()
  QTimer roster_ticks_;
  QElapsedTimer greeted_absent_;
  bool redrawing_ = false;
};

}  // namespace kovra
