#include "net/peer_links.h"

#include <QRandomGenerator>
#include <algorithm>
#include <cstdlib>

#include "net/link_wire.h"

namespace kovra {
namespace {

// The link's datagrams are built here, not by BuildCommandText: they may
// be longer than a plain command.
std::string LinkDatagram(const std::string& name, const std::string& args) {
  return kProgramTag + ":>" + name + ":>" + args;
}

constexpr qint64 kTickMs = 40;
constexpr std::size_t kMaxGone = 256;
constexpr std::size_t kMaxContacted = 1024;
constexpr std::size_t kMaxNameSize = 64;
// Resent at most so many a tick to one peer.
constexpr int kResendBudget = 32;
// Resent at most so many for one acknowledgement that names missing ones.
constexpr int kResendPerAck = 8;
// Commands received in order are acknowledged after so many, or so long.
constexpr int kAckEvery = 16;
constexpr qint64 kAckDelayMs = 10;
// A peer's answers are repeated at most this often.
constexpr qint64 kHelloPauseMs = 250;

}  // namespace

PeerLinks::PeerLinks(std::string computer_name, Hooks hooks, QObject* parent)
    : QObject(parent),
      computer_name_(std::move(computer_name)),
      hooks_(std::move(hooks)),
      instance_(QRandomGenerator::global()->bounded(1u, 0xFFFFFFFFu)) {
  clock_.start();
  joined_.start();
  ticks_.setInterval(kTickMs);
  connect(&ticks_, &QTimer::timeout, this, &PeerLinks::Tick);
  ticks_.start();
  acks_.setSingleShot(true);
  connect(&acks_, &QTimer::timeout, this, &PeerLinks::SendAcks);
}

void PeerLinks::Close() {
  closed_ = true;
  ticks_.stop();
  acks_.stop();
}

PeerLinks::Peer* PeerLinks::Find(quint32 address) {
  const auto found = peers_.find(address);
  return found == peers_.end() ? nullptr : &found->second;
}

const PeerLinks::Peer* PeerLinks::Find(quint32 address) const {
  const auto found = peers_.find(address);
  return found == peers_.end() ? nullptr : &found->second;
}

bool PeerLinks::Speaks(quint32 address) const {
  const Peer* peer = Find(address);
  return peer != nullptr && peer->verified;
}

std::vector<quint32> PeerLinks::Present() const {
  std::vector<quint32> present;
  for (const auto& [address, peer] : peers_) {
    if (peer.verified) present.push_back(address);
  }
  std::sort(present.begin(), present.end());
  return present;
}

std::string PeerLinks::NameOf(quint32 address) const {
  const Peer* peer = Find(address);
  return peer != nullptr ? peer->name : std::string();
}

quint32 PeerLinks::Owner() const {
  quint32 best = 0;
  qint64 best_joined = Now() - joined_.elapsed();
  qint64 best_changed = changed_.isValid() ? Now() - changed_.elapsed() : kNever;
  quint32 best_instance = instance_;
  // Estimates from two clocks and a network differ a little: only clear
  // differences count, so that every copy comes to the same choice.
  constexpr qint64 kChangeTolerance = 500;
  for (const auto& [address, peer] : peers_) {
    if (!peer.verified) continue;
    bool better = false;
    if (std::llabs(peer.joined_at - best_joined) > kSameTimeMs) {
      better = peer.joined_at < best_joined;
    } else if (std::llabs(peer.changed_at - best_changed) > kChangeTolerance) {
      better = peer.changed_at > best_changed;
    } else {
      better = peer.instance < best_instance;
    }
    if (!better) continue;
    best = address;
    best_joined = peer.joined_at;
    best_changed = peer.changed_at;
    best_instance = peer.instance;
  }
  return best;
}

bool PeerLinks::Send(quint32 address, std::string text, bool message) {
  Peer* peer = Find(address);
  if (closed_ || peer == nullptr || !peer->verified) return false;
  if (peer->unacked.size() + peer->waiting.size() >= kMaxWaiting) {
    if (peer->waiting.empty()) return true;  // nothing to make room with: this one is lost
    // The oldest waiting goes: the board is repaired later, a message is told of.
    Outgoing dropped = std::move(peer->waiting.front());
    peer->waiting.pop_front();
    Lost(address, dropped);
    peer = Find(address);
    if (peer == nullptr) return false;
  }
  Outgoing item;
  item.text = std::move(text);
  item.message = message;
  item.queued_ms = Now();
  peer->waiting.push_back(std::move(item));
  Pump(address);
  return true;
}

std::size_t PeerLinks::Waiting(quint32 address) const {
  const Peer* peer = Find(address);
  return peer == nullptr ? 0 : peer->unacked.size() + peer->waiting.size();
}

void PeerLinks::Lost(quint32 address, Outgoing& item) {
  if (!item.message || item.told) return;
  item.told = true;
  if (hooks_.undelivered) hooks_.undelivered(address, item.text);
}

void PeerLinks::Pump(quint32 address) {
  bool asked_for_more = false;
  for (;;) {
    Peer* peer = Find(address);
    if (closed_ || peer == nullptr || !peer->verified) return;
    const bool room = peer->in_flight < static_cast<std::size_t>(peer->window);
    if (!room) return;
    if (peer->waiting.empty()) {
      // Whoever has more to send (a board on its way) is asked once.
      if (asked_for_more || !hooks_.room) return;
      asked_for_more = true;
      hooks_.room(address);
      continue;
    }
    Outgoing item = std::move(peer->waiting.front());
    peer->waiting.pop_front();
    item.seq = peer->next_seq++;
    peer->unacked.push_back(std::move(item));
    ++peer->in_flight;
    Transmit(address, *peer, peer->unacked.back());
  }
}

void PeerLinks::Transmit(quint32 address, Peer& peer, Outgoing& item) {
  link::Data data;
  data.instance = instance_;
  data.your = peer.instance;
  data.seq = item.seq;
  data.first = peer.unacked.front().seq;
  data.inner = item.text;
  item.sent_ms = Now();
  ++item.tries;
  peer.sent_ms = item.sent_ms;
  static const std::string kHead = kProgramTag + ":>" + link::kData + ":>";
  if (!hooks_.send(address, kHead + data.Build())) Shrink(peer, 0.5);
}

void PeerLinks::Shrink(Peer& peer, double factor) {
  const qint64 now = Now();
  if (peer.shrunk_ms >= 0 && now - peer.shrunk_ms < std::max<qint64>(peer.rtt_ms, 20)) return;
  peer.shrunk_ms = now;
  peer.window = std::max(4.0, peer.window * factor);
}

void PeerLinks::Announce(quint32 address) {
  if (closed_) return;
  SendHello(address, Find(address));
}

void PeerLinks::SendHello(quint32 address, Peer* peer) {
  link::Hello hello;
  hello.instance = instance_;
  hello.your = peer != nullptr ? peer->instance : 0;
  hello.joined_ago = joined_.elapsed();
  hello.changed_ago = changed_.isValid() ? changed_.elapsed() : -1;
  hello.name = computer_name_;
  if (peer != nullptr) peer->hello_ms = peer->sent_ms = Now();
  hooks_.send(address, LinkDatagram(link::kHello, hello.Build()));
}

void PeerLinks::Heard(quint32 address) {
  if (Peer* peer = Find(address)) peer->heard_ms = Now();
  const auto gone = gone_.find(address);
  if (gone == gone_.end() || closed_) return;
  const std::string name = gone->second.name;
  gone_.erase(gone);
  if (isolated_) {
    // Back after every peer fell silent: this copy joins anew.
    isolated_ = false;
    joined_.restart();
  }
  SendHello(address, Find(address));
  if (hooks_.back) hooks_.back(address, name);
}

void PeerLinks::Contact(quint32 address) {
  if (closed_ || Find(address) != nullptr) return;
  const qint64 now = Now();
  const auto greeted = contacted_.find(address);
  if (greeted != contacted_.end() && now - greeted->second < timing_.first_contact_ms) return;
  if (contacted_.size() >= kMaxContacted) contacted_.clear();
  contacted_[address] = now;
  SendHello(address, nullptr);
}

void PeerLinks::Received(quint32 address, quint16 port, const ReceivedCommand& command) {
  if (closed_) return;
  if (command.name == "KVHELLO") OnHello(address, command.args);
  if (command.name == "KVDATA") OnData(address, port, command.args);
  if (command.name == "KVACK") OnAck(address, command.args);
}

PeerLinks::Peer* PeerLinks::Follow(quint32 address) {
  if (Peer* peer = Find(address)) return peer;
  if (peers_.size() >= kMaxPeers) {
    // Room is made only at the cost of one that never answered.
    const auto stranger = std::find_if(peers_.begin(), peers_.end(),
                                       [](const auto& entry) { return !entry.second.verified; });
    if (stranger == peers_.end()) return nullptr;
    peers_.erase(stranger);
  }
  if (isolated_) {
    isolated_ = false;
    joined_.restart();
  }
  Peer& peer = peers_[address];
  peer.heard_ms = Now();
  return &peer;
}

void PeerLinks::OnHello(quint32 address, std::string_view args) {
  const auto hello = link::Hello::Parse(args);
  // This copy's own announcement, back from a broadcast address.
  if (!hello || hello->instance == instance_) return;
  Peer* peer = Follow(address);
  if (peer == nullptr) return;
  const bool fresh = peer->instance != hello->instance;
  if (fresh) NewInstance(address, *peer, hello->instance);
  peer->name = hello->name.substr(0, kMaxNameSize);
  const qint64 now = Now();
  peer->heard_ms = now;
  peer->joined_at = now - hello->joined_ago;
  peer->changed_at = hello->changed_ago < 0 ? kNever : now - hello->changed_ago;
  const bool knows_us = hello->your == instance_;
  // Answered when the peer has yet to learn this copy or has just been
  // learned; never more often than kHelloPauseMs, whatever arrives.
  if ((!knows_us || fresh) && (peer->hello_ms < 0 || now - peer->hello_ms >= kHelloPauseMs)) {
    SendHello(address, peer);
  }
  if (knows_us) Verified(address, *peer);
}

void PeerLinks::NewInstance(quint32 address, Peer& peer, quint32 instance) {
  (void)address;
  peer.instance = instance;
  peer.verified = false;
  peer.expected = 0;
  peer.ahead.clear();
  peer.gap_since = -1;
  // A new copy there has a board of its own, repaired as a whole; only the
  // messages it has not acknowledged are still its, in their order.
  std::deque<Outgoing> messages;
  for (auto* queue : {&peer.unacked, &peer.waiting}) {
    for (Outgoing& item : *queue) {
      if (!item.message) continue;
      item.sent_ms = -1;
      item.tries = 0;
      messages.push_back(std::move(item));
    }
    queue->clear();
  }
  peer.waiting = std::move(messages);
  peer.in_flight = 0;
  peer.window = kFirstWindow;
}

void PeerLinks::Verified(quint32 address, Peer& peer) {
  if (peer.verified) return;
  peer.verified = true;
  gone_.erase(address);
  if (hooks_.joined) hooks_.joined(address);
  Pump(address);
}

void PeerLinks::Mend(quint32 address, quint32 your) {
  // Either side lost track of the other: a greeting, now and then, mends
  // it. A host that does not know this copy's instance is a stranger, and
  // greeted as one.
  Peer* peer = Find(address);
  if (peer == nullptr && your == instance_) peer = Follow(address);
  if (peer == nullptr) {
    Contact(address);
  } else if (peer->hello_ms < 0 || Now() - peer->hello_ms >= kHelloPauseMs) {
    SendHello(address, peer);
  }
}

void PeerLinks::OnData(quint32 address, quint16 port, std::string_view args) {
  const auto data = link::Data::Parse(args);
  if (!data) return;
  Peer* peer = Find(address);
  const qint64 now = Now();
  if (peer == nullptr || data->your != instance_ || data->instance != peer->instance) {
    Mend(address, data->your);
    return;
  }
  Verified(address, *peer);
  peer = Find(address);
  if (peer == nullptr) return;
  peer->port = port;
  peer->ack_due = true;
  // A stream met for the first time starts where its sender still waits.
  if (peer->expected == 0 || data->first > peer->expected) {
    peer->expected = data->first;
    peer->ahead.erase(peer->ahead.begin(), peer->ahead.lower_bound(data->first));
  }
  // In order, acknowledged a little later with what follows; a gap or a
  // repeat at once, so that the sender mends it soon.
  const bool in_order = data->seq == peer->expected && peer->ahead.empty();
  ScheduleAck(in_order && ++peer->unreported < kAckEvery);
  if (data->seq < peer->expected || data->seq - peer->expected >= kMaxAhead) return;
  if (in_order && !peer->delivering) {
    // The usual case, handed on without being kept.
    ++peer->expected;
    peer->gap_since = -1;
    peer->delivering = true;
    if (hooks_.deliver) hooks_.deliver(address, port, data->inner);
    peer = Find(address);
    if (peer == nullptr) return;
    peer->delivering = false;
    // What arrived while it was handled waits in order behind it.
    if (!peer->ahead.empty()) Deliver(address);
    return;
  }
  peer->ahead.emplace(data->seq, std::string(data->inner));
  Deliver(address);
}

void PeerLinks::ScheduleAck(bool later) {
  if (!later) {
    acks_.start(0);
  } else if (!acks_.isActive()) {
    acks_.start(static_cast<int>(kAckDelayMs));
  }
}

void PeerLinks::Deliver(quint32 address) {
  Peer* peer = Find(address);
  // A command handed on may run the event loop; what arrives meanwhile
  // waits for this loop, so that the order holds.
  if (peer == nullptr || peer->delivering) return;
  peer->delivering = true;
  const quint32 from = peer->expected;
  for (;;) {
    const auto next = peer->ahead.find(peer->expected);
    if (next == peer->ahead.end()) break;
    const std::string text = std::move(next->second);
    peer->ahead.erase(next);
    ++peer->expected;
    if (hooks_.deliver) hooks_.deliver(address, peer->port, text);
    peer = Find(address);
    if (peer == nullptr || closed_) return;
  }
  peer->delivering = false;
  // A gap is timed from when the stream last moved on, not from when the
  // first gap opened: on a lossy network there is nearly always one.
  if (peer->ahead.empty()) {
    peer->gap_since = -1;
  } else if (peer->gap_since < 0 || peer->expected != from) {
    peer->gap_since = Now();
  }
}

void PeerLinks::SendAcks() {
  if (closed_) return;
  for (auto& [address, peer] : peers_) {
    if (!peer.ack_due || !peer.verified) continue;
    peer.ack_due = false;
    peer.unreported = 0;
    link::Ack ack;
    ack.instance = instance_;
    ack.your = peer.instance;
    ack.through = peer.expected > 0 ? peer.expected - 1 : 0;
    ack.known = ack.through;
    quint32 next = peer.expected;
    for (const auto& [seq, text] : peer.ahead) {
      if (seq > next) {
        if (ack.missing.size() >= link::kMaxAckRanges) break;
        ack.missing.push_back({next, seq - 1});
      }
      ack.known = seq;
      next = seq + 1;
    }
    peer.sent_ms = Now();
    hooks_.send(address, LinkDatagram(link::kAck, ack.Build()));
  }
}

void PeerLinks::OnAck(quint32 address, std::string_view args) {
  const auto ack = link::Ack::Parse(args);
  if (!ack) return;
  Peer* peer = Find(address);
  const qint64 now = Now();
  if (peer == nullptr || ack->your != instance_ || ack->instance != peer->instance) {
    Mend(address, ack->your);
    return;
  }
  Verified(address, *peer);
  peer = Find(address);
  if (peer == nullptr) return;
  // The round trip is measured on the newest datagram this acknowledgement
  // is the first to report, sent once: one held behind a gap says nothing.
  for (const Outgoing& item : peer->unacked) {
    if (item.seq != ack->known) continue;
    if (item.tries == 1 && !item.arrived && item.sent_ms >= 0) {
      // Quick to fall, slow to rise: a report put off behind a gap shows
      // as one long sample now and then.
      const qint64 sample = now - item.sent_ms;
      peer->rtt_ms = peer->rtt_ms < 0 || sample < peer->rtt_ms
                         ? sample
                         : peer->rtt_ms + (sample - peer->rtt_ms) / 16;
    }
    break;
  }
  int acked = 0;
  while (!peer->unacked.empty() && peer->unacked.front().seq <= ack->through) {
    if (!peer->unacked.front().arrived) --peer->in_flight;
    peer->unacked.pop_front();
    ++acked;
  }
  // Grows by one for each acknowledged until it is large, then slowly.
  peer->window += peer->window < 64 ? acked : static_cast<double>(acked) / peer->window * 8;
  peer->window = std::min<double>(peer->window, kMaxWindow);
  if (!ack->missing.empty()) Shrink(*peer, 0.875);
  int budget = kResendPerAck;
  const qint64 pause = std::max<qint64>(peer->rtt_ms, 10);
  for (Outgoing& item : peer->unacked) {
    if (item.seq > ack->known) break;
    const bool missing = std::any_of(ack->missing.begin(), ack->missing.end(), [&](auto& range) {
      return item.seq >= range.from && item.seq <= range.to;
    });
    if (!missing && !item.arrived) {
      item.arrived = true;
      --peer->in_flight;
    }
    if (!missing || budget == 0 || (item.sent_ms >= 0 && now - item.sent_ms < pause)) continue;
    Transmit(address, *peer, item);
    --budget;
  }
  Pump(address);
}

void PeerLinks::Left(quint32 address) {
  Forget(address, false);
  gone_.erase(address);
}

void PeerLinks::Forget(quint32 address, bool silent) {
  Peer* peer = Find(address);
  if (peer == nullptr) return;
  const std::string name = peer->name;
  const bool was_verified = peer->verified;
  for (auto* queue : {&peer->unacked, &peer->waiting}) {
    for (Outgoing& item : *queue) Lost(address, item);
  }
  peers_.erase(address);
  if (!was_verified || !silent) return;
  if (gone_.size() >= kMaxGone) gone_.clear();
  gone_[address] = Gone{name, Now(), Now()};
  if (Present().empty()) isolated_ = true;
  if (hooks_.gone) hooks_.gone(address, name);
}

void PeerLinks::Tick() {
  if (closed_) return;
  const qint64 now = Now();
  std::vector<quint32> addresses;
  addresses.reserve(peers_.size());
  for (const auto& entry : peers_) addresses.push_back(entry.first);
  for (const quint32 address : addresses) {
    Peer* peer = Find(address);
    if (peer == nullptr) continue;
    if (now - peer->heard_ms > timing_.gone_ms) {
      Forget(address, true);
      continue;
    }
    if (!peer->verified) {
      if (now - peer->hello_ms >= timing_.keep_alive_ms) SendHello(address, peer);
      continue;
    }
    const qint64 rto =
        peer->rtt_ms < 0 ? 200 : std::clamp<qint64>(3 * peer->rtt_ms + 30, 80, 1000);
    int budget = kResendBudget;
    for (Outgoing& item : peer->unacked) {
      const qint64 backoff = rto << std::clamp(item.tries - 1, 0, 2);
      if (!item.arrived && budget > 0 && (item.sent_ms < 0 || now - item.sent_ms >= backoff)) {
        Transmit(address, *peer, item);
        --budget;
      }
      if (now - item.queued_ms > timing_.undelivered_ms) Lost(address, item);
    }
    for (Outgoing& item : peer->waiting) {
      if (now - item.queued_ms > timing_.undelivered_ms) Lost(address, item);
    }
    if (peer->gap_since >= 0 && now - peer->gap_since > timing_.gap_ms && !peer->delivering) {
      // What is missing will not come: go on after it, and have the board repaired.
      peer->expected = peer->ahead.begin()->first;
      peer->gap_since = -1;
      Deliver(address);
      if (hooks_.skipped) hooks_.skipped(address);
      peer = Find(address);
      if (peer == nullptr) continue;
    }
    if (now - peer->sent_ms >= timing_.keep_alive_ms) peer->ack_due = true;
    Pump(address);
  }
  Probe(now);
  SendAcks();
}

void PeerLinks::Probe(qint64 now) {
  // Often in the first minute (a cable, a restart), then now and then (a
  // computer asleep), for a day at most.
  constexpr qint64 kSoonMs = 60'000;
  constexpr qint64 kLaterMs = 30'000;
  constexpr qint64 kGiveUpMs = 24 * 3600'000;
  for (auto it = gone_.begin(); it != gone_.end();) {
    Gone& gone = it->second;
    if (now - gone.since_ms > kGiveUpMs) {
      it = gone_.erase(it);
      continue;
    }
    const qint64 pause = now - gone.since_ms < kSoonMs ? timing_.keep_alive_ms : kLaterMs;
    if (now - gone.probed_ms >= pause) {
      gone.probed_ms = now;
      SendHello(it->first, nullptr);
    }
    ++it;
  }
}

}  // namespace kovra
