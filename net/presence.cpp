#include "net/presence.h"

#include <QFileInfo>

#include "net/command.h"
#include "net/correspondents.h"
#include "net/fan_out.h"
#include "support/system.h"
#include "support/text.h"

namespace kovra {

void Presence::Load() {
  list_.Clear();
  if (QFileInfo::exists(list_file_)) {
    list_.Load(list_file_);
  } else {
    list_.MarkLoaded();
  }
}

void Presence::Save() {
  if (DriveWritable(list_file_)) list_.Save(list_file_);
}

void Presence::Greet() { fan_out_.SendToCorrespondents(command::kEnter, computer_name_, true); }

void Presence::AskEveryone() {
  list_.MarkAllAbsent();
  Greet();
}

void Presence::SayGoodbye() {
  fan_out_.SendToCorrespondents(command::kExit, computer_name_, true);
  if (!DriveWritable(list_file_)) return;
  list_.MarkAllAbsent();
  Save();
}

std::optional<std::string> Presence::Add(const std::string& typed_name) {
  const std::string name = UpperText(TrimText(typed_name));
  if (name.empty() || name == UpperText(computer_name_)) return std::nullopt;
  list_.Append(name + "=" + kAbsent);
  Save();
  return name;
}

void Presence::Introduce(const std::string& name) {
  fan_out_.SendCommand(name, command::kEnter, computer_name_);
}

void Presence::Remove(int row) {
  list_.Remove(row);
  Save();
}

void Presence::ReceivedEnter(const std::string& args) {
  list_.SetPresence(args, kPresent);
  fan_out_.SendToCorrespondents(command::kIamToo, computer_name_, true);
}

void Presence::ReceivedIamToo(const std::string& args) { list_.SetPresence(args, kPresent); }

void Presence::ReceivedExit(const std::string& args) { list_.SetPresence(args, kAbsent); }

}  // namespace kovra
