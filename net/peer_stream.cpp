// The ordered stream of each peer: numbering, sending within the window,
// acknowledging, sending again what went missing, and handing on in order.
#include <algorithm>

#include "net/link_wire.h"
#include "net/peer_links.h"

namespace kovra {
namespace {

// Resent at most so many a tick to one peer.
constexpr int kResendBudget = 32;
// Resent at most so many for one acknowledgement that names missing ones.
constexpr int kResendPerAck = 8;
// Commands received in order are acknowledged after so many, or so long.
constexpr int kAckEvery = 16;
constexpr qint64 kAckDelayMs = 10;

}  // namespace

bool PeerLinks::Send(quint32 address, std::string text, Carry carry) {
  Peer* peer = Find(address);
  if (closed_ || peer == nullptr || !peer->verified) return false;
  if (carry == Carry::kPassing && !RoomToPass(*peer, text)) return false;
  if (peer->unacked.size() + peer->waiting.size() >= kMaxWaiting) {
    if (peer->waiting.empty()) return true;  // nothing to make room with: this one is lost
    // The oldest waiting goes: the board is repaired later, a message is told of.
    Outgoing dropped = std::move(peer->waiting.front());
    peer->waiting.pop_front();
    if (dropped.carry == Carry::kLasting) {
      peer->missing_since = std::min(peer->missing_since, dropped.queued_ms);
    }
    Lost(address, dropped);
    peer = Find(address);
    if (peer == nullptr) return false;
  }
  Outgoing item;
  item.text = std::move(text);
  item.carry = carry;
  item.queued_ms = Now();
  peer->waiting.push_back(std::move(item));
  Pump(address);
  return true;
}

bool PeerLinks::RoomToPass(const Peer& peer, const std::string& text) {
  // The repair's talk answers what a peer asks: asked again before the
  // answer arrived, it is not queued twice (it is sent again until it
  // does), and what waits for one peer is bounded, however often it asks.
  // It is asked for anew when lost.
  std::size_t bytes = text.size();
  for (const auto* queue : {&peer.unacked, &peer.waiting}) {
    for (const Outgoing& item : *queue) {
      if (item.carry != Carry::kPassing) continue;
      if (!item.arrived && item.text == text) return false;
      bytes += item.text.size();
    }
  }
  return bytes <= kMaxPassingBytes;
}

std::size_t PeerLinks::Waiting(quint32 address) const {
  const Peer* peer = Find(address);
  return peer == nullptr ? 0 : peer->unacked.size() + peer->waiting.size();
}

void PeerLinks::Lost(quint32 address, Outgoing& item) {
  if (item.carry != Carry::kMessage || item.told || item.arrived) return;
  item.told = true;
  if (hooks_.undelivered) hooks_.undelivered(address, item.text);
}

void PeerLinks::Pump(quint32 address) {
  bool asked_for_more = false;
  for (;;) {
    Peer* peer = Find(address);
    if (closed_ || peer == nullptr || !peer->verified) return;
    const bool room = peer->in_flight < static_cast<std::size_t>(peer->window) && peer->credit > 0;
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
  data.your = peer.theirs;
  data.seq = item.seq;
  data.first = peer.unacked.front().seq;
  data.inner = item.text;
  item.sent_ms = Now();
  ++item.tries;
  peer.sent_ms = item.sent_ms;
  const std::string bytes = data.Datagram();
  peer.credit -= qint64(bytes.size());
  item.spent += qint64(bytes.size());
  if (!hooks_.send(address, bytes)) Shrink(peer, 0.5);
}

void PeerLinks::Shrink(Peer& peer, double factor) {
  const qint64 now = Now();
  if (peer.shrunk_ms >= 0 && now - peer.shrunk_ms < std::max<qint64>(peer.rtt_ms, 20)) return;
  peer.shrunk_ms = now;
  peer.window = std::max(4.0, peer.window * factor);
}

PeerLinks::Peer* PeerLinks::Knowing(quint32 address, quint32 instance, quint64 your,
                                    std::size_t size) {
  Peer* peer = Find(address);
  if (peer == nullptr || your != peer->ticket || instance != peer->instance) {
    Mend(address, your);
    return nullptr;
  }
  Earn(*peer, size);
  Verified(address, *peer);
  peer = Find(address);
  return peer != nullptr && peer->verified ? peer : nullptr;
}

void PeerLinks::ReceivedData(quint32 address, quint16 port, std::string_view args) {
  if (!closed_) OnData(address, port, args);
}

void PeerLinks::OnData(quint32 address, quint16 port, std::string_view args) {
  const auto data = link::Data::Parse(args);
  if (!data) return;
  Peer* peer = Knowing(address, data->instance, data->your, args.size());
  if (peer == nullptr) return;
  // Its commands are drawn as one sender's, whatever port a datagram
  // claims: one host cannot become thousands of senders.
  if (peer->port == 0) peer->port = port;
  peer->ack_due = true;
  // A stream starts where its sender still waits, and goes on from there
  // whenever the sender no longer waits for what is missing.
  bool passed_over = false;
  if (peer->expected == 0 || data->first > peer->expected) {
    // Nothing before first will come: the sender has it acknowledged or
    // has given it up (it forgot what this copy had not confirmed when it
    // took this copy for a new one). Waiting for it would hold up the rest.
    passed_over = peer->expected != 0;
    peer->expected = data->first;
    peer->ahead.erase(peer->ahead.begin(), peer->ahead.lower_bound(data->first));
    peer->gap_since = -1;
  }
  // In order, acknowledged a little later with what follows; a gap or a
  // repeat at once, so that the sender mends it soon.
  const bool in_order = data->seq == peer->expected && peer->ahead.empty();
  if (data->seq >= peer->expected) peer->useful_ms = Now();
  ScheduleAck(in_order && ++peer->unreported < kAckEvery);
  if (passed_over && hooks_.skipped) {
    hooks_.skipped(address);  // the board is repaired
    peer = Find(address);
    if (peer == nullptr) return;
  }
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
    ack.your = peer.theirs;
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
    hooks_.send(address, link::Datagram(link::kAck, ack.Build()));
  }
}

void PeerLinks::SampleRoundTrip(Peer& peer, quint32 known, qint64 now) {
  // The round trip is measured on the newest datagram this acknowledgement
  // is the first to report, sent once: one held behind a gap says nothing.
  // The numbers kept follow each other, so the one reported is found at once.
  if (peer.unacked.empty() || known < peer.unacked.front().seq) return;
  const std::size_t newest = known - peer.unacked.front().seq;
  if (newest >= peer.unacked.size()) return;
  const Outgoing& item = peer.unacked[newest];
  if (item.tries != 1 || item.arrived || item.sent_ms < 0) return;
  // Quick to fall, slow to rise: a report put off behind a gap shows as
  // one long sample now and then.
  const qint64 sample = now - item.sent_ms;
  peer.rtt_ms =
      peer.rtt_ms < 0 || sample < peer.rtt_ms ? sample : peer.rtt_ms + (sample - peer.rtt_ms) / 16;
}

void PeerLinks::OnAck(quint32 address, std::string_view args) {
  const auto ack = link::Ack::Parse(args);
  if (!ack) return;
  Peer* peer = Knowing(address, ack->instance, ack->your, args.size());
  if (peer == nullptr) return;
  const qint64 now = Now();
  SampleRoundTrip(*peer, ack->known, now);
  int acked = 0;
  // What arrived earns back twice what it cost, sent again or not: the flow
  // grows as fast as it is acknowledged, and no faster. A message told of
  // as lost that arrived after all is told of once more.
  std::vector<std::string> late;
  auto arrived = [&late, peer](Outgoing& item) {
    if (item.arrived) return;
    item.arrived = true;
    --peer->in_flight;
    peer->credit = std::min(kMaxCredit, peer->credit + 2 * item.spent);
    if (item.carry != Carry::kMessage || !item.told) return;
    item.told = false;
    late.push_back(item.text);
  };
  while (!peer->unacked.empty() && peer->unacked.front().seq <= ack->through) {
    arrived(peer->unacked.front());
    NoteTaken(peer->taken, peer->unacked.front());
    peer->unacked.pop_front();
    ++acked;
  }
  if (acked > 0) peer->useful_ms = now;
  // Everything sent has arrived: the peer has shown it takes what it asks for.
  if (peer->unacked.empty()) peer->credit = std::max(peer->credit, kFreshCredit);
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
    if (!missing) arrived(item);
    if (!missing || budget == 0 || peer->credit <= 0 ||
        (item.sent_ms >= 0 && now - item.sent_ms < pause)) {
      continue;
    }
    Transmit(address, *peer, item);
    --budget;
  }
  Pump(address);
  for (const std::string& text : late) {
    if (hooks_.delivered) hooks_.delivered(address, text);
  }
}

