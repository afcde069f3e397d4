// The streams of copies that fell silent or left: kept, with the messages
// typed for them since, and taken up again when each is back, so that
// nothing it missed is lost and nothing it had goes twice.
#include <algorithm>

#include "net/link_wire.h"
#include "net/peer_links.h"

namespace kovra {
namespace {

// Copies whose streams are kept while they are away, and how long a new
// run of a copy is still sent the messages the old one missed.
constexpr std::size_t kMaxKeptStreams = 64;
constexpr qint64 kHoldMessagesMs = 24 * 3600'000;
constexpr std::size_t kMaxPositions = 256;

}  // namespace

void PeerLinks::Suspend(quint32 address, Peer& peer) {
  if (positions_.size() >= kMaxPositions) positions_.clear();
  Position& position = positions_[address];
  position = Position{peer.instance, peer.next_seq, peer.expected, {}, {}, Now(),
                      std::min(peer.missing_since, Now()), std::move(peer.taken), peer.heard_ms};
  // Numbered talk of the repair keeps its number, so that the stream has no
  // gap, and says nothing: the board is compared anew when the copy is back.
  static const std::string kNothing = link::kNothing + ":>";
  for (Outgoing& item : peer.unacked) {
    if (item.carry == Carry::kPassing) item.text = kNothing;
    position.unacked.push_back(std::move(item));
  }
  for (Outgoing& item : peer.waiting) {
    if (item.carry != Carry::kPassing) position.waiting.push_back(std::move(item));
  }
  // Streams are kept for so many copies; the one away longest gives way.
  std::vector<std::unordered_map<quint32, Position>::iterator> keeping;
  for (auto it = positions_.begin(); it != positions_.end(); ++it) {
    if (!it->second.unacked.empty() || !it->second.waiting.empty()) keeping.push_back(it);
  }
  if (keeping.size() <= kMaxKeptStreams) return;
  Position& oldest = std::min_element(keeping.begin(), keeping.end(), [](auto a, auto b) {
                       return a->second.since_ms < b->second.since_ms;
                     })->operator*().second;
  for (auto* queue : {&oldest.unacked, &oldest.waiting}) {
    for (const Outgoing& item : *queue) {
      if (item.carry == Carry::kLasting && !item.arrived) {
        oldest.missing_since = std::min(oldest.missing_since, item.queued_ms);
      }
    }
    queue->clear();
  }
}

void PeerLinks::Resume(Peer& peer, Position& position) {
  if (position.instance == peer.instance && peer.expected == 0 && peer.next_seq == 1) {
    // The same run of the copy: both streams go on where they stood, and
    // what it missed goes first, in its order, under its own numbers.
    peer.next_seq = position.next_seq;
    peer.expected = position.expected;
    peer.missing_since = position.missing_since;
    peer.taken = std::move(position.taken);
    peer.quiet = {position.heard_ms, Now()};
    peer.in_flight = 0;
    for (Outgoing& item : position.unacked) {
      item.sent_ms = -1;
      item.tries = 0;
      if (!item.arrived) ++peer.in_flight;
      peer.unacked.push_back(std::move(item));
    }
    for (Outgoing& item : position.waiting) peer.waiting.push_back(std::move(item));
    return;
  }
  // Another run there has a board of its own; the messages it has not had
  // are still its, first, within a day.
  if (Now() - position.since_ms >= kHoldMessagesMs) return;
  std::deque<Outgoing> messages;
  for (auto* queue : {&position.unacked, &position.waiting}) {
    for (Outgoing& item : *queue) {
      if (item.carry != Carry::kMessage || item.arrived) continue;
      item.sent_ms = -1;
      item.tries = 0;
      item.told = true;
      messages.push_back(std::move(item));
    }
  }
  for (auto it = messages.rbegin(); it != messages.rend(); ++it) {
    peer.waiting.push_front(std::move(*it));
  }
}

bool PeerLinks::Keep(quint32 address, std::string text) {
  const auto position = positions_.find(address);
  if (closed_ || Speaks(address) || position == positions_.end()) return false;
  Outgoing item;
  item.text = std::move(text);
  item.carry = Carry::kMessage;
  item.told = true;
  item.queued_ms = Now();
  std::deque<Outgoing>& waiting = position->second.waiting;
  waiting.push_back(std::move(item));
  if (waiting.size() > kMaxWaiting) waiting.pop_front();
  return true;
}

qint64 PeerLinks::TakenUntil(quint32 address) const {
  const Peer* peer = Find(address);
  if (peer == nullptr || !peer->verified) return MissingSince(address);
  qint64 until = std::min(Now(), peer->missing_since);
  for (const auto* queue : {&peer->unacked, &peer->waiting}) {
    for (const Outgoing& item : *queue) {
      if (item.carry == Carry::kLasting && !item.arrived) until = std::min(until, item.queued_ms);
    }
  }
  return until;
}

void PeerLinks::Shared(quint32 address) {
  if (Peer* peer = Find(address); peer != nullptr && peer->verified) peer->missing_since = kNever;
}

void PeerLinks::NoteTaken(TakenTimes& taken, const Outgoing& item) {
  if (item.carry != Carry::kLasting) return;
  taken.emplace_back(item.seq, item.queued_ms);
  if (taken.size() > kMaxTakenTimes) taken.pop_front();
}

PeerLinks::Quiet PeerLinks::LastQuiet(quint32 address) const {
  const Peer* peer = Find(address);
  return peer != nullptr ? peer->quiet : Quiet{};
}

quint32 PeerLinks::DeliveredFrom(quint32 address) const {
  const Peer* peer = Find(address);
  return peer != nullptr && peer->expected > 0 ? peer->expected - 1 : 0;
}

qint64 PeerLinks::TakenBefore(quint32 address, quint32 through) const {
  const Peer* peer = Find(address);
  if (peer == nullptr) return MissingSince(address);
  // When the last lasting command it had was queued: whatever this copy drew
  // after that was drawn after it was sent, and so is not had. (A step is
  // drawn before its command is queued, so the first command not had would
  // leave out the step it belongs to when the clock ticks in between.)
  qint64 last_had = kLongAgo;
  for (const auto& [seq, queued_ms] : peer->taken) {
    if (seq > through) break;
    last_had = queued_ms;
  }
  for (const Outgoing& item : peer->unacked) {
    if (item.carry == Carry::kLasting && item.seq <= through) {
      last_had = std::max(last_had, item.queued_ms);
    }
  }
  if (last_had != kLongAgo) return last_had;
  // None of it remembered: from the first it did not have.
  for (const auto& [seq, queued_ms] : peer->taken) {
    if (seq > through) return queued_ms;
  }
  for (const Outgoing& item : peer->unacked) {
    if (item.carry == Carry::kLasting && item.seq > through) return item.queued_ms;
  }
  // Not numbered yet: after everything numbered.
  for (const Outgoing& item : peer->waiting) {
    if (item.carry == Carry::kLasting) return item.queued_ms;
  }
  return Now();
}

qint64 PeerLinks::MissingSince(quint32 address) const {
  if (const Peer* peer = Find(address); peer != nullptr && peer->verified) {
    return peer->missing_since;
  }
  // Away: what waits for it is not on its board either.
  const auto position = positions_.find(address);
  if (position == positions_.end()) return kLongAgo;
  qint64 since = position->second.missing_since;
  for (const auto* queue : {&position->second.unacked, &position->second.waiting}) {
    for (const Outgoing& item : *queue) {
      if (item.carry == Carry::kLasting && !item.arrived) since = std::min(since, item.queued_ms);
    }
  }
  return since;
}

}  // namespace kovra
