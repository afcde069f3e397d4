// The greeting: the tickets this copy tells each address, the answers it
// gives and when, and how a greeting makes, or does not make, a link.
#include <QMessageAuthenticationCode>
#include <QtEndian>

#include "net/link_wire.h"
#include "net/peer_links.h"

namespace kovra {
namespace {

constexpr std::size_t kMaxContacted = 1024;
constexpr std::size_t kMaxNameSize = 64;
// Copies introduced by others first greeted in one second.
constexpr int kMaxIntroducedPerSecond = 16;
// What a datagram from a peer earns it in bytes sent, for each of its bytes.
constexpr qint64 kEarnPerByte = 4;
// A peer's answers are repeated at most this often.
constexpr qint64 kHelloPauseMs = 250;

}  // namespace

quint64 PeerLinks::TicketFor(quint32 address) const {
  uchar key[4];
  qToBigEndian(address, key);
  const QByteArray mac =
      QMessageAuthenticationCode::hash(QByteArray(reinterpret_cast<const char*>(key), sizeof key),
                                       secret_, QCryptographicHash::Sha256);
  const quint64 ticket = qFromBigEndian<quint64>(mac.constData());
  return ticket != 0 ? ticket : 1;
}

void PeerLinks::Announce(quint32 address) {
  if (closed_) return;
  SendHello(address, Find(address));
}

void PeerLinks::SendHello(quint32 address, Peer* peer, quint64 your) {
  link::Hello hello;
  hello.instance = instance_;
  hello.your = your;
  hello.joined_ago = joined_.elapsed();
  hello.changed_ago = changed_.isValid() ? changed_.elapsed() : -1;
  hello.ticket = peer != nullptr ? peer->ticket : TicketFor(address);
  hello.name = computer_name_;
  const std::string bytes = link::Datagram(link::kHello, hello.Build());
  if (peer != nullptr) {
    if (your == peer->answer_your) peer->answer_due = false;
    peer->hello_ms = peer->sent_ms = Now();
    peer->greeting_room -= qint64(bytes.size());
  }
  hooks_.send(address, bytes);
}

void PeerLinks::Heard(quint32 address) {
  // Whether a peer is alive is told by what carries its ticket (see
  // Verified), not by any datagram that bears its address; a copy that
  // fell silent is greeted, to learn whether it is back.
  const auto gone = gone_.find(address);
  if (gone == gone_.end() || closed_ || Find(address) != nullptr ||
      Now() - gone->second.probed_ms < kHelloPauseMs) {
    return;
  }
  gone->second.probed_ms = Now();
  SendHello(address, nullptr);
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

void PeerLinks::Introduce(quint32 address) {
  if (closed_ || Find(address) != nullptr) return;
  const qint64 second = Now() / 1000;
  if (second != introduced_second_) {
    introduced_second_ = second;
    introduced_ = 0;
  }
  if (introduced_ >= kMaxIntroducedPerSecond) return;  // named again later, greeted then
  ++introduced_;
  Peer* peer = Follow(address);
  if (peer != nullptr) SendHello(address, peer);
}

void PeerLinks::Answer(quint32 address, Peer* peer, quint64 your) {
  if (peer != nullptr && peer->hello_ms >= 0 && Now() - peer->hello_ms < kHelloPauseMs) {
    // Two copies that greet each other at once would each hold back the
    // answer that echoes the other's ticket.
    peer->answer_due = true;
    peer->answer_your = your;
    return;
  }
  SendHello(address, peer, your);
}

void PeerLinks::AnswerDue(quint32 address, Peer& peer) {
  if (peer.answer_due && Now() - peer.hello_ms >= kHelloPauseMs) {
    SendHello(address, &peer, peer.answer_your);
  }
}

void PeerLinks::Earn(Peer& peer, std::size_t size) {
  peer.credit = std::min(kMaxCredit, peer.credit + kEarnPerByte * qint64(size));
}

void PeerLinks::OnHello(quint32 address, std::string_view args) {
  const auto hello = link::Hello::Parse(args);
  // This copy's own announcement, back from a broadcast address; or an
  // earlier version's, which has no ticket and gets plain commands only.
  if (!hello || hello->instance == instance_ || hello->version < 2) return;
  Peer* peer = Find(address);
  // It echoes what this copy told that address alone: the greeting comes
  // from there, and may start the link anew.
  const bool proven = hello->your == (peer != nullptr ? peer->ticket : TicketFor(address));
  if (peer != nullptr) peer->greeting_room += qint64(args.size());
  if (peer != nullptr && peer->verified && !proven) {
    // Anybody may write this address on a datagram: the copy there is
    // asked, and what it answers counts.
    Answer(address, peer, hello->ticket);
    return;
  }
  if (peer == nullptr) {
    peer = Follow(address);
    if (peer == nullptr) return;
    peer->greeting_room = qint64(args.size()) + kGreetingGrace;
  }
  if (proven) Earn(*peer, args.size());
  const bool fresh = peer->instance != hello->instance || peer->theirs != hello->ticket;
  if (peer->instance != hello->instance && (proven || !peer->verified)) {
    NewInstance(*peer, hello->instance);
  }
  peer->theirs = hello->ticket;
  peer->name = hello->name.substr(0, kMaxNameSize);
  peer->heard_ms = Now();
  // Answered when the peer has yet to learn this copy or has just been
  // learned; never more often than kHelloPauseMs, whatever arrives.
  if (!proven || fresh) Answer(address, peer, peer->theirs);
  if (proven) Verified(address, *peer);
}

void PeerLinks::Mend(quint32 address, quint64 your) {
  // Either side lost track of the other: a greeting, now and then, mends
  // it. A host that does not know this copy's ticket is a stranger, and
  // greeted as one.
  Peer* peer = Find(address);
  if (peer == nullptr && your == TicketFor(address)) peer = Follow(address);
  if (peer == nullptr) {
    Contact(address);
  } else {
    Answer(address, peer, peer->theirs);
  }
}

}  // namespace kovra
