// Who is there: "Enter", "IamToo" and "Exit" keep the Yes and No of the
// correspondent list up to date, and this computer announces itself to the
// whole list. The list lives in its file in the program's folder, written
// only when the folder takes new files.
#pragma once

#include <QString>
#include <optional>
#include <string>

namespace kovra {

class Correspondents;
class FanOut;

class Presence {
 public:
  Presence(FanOut& fan_out, Correspondents& list, std::string computer_name, QString list_file)
      : fan_out_(fan_out),
        list_(list),
        computer_name_(std::move(computer_name)),
        list_file_(std::move(list_file)) {}

  // Reads the list from its file; a list with no file starts empty.
  void Load();
  void Save();

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

  void ReceivedEnter(const std::string& args);
  void ReceivedIamToo(const std::string& args);
  void ReceivedExit(const std::string& args);

 private:
  FanOut& fan_out_;
  Correspondents& list_;
  std::string computer_name_;
  QString list_file_;
};

}  // namespace kovra
