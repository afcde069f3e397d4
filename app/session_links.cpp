#include "app/session_links.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QTimer>
#include <cstring>

#include "app/board_sending.h"
#include "app/board_undo.h"
#include "app/chat_pane.h"
#include "app/routed_dialogs.h"
#include "net/correspondents.h"
#include "net/dotted_address.h"
#include "net/fan_out.h"
#include "net/link_wire.h"
#include "net/local_networks.h"
#include "net/presence.h"
#include "net/udp_endpoint.h"
#include "support/error_guard.h"
#include "support/text.h"

namespace kovra {

template <typename Body>
void SessionLinks::Guard(Body&& body) {
  RunGuarded(parts_.dialogs, std::forward<Body>(body));
}

namespace {

const std::string kSessionUpper = UpperText(kSessionCommand);

}  // namespace

quint64 SessionLinks::NewSessionId() {
  return SessionRoster::NewId(QDateTime::currentMSecsSinceEpoch(),
                              QRandomGenerator::global()->generate());
}

SessionLinks::SessionLinks(Parts parts)
    : parts_(std::move(parts)),
      links_(std::make_unique<PeerLinks>(parts_.computer_name, Hooks())),
      sync_(std::make_unique<BoardSync>(BoardSync::Parts{
          *links_, [this] { return roster_.Leader(); }, parts_.canvas, parts_.files, parts_.tell,
          parts_.resized, parts_.replaced, parts_.aligned, parts_.refusal})),
      roster_(links_->Instance(), NewSessionId()) {
  parts_.history.SetClock([this] { return Clock(); });
  roster_ticks_.setInterval(500);
  QObject::connect(&roster_ticks_, &QTimer::timeout, links_.get(), [this] {
    Guard([&] { Roster([&] { roster_.Tick(Clock()); }); });
    GreetAbsent();
  });
  roster_ticks_.start();
  parts_.fan_out.SetLinks(links_.get());
  // The whole board goes to a copy that speaks the extension as tiles.
  parts_.board_sending.TakeOver = [this](const std::string& name) {
    const std::optional<quint32> address = KnownAddressOf(name);
    sync_->Hold(false);  // the user's board goes to the others: it is theirs too now
    return address && sync_->SendBoard(*address);
  };
}

PeerLinks::Hooks SessionLinks::Hooks() {
  PeerLinks::Hooks hooks;
  hooks.send = [this](quint32 address, const std::string& bytes) {
    try {
      return parts_.endpoint.SendToAddress(address, links_->NameOf(address), bytes);
    } catch (const Error&) {
      return false;  // lost, as on the wire; sent again later
    }
  };
  hooks.deliver = [this](quint32 address, quint16 port, std::string_view text) {
    ReceivedInOrder(address, port, text);
  };
  hooks.joined = [this](quint32 address) {
    speaking_since_[address] = Clock();
    // A copy that answers the extension is there, whether or not its
    // "Enter" or "IamToo" came through.
    Returned(address);
    Linked(address);
  };
  hooks.skipped = [this](quint32 address) { Guard([&] { sync_->Skipped(address); }); };
  hooks.room = [this](quint32 address) { Guard([&] { sync_->Room(address); }); };
  hooks.gone = [this](quint32 address, const std::string&) {
    sync_->Forget(address);
    speaking_since_.erase(address);
    Guard([&] { parts_.presence.Silent(ListedName(address), address); });
    Left(address);
  };
  hooks.unanswered = [this](quint32 address, const std::string&) {
    Guard([&] { parts_.presence.Silent(ListedName(address), address); });
    // A copy whose program ended: the session goes on without it at once.
    Left(address);
  };
  hooks.back = [this](quint32 address, const std::string&) {
    Returned(address);
    if (links_->Speaks(address)) Linked(address);  // otherwise once it answers
  };
  hooks.undelivered = [this](quint32 address, const std::string& text) {
    Undelivered(address, text, false);
  };
  hooks.delivered = [this](quint32 address, const std::string& text) {
    Undelivered(address, text, true);
  };
  return hooks;
}

bool SessionLinks::TakeStream(const ReceivedDatagram& datagram) {
  // The ordered delivery's datagrams are the most of a drawing session's:
  // read where they lie, as "KvData" is sent, without copying.
  static const std::string kDataHead = kProgramTag + ":>" + link::kData + ":>";
  const std::string_view whole(datagram.bytes.data(),
                               strnlen(datagram.bytes.data(), datagram.bytes.size()));
  if (whole.substr(0, kDataHead.size()) != kDataHead) return false;
  links_->Heard(datagram.address);
  Guard([&] {
    links_->ReceivedData(datagram.address, datagram.port, TrimView(whole.substr(kDataHead.size())));
  });
  return true;
}

bool SessionLinks::PassOn(const ReceivedDatagram& datagram, const ReceivedCommand& received) {
  links_->Heard(datagram.address);
  if (link::IsLinkCommand(received.name)) {
    // The extension's own datagrams may be longer than a command, and are read whole.
    const auto whole =
        datagram.bytes.size() <= kMaxCommandText
            ? std::optional<ReceivedCommand>(received)
            : ParseCommandText(datagram.bytes.data(), static_cast<int>(datagram.bytes.size()));
    if (whole) Guard([&] { links_->Received(datagram.address, datagram.port, *whole); });
    return false;
  }
  // Taken only in order.
  if (BoardSync::IsSyncCommand(received.name) || IsStepCommand(received.name) ||
      received.name == kSessionUpper) {
    return false;
  }
  links_->Contact(datagram.address);
  static const std::string kExit = UpperText(command::kExit);
  if (received.name == kExit) {
    // Anybody may write a copy's address on an "Exit": a copy that speaks
    // the extension is asked first, and leaves only if it stays silent.
    if (!links_->Suspect(datagram.address, true)) {
      links_->Left(datagram.address);
      Left(datagram.address);
    }
  }
  return true;
}

void SessionLinks::GreetAbsent() {
  // Often in the first minute, when copies start in any order, then now and then.
  const qint64 pause = Clock() < 60'000 ? 5'000 : 30'000;
  if (greeted_absent_.isValid() && !greeted_absent_.hasExpired(pause)) return;
  greeted_absent_.start();
  const Correspondents& list = parts_.presence.List();
  for (int row = 0; row < list.Count() && row < static_cast<int>(PeerLinks::kMaxPeers); ++row) {
    const std::string& line = list.Line(row);
    if (Correspondents::ValueOf(line) == kPresent) continue;
    // Only where it is known without a lookup: no name is resolved for this.
    const std::optional<quint32> address = KnownAddressOf(Correspondents::NameOf(line));
    if (address && !links_->Speaks(*address) &&
        IsOneComputer(*address, parts_.presence.LoopbackIsPeer())) {
      links_->Announce(*address);
    }
  }
}

void SessionLinks::Shared() {
  // The copies of the session have its board, and with it every step of
  // this copy's that its owner had, or take those drawn again from now on;
  // so has a copy that is no longer there, until it went.
  const quint32 leader = roster_.Leader();
  const qint64 now = Clock();
  const qint64 owner_had = leader == 0 ? now : links_->TakenUntil(leader);
  for (const SessionRoster::Member& member : roster_.Members()) {
    if (member.address == 0) continue;
    if (met_.size() >= kMaxMet) ForgetMet();
    qint64& had_until = met_[member.instance].had_until;
    had_until = std::max(had_until, owner_had);
    links_->Shared(member.address);
  }
}

void SessionLinks::KeepForAbsent(const std::string& line) {
  const Correspondents& list = parts_.presence.List();
  for (int row = 0; row < list.Count(); ++row) {
    const std::string& entry = list.Line(row);
    if (Correspondents::ValueOf(entry) == kPresent) continue;
    const std::optional<quint32> address = KnownAddressOf(Correspondents::NameOf(entry));
    if (address && links_->Keep(*address, command::kMessage + ":>" + line)) {
      Guard([&] { parts_.chat.Undelivered(ListedName(*address), line, false); });
    }
  }
}

void SessionLinks::ForgetMet() {
  // Only copies of the session now are worth remembering.
  for (auto it = met_.begin(); it != met_.end();) {
    const bool member =
        std::any_of(roster_.Members().begin(), roster_.Members().end(),
                    [&](const SessionRoster::Member& m) { return m.instance == it->first; });
    it = member ? std::next(it) : met_.erase(it);
  }
}

void SessionLinks::AnnounceTo(const std::vector<std::string>& addresses) {
  for (const std::string& text : addresses) {
    if (const auto address = ParseDottedAddress(text)) links_->Announce(*address);
  }
}

void SessionLinks::Linked(quint32 address) {
  const qint64 now = Clock();
  const quint32 instance = links_->InstanceOf(address);
  if (met_.size() >= kMaxMet) ForgetMet();
  met_[instance].linked_at = now;
  Guard([&] { Roster([&] { roster_.Linked(address, instance, now); }); });
  Announce(address);
}

void SessionLinks::Left(quint32 address) {
  if (roster_.InstanceAt(address) == 0) return;
  Guard([&] {
    Roster([&] {
      roster_.Unlinked(address, Clock());
      // Alone: a session of its own, as old as the moment it began.
      if (links_->Alone()) roster_.Found(NewSessionId());
    });
  });
}

template <typename Fact>
void SessionLinks::Roster(Fact&& fact) {
  const quint32 leader_before = roster_.Leader();
  const quint32 leader_instance_before = roster_.InstanceAt(leader_before);
  const std::vector<SessionRoster::Member> members_before = roster_.Members();
  fact();
  roster_.TakeMerged();
  if (roster_.TakeChanged()) {
    for (const quint32 address : links_->Present()) Announce(address);
  }
  const quint32 leader = roster_.Leader();
  const bool new_owner =
      leader != leader_before || roster_.InstanceAt(leader) != leader_instance_before;
  if (new_owner) {
    FollowOwner(leader);
    sync_->OwnerChanged();
  }
  Shared();
  Replay();
  // The owner greets copies that joined the session it leads.
  if (new_owner || leader != 0) return;
  for (const SessionRoster::Member& member : roster_.Members()) {
    const bool joined = std::none_of(
        members_before.begin(), members_before.end(),
        [&](const SessionRoster::Member& old) { return old.instance == member.instance; });
    if (joined && member.address != 0) sync_->MemberJoined(member.address);
  }
}

void SessionLinks::Announce(quint32 address) {
  links_->Send(address, kSessionCommand + ":>" + roster_.Current().Build(),
               PeerLinks::Carry::kPassing);
}

void SessionLinks::OnSession(quint32 address, const std::string& args) {
  const auto announcement = SessionRoster::Announcement::Parse(args, address);
  if (!announcement) return;
  // Everyone finds everyone: a copy that a peer speaks with is greeted.
  for (const SessionRoster::Member& member : announcement->members) {
    if (member.instance != links_->Instance() && member.address != address &&
        !links_->Speaks(member.address) &&
        IsOneComputer(member.address, parts_.presence.LoopbackIsPeer())) {
      links_->Introduce(member.address);
    }
  }
  Roster([&] { roster_.Announced(address, *announcement, Clock()); });
}

void SessionLinks::FollowOwner(quint32 leader) {
  if (leader == 0) return;  // this board is the session's
  const quint32 instance = roster_.InstanceAt(leader);
  // The user's steps that the new owner's board may lack: those its stream
  // lost, those sent while it was away, and, for a copy never linked
  // before, all; but none it had through the session's board.
  const Met& met = met_[instance];
  const qint64 from = std::max(links_->MissingSince(leader), met.had_until);
  // What went since the link was made went to it, as to everybody.
  const qint64 to = met.linked_at;
  if (from >= to) return;
  // What cannot be drawn again is kept in the picture folder before the
  // session's board replaces it.
  if (!parts_.history.OwnStepsBetween(from, to).whole) sync_->SetUnshared(true);
  const bool waiting = replay_since_.isValid();
  replay_from_ = waiting ? std::min(replay_from_, from) : from;
  replay_to_ = waiting ? std::max(replay_to_, to) : to;
  replay_since_.start();
}

void SessionLinks::Replay() {
  if (!replay_since_.isValid()) return;
  const quint32 leader = roster_.Leader();
  // Drawn when every copy of the session is there to take it, or after a
  // moment at the most: a copy that is not yet would lose it to the repair.
  constexpr qint64 kSettleMs = 2000;
  if (leader != 0 && !roster_.AllPresent() && !replay_since_.hasExpired(kSettleMs)) return;
  replay_since_.invalidate();
  if (leader == 0 || !parts_.redraw) return;  // this board is the session's after all
  BoardHistory::OwnSteps own = parts_.history.OwnStepsBetween(replay_from_, replay_to_);
  if (own.steps.empty()) return;
  // Drawn once the news that brought it is handled: a send may run the event loop.
  QTimer::singleShot(0, links_.get(), [this, steps = std::move(own.steps)] { Redraw(steps); });
}

void SessionLinks::Redraw(const std::vector<std::vector<drawing::Command>>& steps) {
  if (redrawing_) return;
  redrawing_ = true;
  bool done = true;
  Guard([&] { done = parts_.redraw(steps); });
  redrawing_ = false;
  // The user is drawing: after the gesture, so as not to cut it in two.
  if (!done) QTimer::singleShot(100, links_.get(), [this, steps] { Redraw(steps); });
}

void SessionLinks::ReceivedInOrder(quint32 address, quint16 port, std::string_view text) {
  // Read as the same command would be read from its own datagram of at most
  // kMaxCommandText characters; only the board's repair may say more.
  const std::size_t plain_size = kMaxCommandText - kProgramTag.size() - 2;
  auto command = ParseUntaggedCommand(text.substr(0, plain_size));
  if (!command || link::IsLinkCommand(command->name)) return;
  if (IsStepCommand(command->name)) {
    const RoutedDialogs::FromPeer from(parts_.dialogs, address);
    Guard([&] { parts_.step(address, port, command->name); });
    return;
  }
  const bool session = command->name == kSessionUpper;
  if (!session && !BoardSync::IsSyncCommand(command->name)) {
    parts_.dispatch(*command, address, port);
    return;
  }
  if (text.size() > plain_size) command = ParseUntaggedCommand(text);
  if (!command) return;
  const RoutedDialogs::FromPeer from(parts_.dialogs, address);
  if (session) {
    Guard([&] { OnSession(address, command->args); });
    return;
  }
  Guard([&] { sync_->Received(address, *command); });
}

void SessionLinks::Undelivered(quint32 address, std::string_view text, bool after_all) {
  const auto command = ParseUntaggedCommand(text);
  static const std::string kMessage = UpperText(command::kMessage);
  if (!command || command->name != kMessage) return;
  Guard([&] { parts_.chat.Undelivered(ListedName(address), command->args, after_all); });
}

bool SessionLinks::SendInOrder(const std::string& name, const std::string& command,
                               qint64 since_ms) {
  const std::optional<quint32> address = KnownAddressOf(name);
  if (!address || !links_->Speaks(*address)) return false;
  const auto since = speaking_since_.find(*address);
  if (since == speaking_since_.end() || since->second > since_ms) return false;
  return links_->Send(*address, command);
}

bool SessionLinks::Suspect(const std::string& host) {
  const std::optional<quint32> address = KnownAddressOf(host);
  return address && links_->Suspect(*address);
}

std::optional<quint32> SessionLinks::KnownAddressOf(const std::string& name) const {
  // By what the list and the announcements heard say, never by the name a
  // greeting claims: anybody can greet with any name.
  if (const auto dotted = ParseDottedAddress(TrimText(name))) return dotted;
  return parts_.presence.Addresses().Find(name);
}

std::string SessionLinks::ListedName(quint32 address) const {
  const std::optional<std::string> known = parts_.presence.Addresses().NameAt(address);
  return known ? *known : DottedAddressText(address);
}

void SessionLinks::Returned(quint32 address) {
  // Marked by the name this address announced; by the name its greeting
  // claims only when the list and the announcements know that name
  // nowhere, so that no greeting takes a listed copy's place.
  const KnownAddresses& book = parts_.presence.Addresses();
  std::string name;
  if (const std::optional<std::string> known = book.NameAt(address)) {
    name = *known;
  } else if (const std::string& claimed = links_->NameOf(address); !claimed.empty()) {
    const std::optional<quint32> dotted = ParseDottedAddress(TrimText(claimed));
    const bool unknown = !book.Find(claimed) && parts_.presence.List().Find(claimed) < 0;
    if (dotted ? *dotted == address : unknown) name = claimed;
  }
  if (!name.empty()) Guard([&] { parts_.presence.Returned(name, address); });
}

}  // namespace kovra
