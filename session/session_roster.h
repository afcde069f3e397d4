// Which copy's board is the session's, decided by a rule that every copy
// evaluates to the same answer from the same facts. A session is a list of
// copies in the order they joined it; its leader, whose board is the
// session's, is the first of them that is present. Only the leader adds to
// the list, and only at its end, so nothing a copy announces about itself
// puts it ahead of those already there. Two sessions that meet become the
// one with more members present; between as many, their leaders settle it
// (see TieDecided), never what either says of its session, except that
// the two halves of a cut meet as they were before it; a
// leader that falls silent is followed by the next present member, which
// goes on under an id derived from the old one and itself, so that half of
// a session cut apart is a session of its own when the halves meet again.
#pragma once

#include <QtGlobal>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kovra {

// In the delivery extension's ordered stream: the sender's session.
inline const std::string kSessionCommand = "KvSession";

class SessionRoster {
 public:
  // A copy of the session: its instance, and its address as this copy
  // knows it (0 for this copy itself).
  struct Member {
    quint32 instance = 0;
    quint32 address = 0;
    bool operator==(const Member& other) const {
      return instance == other.instance && address == other.address;
    }
  };
  // What a copy tells the copies it speaks with: the session's id, how
  // often its leader changed the list, and the list.
  struct Announcement {
    quint64 id = 0;
    quint32 generation = 0;
    std::vector<Member> members;
    // "id generation instance@address ...", the sender's own address as 0.0.0.0.
    std::string Build() const;
    // Read from sender at address, whose own entry gets that address.
    static std::optional<Announcement> Parse(std::string_view args, quint32 sender);
  };

  // Members listed at most: their announcement fits one datagram.
  static constexpr std::size_t kMaxMembers = 40;
  // After following on from a silent leader, the session left behind is
  // not gone back to for so long: its other members follow within a round trip.
  static constexpr qint64 kForsakenMs = 3000;

  // An id for a session founded now: older sessions have smaller ids
  // wherever the clocks agree, and any two ids order the same everywhere.
  static quint64 NewId(qint64 wall_clock_ms, quint32 random);
  // The id of the session that successor leads on from the session id.
  static quint64 SuccessorId(quint64 id, quint32 successor);

  SessionRoster(quint32 own_instance, quint64 id);

  quint64 Id() const { return id_; }
  const std::vector<Member>& Members() const { return members_; }
  // The address of the leader; 0 when it is this copy.
  quint32 Leader() const;
  // Whether every member listed speaks the extension with this copy.
  bool AllPresent() const;
  Announcement Current() const { return {id_, generation_, members_}; }

  // The facts, with the time on this copy's clock.
  void Linked(quint32 address, quint32 instance, qint64 now);
  // address fell silent, nobody listens there, or it said goodbye.
  void Unlinked(quint32 address, qint64 now);
  void Announced(quint32 address, const Announcement& announcement, qint64 now);
  // Time passed: a session left behind may be gone back to now.
  void Tick(qint64 now) { Evaluate(now); }
  // This copy alone in a session of its own, say when every other copy fell silent.
  void Found(quint64 id);
  // Between the session this copy leads and the one the copy at address
  // leads, as many present in each, the other's goes on when peer_wins.
  // Both leaders are told the same; the members follow theirs.
  void TieDecided(quint32 address, bool peer_wins, qint64 now);

  // Whether what this copy announces changed since the last call.
  bool TakeChanged();
  // Whether this copy went over to another session since the last call.
  bool TakeMerged() { return std::exchange(merged_, false); }
  // The instance of a linked peer, 0 for none.
  quint32 InstanceAt(quint32 address) const;

 private:
  struct Peer {
    quint32 instance = 0;
    std::optional<Announcement> said;
    std::optional<bool> wins_ties;  // see TieDecided
  };
  // Whether session id goes on rather than best, as many present in each.
  bool WinsTie(quint64 id, quint64 best) const;
  bool Present(const Member& member) const;
  int OwnIndex() const;
  void Evaluate(qint64 now);
  // Another session, met through the peers, that this copy goes over to.
  bool Merge();
  bool FollowSuccessor(qint64 now);
  void AdoptLeadersList();
  void Lead(qint64 now);
  void Adopt(quint64 id, quint32 generation, const std::vector<Member>& members);

  quint32 own_instance_;
  quint64 id_;
  quint32 generation_ = 0;
  std::vector<Member> members_;
  std::map<quint32, Peer> peers_;       // by address: the linked peers
  std::map<quint64, qint64> forsaken_;  // ids left after a silent leader, and when
  // The session this copy last led on from, and the leader that fell silent.
  struct LedOnFrom {
    quint64 id = 0;
    quint32 leader = 0;
  };
  LedOnFrom led_on_from_;
  bool changed_ = true;
  bool merged_ = false;
};

}  // namespace kovra
