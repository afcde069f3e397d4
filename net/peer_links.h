// Delivery between copies that speak the extension: each copy numbers what
// it sends to each such peer, keeps what is not yet acknowledged and sends
// it again, and hands on what it receives in the sender's order, once. A
// gap that stays open too long is passed over and told of, so that the
// board can be repaired instead. Peers that fall silent are told of as gone
// and, when heard again, as back. Everything kept is bounded, and nothing
// larger than a small answer goes to an address that has not shown, by
// echoing the ticket this copy told that address alone, that it receives
// there. A datagram that does not carry that ticket changes nothing.
#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <QtGlobal>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "net/command.h"

namespace kovra {

class PeerLinks : public QObject {
  Q_OBJECT

 public:
  // Bounds: peers followed, commands kept for one peer (sent and not yet
  // acknowledged, or waiting), and commands received ahead of a gap.
  static constexpr std::size_t kMaxPeers = 64;
  // Addresses one instance may speak from: one host cannot take every place.
  static constexpr int kMaxAddressesPerInstance = 2;
  // Addresses one network card may answer for: a host's aliases share its places.
  static constexpr int kMaxAddressesPerHost = 4;
  static constexpr std::size_t kMaxWaiting = 4096;
  static constexpr std::size_t kMaxAhead = 512;
  // The repair's and the session's talk kept for one peer, in bytes.
  static constexpr std::size_t kMaxPassingBytes = 512 * 1024;
  // Datagrams in flight to one peer: the window starts small and grows as
  // acknowledgements come, and halves when datagrams go missing or the
  // system has no room for them.
  static constexpr int kFirstWindow = 16;
  static constexpr int kMaxWindow = 512;
  // The most a peer may have earned of what this copy sends it (see Peer::credit).
  static constexpr qint64 kMaxCredit = qint64{1} << 20;
  // What a peer that acknowledged everything sent to it may have at least.
  static constexpr qint64 kFreshCredit = 16 * 1024;

  // What a command is to the stream: drawing kept until its copy took it,
  // even across a silence; a message, followed until it is acknowledged;
  // or the repair's and the session's talk, worth nothing once the copy
  // fell silent (it is asked for anew).
  enum class Carry { kLasting, kMessage, kPassing };

  // A time before anything this copy ever did.
  static constexpr qint64 kLongAgo = std::numeric_limits<qint64>::min();
  static constexpr qint64 kNever = std::numeric_limits<qint64>::max();

  // A copy heard from at least every keep_alive_ms that stays silent for
  // gone_ms is gone: a pulled cable is seen within seconds.
  struct Timing {
    qint64 gone_ms = 4000;            // silence after which a peer is gone
    qint64 gap_ms = 3000;             // a gap open so long is passed over
    qint64 undelivered_ms = 5000;     // a message not acknowledged so long is told of
    qint64 keep_alive_ms = 1000;      // a sign of life at least this often
    qint64 first_contact_ms = 30000;  // an unknown copy is greeted at most this often
  };

  struct Hooks {
    // One datagram to address; false when it did not go out.
    std::function<bool(quint32 address, const std::string& bytes)> send;
    // A command of address's stream, in order, once: its text after the tag.
    std::function<void(quint32 address, quint16 port, std::string_view text)> deliver;
    // address now speaks the extension both ways; or a gap was passed over.
    std::function<void(quint32 address)> joined;
    std::function<void(quint32 address)> skipped;
    // address fell silent, or was heard again after it did.
    std::function<void(quint32 address, const std::string& name)> gone;
    std::function<void(quint32 address, const std::string& name)> back;
    // A suspected peer stayed silent.
    std::function<void(quint32 address, const std::string& name)> unanswered;
    // A message (its text after the tag) that address did not acknowledge;
    // and one told of so that address acknowledged after all.
    std::function<void(quint32 address, const std::string& text)> undelivered;
    std::function<void(quint32 address, const std::string& text)> delivered;
    // Nothing waits for address and its window has room.
    std::function<void(quint32 address)> room;
    // Which host answers at address (see HostKey); null: each address is one.
    std::function<quint64(quint32 address)> host_of;
  };

