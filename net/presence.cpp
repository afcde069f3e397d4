#include "net/presence.h"

#include <QFileInfo>

#include "net/command.h"
#include "net/correspondents.h"
#include "net/fan_out.h"
#include "net/local_networks.h"
#include "support/ansi_codec.h"
#include "support/error_guard.h"
#include "support/system.h"
#include "support/text.h"
#include "support/waits.h"

namespace kovra {

Presence::Presence(FanOut& fan_out, Correspondents& list, std::string computer_name,
                   QString list_file, QString addresses_file)
    : fan_out_(fan_out),
      list_(list),
      computer_name_(std::move(computer_name)),
      list_file_(std::move(list_file)),
      addresses_file_(std::move(addresses_file)) {
  answer_timer_.setSingleShot(true);
  QObject::connect(&answer_timer_, &QTimer::timeout, &answer_timer_, [this] { AnswerDeferred(); });
}

std::vector<std::string> Presence::Load() {
  // Announcements heard before the list was read are not lost with it.
  const std::vector<std::string> heard_before = list_.Lines();
  list_.Clear();
  // Read first, keeping what was heard before, so that a computer heard
  // before the list is read finds the line that lists it by address.
  try {
    addresses_.Load(addresses_file_);
  } catch (const Error&) {
    // Unreadable: the addresses are heard again with the next announcements.
  }
  if (QFileInfo::exists(list_file_)) {
    list_.Load(list_file_);
    // Nobody answered yet in this run, whatever the file says (it says
    // "=Yes" after a crash): each line keeps its name as written.
    for (int row = 0; row < list_.Count(); ++row) {
      const std::string& line = list_.Line(row);
      const std::size_t mark = line.rfind('=');
      if (mark != std::string::npos &&
          UpperText(Correspondents::ValueOf(line)) == UpperText(kPresent)) {
        list_.SetLine(row, line.substr(0, mark + 1) + kAbsent);
      }
    }
  } else {
    list_.MarkLoaded();
  }
  for (const std::string& line : heard_before) {
    const std::string name = Correspondents::NameOf(line);
    if (TrimText(name).empty()) continue;
    list_heard_ = true;
    // A computer the file lists by its address keeps its place, under the
    // name it announced, as when it is heard after the list was read.
    const std::optional<quint32> at = addresses_.Find(TrimText(name));
    const int by_address = at ? list_.Find(DottedAddressText(*at)) : -1;
    if (by_address >= 0 && list_.Find(name) < 0) {
      list_.SetLine(by_address, name + "=" + Correspondents::ValueOf(line));
      continue;
    }
    list_.SetPresence(name, Correspondents::ValueOf(line));
  }
  // Every walk would reach the whole network through such a line.
  std::vector<std::string> left_out;
  for (int row = list_.Count() - 1; row >= 0; --row) {
    const std::string name = TrimText(Correspondents::NameOf(list_.Line(row)));
    if (NamesOneComputer(name, loopback_is_peer_)) continue;
    left_out.insert(left_out.begin(), name);
    list_.Remove(row);
  }
  return left_out;
}

void Presence::Save() {
  list_heard_ = false;
  if (DriveWritable(list_file_)) list_.Save(list_file_);
}

void Presence::SaveHeard() {
  SaveAddresses();
  if (!list_heard_) return;
  try {
    Save();
  } catch (const Error&) {
    // The close saves once more and tells what it could not keep.
  }
}

void Presence::SaveAddresses() {
  if (!addresses_.Changed() || !DriveWritable(addresses_file_)) return;
  try {
    addresses_.Save(addresses_file_);
  } catch (const Error&) {
    // Tried again with the next change.
  }
}

int Presence::Greet() {
  return fan_out_.SendToCorrespondents(command::kEnter, computer_name_, true);
}

int Presence::AskEveryone() {
  list_.MarkAllAbsent();
  return Greet();
}

int Presence::FindEveryone(const std::vector<std::string>& addresses) {
  int asked = 0;
  for (const std::string& address : addresses) {
    if (fan_out_.SendToOne(address, command::kEnter, computer_name_)) ++asked;
  }
  return asked;
}

void Presence::SayGoodbye() {
  fan_out_.SendToCorrespondents(command::kExit, computer_name_, true);
  SaveAddresses();
  if (!DriveWritable(list_file_)) return;
  list_.MarkAllAbsent();
  Save();
}

std::optional<std::string> Presence::Add(const std::string& typed_name) {
  const std::string name = UpperText(TrimText(typed_name));
  if (name.empty() || name == UpperText(computer_name_)) return std::nullopt;
  if (!NamesOneComputer(name, loopback_is_peer_)) {
    throw Error(QStringLiteral("%1 - адрес не одного компьютера, а сети или группы; "
                               "чтобы найти всех, есть \"Найти всех в сети\"")
                    .arg(AnsiToQString(name)));
  }
  list_.Append(name + "=" + kAbsent);
  Save();
  return name;
}

bool Presence::Introduce(const std::string& name) {
  // A name that cannot be reached is told of once, by the lookup's handler.
  return fan_out_.SendToOne(name, command::kEnter, computer_name_);
}

void Presence::Remove(int row) {
  list_.Remove(row);
  Save();
}

void Presence::ReceivedEnter(const std::string& args, quint32 from) {
  if (!Mark(args, from, kPresent)) return;
  // One answer a second at most, whoever asks: the answer goes to every line
  // anyway, so a later one serves all who asked meanwhile, and a stream of
  // "Enter" cannot make this computer flood the list.
  if (since_answer_.isValid() && !since_answer_.hasExpired(kAnswerIntervalMs)) {
    deferred_for_ = from;
    if (!answer_timer_.isActive()) {
      answer_timer_.start(RemainingMs(since_answer_, kAnswerIntervalMs));
    }
    return;
  }
  Answer();
}

void Presence::Answer() {
  since_answer_.start();
  fan_out_.SendToCorrespondents(command::kIamToo, computer_name_, true);
}

void Presence::AnswerDeferred() {
  if (RunForPeer) {
    RunForPeer(deferred_for_, [this] { Answer(); });
  } else {
    Answer();
  }
}

void Presence::ReceivedIamToo(const std::string& args, quint32 from) {
  if (Mark(args, from, kPresent) && OnAnswered) OnAnswered(TrimText(args), from);
}

void Presence::ReceivedExit(const std::string& args, quint32 from) { Mark(args, from, kAbsent); }

bool Presence::Mark(const std::string& name, quint32 from, const std::string& value) {
  const std::string announced = TrimText(name);
  if (announced.empty()) return false;  // nobody to mark, and nobody to answer
  // This computer's own "Enter" to its network comes back to it.
  if (UpperText(announced) == UpperText(computer_name_)) return false;
  // A name that is a broadcast or group address would reach everyone.
  if (!NamesOneComputer(announced, loopback_is_peer_)) return false;
  if (from != 0 && !IsOneComputer(from, loopback_is_peer_)) from = 0;
  const bool adds_line =
      list_.Find(announced) < 0 && (from == 0 || list_.Find(DottedAddressText(from)) < 0);
  if (adds_line && list_.Count() >= static_cast<int>(kMaxLearnedLines)) {
    throw Error(QStringLiteral("Список корреспондентов полон (%1 строк): «%2» не добавлен")
                    .arg(kMaxLearnedLines)
                    .arg(AnsiToQString(announced)));
  }
  HeardFrom(announced, from);
  const int row = list_.Find(announced);
  const std::string before = row >= 0 ? list_.Line(row) : std::string();
  const int marked = list_.SetPresence(name, value);
  if (list_.Line(marked) != before) list_heard_ = true;
  return true;
}

void Presence::HeardFrom(const std::string& name, quint32 from) {
  const std::string announced = TrimText(name);
  if (from == 0 || announced.empty() || !IsOneComputer(from, loopback_is_peer_)) return;
  addresses_.Learn(announced, from);
  // A computer first added by its address is listed from now on by the name
  // it announces, once.
  const std::string dotted = DottedAddressText(from);
  const int by_address = list_.Find(dotted);
  if (by_address < 0 || UpperText(announced) == dotted) return;
  if (list_.Find(announced) >= 0) {
    list_.Remove(by_address);
  } else {
    list_.SetLine(by_address, announced + "=" + Correspondents::ValueOf(list_.Line(by_address)));
  }
  Save();
}

void Presence::Unreachable(const std::string& host) {
  const int row = list_.Find(host);
  if (row < 0 || UpperText(Correspondents::ValueOf(list_.Line(row))) == UpperText(kAbsent)) return;
  list_.SetLine(row, Correspondents::NameOf(list_.Line(row)) + "=" + kAbsent);
  list_heard_ = true;
}

void Presence::Silent(const std::string& name, quint32 from) {
  Unreachable(list_.Find(name) >= 0 ? name : DottedAddressText(from));
}

void Presence::Returned(const std::string& name, quint32 from) { Mark(name, from, kPresent); }

}  // namespace kovra
