#include "session/session_course.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QRandomGenerator>
#include <QTimer>
#include <algorithm>

#include "board/board_history.h"

namespace kovra {

SessionCourse::SessionCourse(PeerLinks& links, BoardHistory& history, Hooks hooks)
    : links_(links),
      history_(history),
      hooks_(std::move(hooks)),
      roster_(links.Instance(), NewSessionId()) {}

quint64 SessionCourse::NewSessionId() {
  return SessionRoster::NewId(QDateTime::currentMSecsSinceEpoch(),
                              QRandomGenerator::global()->generate());
}

void SessionCourse::Linked(quint32 address) {
  const qint64 now = links_.Clock();
  const quint32 instance = links_.InstanceOf(address);
  if (met_.size() >= kMaxMet) ForgetMet();
  met_[instance].linked_at = now;
  OfferTie(address, instance);
  const Tie& tie = ties_[address];
  Apply([&] {
    roster_.Linked(address, instance, now);
    // Settled once for the two instances: a link made again keeps it.
    if (tie.settled) roster_.TieDecided(address, tie.peer_wins, now);
  });
}

QByteArray SessionCourse::Commitment(const QByteArray& nonce) {
  return QCryptographicHash::hash(nonce, QCryptographicHash::Sha256);
}

void SessionCourse::OfferTie(quint32 address, quint32 instance) {
  if (ties_.size() >= PeerLinks::kMaxPeers * 2) {
    // Only those linked now are settled with again: the others are gone.
    const std::vector<quint32> present = links_.Present();
    for (auto it = ties_.begin(); it != ties_.end();) {
      const bool here = std::find(present.begin(), present.end(), it->first) != present.end();
      it = here || it->first == address ? std::next(it) : ties_.erase(it);
    }
  }
  Tie& tie = ties_[address];
  if (tie.instance != instance) {
    tie = Tie{};
    tie.instance = instance;
    tie.nonce.resize(16);
    QRandomGenerator::system()->generate(tie.nonce.begin(), tie.nonce.end());
    tie.drawn = hooks_.drawn && hooks_.drawn();
  }
  // Told again at each link until settled: the stream may have dropped it.
  if (tie.settled) return;
  links_.Send(address,
              kTieCommand + ":>c " + Commitment(tie.nonce).toHex().toStdString() +
                  (tie.drawn ? " 1" : " 0"),
              PeerLinks::Carry::kPassing);
}

void SessionCourse::TieSaid(quint32 address, std::string_view args) {
  const quint32 instance = links_.InstanceOf(address);
  if (instance == 0) return;
  // The peer's word may come before this copy's own offer went out.
  const auto known = ties_.find(address);
  if (known == ties_.end() || known->second.instance != instance) OfferTie(address, instance);
  Tie& ours = ties_[address];
  const QByteArray text = QByteArray(args.data(), qsizetype(args.size()));
  const QList<QByteArray> words = text.split(' ');
  if (words.size() == 3 && words[0] == "c" && (words[2] == "0" || words[2] == "1")) {
    const QByteArray commit = QByteArray::fromHex(words[1]);
    if (commit.size() != 32) return;
    // The first binds: a peer that learned this copy's nonce cannot change its own.
    if (ours.their_commit.isEmpty()) {
      ours.their_commit = commit;
      ours.their_drawn = words[2] == "1";
    }
    links_.Send(address, kTieCommand + ":>r " + ours.nonce.toHex().toStdString(),
                PeerLinks::Carry::kPassing);
    return;
  }
  if (words.size() != 2 || words[0] != "r" || ours.settled || ours.their_commit.isEmpty()) return;
  const QByteArray nonce = QByteArray::fromHex(words[1]);
  if (nonce.size() != ours.nonce.size() || Commitment(nonce) != ours.their_commit) return;
  ours.settled = true;
  ours.peer_wins = PeerWinsTie(ours, nonce);
  Apply([&] { roster_.TieDecided(address, ours.peer_wins, links_.Clock()); });
}

bool SessionCourse::PeerWinsTie(const Tie& tie, const QByteArray& their_nonce) const {
  if (tie.drawn != tie.their_drawn) return tie.their_drawn;
  const bool peer_first = tie.instance < links_.Instance();
  const QByteArray coin = QCryptographicHash::hash(
      peer_first ? their_nonce + tie.nonce : tie.nonce + their_nonce, QCryptographicHash::Sha256);
  // Heads, the copy of the smaller instance goes on.
  const bool heads = (static_cast<uchar>(coin.at(0)) & 1) == 0;
  return heads == peer_first;
}

void SessionCourse::Left(quint32 address) {
  if (roster_.InstanceAt(address) == 0) return;
  Apply([&] {
    roster_.Unlinked(address, links_.Clock());
    // Alone: a session of its own, as old as the moment it began.
    if (links_.Alone()) roster_.Found(NewSessionId());
  });
}

void SessionCourse::Announced(quint32 address, const SessionRoster::Announcement& announcement) {
  Apply([&] { roster_.Announced(address, announcement, links_.Clock()); });
}

void SessionCourse::Tick() {
  Apply([&] { roster_.Tick(links_.Clock()); });
}

void SessionCourse::Wiping() {
  for (const quint32 address : links_.Present()) {
    links_.Send(address, kSeenCommand + ":>" + std::to_string(links_.DeliveredFrom(address)));
  }
}

void SessionCourse::Seen(quint32 address, quint32 through) {
  if (seen_.size() >= PeerLinks::kMaxPeers) seen_.clear();
  seen_[address] = through;
}

void SessionCourse::Wiped(quint32 address) {
  // By what the wiper said it had; a copy that says nothing, by what it
  // has acknowledged so far. What it says counts once in a while: said
  // again and again, it would have every step sent to everybody each time.
  const qint64 now = links_.Clock();
  const auto seen = seen_.find(address);
  const auto heeded_at = seen_heeded_.find(address);
  const bool heeded = seen != seen_.end() && (heeded_at == seen_heeded_.end() ||
                                              now - heeded_at->second >= kSeenPauseMs);
  qint64 from = heeded ? links_.TakenBefore(address, seen->second) : links_.TakenUntil(address);
  if (seen != seen_.end()) seen_.erase(seen);
  if (heeded) {
    if (seen_heeded_.size() >= PeerLinks::kMaxPeers) seen_heeded_.clear();
    seen_heeded_[address] = now;
  }
  // The owner's board is the one everybody's is brought to: when the wiper
  // was silent until a moment ago, the wipe may have been made before that
  // silence, and nobody's step drawn here since was seen by its user.
  const PeerLinks::Quiet quiet = links_.LastQuiet(address);
  const bool late = roster_.Leader() == 0 && quiet.ended >= 0 &&
                    links_.Clock() - quiet.ended < kLateWipeMs;
  if (late) from = std::min(from, quiet.began);
  if (!hooks_.redraw) return;
  // A copy that never had this copy's board through a session: nothing is known.
  if (from != PeerLinks::kLongAgo) {
    BoardHistory::OwnSteps steps = late ? history_.StepsDrawnSince(from)
                                        : history_.OwnStepsBetween(from, links_.Clock() + 1);
    if (!steps.steps.empty()) hooks_.redraw(steps.steps, address, true);
  }
  // A wipe is ordered with nobody else's stream: it may reach the owner
  // after what was drawn again here, or drawn on after it came. Once it
  // had time to, every step drawn here since it came is drawn once more.
  const qint64 came = links_.Clock();
  QTimer::singleShot(kWipeOnTheWayMs, &context_, [this, came, address] {
    if (roster_.Leader() == 0) return;  // this board is the one the others follow
    const BoardHistory::OwnSteps since = history_.OwnStepsBetween(came, links_.Clock() + 1);
    if (!since.steps.empty()) hooks_.redraw(since.steps, address, false);
  });
}

void SessionCourse::Announce(quint32 address) {
  links_.Send(address, kSessionCommand + ":>" + roster_.Current().Build(),
              PeerLinks::Carry::kPassing);
}

template <typename Fact>
void SessionCourse::Apply(Fact&& fact) {
  const quint32 leader_before = roster_.Leader();
  const quint32 leader_instance_before = roster_.InstanceAt(leader_before);
  const std::vector<SessionRoster::Member> members_before = roster_.Members();
  fact();
  roster_.TakeMerged();
  if (roster_.TakeChanged()) {
    for (const quint32 address : links_.Present()) Announce(address);
  }
  const quint32 leader = roster_.Leader();
  const bool new_owner =
      leader != leader_before || roster_.InstanceAt(leader) != leader_instance_before;
  if (new_owner) {
    FollowOwner(leader);
    if (hooks_.owner_changed) hooks_.owner_changed();
  }
  Shared();
  Replay();
  // The owner greets copies that joined the session it leads.
  if (new_owner || leader != 0 || !hooks_.joined) return;
  for (const SessionRoster::Member& member : roster_.Members()) {
    const bool joined = std::none_of(
        members_before.begin(), members_before.end(),
        [&](const SessionRoster::Member& old) { return old.instance == member.instance; });
    if (joined && member.address != 0) hooks_.joined(member.address);
  }
}

void SessionCourse::FollowOwner(quint32 leader) {
  if (leader == 0) return;  // this board is the session's
  const Met& met = met_[roster_.InstanceAt(leader)];
  const qint64 from = std::max(links_.MissingSince(leader), met.had_until);
  const qint64 to = met.linked_at;
  if (from >= to) return;
  // A copy never met before had none of this board: everything is drawn
  // again for it, and kept before its board replaces this one. A host that
  // comes back as ever new copies, the last one gone, gets that once a
  // minute, not each time; the steps wait for the minute to end.
  const qint64 now = links_.Clock();
  const bool stranger = from == PeerLinks::kLongAgo;
  const bool again = stranger && last_stranger_.at != PeerLinks::kLongAgo &&
                     now - last_stranger_.at < kStrangerPauseMs &&
                     !InstanceLinked(last_stranger_.instance);
  if (stranger && !again) last_stranger_ = {now, roster_.InstanceAt(leader)};
  // What cannot be drawn again is kept before the session's board replaces it.
  if (!again && !history_.OwnStepsBetween(from, to).whole && hooks_.unshared) hooks_.unshared();
  const bool waiting = replay_since_.isValid();
  replay_from_ = waiting ? std::min(replay_from_, from) : from;
  replay_to_ = waiting ? std::max(replay_to_, to) : to;
  if (again) {
    replay_not_before_ = std::max(replay_not_before_, last_stranger_.at + kStrangerPauseMs);
  }
  replay_since_.start();
}

bool SessionCourse::InstanceLinked(quint32 instance) const {
  const std::vector<quint32> present = links_.Present();
  return std::any_of(present.begin(), present.end(),
                     [&](quint32 address) { return roster_.InstanceAt(address) == instance; });
}

void SessionCourse::Shared() {
  // The copies of the session have its board, and with it every step of
  // this copy's that its owner had, or take those drawn again from now on;
  // so has a copy that hears this one only through the owner. A copy that
  // spoke with this one and fell silent has none of it since: what it
  // lacks is counted from when it went (PeerLinks::MissingSince).
  // A member of the session this copy leads holds only what it took of
  // it: cut off with commands still on their way, it may lead a half of its
  // own whose board lacks them.
  const quint32 leader = roster_.Leader();
  for (const SessionRoster::Member& member : roster_.Members()) {
    if (member.address == 0 || links_.Away(member.address)) continue;
    if (met_.size() >= kMaxMet) ForgetMet();
    qint64& had_until = met_[member.instance].had_until;
    had_until = std::max(had_until, links_.TakenUntil(leader == 0 ? member.address : leader));
    links_.Shared(member.address);
  }
}

void SessionCourse::Replay() {
  if (!replay_since_.isValid()) return;
  const quint32 leader = roster_.Leader();
  // Drawn when every copy of the session is there to take it, or after a
  // moment at the most: a copy that is not yet would lose it to the repair.
  if (leader != 0 && !roster_.AllPresent() && !replay_since_.hasExpired(kSettleMs)) return;
  if (leader != 0 && hooks_.busy && hooks_.busy()) return;  // looked at again at the next tick
  if (leader != 0 && links_.Clock() < replay_not_before_) return;
  replay_since_.invalidate();
  replay_not_before_ = PeerLinks::kLongAgo;
  if (leader == 0 || !hooks_.redraw) return;  // this board is the session's after all
  BoardHistory::OwnSteps own = history_.OwnStepsBetween(replay_from_, replay_to_);
  if (!own.steps.empty()) hooks_.redraw(own.steps, 0, true);
}

void SessionCourse::ForgetMet() {
  // Only copies of the session now are worth remembering.
  for (auto it = met_.begin(); it != met_.end();) {
    const bool member =
        std::any_of(roster_.Members().begin(), roster_.Members().end(),
                    [&](const SessionRoster::Member& m) { return m.instance == it->first; });
    it = member ? std::next(it) : met_.erase(it);
  }
}

}  // namespace kovra
