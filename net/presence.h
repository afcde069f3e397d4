// Who is there, and where: "Enter", "IamToo" and "Exit" keep the Yes and No
// of the correspondent list up to date and tell the address each computer
// is heard from, and this computer announces itself to the whole list. The
// list and the addresses live in their files in the program's folder,
// written only when the folder takes new files.
#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>
#include <string>

#include "net/known_addresses.h"

namespace kovra {

class Correspondents;
class FanOut;

class Presence {
 public:
  Presence(FanOut& fan_out, Correspondents& list, std::string computer_name, QString list_file,
           QString addresses_file)
      : fan_out_(fan_out),
        list_(list),
        computer_name_(std::move(computer_name)),
        list_file_(std::move(list_file)),
        addresses_file_(std::move(addresses_file)) {}

  // Reads the list and the addresses from their files; no file, nothing known.
  void Load();
  void Save();
  // Writes the addresses if something new was heard; a failure is only
  // tried again later, since nothing the user made is lost with it.
  void SaveAddresses();
  const KnownAddresses& Addresses() const { return addresses_; }

  // "Enter" to every line, so that those running answer and are marked.
  // Each may run the event loop.
  void Greet();
  // All marked absent first: the answers mark the present again.
  void AskEveryone();
  // "Exit" to every line; then, where the folder takes files, every line
  // marked absent and saved.
  void SayGoodbye();
  // A new line NAME=No, saved; nullopt when the name is empty or this
  // computer's own. Introduce then sends "Enter" to it alone.
  std::optional<std::string> Add(const std::string& typed_name);
  void Introduce(const std::string& name);
  void Remove(int row);

  // The presence commands, with the address (host order) they came from;
  // 0 when it is not known.
  void ReceivedEnter(const std::string& args, quint32 from);
  void ReceivedIamToo(const std::string& args, quint32 from);
  void ReceivedExit(const std::string& args, quint32 from);
  // name spoke from address: remembered, and a line added by that address
  // becomes the line of that name.
  void HeardFrom(const std::string& name, quint32 from);
  // Nobody listens at host: its line is marked absent.
  void Unreachable(const std::string& host);

 private:
  FanOut& fan_out_;
  Correspondents& list_;
  std::string computer_name_;
  QString list_file_;
  QString addresses_file_;
  KnownAddresses addresses_;
};

}  // namespace kovra