  PeerLinks(std::string computer_name, Hooks hooks, QObject* parent = nullptr);

  quint32 Instance() const { return instance_; }
  // The links' clock, in milliseconds since they were made.
  qint64 Clock() const { return Now(); }
  // What this copy tells address to echo: its own, and unguessable
  // elsewhere, for as long as this copy runs.
  quint64 TicketFor(quint32 address) const;
  void SetTiming(const Timing& timing) { timing_ = timing; }
  const Timing& Times() const { return timing_; }

  // Whether address speaks the extension both ways and is present.
  bool Speaks(quint32 address) const;
  // Whether address spoke it with this copy and fell silent: its stream waits.
  bool Away(quint32 address) const { return positions_.count(address) > 0 && !Speaks(address); }
  std::vector<quint32> Present() const;
  // Whether no copy speaks the extension with this one.
  bool Alone() const;
  // Empty for an address that is no peer.
  const std::string& NameOf(quint32 address) const;
  // The instance of a copy that speaks the extension; 0 for any other address.
  quint32 InstanceOf(quint32 address) const;

  // Queues the command text (after the tag) for address's stream; false
  // when address does not speak the extension.
  bool Send(quint32 address, std::string text, Carry carry = Carry::kLasting);
  // A message for a copy that spoke the extension and fell silent: it goes
  // in its stream, after what it missed, when it is back. False when
  // address is no such copy.
  bool Keep(quint32 address, std::string text);
  // From when on (Clock()) address's board may lack what this copy sent:
  // what it may lack was sent before its link was made last, from this
  // time on (kLongAgo: everything; kNever: nothing). A copy that falls
  // silent keeps its stream, and takes it when it is back; what is sent
  // while it is away, or dropped for room, it lacks.
  qint64 MissingSince(quint32 address) const;
  // Until when (Clock()) address took everything this copy sent it: now,
  // or when the first command it has not yet acknowledged was sent.
  qint64 TakenUntil(quint32 address) const;
  // address has what this copy drew so far, through the session's board.
  void Shared(quint32 address);
  // The last time address fell silent for more than two signs of life:
  // when it was last heard before, and when it was heard again (-1: never).
  struct Quiet {
    qint64 began = -1;
    qint64 ended = -1;
  };
  Quiet LastQuiet(quint32 address) const;
  // How many commands of address's stream were handed on here, in order.
  quint32 DeliveredFrom(quint32 address) const;
  // Since when (Clock()) address may lack what this copy drew, when it had
  // the first through commands of its stream: when the last lasting one of
  // them was queued; if none is remembered, when the first after them was;
  // now when there is none.
  qint64 TakenBefore(quint32 address, quint32 through) const;
  // Commands for address sent and not yet acknowledged, or waiting.
  std::size_t Waiting(quint32 address) const;

  // "KvHello" to address (a computer or a broadcast address).
  void Announce(quint32 address);
  // Every datagram from address, before it is handled.
  void Heard(quint32 address);
  // A plain command from address: a copy not yet known is greeted.
  void Contact(quint32 address);
  // A copy another one speaks with: greeted a few times, and for as long
  // as it is heard once it answers.
  void Introduce(quint32 address);
  // Nobody listened at address when a datagram came there. That may be a
  // datagram from before the copy started: a peer that speaks the extension
  // is greeted, and marked absent (through unanswered) only if it then
  // stays silent for a second. False when address speaks no extension.
  // A copy leaving (its "Exit") is then forgotten.
  bool Suspect(quint32 address, bool leaving = false);
  // address said "Exit": it is forgotten, and not looked for.
  void Left(quint32 address);
  // One of the link's own commands from address.
  void Received(quint32 address, quint16 port, const ReceivedCommand& command);
  // The arguments of a "KvData", read from the datagram without a copy.
  void ReceivedData(quint32 address, quint16 port, std::string_view args);
  // This copy's board changed by drawing.
  void BoardChanged() { changed_.start(); }

