// Who is there, and where: "Enter", "IamToo" and "Exit" keep the Yes and No
// of the correspondent list up to date and tell the address each computer
// is heard from, and this computer announces itself to the whole list. The
// list and the addresses live in their files in the program's folder,
// written only when the folder takes new files.
#pragma once

#include <QElapsedTimer>
#include <QString>
#include <QTimer>
#include <QtGlobal>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "net/known_addresses.h"

namespace kovra {

class Correspondents;
class FanOut;

class Presence {
 public:
  // Lines beyond which a computer that announces itself is no longer added.
  static constexpr std::size_t kMaxLearnedLines = 256;
  // "Enter" is answered at most once in so long.
  static constexpr qint64 kAnswerIntervalMs = 1000;

  Presence(FanOut& fan_out, Correspondents& list, std::string computer_name, QString list_file,
           QString addresses_file);

  // Runs an answer that was put off, as done on behalf of the peer at from;
  // the window shows what goes wrong in it as that peer's doing.
  std::function<void(quint32 from, const std::function<void()>& answer)> RunForPeer;

  // A computer answered "IamToo": the name it announced, and where from.
  std::function<void(const std::string& name, quint32 from)> OnAnswered;

  // A copy that lives on loopback (in tests) takes loopback addresses for
  // computers; no other copy does.
  bool LoopbackIsPeer() const { return loopback_is_peer_; }
  const Correspondents& List() const { return list_; }
  void SetLoopbackIsPeer(bool loopback_is_peer) {
    loopback_is_peer_ = loopback_is_peer;
    addresses_.SetLoopbackIsPeer(loopback_is_peer);
  }

  // Reads the list and the addresses from their files; no file, nothing
  // known. What announcements marked before is marked again in it. Lines
  // named by an address that is not one computer's (a broadcast address,
  // say) are left out; their names are returned.
  std::vector<std::string> Load();
  void Save();
  // Writes the addresses if something new was heard; a failure is only
  // tried again later, since nothing the user made is lost with it.
  void SaveAddresses();
  // Writes what announcements changed since the last save, the list and
  // the addresses, so that a crash loses none of it; called about once a
  // second. A list that cannot be written is tried again at the close,
  // which says so.
  void SaveHeard();
  const KnownAddresses& Addresses() const { return addresses_; }

  // "Enter" to every line, so that those running answer and are marked;
  // the number of computers asked. Each may run the event loop.
  int Greet();
  // All marked absent first: the answers mark the present again.
  int AskEveryone();
  // "Enter" to each address (broadcast addresses of the local networks):
  // every copy there adds this computer and answers, and so is added here.
  // The number of addresses asked.
  int FindEveryone(const std::vector<std::string>& addresses);
  // "Exit" to every line; then, where the folder takes files, every line
  // marked absent and saved.
  void SayGoodbye();
  // A new line NAME=No, saved; nullopt when the name is empty or this
  // computer's own. Raises Error for an address that is not one computer's.
  // Introduce then sends "Enter" to it alone.
  std::optional<std::string> Add(const std::string& typed_name);
  // Whether the "Enter" went out.
  bool Introduce(const std::string& name);
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
  // The copy name at from fell silent, or was heard again after it did (or
  // answered in a way that shows it is there).
  void Silent(const std::string& name, quint32 from);
  void Returned(const std::string& name, quint32 from);

 private:
  // Marks name's line, adding one where the list has room; false when there
  // is no name. Raises Error when the list is full.
  bool Mark(const std::string& name, quint32 from, const std::string& value);

  void Answer();
  void AnswerDeferred();

  FanOut& fan_out_;
  Correspondents& list_;
  std::string computer_name_;
  QString list_file_;
  QString addresses_file_;
  KnownAddresses addresses_;
  QElapsedTimer since_answer_;  // the last answer to an "Enter"
  QTimer answer_timer_;         // the answer put off meanwhile
  quint32 deferred_for_ = 0;    // the last address that asked for it
  bool loopback_is_peer_ = false;
  bool list_heard_ = false;  // announcements changed the list since it was saved
};

}  // namespace kovra
