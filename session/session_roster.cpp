#include "session/session_roster.h"

#include <algorithm>
#include <charconv>

#include "net/dotted_address.h"
#include "support/text.h"

namespace kovra {
namespace {

bool ReadWord(std::string_view& text, std::string_view& word) {
  text = TrimView(text);
  if (text.empty()) return false;
  const std::size_t end = std::min(text.find(' '), text.size());
  word = text.substr(0, end);
  text.remove_prefix(end);
  return true;
}

template <typename Number>
bool ReadNumber(std::string_view word, Number& value) {
  const char* end = word.data() + word.size();
  const auto [after, error] = std::from_chars(word.data(), end, value);
  return error == std::errc() && after == end;
}

}  // namespace

std::string SessionRoster::Announcement::Build() const {
  std::string text = std::to_string(id) + ' ' + std::to_string(generation);
  for (const Member& member : members) {
    text += ' ' + std::to_string(member.instance) + '@' + DottedAddressText(member.address);
  }
  return text;
}

std::optional<SessionRoster::Announcement> SessionRoster::Announcement::Parse(std::string_view args,
                                                                              quint32 sender) {
  Announcement announcement;
  std::string_view word;
  if (!ReadWord(args, word) || !ReadNumber(word, announcement.id)) return std::nullopt;
  if (!ReadWord(args, word) || !ReadNumber(word, announcement.generation)) return std::nullopt;
  while (ReadWord(args, word)) {
    const std::size_t at = word.find('@');
    Member member;
    const auto address = ParseDottedAddress(word.substr(std::min(at + 1, word.size())));
    if (at == std::string_view::npos || !ReadNumber(word.substr(0, at), member.instance) ||
        member.instance == 0 || !address || announcement.members.size() >= kMaxMembers) {
      return std::nullopt;
    }
    member.address = *address == 0 ? sender : *address;
    const bool twice =
        std::any_of(announcement.members.begin(), announcement.members.end(),
                    [&](const Member& other) { return other.instance == member.instance; });
    if (twice) return std::nullopt;
    announcement.members.push_back(member);
  }
  return announcement;
}

quint64 SessionRoster::NewId(qint64 wall_clock_ms, quint32 random) {
  return (static_cast<quint64>(std::max<qint64>(wall_clock_ms, 0)) << 16) | (random & 0xFFFFu);
}

quint64 SessionRoster::SuccessorId(quint64 id, quint32 successor) {
  // splitmix64: the same on every copy, and unlike any id a clock makes.
  quint64 mixed = id ^ (static_cast<quint64>(successor) * 0x9E3779B97F4A7C15ull);
  mixed = (mixed ^ (mixed >> 30)) * 0xBF58476D1CE4E5B9ull;
  mixed = (mixed ^ (mixed >> 27)) * 0x94D049BB133111EBull;
  return mixed ^ (mixed >> 31);
}

SessionRoster::SessionRoster(quint32 own_instance, quint64 id)
    : own_instance_(own_instance), id_(id), members_{{own_instance, 0}} {}

bool SessionRoster::Present(const Member& member) const {
  return std::any_of(peers_.begin(), peers_.end(),
                     [&](const auto& peer) { return peer.second.instance == member.instance; });
}

quint32 SessionRoster::InstanceAt(quint32 address) const {
  const auto found = peers_.find(address);
  return found == peers_.end() ? 0 : found->second.instance;
}

int SessionRoster::OwnIndex() const {
  for (std::size_t i = 0; i < members_.size(); ++i) {
    if (members_[i].instance == own_instance_) return static_cast<int>(i);
  }
  return -1;
}

quint32 SessionRoster::Leader() const {
  for (const Member& member : members_) {
    if (member.instance == own_instance_) return 0;
    for (const auto& [address, peer] : peers_) {
      if (peer.instance == member.instance) return address;
    }
  }
  return 0;
}

bool SessionRoster::AllPresent() const {
  return std::all_of(members_.begin(), members_.end(), [this](const Member& member) {
    return member.instance == own_instance_ || Present(member);
  });
}

void SessionRoster::Linked(quint32 address, quint32 instance, qint64 now) {
  Peer& peer = peers_[address];
  if (peer.instance != instance) peer = Peer{instance, std::nullopt, std::nullopt};
  Evaluate(now);
}

void SessionRoster::Unlinked(quint32 address, qint64 now) {
  if (peers_.erase(address) > 0) Evaluate(now);
}

void SessionRoster::Announced(quint32 address, const Announcement& announcement, qint64 now) {
  const auto peer = peers_.find(address);
  if (peer == peers_.end()) return;
  // A list without its sender is nobody's.
  const bool names_sender =
      std::any_of(announcement.members.begin(), announcement.members.end(),
                  [&](const Member& member) { return member.instance == peer->second.instance; });
  if (!names_sender) return;
  peer->second.said = announcement;
  Evaluate(now);
}

void SessionRoster::Found(quint64 id) { Adopt(id, 0, {}); }

void SessionRoster::TieDecided(quint32 address, bool peer_wins, qint64 now) {
  const auto peer = peers_.find(address);
  if (peer == peers_.end()) return;
  peer->second.wins_ties = peer_wins;
  Evaluate(now);
}

bool SessionRoster::WinsTie(quint64 id, quint64 best) const {
  // Only this session's leader gives it up, to a session whose leader it
  // settled it with; of two others that would each win, the smaller id.
  if (id == id_) return false;
  if (best != id_) return id < best && WinsTie(id, id_);
  if (Leader() != 0) return false;
  return std::any_of(peers_.begin(), peers_.end(), [&](const auto& entry) {
    const Peer& peer = entry.second;
    if (!peer.said || peer.said->id != id || peer.said->members.empty() ||
        peer.said->members.front().instance != peer.instance) {
      return false;
    }
    // The halves of a cut meet as they were: the session this copy led on
    // from, led by the same copy, goes on before the one it led since; a
    // session led on from this one gives way to it.
    if (id == led_on_from_.id && peer.instance == led_on_from_.leader) return true;
    if (id == SuccessorId(id_, peer.instance)) return false;
    return peer.wins_ties == true;
  });
}

bool SessionRoster::TakeChanged() { return std::exchange(changed_, false); }

void SessionRoster::Adopt(quint64 id, quint32 generation, const std::vector<Member>& members) {
  const std::vector<Member> before = members_;
  const quint64 id_before = id_;
  const quint32 generation_before = generation_;
  id_ = id;
  generation_ = generation;
  members_.clear();
  for (const Member& member : members) {
    members_.push_back(member.instance == own_instance_ ? Member{own_instance_, 0} : member);
  }
  // Until the leader lists it, a copy that came over stands last.
  if (OwnIndex() < 0) members_.push_back({own_instance_, 0});
  if (members_ != before || id_ != id_before || generation_ != generation_before) changed_ = true;
}

void SessionRoster::Evaluate(qint64 now) {
  for (auto it = forsaken_.begin(); it != forsaken_.end();) {
    it = now - it->second >= kForsakenMs ? forsaken_.erase(it) : std::next(it);
  }
  // Each move may make another possible; each also only ever goes to a
  // session that counts more, so a few rounds settle it.
  for (int round = 0; round < 4 && (Merge() || FollowSuccessor(now)); ++round) {
  }
  AdoptLeadersList();
  Lead(now);
}

bool SessionRoster::Merge() {
  std::map<quint64, int> weight{{id_, 1}};
  for (const auto& entry : peers_) {
    if (entry.second.said) ++weight[entry.second.said->id];
  }
  quint64 best = id_;
  for (const auto& [id, count] : weight) {
    if (forsaken_.count(id) > 0 || id == best) continue;
    if (count > weight[best] || (count == weight[best] && WinsTie(id, best))) best = id;
  }
  if (best == id_) return false;
  const Announcement* chosen = nullptr;
  for (const auto& entry : peers_) {
    const auto& said = entry.second.said;
    if (said && said->id == best && (chosen == nullptr || said->generation > chosen->generation)) {
      chosen = &*said;
    }
  }
  const Announcement copy = *chosen;
  Adopt(copy.id, copy.generation, copy.members);
  merged_ = true;
  return true;
}

bool SessionRoster::FollowSuccessor(qint64 now) {
  const auto leader = peers_.find(Leader());
  if (leader == peers_.end() || !leader->second.said) return false;
  const Announcement& said = *leader->second.said;
  const bool successor = said.id == SuccessorId(id_, leader->second.instance) &&
                         !said.members.empty() &&
                         said.members.front().instance == leader->second.instance;
  if (!successor) {
    if (said.id == id_ || forsaken_.count(said.id) > 0) return false;
    // The leader went over to another session, say on a tie, which only
    // leaders settle, or began one alone: its members go with it.
    const Announcement copy = said;
    Adopt(copy.id, copy.generation, copy.members);
    merged_ = true;
    return true;
  }
  forsaken_[id_] = now;
  const Announcement copy = said;
  Adopt(copy.id, copy.generation, copy.members);
  return true;
}

void SessionRoster::AdoptLeadersList() {
  const auto leader = peers_.find(Leader());
  if (leader == peers_.end() || !leader->second.said) return;
  const Announcement& said = *leader->second.said;
  if (said.id != id_ || said.generation <= generation_) return;
  const Announcement copy = said;
  Adopt(copy.id, copy.generation, copy.members);
}

void SessionRoster::Lead(qint64 now) {
  if (Leader() != 0) return;
  if (OwnIndex() > 0) {
    // Everyone before this copy fell silent: it leads on, under an id of
    // its own, with those still here in their order.
    forsaken_[id_] = now;
    led_on_from_ = {id_, members_.front().instance};
    std::vector<Member> staying;
    for (std::size_t i = static_cast<std::size_t>(OwnIndex()); i < members_.size(); ++i) {
      if (i == static_cast<std::size_t>(OwnIndex()) || Present(members_[i])) {
        staying.push_back(members_[i]);
      }
    }
    Adopt(SuccessorId(id_, own_instance_), 0, staying);
  }
  std::vector<Member> members;
  for (const Member& member : members_) {
    if (member.instance == own_instance_ || Present(member)) members.push_back(member);
  }
  for (const auto& [address, peer] : peers_) {
    const quint32 instance = peer.instance;
    const bool listed =
        std::any_of(members.begin(), members.end(),
                    [instance](const Member& member) { return member.instance == instance; });
    if (!listed && peer.said && peer.said->id == id_ && members.size() < kMaxMembers) {
      members.push_back({instance, address});
    }
  }
  if (members != members_) Adopt(id_, generation_ + 1, members);
}

}  // namespace kovra