  // Every link is dropped, as if its copy fell silent, and looked for
  // again: those that answer now are linked anew (a closed session's word
  // changed, and with it who may speak).
  void ForgetAll();
  // The link to address is dropped as if its copy fell silent (the user
  // removed that computer).
  void Forget(quint32 address) { Forget(address, true); }
  // Stops for good; nothing more is sent.
  void Close();

 private:
  struct Outgoing {
    quint32 seq = 0;
    std::string text;
    Carry carry = Carry::kLasting;
    bool told = false;     // its loss was told of
    bool arrived = false;  // acknowledged beyond a gap: not sent again
    qint64 queued_ms = 0;
    qint64 sent_ms = -1;
    int tries = 0;
    qint64 spent = 0;  // bytes its sends took, earned back twice when it arrives
  };
  // Lasting commands acknowledged, by number, with when each was queued.
  using TakenTimes = std::deque<std::pair<quint32, qint64>>;
  static constexpr std::size_t kMaxTakenTimes = 4096;
  static void NoteTaken(TakenTimes& taken, const Outgoing& item);
  struct Peer {
    quint32 instance = 0;
    quint64 ticket = 0;  // this copy's, for the peer's address
    quint64 theirs = 0;  // the peer's, echoed to it
    bool verified = false;
    std::string name;
    qint64 heard_ms = 0;
    Quiet quiet;
    qint64 sent_ms = 0;
    qint64 hello_ms = -1;
    // An answer that fell in the pause after a greeting, and what it
    // echoes: sent when the pause ends, since the greeting crossed it.
    bool answer_due = false;
    quint64 answer_your = 0;
    qint64 suspect_ms = -1;   // when nobody listened there, until it is heard
    qint64 probed_ms = -1;    // when it was last greeted since
    bool unanswered = false;  // told of as absent after it stayed silent
    bool leaving = false;     // suspected for its "Exit"
    int greetings = 0;        // sent before it said anything
    // Bytes this copy may still send: what comes from the peer earns a few
    // times its size, what it acknowledges earns back twice what it cost,
    // so that nothing answers a request at more than a small multiple, and
    // a transfer goes only as fast as it is acknowledged. Before the peer
    // echoed its ticket: greetings to it total at most what it sent.
    qint64 credit = 0;
    qint64 greeting_room = 0;
    qint64 useful_ms = 0;  // when its stream last brought or took anything
    qint64 missing_since = kLongAgo;  // see MissingSince
    // Sending.
    quint32 next_seq = 1;
    std::deque<Outgoing> unacked;
    std::size_t in_flight = 0;  // of unacked, those not known to have arrived
    std::deque<Outgoing> waiting;
    TakenTimes taken;
    double window = kFirstWindow;
    qint64 shrunk_ms = -1;
    qint64 rtt_ms = -1;
    // Receiving.
    quint32 expected = 0;  // 0: the stream is not known yet
    std::map<quint32, std::string> ahead;
    quint16 port = 0;
    qint64 gap_since = -1;
    bool delivering = false;
    bool ack_due = false;
    int unreported = 0;  // received in order since the last acknowledgement
  };