void PeerLinks::Resend(quint32 address, Peer& peer, qint64 now) {
  const qint64 rto = peer.rtt_ms < 0 ? 200 : std::clamp<qint64>(3 * peer.rtt_ms + 30, 80, 1000);
  int budget = kResendBudget;
  for (Outgoing& item : peer.unacked) {
    // Never longer than a second, so that a receiver hears again well
    // before it gives a gap up.
    const qint64 backoff = std::min<qint64>(rto << std::clamp(item.tries - 1, 0, 2), 1000);
    if (!item.arrived && budget > 0 && peer.credit > 0 &&
        (item.sent_ms < 0 || now - item.sent_ms >= backoff)) {
      Transmit(address, peer, item);
      --budget;
    }
    if (now - item.queued_ms > timing_.undelivered_ms) Lost(address, item);
  }
  for (Outgoing& item : peer.waiting) {
    if (now - item.queued_ms > timing_.undelivered_ms) Lost(address, item);
  }
}

bool PeerLinks::PassGap(quint32 address, qint64 now) {
  Peer* peer = Find(address);
  if (peer == nullptr) return false;
  if (peer->ahead.empty()) peer->gap_since = -1;  // the sender moved past it
  if (peer->gap_since < 0 || now - peer->gap_since <= timing_.gap_ms || peer->delivering) {
    return true;
  }
  // What is missing will not come: go on after it, and have the board repaired.
  peer->expected = peer->ahead.begin()->first;
  peer->gap_since = -1;
  Deliver(address);
  if (hooks_.skipped) hooks_.skipped(address);
  return Find(address) != nullptr;
}

}  // namespace kovra
