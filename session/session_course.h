// The session's course on one copy: the roster's rule fed with what the
// links see, and what follows when the session's board becomes another
// copy's. Halves of a session cut apart meet as two sessions, and the one
// the rule picks goes on; every copy whose board is not the winner's draws
// again, for everybody, its own steps that the winner's board may lack:
//
//   from = max(when the winner may have begun to miss this copy's commands,
//              until when the winner held this copy's steps through a
//              session's board)
//   to   = when the link to the winner was made again
//
// The first is the links' (PeerLinks::MissingSince): dropped for room,
// sent while the winner was counted away, or everything for a copy never
// linked before. The second is measured by what the owner of a session the
// two shared acknowledged, not by how long it seemed alive, and stops
// growing when the winner falls silent. From `to` on, steps go to the
// winner as to everybody.
//
// A wipe takes only what its user saw: a copy that gets one draws again its
// own steps the wiper had not had (see Wiped), however late it comes.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QtGlobal>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "board/drawing_commands.h"
#include "net/peer_links.h"
#include "session/session_roster.h"

namespace kovra {

class BoardHistory;

// In the ordered stream, just before a wipe: how many of the receiver's
// commands the wiper had when it wiped.
inline const std::string kSeenCommand = "KvSeen";
// In the ordered stream, once a link is made: "c commitment drawn", then,
// once the other's is in, "r nonce"; see Tie.
inline const std::string kTieCommand = "KvTie";

class SessionCourse {
 public:
  using Steps = std::vector<std::vector<drawing::Command>>;
  struct Hooks {
    std::function<void()> owner_changed;          // the session's board is another's now
    std::function<void(quint32 address)> joined;  // a copy joined the session this copy leads
    // Steps the winner's board lacks cannot all be drawn again: the board
    // is kept before the winner's replaces it.
    std::function<void()> unshared;
    // Steps to draw again and send, each a step of the user's: the user's
    // own the session's board lacks (wiper 0), or those the copy at wiper
    // never saw when it wiped; tell: whether the user is told of it.
    std::function<void(const Steps& steps, quint32 wiper, bool tell)> redraw;
    // The user is in the middle of a gesture: the steps drawn again after a
    // split are read once it is over, whole.
    std::function<bool()> busy;
    // Whether the board holds any drawing.
    std::function<bool()> drawn;
  };
  SessionCourse(PeerLinks& links, BoardHistory& history, Hooks hooks);

  const SessionRoster& Roster() const { return roster_; }
  // The session's owner: 0 for this copy.
  quint32 Leader() const { return roster_.Leader(); }

  // The facts, each followed by what it changes. Each may throw what a
  // hook throws; the course stays whole.
  void Linked(quint32 address);  // address speaks the extension with this copy, first or again
  void Left(quint32 address);    // fell silent, nobody listens there, or it said goodbye
  void Announced(quint32 address, const SessionRoster::Announcement& announcement);
  void Tick();  // time passed

  // The user wipes the board: each copy linked is told, in its stream, how
  // much of its own stream this board had.
  void Wiping();
  // The copy at address had through of this copy's commands when it wiped.
  void Seen(quint32 address, quint32 through);
  // The copy at address wiped its board, in its stream's order. Its user
  // saw none of this copy's steps it had not taken (sent during a cut it
  // had not noticed yet, or on the way): those are drawn again on top, and
  // once more a moment later; the owner draws again, too, what others drew
  // since a silence of the wiper's that just ended.
  // Told before the wipe is drawn here, which clears the history.
  void Wiped(quint32 address);

  // The copy at address said kTieCommand's arguments.
  void TieSaid(quint32 address, std::string_view args);

  // Tells address which session this copy is in.
  void Announce(quint32 address);
  // An id for a session founded now.
  static quint64 NewSessionId();

  // A wipe that comes so soon after its sender was heard again may have
  // been made before it fell silent.
  static constexpr qint64 kLateWipeMs = 5000;
  // What one wiper says it had counts at most this often.
  static constexpr qint64 kSeenPauseMs = 10000;
  // How long a wipe may be on its way, sent again over a lossy network.
  static constexpr qint64 kWipeOnTheWayMs = 1500;
  // Drawn again once every copy of the session is there, or after this at most.
  static constexpr qint64 kSettleMs = 2000;
  // Everything is drawn again for copies never met before at most this often.
  static constexpr qint64 kStrangerPauseMs = 60000;

 private:
  template <typename Fact>
  void Apply(Fact&& fact);
  void FollowOwner(quint32 leader);
  // Notes that the copies of the session have its board.
  void Shared();
  void Replay();
  void ForgetMet();
  // Who goes on between two sessions as many strong is settled by the two
  // copies that lead them, by a coin neither can choose: each commits to a
  // nonce of its own before it learns the other's, and the coin is the
  // hash of both. A board that holds drawing goes on before a blank one.
  struct Tie {
    quint32 instance = 0;      // of the peer it is settled with
    QByteArray nonce;          // this copy's
    bool drawn = false;        // this board, when it committed
    QByteArray their_commit;   // the first the peer told
    bool their_drawn = false;
    bool settled = false;
    bool peer_wins = false;  // once settled
  };
  void OfferTie(quint32 address, quint32 instance);
  static QByteArray Commitment(const QByteArray& nonce);
  // Whether the peer's session goes on; both copies find the same.
  bool PeerWinsTie(const Tie& tie, const QByteArray& their_nonce) const;
  std::unordered_map<quint32, Tie> ties_;  // by address
  // Whether the instance is linked with this copy now.
  bool InstanceLinked(quint32 instance) const;

  PeerLinks& links_;
  BoardHistory& history_;
  Hooks hooks_;
  SessionRoster roster_;
  // Each copy met, by instance: when it last began to speak the extension
  // with this one, and until when its board held this copy's steps through
  // a session's board (links' clock).
  struct Met {
    qint64 linked_at = 0;
    qint64 had_until = PeerLinks::kLongAgo;
  };
  std::unordered_map<quint32, Met> met_;
  static constexpr std::size_t kMaxMet = 256;
  std::unordered_map<quint32, quint32> seen_;  // by address: see Seen
  std::unordered_map<quint32, qint64> seen_heeded_;  // by address: when a Seen last counted
  QElapsedTimer replay_since_;  // steps wait to be drawn again since
  qint64 replay_from_ = 0;      // the steps begun or drawn on from then
  qint64 replay_to_ = 0;        // to, not including, then
  qint64 replay_not_before_ = PeerLinks::kLongAgo;  // links' clock
  // When everything was last drawn again for a copy never met, and its instance.
  struct Stranger {
    qint64 at = PeerLinks::kLongAgo;
    quint32 instance = 0;
  };
  Stranger last_stranger_;
  QObject context_;             // of what is drawn again later; goes with the course
};

}  // namespace kovra