  // Greetings to an address that never echoed its ticket exceed what it sent by one at most.
  static constexpr qint64 kGreetingGrace = 160;
  qint64 Now() const { return clock_.elapsed(); }
  Peer* Find(quint32 address);
  const Peer* Find(quint32 address) const;
  Peer* Follow(quint32 address);
  // Whether text, of the repair's talk, is worth queueing for peer.
  static bool RoomToPass(const Peer& peer, const std::string& text);
  // A greeting to address; your is the ticket echoed (0: none known).
  void SendHello(quint32 address, Peer* peer, quint64 your);
  void SendHello(quint32 address, Peer* peer) {
    SendHello(address, peer, peer != nullptr ? peer->theirs : 0);
  }
  // Answers a greeting, at most once every kHelloPauseMs for one address;
  // a known peer's answer within the pause goes when it ends (AnswerDue).
  void Answer(quint32 address, Peer* peer, quint64 your);
  void AnswerDue(quint32 address, Peer& peer);
  void OnHello(quint32 address, std::string_view args);
  void Mend(quint32 address, quint64 your);
  // The peer at address when a datagram of its stream names its instance
  // and this copy's ticket for it; otherwise the greeting that mends it, and null.
  Peer* Knowing(quint32 address, quint32 instance, quint64 your, std::size_t size);
  // What a proven datagram of size from the peer earns it.
  static void Earn(Peer& peer, std::size_t size);
  void OnData(quint32 address, quint16 port, std::string_view args);
  void OnAck(quint32 address, std::string_view args);
  // The round trip, from the newest datagram an acknowledgement through known reports.
  void SampleRoundTrip(Peer& peer, quint32 known, qint64 now);
  void Verified(quint32 address, Peer& peer);
  void Deliver(quint32 address);
  // Sends again what stayed unacknowledged too long; tells of messages lost.
  void Resend(quint32 address, Peer& peer, qint64 now);
  // Passes over a gap open too long; false when the peer is gone meanwhile.
  bool PassGap(quint32 address, qint64 now);
  void SendAcks();
  // Acknowledges soon, or at once.
  void ScheduleAck(bool later);
  void Transmit(quint32 address, Peer& peer, Outgoing& item);
  void Pump(quint32 address);
  void Tick();
  // A tick far later than due: the time this copy was held up is not silence.
  void Unstall(qint64 now);
  // Halves the window when the system had no room; a datagram lost on the
  // way narrows it a little.
  void Shrink(Peer& peer, double factor);
  void NewInstance(Peer& peer, quint32 instance);
  // Drops address; a verified peer is then looked for as gone when silent.
  void Forget(quint32 address, bool silent);
  void Lost(quint32 address, Outgoing& item);

  std::string computer_name_;
  Hooks hooks_;
  Timing timing_;
  quint32 instance_;
  QByteArray secret_;  // the tickets' key, new at each start
  QElapsedTimer clock_;
  QElapsedTimer joined_;
  QElapsedTimer changed_;
  bool closed_ = false;
  std::unordered_map<quint32, Peer> peers_;
  struct Gone {
    std::string name;
    qint64 since_ms = 0;
    qint64 probed_ms = 0;
  };
  // Where the streams with a copy that fell silent or left stood, so that
  // both go on where they were when it is back with the same instance: a
  // stream never starts over, nor jumps, on the other side's word. What it
  // had not acknowledged waits with it, and so do messages typed since;
  // a new instance there is sent only the messages, within a day.
  struct Position {
    quint32 instance = 0;
    quint32 next_seq = 1;
    quint32 expected = 0;
    std::deque<Outgoing> unacked;
    std::deque<Outgoing> waiting;
    qint64 since_ms = 0;
    qint64 missing_since = kLongAgo;
    TakenTimes taken;
    qint64 heard_ms = 0;
  };
  std::unordered_map<quint32, Position> positions_;
  // Takes the stream kept in position up again in peer, or only its messages.
  void Resume(Peer& peer, Position& position);
  // Keeps peer's stream in a position of its own.
  void Suspend(quint32 address, Peer& peer);
  // Silent peers, greeted now and then to tell of their return.
  std::unordered_map<quint32, Gone> gone_;
  void Probe(qint64 now);
  std::unordered_map<quint32, qint64> contacted_;  // unknown copies greeted, and when
  // Copies introduced by others in the current second: a peer that names
  // many cannot make this copy greet the whole network.
  int introduced_ = 0;
  qint64 introduced_second_ = -1;
  QTimer ticks_;
  qint64 last_tick_ms_ = -1;
  QTimer acks_;
};

}  // namespace kovra
