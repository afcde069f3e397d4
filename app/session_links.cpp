#include "app/session_links.h"

#include <algorithm>

#include <QTimer>
#include <charconv>
#include <cstring>

#include "app/board_sending.h"
#include "app/board_undo.h"
#include "app/chat_pane.h"
#include "app/routed_dialogs.h"
#include "board/board_tiles.h"
#include "board/drawing_commands.h"
#include "net/correspondents.h"
#include "net/dotted_address.h"
#include "net/fan_out.h"
#include "net/link_wire.h"
#include "net/local_networks.h"
#include "net/neighbours.h"
#include "net/presence.h"
#include "net/udp_endpoint.h"
#include "support/ansi_codec.h"
#include "support/error_guard.h"
#include "support/text.h"

namespace kovra {

template <typename Body>
void SessionLinks::Guard(Body&& body) {
  RunGuarded(parts_.dialogs, std::forward<Body>(body));
}

namespace {

const std::string kSessionUpper = UpperText(kSessionCommand);
const std::string kSeenUpper = UpperText(kSeenCommand);
const std::string kTieUpper = UpperText(kTieCommand);
const std::string kPasteUpper = UpperText(command::kPaste);

}  // namespace

SessionLinks::SessionLinks(Parts parts)
    : parts_(std::move(parts)),
      links_(std::make_unique<PeerLinks>(parts_.computer_name, Hooks())),
      sync_(std::make_unique<BoardSync>(BoardSync::Parts{
          *links_, [this] { return course_->Leader(); }, parts_.canvas, parts_.files, parts_.tell,
          parts_.resized, parts_.replaced, parts_.aligned, parts_.refusal})),
      course_(std::make_unique<SessionCourse>(*links_, parts_.history, CourseHooks())) {
  parts_.history.SetClock([this] { return Clock(); });
  roster_ticks_.setInterval(500);
  QObject::connect(&roster_ticks_, &QTimer::timeout, links_.get(), [this] {
    Guard([&] { course_->Tick(); });
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
  hooks.host_of = HostKey;
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

SessionCourse::Hooks SessionLinks::CourseHooks() {
  SessionCourse::Hooks hooks;
  hooks.owner_changed = [this] { sync_->OwnerChanged(); };
  hooks.joined = [this](quint32 address) { sync_->MemberJoined(address); };
  hooks.drawn = [this] {
    const QImage& board = parts_.canvas.Image();
    return !board.isNull() && !tiles::IsWhite(board, board.rect());
  };
  hooks.unshared = [this] { sync_->SetUnshared(true); };
  hooks.busy = [this] { return parts_.drawing && parts_.drawing(); };
  hooks.redraw = [this](const SessionCourse::Steps& steps, quint32 wiper, bool tell) {
    // Drawn once the news that brought it is handled: a send may run the event loop.
    QTimer::singleShot(0, links_.get(),
                       [this, steps, wiper, tell] { Redraw(steps, wiper, tell); });
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
      received.name == kSessionUpper || received.name == kSeenUpper ||
      received.name == kTieUpper || received.name == kPasteUpper) {
    return false;
  }
  if (IsAnotherCopysName(datagram.address, received)) return false;
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

bool SessionLinks::IsAnotherCopysName(quint32 address, const ReceivedCommand& received) const {
  // A copy linked through the extension holds its name by its ticket: a
  // plain announcement of that name from elsewhere neither moves it nor
  // says it left, for as long as the link lives.
  static const std::string kNamed[] = {UpperText(command::kEnter), UpperText(command::kIamToo),
                                       UpperText(command::kExit)};
  if (std::find(std::begin(kNamed), std::end(kNamed), received.name) == std::end(kNamed)) {
    return false;
  }
  const std::optional<quint32> holder = KnownAddressOf(received.args);
  return holder && *holder != address && links_->Speaks(*holder);
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

void SessionLinks::KeepForAbsent(const std::string& line, const std::set<std::string>& reached) {
  const Correspondents& list = parts_.presence.List();
  for (int row = 0; row < list.Count(); ++row) {
    const std::string& entry = list.Line(row);
    if (Correspondents::ValueOf(entry) == kPresent) continue;
    if (reached.count(TrimText(Correspondents::NameOf(entry))) > 0) continue;
    const std::optional<quint32> address = KnownAddressOf(Correspondents::NameOf(entry));
    if (address && links_->Keep(*address, command::kMessage + ":>" + line)) {
      Guard([&] { parts_.chat.Undelivered(ListedName(*address), line, false); });
    }
  }
}

void SessionLinks::AnnounceTo(const std::vector<std::string>& addresses) {
  for (const std::string& text : addresses) {
    if (const auto address = ParseDottedAddress(text)) links_->Announce(*address);
  }
}

void SessionLinks::Linked(quint32 address) {
  Guard([&] { course_->Linked(address); });
  course_->Announce(address);
}

void SessionLinks::Left(quint32 address) {
  Guard([&] { course_->Left(address); });
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
  course_->Announced(address, *announcement);
}

void SessionLinks::Redraw(const std::vector<std::vector<drawing::Command>>& steps,
                          quint32 wiper, bool tell) {
  // The user is drawing, or steps are being drawn again already (a send
  // runs the event loop): after that, so as not to cut either in two.
  bool done = false;
  if (!redrawing_) {
    redrawing_ = true;
    Guard([&] { done = parts_.redraw(steps); });
    redrawing_ = false;
  }
  if (!done) {
    QTimer::singleShot(100, links_.get(),
                       [this, steps, wiper, tell] { Redraw(steps, wiper, tell); });
    return;
  }
  if (!tell) return;
  const QString count = QString::number(steps.size());
  parts_.tell(wiper == 0 ? QStringLiteral("Ваши шаги, которых не было на доске сеанса, нарисованы "
                                          "снова для всех (шагов: %1)")
                               .arg(count)
                         : QStringLiteral("Часть рисунка, которой %1 не видел, когда стёр доску, "
                                          "нарисована снова (шагов: %2)")
                               .arg(AnsiToQString(ListedName(wiper)), count));
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
  if (command->name == kSeenUpper) {
    quint32 through = 0;
    const std::string& args = command->args;
    const auto [end, error] = std::from_chars(args.data(), args.data() + args.size(), through);
    if (error == std::errc() && end == args.data() + args.size()) {
      Guard([&] { course_->Seen(address, through); });
    }
    return;
  }
  if (command->name == kTieUpper) {
    Guard([&] { course_->TieSaid(address, command->args); });
    return;
  }
  const bool session = command->name == kSessionUpper;
  if (command->name == kPasteUpper && text.size() > plain_size) {
    command = ParseUntaggedCommand(text);  // a picture's part fills its datagram
    if (!command) return;
  }
  if (!session && !BoardSync::IsSyncCommand(command->name)) {
    // Read before the wipe clears the history; drawn after it.
    static const std::string kWipe = UpperText(command::kNewKV);
    if (command->name == kWipe) Guard([&] { course_->Wiped(address); });
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
