#include "net/peer_links.h"

#include <QRandomGenerator>
#include <algorithm>
#include <cstdlib>

#include "net/link_wire.h"

namespace kovra {
namespace {

constexpr qint64 kTickMs = 40;
constexpr std::size_t kMaxGone = 256;
// A peer nobody listened at is absent unless heard within so long.
constexpr qint64 kSuspectMs = 1000;
// A suspected peer is greeted again this often: one greeting or its answer may be lost.
constexpr qint64 kSuspectProbeMs = 300;
// While a gap is open, what is missing is told again this often.
constexpr qint64 kGapReportMs = 100;
// A copy that has yet to echo this copy's instance is greeted again this
// often: a greeting or its answer may be lost.
constexpr qint64 kGreetAgainMs = 500;
// Greetings to a copy that never answered.
constexpr int kGreetingsUnheard = 4;
// A copy whose stream carried nothing for so long gives its place to a newcomer.
constexpr qint64 kIdlePlaceMs = 30'000;
// A tick later than this by more than its interval finds this copy was held up.
constexpr qint64 kStallMs = 250;

}  // namespace

PeerLinks::PeerLinks(std::string computer_name, Hooks hooks, QObject* parent)
    : QObject(parent),
      computer_name_(std::move(computer_name)),
      hooks_(std::move(hooks)),
      instance_(QRandomGenerator::global()->bounded(1u, 0xFFFFFFFFu)) {
  secret_.resize(32);
  QRandomGenerator::system()->fillRange(reinterpret_cast<quint32*>(secret_.data()),
                                        secret_.size() / 4);
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

void PeerLinks::ForgetAll() {
  std::vector<quint32> addresses;
  for (const auto& entry : peers_) addresses.push_back(entry.first);
  for (const quint32 address : addresses) Forget(address, true);
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

bool PeerLinks::Alone() const {
  return std::none_of(peers_.begin(), peers_.end(),
                      [](const auto& entry) { return entry.second.verified; });
}

const std::string& PeerLinks::NameOf(quint32 address) const {
  static const std::string kNobody;
  const Peer* peer = Find(address);
  return peer != nullptr ? peer->name : kNobody;
}

quint32 PeerLinks::InstanceOf(quint32 address) const {
  const Peer* peer = Find(address);
  return peer != nullptr && peer->verified ? peer->instance : 0;
}

bool PeerLinks::Suspect(quint32 address, bool leaving) {
  Peer* peer = Find(address);
  if (closed_ || peer == nullptr || !peer->verified) return false;
  peer->leaving = peer->leaving || leaving;
  if (peer->suspect_ms >= 0) return true;
  peer->suspect_ms = Now();
  peer->probed_ms = peer->suspect_ms;
  // A greeting that does not name its ticket is answered at once.
  SendHello(address, nullptr);
  return true;
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
    // Room is made at the cost of one that never answered, else of one
    // whose stream has carried nothing for long: a copy of a session asks
    // for its owner's digest every few seconds, a host that only holds
    // places does nothing with them.
    const auto stranger = std::find_if(peers_.begin(), peers_.end(),
                                       [](const auto& entry) { return !entry.second.verified; });
    if (stranger != peers_.end()) {
      peers_.erase(stranger);
    } else {
      const auto idle = std::min_element(peers_.begin(), peers_.end(), [](auto& a, auto& b) {
        return a.second.useful_ms < b.second.useful_ms;
      });
      if (Now() - idle->second.useful_ms < kIdlePlaceMs) return nullptr;
      Forget(idle->first, true);
    }
  }
  Peer& peer = peers_[address];
  peer.heard_ms = Now();
  peer.ticket = TicketFor(address);
  return &peer;
}

void PeerLinks::NewInstance(Peer& peer, quint32 instance) {
  peer.instance = instance;
  peer.port = 0;
  peer.verified = false;
  peer.expected = 0;
  peer.ahead.clear();
  peer.gap_since = -1;
  // A new copy there has a board of its own, repaired as a whole; only the
  // messages it has not acknowledged are still its, in their order.
  std::deque<Outgoing> messages;
  for (auto* queue : {&peer.unacked, &peer.waiting}) {
    for (Outgoing& item : *queue) {
      if (item.carry != Carry::kMessage) continue;
      item.sent_ms = -1;
      item.tries = 0;
      item.arrived = false;
      messages.push_back(std::move(item));
    }
    queue->clear();
  }
  peer.waiting = std::move(messages);
  peer.in_flight = 0;
  peer.missing_since = kLongAgo;
  peer.window = kFirstWindow;
}

void PeerLinks::Verified(quint32 address, Peer& peer) {
  if (peer.verified && Now() - peer.heard_ms > 2 * timing_.keep_alive_ms) {
    peer.quiet = {peer.heard_ms, Now()};
  }
  peer.heard_ms = Now();
  peer.suspect_ms = -1;
  peer.leaving = false;
  if (peer.unanswered && !closed_) {
    // Told of as absent, and there after all.
    peer.unanswered = false;
    if (hooks_.back) hooks_.back(address, peer.name);
    if (Find(address) != &peer) return;
  }
  if (peer.verified) return;
  const int same = static_cast<int>(std::count_if(peers_.begin(), peers_.end(), [&](auto& entry) {
    return entry.second.verified && entry.second.instance == peer.instance;
  }));
  if (same >= kMaxAddressesPerInstance) return;  // one copy, many addresses: it has enough
  if (hooks_.host_of) {
    const quint64 host = hooks_.host_of(address);
    const auto of_host = std::count_if(peers_.begin(), peers_.end(), [&](auto& entry) {
      return entry.second.verified && hooks_.host_of(entry.first) == host;
    });
    if (of_host >= kMaxAddressesPerHost) return;  // one host, many addresses: it has enough
  }
  peer.useful_ms = Now();
  if (const auto gone = gone_.find(address); gone != gone_.end()) {
    const std::string name = gone->second.name;
    gone_.erase(gone);
    if (hooks_.back) hooks_.back(address, name);
    if (Find(address) != &peer) return;
  }
  peer.verified = true;
  const auto position = positions_.find(address);
  if (position != positions_.end()) {
    Resume(peer, position->second);
    positions_.erase(position);
  }
  if (hooks_.joined) hooks_.joined(address);
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
  if (was_verified) Suspend(address, *peer);
  peers_.erase(address);
  if (!was_verified || !silent) return;
  if (gone_.size() >= kMaxGone) gone_.clear();
  gone_[address] = Gone{name, Now(), Now()};
  if (hooks_.gone) hooks_.gone(address, name);
}

void PeerLinks::Tick() {
  if (closed_) return;
  const qint64 now = Now();
  Unstall(now);
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
    AnswerDue(address, *peer);
    if (!peer->verified) {
      // A copy that never said a word is greeted a few times, not for as
      // long as it is kept.
      // One that spoke is greeted only as much as it sent: a greeting
      // forged with another's address is not made into many to it.
      const bool spoke = peer->instance != 0;
      const bool room =
          spoke ? peer->greeting_room >= kGreetingGrace : peer->greetings < kGreetingsUnheard;
      if (now - peer->hello_ms >= kGreetAgainMs && room) {
        ++peer->greetings;
        SendHello(address, peer);
      }
      continue;
    }
    if (peer->suspect_ms >= 0 && now - peer->suspect_ms > kSuspectMs) {
      peer->suspect_ms = -1;
      peer->unanswered = true;
      const bool leaving = peer->leaving;
      if (hooks_.unanswered) hooks_.unanswered(address, peer->name);
      if (leaving) Left(address);  // it said goodbye, and meant it
      peer = Find(address);
      if (peer == nullptr) continue;
    } else if (peer->suspect_ms >= 0 && now - peer->probed_ms >= kSuspectProbeMs) {
      peer->probed_ms = now;
      SendHello(address, nullptr);
    }
    Resend(address, *peer, now);
    if (!PassGap(address, now)) continue;
    peer = Find(address);
    // A sign of life now and then; what is missing, told again often while
    // a gap is open, since nothing new may come to make it told.
    const qint64 report_ms = peer->gap_since >= 0 ? kGapReportMs : timing_.keep_alive_ms;
    if (now - peer->sent_ms >= report_ms) peer->ack_due = true;
    Pump(address);
  }
  Probe(now);
  SendAcks();
}

void PeerLinks::Unstall(qint64 now) {
  // After this copy was held up (a long drawing, a slow disk), what the
  // peers sent meanwhile still waits to be read: silence is counted
  // without the time this copy did not listen.
  const qint64 stall = last_tick_ms_ >= 0 ? now - last_tick_ms_ - kTickMs : 0;
  last_tick_ms_ = now;
  if (stall <= kStallMs) return;
  for (auto& entry : peers_) {
    entry.second.heard_ms += stall;
    if (entry.second.suspect_ms >= 0) entry.second.suspect_ms += stall;
  }
}

void PeerLinks::Probe(qint64 now) {
  // Often in the first minute (a cable, a restart), then now and then (a
  // computer asleep), for ten minutes; a listed copy is greeted after that
  // too, as the list asks (see the session's links).
  constexpr qint64 kSoonMs = 60'000;
  constexpr qint64 kLaterMs = 30'000;
  constexpr qint64 kGiveUpMs = 10 * 60'000;
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
